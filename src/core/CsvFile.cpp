#include "core/CsvFile.h"

#include "core/Database.h"
#include "core/DateKey.h"
#include "core/DiaryChanges.h"
#include "core/FileOps.h"
#include "core/RangeSummary.h"
#include "core/Rfc4180.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>

#include <algorithm>
#include <unistd.h>
#include <utility>

namespace csv {

namespace {

// ---------------------------------------------------------------- writing

// How much is gathered before it is handed to the file, and read from a
// file at a time.
constexpr qsizetype kChunk = 64 * 1024;

void appendHeader(QByteArray &out)
{
    const auto &names = columnNames();
    for (size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            out += ',';
        rfc4180::appendField(out, names[i]);
    }
    out += rfc4180::kRecordEnd;
}

void appendDay(QByteArray &out, const ReadingDay &day)
{
    rfc4180::appendField(out, day.key);
    for (const QString &reading : day.readings) {
        out += ',';
        if (reading != missingReading())
            rfc4180::appendField(out, reading);
    }
    out += rfc4180::kRecordEnd;
}

bool writeAll(QIODevice &out, const QByteArray &bytes) { return bytes.isEmpty() || out.write(bytes) == bytes.size(); }

// Whether the range holds a stored date, decided as the report decides it;
// leaves the cursor on the first one.
ExportResult::Outcome lookAtRange(Cursor &cursor, const QString &startKey, const QString &endKey)
{
    switch (seekRange(cursor, startKey, endKey)) {
    case RangeContent::NoDateFromStart: return ExportResult::Outcome::NoDateFromStart;
    case RangeContent::NoDateInRange: return ExportResult::Outcome::NoDateInRange;
    case RangeContent::Dates: break;
    }
    return ExportResult::Outcome::Written;
}

ExportResult failedWith(ExportResult::Outcome outcome, const QString &detail)
{
    ExportResult r;
    r.outcome = outcome;
    r.detail = detail;
    return r;
}

// ---------------------------------------------------------------- reading

// The bounds of a file of readings for the reader: a line, and the lines
// with the header.
constexpr rfc4180::Reader::Limits kLimits{kMaxLineBytes, kMaxLines + 1};

// Why the reader refused the file, in words.
QString refusal(const rfc4180::Fault &fault)
{
    using Kind = rfc4180::Fault::Kind;
    QString why;
    switch (fault.kind) {
    case Kind::None: return {};
    case Kind::QuoteNeverClosed:
        why = QStringLiteral("The quote opened on line %1 is never closed.").arg(fault.line);
        break;
    case Kind::QuoteTooLong:
        why = QStringLiteral("The quote opened on line %1 is not closed within %2 characters.")
                  .arg(fault.line)
                  .arg(kMaxLineBytes);
        break;
    case Kind::RecordTooLong:
        why = QStringLiteral("Line %1 is longer than %2 characters.").arg(fault.line).arg(kMaxLineBytes);
        break;
    case Kind::Binary: why = QStringLiteral("Line %1 holds bytes that no text holds.").arg(fault.line); break;
    case Kind::TooManyRecords:
        why = QStringLiteral("The file has more than %1 lines; a diary holds at most 36525 dates.").arg(kMaxLines);
        break;
    }
    return why + QStringLiteral(" This is not a file of readings.");
}

// A header name as it is compared: without spaces, in one case.
QString comparable(const QString &name)
{
    QString out;
    out.reserve(name.size());
    for (const QChar c : name)
        if (!c.isSpace())
            out += c;
    return out.toCaseFolded();
}

// What each column of the file holds: the date (0), a kind (1 to 8) or
// nothing the program reads (-1).
struct Columns {
    QList<int> roles;
    int recognised = 0;
    bool hasDate = false;
    QString repeated; // a name that appears twice
};

Columns columnsOf(const QList<QByteArray> &header)
{
    static const QList<QString> known = [] {
        QList<QString> names;
        for (const QString &n : columnNames())
            names << comparable(n);
        return names;
    }();
    Columns c;
    QList<bool> seen(known.size(), false);
    for (const QByteArray &field : header) {
        const int role = int(known.indexOf(comparable(QString::fromUtf8(field))));
        if (role >= 0) {
            if (seen[role]) {
                if (c.repeated.isEmpty())
                    c.repeated = columnNames()[size_t(role)];
                c.roles << -1;
                continue;
            }
            seen[role] = true;
            ++c.recognised;
            c.hasDate = c.hasDate || role == 0;
        }
        c.roles << role;
    }
    return c;
}

bool isAsciiDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

QDate isoDate(const QString &text)
{
    if (text.size() != 10 || text[4] != QLatin1Char('-') || text[7] != QLatin1Char('-'))
        return {};
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!isAsciiDigit(text[i]))
            return {};
    return QDate(text.left(4).toInt(), text.mid(5, 2).toInt(), text.mid(8, 2).toInt());
}

// A date in the locale's short form. Where that form is made of numbers
// alone (day, month, year in some order) the numbers are read whatever
// separates them, with one or two digits for day and month and two or four
// for the year; a two-digit year is one of 2000 to 2099, the only years a
// diary holds. Other forms are left to the locale.
QDate shortFormDate(const QString &text, const QLocale &locale)
{
    const QString format = locale.dateFormat(QLocale::ShortFormat);
    QList<QChar> order;
    bool numeric = true;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        if (c == QLatin1Char('d') || c == QLatin1Char('M') || c == QLatin1Char('y')) {
            if ((c == QLatin1Char('y') && run != 2 && run != 4) || (c != QLatin1Char('y') && run > 2))
                numeric = false;
            order << c;
        } else if (c.isLetter() || c == QLatin1Char('\'')) {
            numeric = false;
        }
        i += run;
    }
    if (!numeric || order.size() != 3)
        return locale.toDate(text, format);

