#include "app/CommandLine.h"

#include "app/DataFolder.h"
#include "core/CsvFile.h"
#include "core/Database.h"
#include "core/DateKey.h"
#include "core/DiaryFile.h"
#include "core/DiaryPath.h"
#include "core/FileOps.h"
#include "core/MeterImport.h"
#include "core/StandardDaySettings.h"
#include "platform/QtPrinting.h"
#include "platform/Services.h"
#include "printing/Reports.h"
#include "printing/StandardDayPrinting.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMap>
#include <QPrinter>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QStandardPaths>

#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace {

// Exit statuses.
constexpr int kDone = 0;
constexpr int kNothing = 1; // nothing usable, nothing to write, or a failure: nothing was changed
constexpr int kBadArguments = 2;

// Ends the command with one line on standard error.
struct Stop {
    int status;
    QString text;
};
[[noreturn]] void stop(int status, const QString &text) { throw Stop{status, text}; }
[[noreturn]] void badArguments(const QString &text)
{
    stop(kBadArguments, text + QStringLiteral(" (see levelbook --help)"));
}

void print(FILE *to, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
}

void printLine(const QString &text) { print(stdout, text + QLatin1Char('\n')); }

QString oneLine(QString text)
{
    text.replace(QStringLiteral("\n\n"), QStringLiteral(" "));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

QString usage()
{
    return QStringLiteral(
        "Usage:\n"
        "  levelbook                     start the program with its windows\n"
        "  levelbook export NAME --from DATE --to DATE [-o FILE]\n"
        "                                write the readings of NAME's diary from DATE to DATE to a CSV file\n"
        "                                (to standard output without -o)\n"
        "  levelbook import NAME FILE [--dry-run] [--schedule FILE] [--sensor-fill]\n"
        "                   [--unit mg/dL|mmol/L] [--date-order day-first|month-first]\n"
        "                                add the dates of a CSV file that NAME's diary does not hold yet;\n"
        "                                stored dates are kept as they are. Prints what it adds and the lines\n"
        "                                it cannot use; --dry-run prints that and changes nothing.\n"
        "                                A meter's or phone app's export (one reading a line, with its date and\n"
        "                                time) is recognised by its columns; its readings are placed into the\n"
        "                                eight times of day by the schedule of --schedule FILE, else the one\n"
        "                                remembered, else the usual one. For such a file:\n"
        "                                --sensor-fill   fills a time of day left empty from the sensor\n"
        "                                                reading nearest its target (within 30 minutes)\n"
        "                                --unit          the unit of an empty diary (else the one most of\n"
        "                                                the file's readings are in), and of a file that\n"
        "                                                does not say its own\n"
        "                                --date-order    how the file writes its dates, when day and month\n"
        "                                                cannot be told apart\n"
        "                                A schedule file has one time of day a line: name, start, target, as\n"
        "                                in \"Pre-Breakfast 05:00 07:30\"; \"#\" begins a comment.\n"
        "  levelbook report NAME --from DATE --to DATE [--summary-only] -o FILE.pdf\n"
        "                                print the report with readings (or its summary page alone) to a PDF file\n"
        "  levelbook report NAME --standard-day --from DATE --to DATE -o FILE.pdf\n"
        "                                print the standard day of the range (daily pattern, time in range) to a PDF "
        "file\n"
        "  levelbook list                the diaries of the data folder\n"
        "  levelbook --help              this text\n"
        "\n"
        "NAME is the person's diary as the list shows it (\"Ann Smith\"); DATE is yyyy-MM-dd.\n"
        "Every command takes --data-folder DIR to use the diaries of DIR instead of the program's data folder.\n"
        "Only import changes a diary.\n"
        "\n"
        "Exit status: 0 done; 1 nothing usable or nothing to write, or a failure (the diary and the files are\n"
        "as they were); 2 bad arguments.\n");
}

struct Arguments {
    QString command;
    QStringList positional;
    QMap<QString, QString> values; // --from, --to, -o, --data-folder, --schedule, --unit, --date-order
    QSet<QString> flags;           // --dry-run, --summary-only, --standard-day, --sensor-fill, --help
};

Arguments parse(const QStringList &args)
{
    static const QStringList withValue{
        QStringLiteral("--from"),   QStringLiteral("--to"),          QStringLiteral("-o"),
        QStringLiteral("--output"), QStringLiteral("--data-folder"), QStringLiteral("--schedule"),
        QStringLiteral("--unit"),   QStringLiteral("--date-order")};
    static const QStringList flags{QStringLiteral("--dry-run"),      QStringLiteral("--summary-only"),
                                   QStringLiteral("--standard-day"), QStringLiteral("--sensor-fill"),
                                   QStringLiteral("--help"),         QStringLiteral("-h")};
    Arguments a;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString arg = args[i];
        QString value;
        bool hasValue = false;
        if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('='))) {
            value = arg.section(QLatin1Char('='), 1);
            arg = arg.section(QLatin1Char('='), 0, 0);
            hasValue = true;
        }
        if (withValue.contains(arg)) {
            if (!hasValue) {
                if (i + 1 >= args.size())
                    badArguments(QStringLiteral("%1 needs a value").arg(arg));
                value = args[++i];
            }
            if (arg == QLatin1String("--output"))
                arg = QStringLiteral("-o");
            if (a.values.contains(arg))
                badArguments(QStringLiteral("%1 is given twice").arg(arg));
            a.values.insert(arg, value);
        } else if (flags.contains(arg) && !hasValue) {
            a.flags.insert(arg == QLatin1String("-h") ? QStringLiteral("--help") : arg);
        } else if (arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-")) {
            badArguments(QStringLiteral("unknown option %1").arg(args[i]));
        } else if (a.command.isEmpty()) {
            a.command = arg;
        } else {
            a.positional << arg;
        }
    }
    return a;
}

