// The reader of the files meters and their phone apps export: finding the
// layout, encodings and separators, units, dates and zones, rows that hold no
// reading, and files refused as a whole. Every case is a file's bytes and
// what the reader must make of them.

#include "core/MeterFile.h"

#include <QFile>
#include <QStringDecoder>
#include <QTest>

namespace {

using meter::DateOrder;
using meter::FileRead;
using meter::Reading;
using Status = meter::FileRead::Status;

const QDate kToday(2026, 12, 9);
const QByteArray kZone = "Europe/Berlin";

meter::ReadOptions options()
{
    meter::ReadOptions o;
    o.today = kToday;
    o.localZone = QTimeZone(kZone);
    return o;
}

FileRead read(const QByteArray &bytes, meter::ReadOptions o = options()) { return meter::readMeterFile(bytes, o); }

QByteArray sample(const char *name)
{
    QFile f(QStringLiteral(LB_METER_SAMPLES "/") + QString::fromLatin1(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot open the sample %s", name);
    return f.readAll();
}

// A reading in one line: "2026-03-14 07:21 6.2 mmol/L finger-stick before [Before meal]".
QString describe(const Reading &r)
{
    QString s = QStringLiteral("%1 %2 %3 %4 %5")
                    .arg(r.date.toString(Qt::ISODate), r.time.toString(QStringLiteral("HH:mm")))
                    .arg(r.value)
                    .arg(unitName(r.unit), meter::sourceName(r.source));
    if (r.meal != meter::Meal::None)
        s += r.meal == meter::Meal::Before ? QStringLiteral(" before") : QStringLiteral(" after");
    if (r.namedKind >= 0)
        s += QStringLiteral(" kind %1").arg(r.namedKind);
    if (!r.marker.isEmpty())
        s += QStringLiteral(" [%1]").arg(r.marker);
    return s;
}

QStringList readings(const FileRead &f)
{
    QStringList out;
    for (const Reading &r : f.readings)
        out << describe(r);
    return out;
}

QStringList unused(const FileRead &f)
{
    QStringList out;
    for (const meter::Unused &u : f.unused)
        out << QStringLiteral("%1: %2").arg(u.line).arg(u.reason);
    return out;
}

// Every expected line is found at the start of the actual one: reasons are
// compared by their first words.
void compareUnused(const FileRead &f, const QStringList &expected)
{
    const QStringList actual = unused(f);
    QCOMPARE(actual.size(), expected.size());
    for (qsizetype i = 0; i < actual.size(); ++i)
        if (!actual[i].startsWith(expected[i]))
            QFAIL(qPrintable(
                QStringLiteral("line %1 of the unused is \"%2\", not \"%3...\"").arg(i).arg(actual[i], expected[i])));
}

QByteArray encode(const QByteArray &utf8, QStringConverter::Encoding encoding, bool mark)
{
    QStringEncoder e(encoding, mark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return e(QString::fromUtf8(utf8));
}

// The lines of a file, each changed by `change`.
template <typename F> QByteArray eachLine(const QByteArray &bytes, F change)
{
    QList<QByteArray> lines = bytes.split('\n');
    for (QByteArray &line : lines) {
        const bool cr = line.endsWith('\r');
        if (cr)
            line.chop(1);
        line = change(line);
        if (cr)
            line += '\r';
    }
    return lines.join('\n');
}

const QStringList kSensorApp = {"2026-03-14 07:02 6.1 mmol/L sensor", "2026-03-14 07:17 6.4 mmol/L sensor",
                                "2026-03-14 07:25 6.3 mmol/L scan",   "2026-03-14 09:32 8.9 mmol/L sensor",
                                "2026-03-14 12:41 5.9 mmol/L scan",   "2026-03-15 02:47 5.2 mmol/L sensor"};
const QStringList kCgm = {"2026-03-14 07:05 112 mg/dL sensor", "2026-03-14 07:10 118 mg/dL sensor",
                          "2026-03-14 07:20 104 mg/dL finger-stick", "2026-03-14 09:35 163 mg/dL sensor"};
const QStringList kFlags = {"2026-03-14 07:21 6.2 mmol/L finger-stick before [Before meal]",
                            "2026-03-14 09:48 9.1 mmol/L finger-stick after [After meal]",
                            "2026-03-14 12:35 5.4 mmol/L finger-stick before [Before meal]",
                            "2026-03-14 22:40 7.7 mmol/L finger-stick"};

} // namespace

class TestMeterFile : public QObject {
    Q_OBJECT

private slots:
    // ------------------------------------------------------------ finding the layout

    void readsEverySampleFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<qint64>("headerLine");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<bool>("unitStated");

        QTest::newRow("sensor app, title line, rows grouped by record type")
            << "sensor-app-mmol.csv" << QChar(',') << qint64(2) << kSensorApp << QStringList{"9: a note"} << true;
        QTest::newRow("sensor export with a mark, patient rows and Low")
            << "cgm-iso-mgdl.csv" << QChar(',') << qint64(1) << kCgm
            << QStringList{"2: no date and time", "3: no date and time", "4: no date and time",
                           "5: \"Low\" is not a value", "10: a \"Carbs\" record"}
            << true;
        QTest::newRow("meter with preamble, flags and a control test")
            << "meter-semicolon-flags.csv" << QChar(';') << qint64(3) << kFlags
            << QStringList{"7: a control-solution test"} << true;
        QTest::newRow("headerless quoted dump with a broken quote")
            << "headerless-quoted.csv" << QChar(',') << qint64(0)
            << QStringList{"2026-03-14 07:18 118 mg/dL finger-stick before [Before Meal]",
                           "2026-03-14 09:40 171 mg/dL finger-stick after [After Meal]",
                           "2026-03-14 12:52 96 mg/dL finger-stick", "2026-03-14 20:31 144 mg/dL scan",
                           "2026-03-14 22:05 131 mg/dL finger-stick"}
            << QStringList{"4: a clock change"} << false;
        QTest::newRow("sensor and finger columns side by side")
            << "sensor-diary-semicolon.csv" << QChar(';') << qint64(1)
            << QStringList{"2026-03-14 07:04 109 mg/dL sensor", "2026-03-14 07:09 113 mg/dL sensor",
                           "2026-03-14 07:12 105 mg/dL finger-stick", "2026-03-14 09:34 168 mg/dL sensor",
                           "2026-03-15 02:59 92 mg/dL sensor"}
            << QStringList{"7: no glucose value, only insulin and carbohydrates"} << false;
        QTest::newRow("logbook app, 12-hour times and tags")
            << "logbook-12h.csv" << QChar(',') << qint64(1)
            << QStringList{"2026-03-14 07:20 112 mg/dL finger-stick before kind 0 [Fasting]",
                           "2026-03-14 09:45 158 mg/dL finger-stick", "2026-03-14 12:38 101 mg/dL finger-stick",
                           "2026-03-14 23:05 127 mg/dL finger-stick", "2026-03-15 03:10 88 mg/dL finger-stick"}
            << QStringList{"5: no glucose value, only insulin and carbohydrates"} << true;
    }
    void readsEverySampleFile()
    {
        QFETCH(QString, file);
        QFETCH(QChar, separator);
        QFETCH(qint64, headerLine);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, left);
        QFETCH(bool, unitStated);
        const QByteArray bytes = sample(qPrintable(file));
        QVERIFY(meter::isMeterLayout(bytes));
        const FileRead f = read(bytes);
        QCOMPARE(int(f.status), int(Status::Read));
        QCOMPARE(f.separator, separator);
        QCOMPARE(f.headerLine, headerLine);
        QCOMPARE(f.header.isEmpty(), headerLine == 0);
        QCOMPARE(readings(f), expected);
        compareUnused(f, left);
        QCOMPARE(f.unitStated, unitStated);
        QVERIFY(!f.utc);
        QVERIFY(!f.sensorFile); // a few readings a day are no sensor's file
    }

    void findsTheRowsAroundTheHeader()
    {
        // The header again in the middle, as files joined together have it,
        // blank lines, and a row of the same time kept in file order.
        const QByteArray joined = "DAY;TIME;BG_LEVEL\n14.03.2026;07:12;105\n\nDAY;TIME;BG_LEVEL\n"
                                  "14.03.2026;07:12;107\n14.03.2026;06:00;99\n";
        const FileRead f = read(joined);
        QCOMPARE(int(f.status), int(Status::Read));
        QCOMPARE(readings(f),
                 (QStringList{"2026-03-14 06:00 99 mg/dL finger-stick", "2026-03-14 07:12 105 mg/dL finger-stick",
                              "2026-03-14 07:12 107 mg/dL finger-stick"}));
        QVERIFY(f.unused.isEmpty());
        QCOMPARE(f.readings[0].line, 6);

        // A quoted comment over two lines is one field; the record keeps its
        // first line's number and the next one counts on.
        const FileRead multi = read("Timestamp,Glucose (mg/dL),Notes\n2026-03-14 07:00,100,\"one\ntwo\"\n"
                                    "2026-03-14 08:00,110,\n");
        QCOMPARE(int(multi.status), int(Status::Read));
        QCOMPARE(multi.readings.size(), 2);
        QCOMPARE(multi.readings[0].line, 2);
        QCOMPARE(multi.readings[1].line, 4);
    }

    void asksForColumnsItDoesNotKnow()
    {
        const QByteArray bytes = "Exported by a meter\nStamp;Level;Remark\n14.03.2026 07:10;5,6;\n"
                                 "14.03.2026 09:40;8,1;x\n14.03.2026 12:30;5,0;\n14.03.2026 18:00;6,2;\n"
                                 "14.03.2026 22:00;7,1;\n15.03.2026 03:00;5,9;\n";
        FileRead f = read(bytes);
        QCOMPARE(int(f.status), int(Status::NeedColumns));
        QCOMPARE(f.separator, QChar(';'));
        QCOMPARE(f.header, (QStringList{"Stamp", "Level", "Remark"}));
        QCOMPARE(f.headerLine, 2);
        QVERIFY(!f.headerKey.isEmpty());
        QCOMPARE(f.sampleRows.size(), 5);
        QCOMPARE(f.sampleRows[0], (QStringList{"14.03.2026 07:10", "5,6", ""}));
        QVERIFY(f.readings.isEmpty());

        meter::ReadOptions o = options();
        o.columns = meter::ColumnChoice{0, -1, 2}; // the wrong value column: its cells are no numbers
        f = read(bytes, o);
        QCOMPARE(int(f.status), int(Status::Read));
        QVERIFY(f.readings.isEmpty());
        QCOMPARE(f.unused.size(), 6);

        o.columns = meter::ColumnChoice{0, -1, 1};
        f = read(bytes, o);
        QCOMPARE(int(f.status), int(Status::Read));
        QCOMPARE(f.readings.size(), 6);
        QCOMPARE(describe(f.readings[0]), "2026-03-14 07:10 5.6 mmol/L finger-stick");
        QCOMPARE(f.readings[0].text, "5,6");

        o.columns = meter::ColumnChoice{0, 0, 1}; // one column for two things
        QCOMPARE(int(read(bytes, o).status), int(Status::NeedColumns));
        o.columns = meter::ColumnChoice{0, -1, 7};
        QCOMPARE(int(read(bytes, o).status), int(Status::NeedColumns));

        // The date and the time apart, and no header at all.
        o.columns = meter::ColumnChoice{2, 0, 1};
        f = read("07:10|x;101;14/03/2026\n09:40;140;14/03/2026\n", o);
        QCOMPARE(int(f.status), int(Status::Read));
        QCOMPARE(readings(f), (QStringList{"2026-03-14 09:40 140 mg/dL finger-stick"}));
        compareUnused(f, {"1: \"14/03/2026\" \"07:10|x\" is not a date and time"});
    }

    void tellsTheDiarysOwnLayoutApart_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("meter");
        QTest::newRow("the diary's header") << QByteArray("Date,Pre-Breakfast,After Breakfast,Pre-Lunch,After Lunch,"
                                                          "Pre-Dinner,After Dinner,Bedtime,Night\r\n2013-01-01,95\r\n")
                                            << false;
        QTest::newRow("reordered, other case, blanks, semicolons, a mark")
            << QByteArray("\xEF\xBB\xBF night ; DATE;Pre-Breakfast;After  Breakfast\n") << false;
        QTest::newRow("date, time and glucose")
            << QByteArray("Date,Time,Glucose (mg/dL)\n2026-03-14,07:00,100\n") << true;
        QTest::newRow("a preamble first") << sample("meter-semicolon-flags.csv") << true;
        QTest::newRow("a header that starts as a zip does")
            << QByteArray("PKID,Timestamp,BG\n1,2026-03-14 07:00,100\n") << true;
    }
    void tellsTheDiarysOwnLayoutApart()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, meter);
        QCOMPARE(meter::isMeterLayout(bytes), meter);
    }

    // ------------------------------------------------------------ encodings and separators

    void readsEveryEncodingAndSeparator_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QStringList>("expected");
        const QByteArray cgm = sample("cgm-iso-mgdl.csv");
        const QByteArray plain = cgm.mid(3);
        QTest::newRow("UTF-8 with a mark") << cgm << "UTF-8" << kCgm;
        QTest::newRow("UTF-8 without") << plain << "UTF-8" << kCgm;
        QTest::newRow("UTF-16LE with a mark") << encode(plain, QStringConverter::Utf16LE, true) << "UTF-16LE" << kCgm;
        QTest::newRow("UTF-16BE with a mark") << encode(plain, QStringConverter::Utf16BE, true) << "UTF-16BE" << kCgm;
        QTest::newRow("UTF-16LE by its zeros") << encode(plain, QStringConverter::Utf16LE, false) << "UTF-16LE" << kCgm;
        QTest::newRow("UTF-16BE by its zeros") << encode(plain, QStringConverter::Utf16BE, false) << "UTF-16BE" << kCgm;
        QTest::newRow("LF for CR LF") << QByteArray(plain).replace("\r\n", "\n") << "UTF-8" << kCgm;
        QTest::newRow("CR alone") << QByteArray(plain).replace("\r\n", "\r") << "UTF-8" << kCgm;
        QTest::newRow("tabs") << QByteArray(plain).replace(',', '\t') << "UTF-8" << kCgm;

        // Semicolons and decimal commas, as the mmol/L world writes them.
        const QByteArray commas = eachLine(sample("sensor-app-mmol.csv"), [](QByteArray line) {
            line.replace(',', ';');
            for (qsizetype i = 1; i + 1 < line.size(); ++i)
                if (line[i] == '.' && std::isdigit(uchar(line[i - 1])) && std::isdigit(uchar(line[i + 1])) &&
                    !line.startsWith("Glucose"))
                    line[i] = ',';
            return line;
        });
        QTest::newRow("semicolons and decimal commas") << commas << "UTF-8" << kSensorApp;
        QTest::newRow("decimal commas, quoted, in a comma file")
            << QByteArray(sample("sensor-app-mmol.csv")).replace(",6.1,", ",\"6,1\",") << "UTF-8" << kSensorApp;

        // Columns in another order, and the day-first dates written with dashes.
        const QByteArray reversed = eachLine(sample("meter-semicolon-flags.csv"), [](const QByteArray &line) {
            QList<QByteArray> fields = line.split(';');
            std::reverse(fields.begin(), fields.end());
            return fields.join(';');
        });
        QTest::newRow("columns reversed") << reversed << "UTF-8" << kFlags;
        QTest::newRow("dd-MM-yyyy")
            << QByteArray(sample("meter-semicolon-flags.csv")).replace("14.03.2026", "14-03-2026") << "UTF-8" << kFlags;

        // A name only Windows-1252 writes so.
        QTest::newRow("Windows-1252")
            << QByteArray("Ger\xE4tezeitstempel;Glukose (mg/dL);Notiz\n14.03.2026 07:21;104;Fr\xFChst\xFC"
                          "ck\n")
            << "Windows-1252" << QStringList{"2026-03-14 07:21 104 mg/dL finger-stick"};
    }
    void readsEveryEncodingAndSeparator()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, encoding);
        QFETCH(QStringList, expected);
        const FileRead f = read(bytes);
        QCOMPARE(int(f.status), int(Status::Read));
        QCOMPARE(f.encoding, encoding);
        QCOMPARE(readings(f), expected);
        QVERIFY(meter::isMeterLayout(bytes));
    }

    // ------------------------------------------------------------ units

    void findsTheUnit_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("given"); // -1 none, else a GlucoseUnit
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<bool>("stated");
        const int none = -1, mg = int(GlucoseUnit::MgPerDl), mmol = int(GlucoseUnit::MmolPerL);
        const int read = int(Status::Read), ask = int(Status::NeedUnit);
        QTest::newRow("the column's name wins over the values")
            << QByteArray("Timestamp,Glucose mmol/L\n2026-03-14 07:00,5\n2026-03-14 08:00,30\n") << mg << read
            << QStringList{"2026-03-14 07:00 5 mmol/L finger-stick", "2026-03-14 08:00 30 mmol/L finger-stick"} << true;
        QTest::newRow("a unit column, row by row")
            << QByteArray("Date;Time;Result;Unit\n14.03.2026;07:00;5.5;mmol/l\n14.03.2026;08:00;99;mg/dL\n") << none
            << read << QStringList{"2026-03-14 07:00 5.5 mmol/L finger-stick", "2026-03-14 08:00 99 mg/dL finger-stick"}
            << true;
        QTest::newRow("a unit after the value")
            << QByteArray("Timestamp,Glucose\n2026-03-14 07:00,5.5 mmol/L\n") << none << read
            << QStringList{"2026-03-14 07:00 5.5 mmol/L finger-stick"} << true;
        QTest::newRow("a value above 33.3 is mg/dL")
            << QByteArray("Timestamp,Glucose\n2026-03-14 07:00,30\n2026-03-14 08:00,34\n") << mmol << read
            << QStringList{"2026-03-14 07:00 30 mg/dL finger-stick", "2026-03-14 08:00 34 mg/dL finger-stick"} << false;
        QTest::newRow("values with decimals up to 33.3 are mmol/L")
            << QByteArray("Timestamp,Glucose\n2026-03-14 07:00,33.3\n2026-03-14 08:00,6\n") << mg << read
            << QStringList{"2026-03-14 07:00 33.3 mmol/L finger-stick", "2026-03-14 08:00 6 mmol/L finger-stick"}
            << false;
        QTest::newRow("whole numbers up to 33.3: ask")
            << QByteArray("Timestamp,Glucose\n2026-03-14 07:00,25\n2026-03-14 08:00,6\n") << none << ask
            << QStringList{} << false;
        QTest::newRow("whole numbers up to 33.3, answered")
            << QByteArray("Timestamp,Glucose\n2026-03-14 07:00,25\n") << mg << read
            << QStringList{"2026-03-14 07:00 25 mg/dL finger-stick"} << false;
        QTest::newRow("no reading, nothing to ask")
            << QByteArray("Timestamp,Glucose\n2026-03-14 07:00,Low\n") << none << read << QStringList{} << false;
    }
    void findsTheUnit()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, given);
        QFETCH(int, status);
        QFETCH(QStringList, expected);
        QFETCH(bool, stated);
        meter::ReadOptions o = options();
        if (given >= 0)
            o.unit = GlucoseUnit(given);
        const FileRead f = read(bytes, o);
        QCOMPARE(int(f.status), status);
        QCOMPARE(readings(f), expected);
        QCOMPARE(f.unitStated, stated);
    }

    // ------------------------------------------------------------ dates and zones

    void readsEveryDateAndTime_data()
    {
        QTest::addColumn<QByteArray>("when");
        QTest::addColumn<QString>("expected"); // "yyyy-MM-dd HH:mm:ss", or the start of the reason
        QTest::addColumn<bool>("utc");
        QTest::newRow("ISO with T") << QByteArray("2026-03-14T07:05:00") << "2026-03-14 07:05:00" << false;
        QTest::newRow("ISO with a space, no seconds")
            << QByteArray("2026-03-14 07:05") << "2026-03-14 07:05:00" << false;
        QTest::newRow("ISO with a fraction") << QByteArray("2026-03-14T07:05:09.250") << "2026-03-14 07:05:09" << false;
        QTest::newRow("an offset kept as written")
            << QByteArray("2026-03-14T08:00:00+01:00") << "2026-03-14 08:00:00" << false;
        QTest::newRow("a negative offset kept")
            << QByteArray("2026-03-14T23:30:00-0500") << "2026-03-14 23:30:00" << false;
        QTest::newRow("Z into the computer's zone")
            << QByteArray("2026-03-14T06:30:00Z") << "2026-03-14 07:30:00" << true;
        QTest::newRow("Z over midnight") << QByteArray("2026-03-14T23:30:00Z") << "2026-03-15 00:30:00" << true;
        QTest::newRow("Z in summer time") << QByteArray("2026-07-01T06:00:00Z") << "2026-07-01 08:00:00" << true;
        QTest::newRow("UTC written out") << QByteArray("2026-03-14 06:30 UTC") << "2026-03-14 07:30:00" << true;
        QTest::newRow("dd.MM.yyyy") << QByteArray("14.03.2026 07:21") << "2026-03-14 07:21:00" << false;
        QTest::newRow("d.M.yyyy") << QByteArray("4.3.2026 7:21") << "2026-03-04 07:21:00" << false;
        QTest::newRow("MMM d, yyyy and AM")
            << QByteArray("\"Mar 14, 2026 7:20:00 AM\"") << "2026-03-14 07:20:00" << false;
        QTest::newRow("full month name, PM")
            << QByteArray("\"March 14, 2026 6:52 PM\"") << "2026-03-14 18:52:00" << false;
        QTest::newRow("12:05 AM is after midnight")
            << QByteArray("\"Mar 14, 2026 12:05 AM\"") << "2026-03-14 00:05:00" << false;
        QTest::newRow("12:30 PM is after noon")
            << QByteArray("\"Mar 14, 2026 12:30 PM\"") << "2026-03-14 12:30:00" << false;
        QTest::newRow("d MMM yyyy") << QByteArray("14 Mar 2026 07:00") << "2026-03-14 07:00:00" << false;
        QTest::newRow("M/d/yy, the day tells") << QByteArray("3/14/26 08:00") << "2026-03-14 08:00:00" << false;
        QTest::newRow("13 AM") << QByteArray("2026-03-14 13:00 AM") << "1: \"2026-03-14 13:00 AM\" is not a date"
                               << false;
        QTest::newRow("no time") << QByteArray("2026-03-14") << "1: \"2026-03-14\" is not a date and time" << false;
        QTest::newRow("a day February lacks")
            << QByteArray("2026-02-30 07:00") << "1: \"2026-02-30 07:00\" is not" << false;
        QTest::newRow("24:00") << QByteArray("2026-03-14 24:00") << "1: \"2026-03-14 24:00\" is not" << false;
        QTest::newRow("before 2000") << QByteArray("1999-12-31 23:59") << "1: 1999-12-31 is outside" << false;
        QTest::newRow("after 2099") << QByteArray("2100-01-01 07:00") << "1: 2100-01-01 is outside" << false;
        QTest::newRow("after today") << QByteArray("2026-12-10 07:00") << "1: 2026-12-10 is after today" << false;
        QTest::newRow("today") << QByteArray("2026-12-09 23:59") << "2026-12-09 23:59:00" << false;
        QTest::newRow("UTC tomorrow is after today")
            << QByteArray("2026-12-09T23:30:00Z") << "1: 2026-12-10 is after today" << true;
    }
    void readsEveryDateAndTime()
    {
        QFETCH(QByteArray, when);
        QFETCH(QString, expected);
        QFETCH(bool, utc);
        // Line 1 is the header, so the row under test is line 2 and a
        // reason starts "2: ...".
        const FileRead f = read("Timestamp,Glucose (mg/dL)\n" + when + ",100\n");
        QCOMPARE(int(f.status), int(Status::Read));
        if (!expected.startsWith(QLatin1String("1: "))) {
            QCOMPARE(f.readings.size(), 1);
            QCOMPARE(f.readings[0].date.toString(Qt::ISODate) + QLatin1Char(' ') +
                         f.readings[0].time.toString(Qt::ISODate),
                     expected);
            QVERIFY(f.unused.isEmpty());
        } else {
            QVERIFY(f.readings.isEmpty());
            compareUnused(f, {QStringLiteral("2") + expected.mid(1)});
        }
        QCOMPARE(f.utc, utc);
    }

    void movesATimeInAColumnSaidToBeUtc()
    {
        const FileRead f = read("Timestamp (UTC),Glucose (mg/dL)\n2026-03-14 06:30,100\n");
        QCOMPARE(readings(f), (QStringList{"2026-03-14 07:30 100 mg/dL finger-stick"}));
        QVERIFY(f.utc);
    }

    void decidesDayAndMonthOverTheColumn_data()
    {
        QTest::addColumn<QByteArray>("dates");
        QTest::addColumn<int>("given");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("expected"); // the dates read
        const int unknown = int(DateOrder::Unknown), day = int(DateOrder::DayFirst), month = int(DateOrder::MonthFirst);
        const int read = int(Status::Read), ask = int(Status::NeedDateOrder);
        QTest::newRow("a day above 12 first")
            << QByteArray("03/04/2026\n13/04/2026\n") << unknown << read << QStringList{"2026-04-03", "2026-04-13"};
        QTest::newRow("a day above 12 second, whatever is given")
            << QByteArray("03/04/2026\n04/13/2026\n") << day << read << QStringList{"2026-03-04", "2026-04-13"};
        QTest::newRow("dashes, day first")
            << QByteArray("14-03-2026\n01-04-2026\n") << unknown << read << QStringList{"2026-03-14", "2026-04-01"};
        QTest::newRow("nothing tells: ask")
            << QByteArray("03/04/2026\n05/06/2026\n") << unknown << ask << QStringList{};
        QTest::newRow("nothing tells, answered day first")
            << QByteArray("03/04/2026\n05/06/2026\n") << day << read << QStringList{"2026-04-03", "2026-06-05"};
        QTest::newRow("nothing tells, answered month first")
            << QByteArray("03/04/2026\n05/06/2026\n") << month << read << QStringList{"2026-03-04", "2026-05-06"};
        QTest::newRow("day and month alike: nothing to ask")
            << QByteArray("03/03/2026\n04/04/2026\n") << unknown << read << QStringList{"2026-03-03", "2026-04-04"};
        QTest::newRow("both ways in one column: ask")
            << QByteArray("13/04/2026\n04/13/2026\n") << unknown << ask << QStringList{};
        QTest::newRow("dots are day first")
            << QByteArray("03.04.2026\n") << unknown << read << QStringList{"2026-04-03"};
    }
    void decidesDayAndMonthOverTheColumn()
    {
        QFETCH(QByteArray, dates);
        QFETCH(int, given);
        QFETCH(int, status);
        QFETCH(QStringList, expected);
        QByteArray bytes = "Date,Time,BG\n";
        for (const QByteArray &d : dates.split('\n'))
            if (!d.isEmpty())
                bytes += d + ",07:00,100\n";
        meter::ReadOptions o = options();
        o.dateOrder = DateOrder(given);
        const FileRead f = read(bytes, o);
        QCOMPARE(int(f.status), status);
        if (status == int(Status::NeedDateOrder)) {
            QVERIFY(!f.dateSample.isEmpty());
            QVERIFY(dates.contains(f.dateSample.toLatin1()));
            QVERIFY(f.readings.isEmpty());
            return;
        }
        QStringList got;
        for (const Reading &r : f.readings)
            got << r.date.toString(Qt::ISODate);
        QCOMPARE(got, expected);
    }

    // ------------------------------------------------------------ rows that hold no reading

    void listsRowsThatAreNoReadings_data()
    {
        QTest::addColumn<QByteArray>("row"); // kind, value
        QTest::addColumn<QString>("reason");
        QTest::newRow("Low") << QByteArray("EGV,Low") << "\"Low\" is not a value";
        QTest::newRow("HIGH") << QByteArray("EGV,HIGH") << "\"HIGH\" is not a value";
        QTest::newRow("LO") << QByteArray("2,LO") << "\"LO\" is not a value";
        QTest::newRow("HI") << QByteArray(",HI") << "\"HI\" is not a value";
        QTest::newRow("not a number") << QByteArray(",1.2.3") << "\"1.2.3\" is not a number";
        QTest::newRow("two decimal commas") << QByteArray(",\"5,6,7\"") << "\"5,6,7\" is not a number";
        QTest::newRow("a comma not between digits") << QByteArray(",\"5,\"") << "\"5,\" is not a number";
        QTest::newRow("below 20 mg/dL") << QByteArray(",19") << "19 mg/dL is outside 20 to 600";
        QTest::newRow("above 600 mg/dL") << QByteArray(",601") << "601 mg/dL is outside 20 to 600";
        QTest::newRow("a control solution by its kind") << QByteArray("Control,100") << "a control-solution test";
        QTest::newRow("a clock change by its number") << QByteArray("7,") << "a clock change";
        QTest::newRow("a clock change by its word") << QByteArray("Time,100") << "a clock change";
        QTest::newRow("ketones") << QByteArray("3,0.4") << "a ketone reading";
        QTest::newRow("insulin") << QByteArray("4,") << "an insulin dose";
        QTest::newRow("food") << QByteArray("5,") << "food or carbohydrates";
        QTest::newRow("a note") << QByteArray("6,") << "a note";
        QTest::newRow("exercise") << QByteArray("Exercise,") << "a \"Exercise\" record";
        QTest::newRow("an alert with a value") << QByteArray("Alert,55") << "a \"Alert\" record";
        QTest::newRow("no value") << QByteArray("EGV,") << "no glucose value";
    }
    void listsRowsThatAreNoReadings()
    {
        QFETCH(QByteArray, row);
        QFETCH(QString, reason);
        // A good row around the one under test: it is listed, they are read.
        const FileRead f = read("Timestamp,Type,Glucose (mg/dL)\n2026-03-14 07:00,EGV,100\n2026-03-14 08:00," + row +
                                "\n2026-03-14 09:00,1,120\n");
        QCOMPARE(int(f.status), int(Status::Read));
        QCOMPARE(readings(f), (QStringList{"2026-03-14 07:00 100 mg/dL sensor", "2026-03-14 09:00 120 mg/dL scan"}));
        compareUnused(f, {QStringLiteral("3: ") + reason});
    }

    void listsMmolReadingsOutOfRange()
    {
        const FileRead f = read("Timestamp;Glucose (mmol/L)\n2026-03-14 07:00;1,0\n2026-03-14 08:00;33,4\n"
                                "2026-03-14 09:00;1,1\n2026-03-14 10:00;33,3\n");
        QCOMPARE(
            readings(f),
            (QStringList{"2026-03-14 09:00 1.1 mmol/L finger-stick", "2026-03-14 10:00 33.3 mmol/L finger-stick"}));
        compareUnused(f, {"2: 1,0 mmol/L is outside", "3: 33,4 mmol/L is outside"});
    }

    void takesMarkersAndSources()
    {
        const FileRead f = read("Timestamp,Meal,Type,Glucose (mg/dL),Comment\n"
                                "2026-03-14 07:00,Before breakfast,CGM,100,Scan\n"
                                "2026-03-14 09:00,After lunch,CGM,110,\n"
                                "2026-03-14 22:00,\"Sport, Bedtime\",blood sample,120,\n"
                                "2026-03-14 23:00,Night,Calibration,130,\n"
                                "2026-03-14 23:30,Dessert,bg,140,\n");
        QCOMPARE(readings(f),
                 (QStringList{"2026-03-14 07:00 100 mg/dL scan before kind 0 [Before breakfast]",
                              "2026-03-14 09:00 110 mg/dL sensor after kind 3 [After lunch]",
                              "2026-03-14 22:00 120 mg/dL finger-stick kind 6 [Sport, Bedtime]",
                              "2026-03-14 23:00 130 mg/dL finger-stick kind 7 [Night]",
                              "2026-03-14 23:30 140 mg/dL finger-stick"}));
    }

    void tellsASensorFile()
    {
        // Three days at five minutes, and the same with a kind column.
        QByteArray plain = "Timestamp,Glucose Value (mg/dL)\n", kinds = "Timestamp,Event Type,Glucose (mg/dL)\n";
        QDateTime at(QDate(2026, 3, 14), QTime(0, 0), QTimeZone::utc());
        for (int i = 0; i < 3 * 288; ++i, at = at.addSecs(300)) {
            const QByteArray when = at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toLatin1();
            plain += when + ',' + QByteArray::number(100 + i % 50) + '\n';
            kinds += when + ",Manual," + QByteArray::number(100 + i % 50) + '\n';
        }
        const FileRead f = read(plain);
        QVERIFY(f.sensorFile);
        QCOMPARE(f.sensorReadings, 3 * 288);
        QCOMPARE(f.readings.back().source, meter::Source::Sensor);
        const FileRead k = read(kinds);
        QVERIFY(!k.sensorFile); // the kinds say these are finger-sticks
        QCOMPARE(k.sensorReadings, 0);
        // A reading an hour is no sensor's.
        QByteArray hourly = "Timestamp,Glucose Value (mg/dL)\n";
        for (int h = 0; h < 24 * 5; ++h)
            hourly += QDateTime(QDate(2026, 3, 14), QTime(0, 0), QTimeZone::utc())
                          .addSecs(3600 * h)
                          .toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                          .toLatin1() +
                ",100\n";
        QVERIFY(!read(hourly).sensorFile);
    }

    // ------------------------------------------------------------ refusals

    void refusesFilesThatAreNoExport_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("says");
        QTest::newRow("zip") << QByteArray("PK\x03\x04\x14\x00\x06\x00", 8) << "unpack it, or save it as CSV";
        QTest::newRow("OLE spreadsheet") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1\x00\x00", 10)
                                         << "unpack it, or save it as CSV";
        QTest::newRow("empty zip") << QByteArray("PK\x05\x06\0\0", 6) << "unpack it, or save it as CSV";
        QTest::newRow("empty") << QByteArray() << "The file is empty";
        QTest::newRow("blank lines") << QByteArray("\r\n  \n\t\n") << "The file is empty";
        QTest::newRow("binary") << QByteArray("Timestamp,Glucose\n2026-03-14 07:00,\x01\x02\n") << "no text file";
        QTest::newRow("a NUL in UTF-8") << QByteArray("Timestamp,Glucose\n2026") + '\0' + "-03-14 07:00,100\n"
                                        << "no text file";
        QTest::newRow("a line too long") << "Timestamp,Glucose\n2026-03-14 07:00,100," + QByteArray(20000, 'x') + "\n"
                                         << "Line 2 is longer than";
        QTest::newRow("one field a line") << QByteArray("just words\nmore words\n") << "No line of this file";
    }
    void refusesFilesThatAreNoExport()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, says);
        const FileRead f = read(bytes);
        QCOMPARE(int(f.status), int(Status::Failed));
        QVERIFY2(f.failure.contains(says), qPrintable(f.failure));
        QVERIFY(f.readings.isEmpty() && f.unused.isEmpty() && f.header.isEmpty());
    }

    void aBrokenQuoteCostsNothing()
    {
        // The quote opened in the comment of line 2 is never closed: it ends
        // at its own line, and every line after it is read.
        const FileRead f = read("\"2026-03-14 07:18:00\",\"118\",\"\",\"blood sample\",\"never closed\n"
                                "\"2026-03-14 09:40:00\",\"171\",\"\",\"blood sample\",\"\"\n"
                                "\"2026-03-14 12:52:00\",\"96\",\"\",\"blood sample\",\"a \"quoted\" word\"\n");
        QCOMPARE(int(f.status), int(Status::Read));
        QCOMPARE(f.readings.size(), 3);
        QCOMPARE(f.readings[1].line, 2);
        QCOMPARE(f.readings[2].line, 3);
        QVERIFY(f.unused.isEmpty());
    }

    // ------------------------------------------------------------ speed

    // A sensor's year, 100,000 lines at five minutes, read whole and in order.
    // (How fast, and in how much memory, the benchmark measures.)
    void readsAYearOfSensorReadings()
    {
        QByteArray bytes = "Device,Serial Number,Device Timestamp,Record Type,Historic Glucose mmol/L,"
                           "Scan Glucose mmol/L,Notes\r\n";
        bytes.reserve(8 * 1024 * 1024);
        QDateTime at(QDate(2025, 1, 1), QTime(0, 0), QTimeZone::utc());
        for (int i = 0; i < 100000; ++i, at = at.addSecs(300))
            bytes += "A sensor,0001," + at.toString(QStringLiteral("dd-MM-yyyy HH:mm")).toLatin1() + ",0," +
                QByteArray::number(4 + (i % 90) / 10.0, 'f', 1) + ",,\r\n";
        const FileRead f = read(bytes);
        QCOMPARE(int(f.status), int(Status::Read));
        QCOMPARE(f.readings.size(), 100000);
        QVERIFY(f.sensorFile);
        QCOMPARE(f.sensorReadings, qint64(100000));
        QCOMPARE(f.readings.last().date, QDate(2025, 12, 14));
        QCOMPARE(f.readings.last().time, QTime(5, 15));
    }
};

QTEST_GUILESS_MAIN(TestMeterFile)
#include "tst_meter_file.moc"