    QList<QString> numbers;
    QString current;
    for (const QChar c : text) {
        if (isAsciiDigit(c)) {
            current += c;
        } else if (c.isLetterOrNumber()) {
            return {};
        } else if (!current.isEmpty()) {
            numbers << current;
            current.clear();
        }
    }
    if (!current.isEmpty())
        numbers << current;
    if (numbers.size() != 3)
        return {};
    int day = 0, month = 0, year = 0;
    for (int i = 0; i < 3; ++i) {
        const QString &n = numbers[i];
        if (order[i] == QLatin1Char('y')) {
            if (n.size() == 2)
                year = firstAllowedDate().year() + n.toInt();
            else if (n.size() == 4)
                year = n.toInt();
            else
                return {};
        } else if (n.size() > 2) {
            return {};
        } else {
            (order[i] == QLatin1Char('d') ? day : month) = n.toInt();
        }
    }
    return QDate(year, month, day);
}

QString quoted(const QString &text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

// A reading written with a decimal comma ("5,6") as the diary writes it
// ("5.6"): only one comma, between digits, and nothing but digits besides.
QString withDecimalPoint(const QString &text)
{
    const qsizetype comma = text.indexOf(QLatin1Char(','));
    if (comma <= 0 || comma + 1 >= text.size() || text.indexOf(QLatin1Char(','), comma + 1) >= 0)
        return text;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (i != comma && !isAsciiDigit(text[i]))
            return text;
    QString out = text;
    out[comma] = QLatin1Char('.');
    return out;
}

// Why a reading's text cannot be stored, or empty text when it can.
QString readingProblem(const QString &text, int kind)
{
    const QString name = columnNames()[size_t(kind + 1)];
    if (!std::all_of(text.begin(), text.end(), [](QChar c) { return isAsciiDigit(c) || c == QLatin1Char('.'); }))
        return QStringLiteral("the %1 reading %2 is not made of digits and \".\"").arg(name, quoted(text));
    if (text.size() > 6)
        return QStringLiteral("the %1 reading %2 is longer than six characters").arg(name, quoted(text));
    return {};
}

// Turns records into days: the header first, then a line at a time.
class DayCollector {
public:
    DayCollector(const QLocale &locale, FileReadings &out) : locale_(locale), out_(out) {}

    void header(const Columns &columns) { columns_ = columns; }

    void line(qint64 number, QList<QByteArray> &fields)
    {
        if (std::all_of(fields.begin(), fields.end(), [](const QByteArray &f) { return f.trimmed().isEmpty(); }))
            return; // a blank line, or one of separators only
        QStringList reasons;
        ReadingDay day;
        for (QString &r : day.readings)
            r = missingReading();
        QString dateText;
        bool extra = false;
        for (qsizetype i = 0; i < fields.size(); ++i) {
            const QString text = QString::fromUtf8(fields[i]).trimmed();
            const int role = i < columns_.roles.size() ? columns_.roles[i] : -2;
            if (role == 0) {
                dateText = text;
            } else if (role > 0) {
                if (text.isEmpty() || text == missingReading())
                    continue;
                const QString reading = withDecimalPoint(text);
                const QString problem = readingProblem(reading, role - 1);
                if (problem.isEmpty())
                    day.readings[size_t(role - 1)] = reading;
                else
                    reasons << problem;
            } else if (role == -2 && !text.isEmpty() && !extra) {
                extra = true;
                reasons << QStringLiteral("the line has more fields than the first line names");
            }
        }

        if (dateText.isEmpty()) {
            reasons.prepend(QStringLiteral("there is no date"));
        } else {
            QDate date = isoDate(dateText);
            if (!date.isValid())
                date = shortFormDate(dateText, locale_);
            if (!date.isValid()) {
                reasons.prepend(QStringLiteral("the date %1 cannot be read").arg(quoted(dateText)));
            } else if (date < firstAllowedDate() || date > lastAllowedDate()) {
                reasons.prepend(QStringLiteral("the date %1 lies outside 2000\u20132099").arg(quoted(dateText)));
            } else {
                day.key = dateKey(date);
                const auto first = firstLine_.constFind(day.key);
                if (first != firstLine_.constEnd())
                    reasons.prepend(
                        QStringLiteral("the date %1 is on line %2 already").arg(quoted(dateText)).arg(*first));
            }
        }
        // A date without a single reading would be stored as a day of
        // eight "-": nothing the file meant to add.
        if (reasons.isEmpty() && std::all_of(day.readings.begin(), day.readings.end(), [](const QString &r) {
                return r == missingReading();
            }))
            reasons << QStringLiteral("the line gives the date %1 no reading").arg(quoted(dateText));
        if (!reasons.isEmpty()) {
            QString why = reasons.join(QStringLiteral("; "));
            why[0] = why[0].toUpper();
            out_.problems.append(LineProblem{number, why + QLatin1Char('.')});
            return;
        }
        firstLine_.insert(day.key, number);
        out_.days.append(std::move(day));
    }

private:
    const QLocale &locale_;
    FileReadings &out_;
    Columns columns_;
    QHash<QString, qint64> firstLine_;
};

// Reads a file of readings from a source of bytes, a piece at a time.
template <class Read> FileReadings readFrom(Read &&read, const QLocale &locale)
{
    FileReadings out;
    QByteArray chunk(kChunk, Qt::Uninitialized);

    // The first line, to see which separator the file uses: whichever names
    // the most of the known columns.
    QByteArray start;
    bool ended = false;
    qsizetype lineEnd = -1;
    while (lineEnd < 0 && start.size() <= kMaxLineBytes + 3 && !ended) {
        const qint64 n = read(chunk.data(), chunk.size());
        if (n < 0) {
            out.failure = QStringLiteral("The file could not be read.");
            return out;
        }
        ended = n == 0;
        start.append(chunk.constData(), n);
        const qsizetype lf = start.indexOf('\n'), cr = start.indexOf('\r');
        lineEnd = lf < 0 ? cr : cr < 0 ? lf : std::min(lf, cr);
    }
    if (start.startsWith("\xff\xfe") || start.startsWith("\xfe\xff")) {
        out.failure = QStringLiteral("The file is written in UTF-16. Save it as CSV in UTF-8 and try again.");
        return out;
    }
    // Bytes that no text holds, in what was read so far: before the first
    // line is taken for a header that names nothing.
    {
        const auto binary = std::find_if(start.begin(), start.end(),
                                         [](char c) { return rfc4180::isBinary(static_cast<unsigned char>(c)); });
        if (binary != start.end()) {
            const QByteArray before = start.left(binary - start.begin());
            const qint64 line = 1 + before.count('\n') + before.count('\r') - before.count("\r\n");
            out.failure =
                QStringLiteral("Line %1 holds bytes that no text holds. This is not a file of readings.").arg(line);
            return out;
        }
    }
    const qsizetype bom = start.startsWith("\xef\xbb\xbf") ? 3 : 0;
    if (start.size() == bom) {
        out.failure = QStringLiteral("The file is empty.");
        return out;
    }
    const QByteArray firstLine = start.mid(bom, lineEnd < 0 ? -1 : lineEnd - bom);

    Columns best;
    char separator = ',';
    for (const char candidate : {',', ';', '\t'}) {
        Columns found;
        rfc4180::Reader probe(candidate, kLimits, [&found](qint64, QList<QByteArray> &fields) {
            if (found.roles.isEmpty())
                found = columnsOf(fields);
        });
        if (!probe.feed(firstLine.constData(), firstLine.size()) || !probe.finish()) {
            out.failure = refusal(probe.fault());
            return out;
        }
        if (found.recognised > best.recognised) {
            best = found;
            separator = candidate;
        }
    }
    if (!best.hasDate) {
        out.failure = QStringLiteral("The first line of the file names no column \"Date\". It should read: %1")
                          .arg(QStringList(columnNames().begin(), columnNames().end()).join(QLatin1Char(',')));
        return out;
    }
    if (!best.repeated.isEmpty()) {
        out.failure =
            QStringLiteral("The column \"%1\" is named twice in the first line of the file.").arg(best.repeated);
        return out;
    }

    DayCollector collector(locale, out);
    collector.header(best);
    bool inHeader = true;
    rfc4180::Reader splitter(separator, kLimits, [&](qint64 line, QList<QByteArray> &fields) {
        if (inHeader)
            inHeader = false;
        else
            collector.line(line, fields);
    });
    bool sound = splitter.feed(start.constData() + bom, start.size() - bom);
    while (sound && !ended) {
        const qint64 n = read(chunk.data(), chunk.size());
        if (n < 0) {
            out.failure = QStringLiteral("The file could not be read.");
            break;
        }
        ended = n == 0;
        sound = splitter.feed(chunk.constData(), n);
    }
    if (out.failure.isEmpty() && (!sound || !splitter.finish()))
        out.failure = refusal(splitter.fault());
    if (!out.failure.isEmpty()) {
        out.days.clear();
        out.problems.clear();
    }
    return out;
}

} // namespace