// Refuses what the command does not take.
void allow(const Arguments &a, qsizetype positional, const QStringList &values, const QStringList &flags)
{
    if (a.positional.size() > positional)
        badArguments(QStringLiteral("%1 takes no argument \"%2\"").arg(a.command, a.positional[positional]));
    for (auto it = a.values.cbegin(); it != a.values.cend(); ++it)
        if (it.key() != QLatin1String("--data-folder") && !values.contains(it.key()))
            badArguments(QStringLiteral("%1 takes no %2").arg(a.command, it.key()));
    for (const QString &f : a.flags)
        if (!flags.contains(f))
            badArguments(QStringLiteral("%1 takes no %2").arg(a.command, f));
}

QString required(const Arguments &a, const QString &option)
{
    if (!a.values.contains(option))
        badArguments(QStringLiteral("%1 needs %2").arg(a.command, option));
    return a.values.value(option);
}

QString dataFolder(const Arguments &a)
{
    if (a.values.contains(QStringLiteral("--data-folder"))) {
        const QString folder = a.values.value(QStringLiteral("--data-folder"));
        if (!QFileInfo(folder).isDir())
            badArguments(QStringLiteral("the data folder \"%1\" is not there").arg(folder));
        return QDir(folder).absolutePath();
    }
    const QString folder = chooseDataFolder(QCoreApplication::applicationDirPath(),
                                            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    if (folder.isEmpty())
        stop(kNothing, QStringLiteral("Levelbook found no folder in which it may keep your diaries."));
    return folder;
}

// The diary of the person named as the list shows them.
QString diaryOf(const Arguments &a, const QString &folder)
{
    if (a.positional.isEmpty())
        badArguments(QStringLiteral("%1 needs the NAME of a diary").arg(a.command));
    const QString name = a.positional[0];
    const QString file = name + QStringLiteral(".bcl");
    if (name.isEmpty() || !diaryNameProblem(file).isEmpty())
        badArguments(QStringLiteral("\"%1\" is no name of a diary").arg(name));
    const QString path = diaryPath(folder, file);
    if (!QFileInfo(path).isFile())
        badArguments(QStringLiteral("there is no diary \"%1\" in %2").arg(name, QDir::toNativeSeparators(folder)));
    return path;
}

QDate dateArgument(const Arguments &a, const QString &option)
{
    const QString text = required(a, option);
    const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid() || text.size() != 10)
        badArguments(QStringLiteral("%1 \"%2\" is not a date written yyyy-MM-dd").arg(option, text));
    return date;
}

// The range of export and report, checked as the report window checks it.
ReportRequest rangeOf(const Arguments &a, const QString &diary)
{
    ReportRequest r;
    r.databasePath = diary;
    r.databaseName = a.positional[0];
    r.startDate = dateArgument(a, QStringLiteral("--from"));
    r.endDate = dateArgument(a, QStringLiteral("--to"));
    // The first date is one the window's picker offers.
    if (r.startDate < firstAllowedDate() || r.startDate > lastAllowedDate())
        badArguments(QStringLiteral("--from must lie in 2000 to 2099"));
    r.startKey = dateKey(r.startDate);
    r.endKey = dateKey(r.endDate);
    if (r.startKey > r.endKey)
        stop(kBadArguments, QStringLiteral("The date range has been set incorrectly."));
    return r;
}

void exportCommand(const Arguments &a)
{
    allow(a, 1, {QStringLiteral("--from"), QStringLiteral("--to"), QStringLiteral("-o")}, {});
    const ReportRequest r = rangeOf(a, diaryOf(a, dataFolder(a)));
    using Outcome = csv::ExportResult::Outcome;
    csv::ExportResult done;
    const QString target = a.values.value(QStringLiteral("-o"));
    if (!target.isEmpty()) {
        done = csv::exportToFile(r.databasePath, r.startKey, r.endKey, target);
    } else {
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly))
            stop(kNothing, QStringLiteral("The standard output cannot be written."));
        try {
            Database db = Database::open(r.databasePath, Database::Access::ReadOnly);
            Cursor cursor(db);
            done = csv::writeRange(cursor, r.startKey, r.endKey, out);
        } catch (const StoreError &e) {
            done.outcome = Outcome::DiaryFailed;
            done.detail = e.message();
        }
        if (done.outcome == Outcome::Written && !out.flush()) {
            done.outcome = Outcome::WriteFailed;
            done.detail = out.errorString();
        }
    }
    switch (done.outcome) {
    case Outcome::Written:
        if (!target.isEmpty())
            printLine(
                (done.dates == 1 ? QStringLiteral("1 date written to %1") : QStringLiteral("%2 dates written to %1"))
                    .arg(QDir::toNativeSeparators(target))
                    .arg(done.dates));
        return;
    case Outcome::NoDateFromStart: stop(kNothing, nothingToPrintText(RangeContent::NoDateFromStart));
    case Outcome::NoDateInRange: stop(kNothing, nothingToPrintText(RangeContent::NoDateInRange));
    case Outcome::DiaryFailed: stop(kNothing, readFailedText() + QLatin1Char(' ') + done.detail);
    case Outcome::WriteFailed: stop(kNothing, QStringLiteral("The readings could not be written: ") + done.detail);
    }
}

// The options that only a meter's export takes.
const QStringList &meterValues()
{
    static const QStringList values{QStringLiteral("--schedule"), QStringLiteral("--unit"),
                                    QStringLiteral("--date-order")};
    return values;
}

void printAdded(qint64 added)
{
    printLine(added == 1 ? QStringLiteral("1 date was added.") : QStringLiteral("%1 dates were added.").arg(added));
}