const std::array<QString, kReadingKinds + 1> &columnNames()
{
    static const std::array<QString, kReadingKinds + 1> names = [] {
        std::array<QString, kReadingKinds + 1> n;
        n[0] = QStringLiteral("Date");
        for (int k = 0; k < kReadingKinds; ++k)
            n[size_t(k + 1)] = QLatin1String(readingKinds()[size_t(k)].chartCaption);
        return n;
    }();
    return names;
}

// ------------------------------------------------------------------ export

ExportResult writeRange(Cursor &cursor, const QString &startKey, const QString &endKey, QIODevice &out)
{
    ExportResult r;
    r.outcome = lookAtRange(cursor, startKey, endKey);
    if (r.outcome != ExportResult::Outcome::Written)
        return r;
    QByteArray buffer;
    buffer.reserve(kChunk + 1024);
    appendHeader(buffer);
    for (; !cursor.eof() && cursor.key() <= endKey; cursor.moveNext()) {
        appendDay(buffer, cursor.row());
        ++r.dates;
        if (buffer.size() >= kChunk) {
            if (!writeAll(out, buffer))
                return failedWith(ExportResult::Outcome::WriteFailed, out.errorString());
            buffer.clear();
        }
    }
    if (!writeAll(out, buffer))
        return failedWith(ExportResult::Outcome::WriteFailed, out.errorString());
    return r;
}