// A file in the diary's own columns, as it has always been imported.
int importDiaryColumns(const Arguments &a, const QString &diary, const QString &file)
{
    for (const QString &option : meterValues())
        if (a.values.contains(option))
            badArguments(
                QStringLiteral("%1 is for a meter's export; \"%2\" has the diary's own columns").arg(option, file));
    if (a.flags.contains(QStringLiteral("--sensor-fill")))
        badArguments(
            QStringLiteral("--sensor-fill is for a meter's export; \"%1\" has the diary's own columns").arg(file));

    csv::ImportPreview preview;
    try {
        preview = csv::previewImportFile(diary, file, QLocale());
    } catch (const StoreError &e) {
        stop(kNothing, readFailedText() + QLatin1Char(' ') + e.message());
    }
    if (!preview.failure.isEmpty())
        stop(kNothing, preview.failure);
    for (const QString &line : csv::previewLines(preview))
        printLine(line);
    if (!preview.usable())
        stop(kNothing, QStringLiteral("Nothing was imported: the file holds no date to add."));
    if (a.flags.contains(QStringLiteral("--dry-run")))
        return kDone;
    try {
        printAdded(csv::applyImport(diary, preview).added);
    } catch (const StoreError &e) {
        stop(kNothing, changeFailedText() + QLatin1Char(' ') + e.message());
    }
    return kDone;
}

std::optional<GlucoseUnit> unitArgument(const Arguments &a)
{
    if (!a.values.contains(QStringLiteral("--unit")))
        return std::nullopt;
    const QString text = a.values.value(QStringLiteral("--unit"));
    for (GlucoseUnit unit : {GlucoseUnit::MgPerDl, GlucoseUnit::MmolPerL})
        if (text.compare(unitName(unit), Qt::CaseInsensitive) == 0)
            return unit;
    badArguments(QStringLiteral("--unit \"%1\" is neither mg/dL nor mmol/L").arg(text));
}

meter::DateOrder dateOrderArgument(const Arguments &a)
{
    if (!a.values.contains(QStringLiteral("--date-order")))
        return meter::DateOrder::Unknown;
    const QString text = a.values.value(QStringLiteral("--date-order"));
    if (text == QLatin1String("day-first"))
        return meter::DateOrder::DayFirst;
    if (text == QLatin1String("month-first"))
        return meter::DateOrder::MonthFirst;
    badArguments(QStringLiteral("--date-order \"%1\" is neither day-first nor month-first").arg(text));
}

// The schedule of --schedule FILE, else the one remembered.
meter::Schedule scheduleArgument(const Arguments &a, QSettings &settings)
{
    if (!a.values.contains(QStringLiteral("--schedule")))
        return meter::rememberedSchedule(settings);
    const QString path = a.values.value(QStringLiteral("--schedule"));
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        badArguments(QStringLiteral("there is no schedule file \"%1\"").arg(path));
    // A schedule is eight short lines; anything much longer is no schedule.
    constexpr qint64 kMaxScheduleBytes = 64 * 1024;
    const QByteArray bytes = file.read(kMaxScheduleBytes + 1);
    QString problem;
    if (bytes.size() > kMaxScheduleBytes)
        problem = QStringLiteral("The file is far longer than a schedule.");
    std::optional<meter::Schedule> schedule;
    if (problem.isEmpty()) {
        meter::ScheduleRead read = meter::parseSchedule(QString::fromUtf8(bytes));
        schedule = read.schedule;
        problem = schedule ? schedule->problem() : read.problem;
        if (problem.isEmpty() && !schedule)
            problem = QStringLiteral("It holds no schedule.");
    }
    if (!problem.isEmpty())
        stop(kBadArguments, QStringLiteral("The schedule file \"%1\" cannot be used: %2").arg(path, problem));
    return *schedule;
}