ExportResult exportToFile(const QString &diaryPath, const QString &startKey, const QString &endKey,
                          const QString &target)
{
    // A diary is never replaced by its readings in another form.
    const QFileInfo targetInfo(target);
    if (targetInfo.suffix().compare(QLatin1String("bcl"), Qt::CaseInsensitive) == 0 ||
        (targetInfo.exists() && targetInfo.canonicalFilePath() == QFileInfo(diaryPath).canonicalFilePath()))
        return failedWith(
            ExportResult::Outcome::WriteFailed,
            QStringLiteral("A diary file cannot be replaced by an export; choose a name ending in .csv."));
    if (targetInfo.isDir())
        return failedWith(ExportResult::Outcome::WriteFailed, QStringLiteral("\"%1\" is a folder.").arg(target));

    QString tmp;
    try {
        Database db = Database::open(diaryPath, Database::Access::ReadOnly);
        Cursor cursor(db);
        // Nothing to write makes no file at all.
        if (const auto outcome = lookAtRange(cursor, startKey, endKey); outcome != ExportResult::Outcome::Written) {
            ExportResult r;
            r.outcome = outcome;
            return r;
        }
        tmp = fileops::tempPathBeside(target);
        QFile file(tmp);
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return failedWith(ExportResult::Outcome::WriteFailed, file.errorString());
        ExportResult r = writeRange(cursor, startKey, endKey, file);
        if (r.outcome == ExportResult::Outcome::Written && (!file.flush() || ::fsync(file.handle()) != 0))
            r = failedWith(ExportResult::Outcome::WriteFailed, file.errorString());
        file.close();
        QString error;
        if (r.outcome == ExportResult::Outcome::Written && !fileops::replace(tmp, target, &error))
            r = failedWith(ExportResult::Outcome::WriteFailed, error);
        if (r.outcome != ExportResult::Outcome::Written)
            QFile::remove(tmp);
        return r;
    } catch (const StoreError &e) {
        if (!tmp.isEmpty())
            QFile::remove(tmp);
        return failedWith(ExportResult::Outcome::DiaryFailed, e.message());
    }
}

QString proposedFileName(const QString &personName, const QString &startKey, const QString &endKey)
{
    return QStringLiteral("%1 %2 to %3.csv").arg(personName, startKey, endKey);
}

// ------------------------------------------------------------------ import

FileReadings readReadings(QIODevice &in, const QLocale &locale)
{
    return readFrom([&in](char *data, qint64 size) { return in.read(data, size); }, locale);
}

FileReadings readReadings(const QByteArray &bytes, const QLocale &locale)
{
    qsizetype at = 0;
    return readFrom(
        [&](char *data, qint64 size) {
            const qint64 n = std::min<qint64>(size, bytes.size() - at);
            std::copy_n(bytes.constData() + at, n, data);
            at += n;
            return n;
        },
        locale);
}

ImportPreview previewImport(Cursor &cursor, FileReadings readings)
{
    ImportPreview preview;
    preview.failure = std::move(readings.failure);
    if (!preview.failure.isEmpty())
        return preview;
    preview.problems = std::move(readings.problems);
    std::sort(readings.days.begin(), readings.days.end(),
              [](const ReadingDay &a, const ReadingDay &b) { return a.key < b.key; });
    // One walk over the stored dates beside the file's, both in date order.
    if (!readings.days.isEmpty())
        cursor.seek(SeekOp::AtLeast, readings.days.first().key);
    for (ReadingDay &day : readings.days) {
        while (!cursor.noMatch() && !cursor.eof() && cursor.key() < day.key)
            cursor.moveNext();
        if (!cursor.noMatch() && !cursor.eof() && cursor.key() == day.key)
            preview.stored.append(day.key);
        else
            preview.toAdd.append(std::move(day));
    }
    return preview;
}

ImportPreview previewImportFile(const QString &diaryPath, const QString &csvPath, const QLocale &locale)
{
    ImportPreview preview;
    QFile file(csvPath);
    if (QFileInfo(csvPath).isDir()) {
        preview.failure = QStringLiteral("\"%1\" is a folder, not a file.").arg(csvPath);
        return preview;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        preview.failure = QStringLiteral("The file \"%1\" could not be opened: %2").arg(csvPath, file.errorString());
        return preview;
    }
    FileReadings readings = readReadings(file, locale);
    if (!readings.failure.isEmpty()) {
        preview.failure = std::move(readings.failure);
        return preview;
    }
    Database db = Database::open(diaryPath, Database::Access::ReadOnly);
    Cursor cursor(db);
    return previewImport(cursor, std::move(readings));
}

ImportDone applyImport(const QString &diaryPath, const ImportPreview &preview)
{
    Database db = Database::open(diaryPath);
    Cursor cursor(db);
    const DiaryChanges::DaysAdded added = DiaryChanges::addDays(cursor, preview.toAdd);
    return ImportDone{added.added, added.last};
}

QString addCountText(qint64 count)
{
    return count == 1 ? QStringLiteral("1 date would be added.")
                      : QStringLiteral("%1 dates would be added.").arg(count);
}

QString storedCountText(qint64 count)
{
    return count == 1 ? QStringLiteral("1 date is stored already and is kept as it is.")
                      : QStringLiteral("%1 dates are stored already and are kept as they are.").arg(count);
}

QString problemCountText(qint64 count)
{
    return count == 1 ? QStringLiteral("1 line cannot be used:")
                      : QStringLiteral("%1 lines cannot be used:").arg(count);
}

QString problemText(const LineProblem &problem)
{
    return QStringLiteral("Line %1: %2").arg(problem.line).arg(problem.reason);
}

QStringList previewLines(const ImportPreview &preview)
{
    if (!preview.failure.isEmpty())
        return {preview.failure};
    QStringList lines{addCountText(preview.toAdd.size()), storedCountText(preview.stored.size())};
    if (!preview.problems.isEmpty()) {
        lines << problemCountText(preview.problems.size());
        for (const LineProblem &p : preview.problems)
            lines << problemText(p);
    }
    return lines;
}

} // namespace csv