// One date of a file whose day and month cannot be told apart, read both
// ways: "03/04/2026" is 3 April 2026 with the day first, March 4, 2026 with
// the month first.
QString bothWays(const QString &sample)
{
    static const QRegularExpression parts(QStringLiteral("^\\s*\"?(\\d{1,2})[/.-](\\d{1,2})[/.-](\\d{2}|\\d{4})\\b"));
    const QRegularExpressionMatch m = parts.match(sample);
    if (!m.hasMatch())
        return QStringLiteral("\"%1\"").arg(sample);
    int year = m.captured(3).toInt();
    if (m.captured(3).size() == 2)
        year += 2000;
    const int first = m.captured(1).toInt(), second = m.captured(2).toInt();
    const QLocale english(QLocale::English);
    const QDate dayFirst(year, second, first), monthFirst(year, first, second);
    if (!dayFirst.isValid() || !monthFirst.isValid())
        return QStringLiteral("\"%1\"").arg(sample);
    return QStringLiteral("\"%1\" is %2 with the day first, %3 with the month first")
        .arg(sample, english.toString(dayFirst, QStringLiteral("d MMMM yyyy")),
             english.toString(monthFirst, QStringLiteral("d MMMM yyyy")));
}

// A meter's or phone app's export: read, placed, set against the diary,
// and the new dates added in one change. What a window would ask (the unit
// of an empty diary or of the file, the order of day and month) comes from
// the options; a file whose columns were not found is taken with the
// columns remembered for its header, else left to the import window.
int importMeterExport(const Arguments &a, const QString &diary, const QByteArray &bytes)
{
    const std::optional<GlucoseUnit> unit = unitArgument(a);
    meter::ReadOptions read;
    read.unit = unit;
    read.dateOrder = dateOrderArgument(a);

    const std::unique_ptr<QSettings> settings = userSettings();
    meter::PlaceOptions place;
    place.schedule = scheduleArgument(a, *settings);
    place.sensorFill = a.flags.contains(QStringLiteral("--sensor-fill"));

    std::optional<GlucoseUnit> known;
    try {
        known = meter::diaryUnit(*settings, diary);
    } catch (const StoreError &e) {
        stop(kNothing, readFailedText() + QLatin1Char(' ') + e.message());
    }
    place.diaryUnit = known ? *known : unit.value_or(GlucoseUnit::MgPerDl);

    meter::MeterPreview preview;
    using Status = meter::FileRead::Status;
    try {
        preview = meter::previewMeterImport(diary, bytes, read, place);
        if (preview.file.status == Status::NeedColumns) {
            if (const auto columns = meter::rememberedColumns(*settings, preview.file.headerKey)) {
                read.columns = columns;
                preview = meter::previewMeterImport(diary, bytes, read, place);
            }
        }
    } catch (const StoreError &e) {
        stop(kNothing, readFailedText() + QLatin1Char(' ') + e.message());
    }

    switch (preview.file.status) {
    case Status::Read: break;
    case Status::Failed:
        stop(kNothing,
             preview.file.failure.isEmpty() ? QStringLiteral("This file cannot be read.") : preview.file.failure);
    case Status::NeedColumns:
        stop(kNothing,
             QStringLiteral("Nothing was imported: the columns with the time and the glucose value "
                            "could not be found in this file. The import window (Utilities, Import Readings) "
                            "can map them, and remembers them for files with the same header."));
    case Status::NeedDateOrder:
        badArguments(QStringLiteral("day and month cannot be told apart in the dates of this file (%1): give "
                                    "the order with --date-order day-first or --date-order month-first")
                         .arg(bothWays(preview.file.dateSample)));
    case Status::NeedUnit:
        badArguments(QStringLiteral("the file does not say the unit of its readings: give it with --unit mg/dL "
                                    "or --unit mmol/L"));
    }
    // A diary without readings and without --unit keeps the unit most of the
    // file's readings are in, as the import window offers it; the preview
    // says which.
    if (!known && !unit && !preview.file.readings.isEmpty()) {
        qsizetype mmol = 0;
        for (const meter::Reading &r : preview.file.readings)
            mmol += r.unit == GlucoseUnit::MmolPerL;
        const GlucoseUnit fileUnit =
            2 * mmol > preview.file.readings.size() ? GlucoseUnit::MmolPerL : GlucoseUnit::MgPerDl;
        if (fileUnit != place.diaryUnit) {
            place.diaryUnit = fileUnit;
            try {
                preview = meter::previewMeterImport(diary, preview.file, place);
            } catch (const StoreError &e) {
                stop(kNothing, readFailedText() + QLatin1Char(' ') + e.message());
            }
        }
    }
    if (!preview.diary.failure.isEmpty())
        stop(kNothing, preview.diary.failure);

    for (const QString &line : meter::previewLines(preview))
        printLine(line);
    if (!preview.usable())
        stop(kNothing, QStringLiteral("Nothing was imported: the file holds no date to add."));
    if (a.flags.contains(QStringLiteral("--dry-run"))) {
        printLine(QStringLiteral("The new dates, reading by reading:"));
        for (const QString &line : meter::placedLines(preview))
            printLine(line);
        return kDone;
    }
    try {
        printAdded(csv::applyImport(diary, preview.diary).added);
    } catch (const StoreError &e) {
        stop(kNothing, changeFailedText() + QLatin1Char(' ') + e.message());
    }
    // The unit of an empty diary is its unit from now on, as the import
    // window remembers the one it offered.
    if (!known)
        rememberUnit(*settings, diary, place.diaryUnit);
    return kDone;
}

int importCommand(const Arguments &a)
{
    allow(a, 2, meterValues(), {QStringLiteral("--dry-run"), QStringLiteral("--sensor-fill")});
    const QString diary = diaryOf(a, dataFolder(a));
    if (a.positional.size() < 2)
        badArguments(QStringLiteral("import needs the FILE to read"));
    const QString file = a.positional[1];
    if (!QFileInfo(file).isFile())
        badArguments(QStringLiteral("there is no file \"%1\"").arg(file));

    // A file that cannot be read whole here is left to the import of the
    // diary's own columns, which says why it cannot be used.
    const meter::FileBytes bytes = meter::readImportFile(file);
    if (!bytes.failure.isEmpty() || !meter::isMeterLayout(bytes.bytes))
        return importDiaryColumns(a, diary, file);
    return importMeterExport(a, diary, bytes.bytes);
}

void reportCommand(const Arguments &a)
{
    allow(a, 1, {QStringLiteral("--from"), QStringLiteral("--to"), QStringLiteral("-o")},
          {QStringLiteral("--summary-only"), QStringLiteral("--standard-day")});
    if (a.flags.contains(QStringLiteral("--summary-only")) && a.flags.contains(QStringLiteral("--standard-day")))
        badArguments(QStringLiteral("--summary-only and --standard-day exclude each other"));
    const QString folder = dataFolder(a);
    const ReportRequest r = rangeOf(a, diaryOf(a, folder));
    const QString target = QFileInfo(required(a, QStringLiteral("-o"))).absoluteFilePath();
    if (QFileInfo(target).isDir())
        badArguments(QStringLiteral("\"%1\" is a folder").arg(target));
    if (!QFileInfo(QFileInfo(target).absolutePath()).isDir())
        badArguments(QStringLiteral("the folder of \"%1\" is not there").arg(target));
    if (QFileInfo(target).suffix().compare(QLatin1String("bcl"), Qt::CaseInsensitive) == 0)
        badArguments(QStringLiteral("a diary file cannot be replaced by a report"));

    // The pages are those of the report window, printed whole to a file
    // beside the target and then put in its place.
    const QString tmp = fileops::tempPathBeside(target) + QStringLiteral(".pdf");
    PrintOutcome done;
    if (a.flags.contains(QStringLiteral("--standard-day"))) {
        // The page of the standard-day window, with the unit and target range
        // remembered for the diary.
        QPrinter pdf(QPrinter::HighResolution);
        pdf.setOutputFormat(QPrinter::PdfFormat);
        pdf.setOutputFileName(tmp);
        done = printStandardDay(pdf, r.databasePath, r.databaseName, r.startDate, r.endDate);
    } else {
        QtReportPrinter printer;
        printer.useOutputFile(tmp);
        done = a.flags.contains(QStringLiteral("--summary-only")) ? PrintSummaryOnly(printer, r)
                                                                  : PrintReadingsReport(printer, r);
    }
    QString failure;
    if (!done.printed())
        failure = done.detail.isEmpty() ? done.text : done.text + QLatin1Char(' ') + done.detail;
    else if (!QFileInfo(tmp).isFile())
        failure = printerFailedText();
    QString error;
    if (failure.isEmpty() && !(fileops::syncPath(tmp) && fileops::replace(tmp, target, &error)))
        failure = QStringLiteral("The report could not be written: ") + error;
    QFile::remove(tmp);
    if (!failure.isEmpty())
        stop(kNothing, failure);
}

void listCommand(const Arguments &a)
{
    allow(a, 0, {}, {});
    for (const QString &file : listDiaries(dataFolder(a)))
        printLine(diaryPersonName(file));
}

} // namespace

bool isCommandLine(int argc, char **argv)
{
    // A first word that is no option of the toolkit's ("-platform", "-style"
    // and the like start with a dash) names a command, known or not.
    if (argc < 2)
        return false;
    const char *first = argv[1];
    return first[0] != '-' || std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0 ||
        std::strncmp(first, "--data-folder", 13) == 0;
}

int runCommandLine(int argc, char **argv)
{
    // Standard error carries the command's own errors alone, not the
    // toolkit's remarks (a runtime folder it did not find, and the like).
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            print(stderr, QStringLiteral("levelbook: ") + text + QLatin1Char('\n'));
    });

    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    // The application object keeps the argument count and vector it is
    // given: they live longer than it.
    std::vector<char *> appArgs{argv[0]};
    char platform[] = "-platform", offscreen[] = "offscreen";
    int appArgc = 1;
    std::unique_ptr<QCoreApplication> app;
    try {
        const Arguments a = parse(args);
        // The report prints through the same printer as the windows, which
        // needs the graphical application object; on the "offscreen"
        // platform that wants no display. The rest needs QtCore alone.
        const bool report = a.command == QLatin1String("report") && !a.flags.contains(QStringLiteral("--help"));
        if (report) {
            appArgs.push_back(platform);
            appArgs.push_back(offscreen);
        }
        appArgc = int(appArgs.size());
        appArgs.push_back(nullptr);
        // The standard day's chart is drawn by the chart widgets.
        if (report && a.flags.contains(QStringLiteral("--standard-day")))
            app = std::make_unique<QApplication>(appArgc, appArgs.data());
        else if (report)
            app = std::make_unique<QGuiApplication>(appArgc, appArgs.data());
        else
            app = std::make_unique<QCoreApplication>(appArgc, appArgs.data());
        QCoreApplication::setApplicationName(QStringLiteral("Levelbook"));
        QCoreApplication::setApplicationVersion(QStringLiteral("1.10"));

        if (a.flags.contains(QStringLiteral("--help"))) {
            print(stdout, usage());
            return kDone;
        }
        if (a.command == QLatin1String("export"))
            exportCommand(a);
        else if (a.command == QLatin1String("import"))
            return importCommand(a);
        else if (report)
            reportCommand(a);
        else if (a.command == QLatin1String("list"))
            listCommand(a);
        else if (a.command.isEmpty())
            badArguments(QStringLiteral("no command given"));
        else
            badArguments(QStringLiteral("unknown command \"%1\"").arg(a.command));
        return kDone;
    } catch (const Stop &s) {
        std::fflush(stdout);
        print(stderr, QStringLiteral("levelbook: ") + oneLine(s.text) + QLatin1Char('\n'));
        return s.status;
    }
}
