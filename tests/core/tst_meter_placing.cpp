// Readings with a clock time put into the eight times of day: the schedule
// and its edges, values in either unit written as the diary writes them, the
// keep-one rule and sensor readings, and the preview set against a diary,
// which writes nothing until the import is applied, whole or not at all.

#include "core/Database.h"
#include "core/MeterImport.h"
#include "core/MeterPlacing.h"
#include "core/StandardDaySettings.h"
#include "support/DiaryFiles.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

using namespace meter;

namespace {

// A reading from a line of words: "2026-03-14 09:02 140", then any of
// "mmol", "scan", "sensor", "before", "after", "kind=N:marker words".
Reading reading(const QString &words, qint64 line = 0)
{
    const QStringList w = words.split(QLatin1Char(' '));
    Reading r;
    r.line = line;
    r.date = QDate::fromString(w[0], Qt::ISODate);
    r.time = QTime::fromString(w[1], QStringLiteral("HH:mm"));
    r.text = w[2];
    r.value = QString(w[2]).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
    for (qsizetype i = 3; i < w.size(); ++i) {
        if (w[i] == QLatin1String("mmol"))
            r.unit = GlucoseUnit::MmolPerL;
        else if (w[i] == QLatin1String("scan"))
            r.source = Source::Scan;
        else if (w[i] == QLatin1String("sensor"))
            r.source = Source::Sensor;
        else if (w[i] == QLatin1String("before"))
            r.meal = Meal::Before;
        else if (w[i] == QLatin1String("after"))
            r.meal = Meal::After;
        else if (w[i].startsWith(QLatin1String("kind="))) {
            r.namedKind = w[i].mid(5, 1).toInt();
            r.marker = w.mid(i).join(QLatin1Char(' ')).mid(7);
            break;
        }
    }
    return r;
}

QList<Reading> readings(const QStringList &lines)
{
    QList<Reading> out;
    for (qsizetype i = 0; i < lines.size(); ++i)
        out << reading(lines[i], i + 2);
    return out;
}

QStringList dayTexts(const QList<PlacedDay> &days)
{
    QStringList out;
    for (const PlacedDay &d : days) {
        QStringList cells{d.key};
        for (const auto &c : d.cells)
            cells << (c ? c->text : QStringLiteral("-"));
        out << cells.join(QLatin1Char('|'));
    }
    return out;
}

QStringList notKeptTexts(const QList<NotKept> &notKept)
{
    QStringList out;
    for (const NotKept &n : notKept)
        out << n.text();
    return out;
}

// A file the reader has read, for the preview.
FileRead fileOf(const QList<Reading> &given, const QList<Unused> &unused = {})
{
    FileRead f;
    f.status = FileRead::Status::Read;
    f.encoding = QStringLiteral("UTF-8");
    f.separator = QLatin1Char(',');
    f.readings = given;
    f.unused = unused;
    for (const Reading &r : given)
        f.sensorReadings += r.source == Source::Sensor;
    f.sensorFile = f.sensorReadings > 0;
    return f;
}

} // namespace

class TestMeterPlacing : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir_.path()); }

    // ------------------------------------------------------------ schedule

    void scheduleEdgesBelongToTheLaterTimeOfDay_data()
    {
        QTest::addColumn<QString>("clock");
        QTest::addColumn<int>("kind");
        const QList<std::pair<const char *, int>> rows{{"00:00", 7}, {"04:59", 7}, {"05:00", 0}, {"07:59", 0},
                                                       {"08:00", 1}, {"10:59", 1}, {"11:00", 2}, {"12:59", 2},
                                                       {"13:00", 3}, {"16:29", 3}, {"16:30", 4}, {"19:00", 5},
                                                       {"21:29", 5}, {"21:30", 6}, {"23:59", 6}};
        for (const auto &[clock, kind] : rows)
            QTest::newRow(clock) << QString::fromLatin1(clock) << kind;
    }
    void scheduleEdgesBelongToTheLaterTimeOfDay()
    {
        QFETCH(QString, clock);
        QFETCH(int, kind);
        const QTime t = QTime::fromString(clock, QStringLiteral("HH:mm"));
        QCOMPARE(defaultSchedule().kindAt(t.hour() * 60 + t.minute()), kind);
        QCOMPARE(defaultSchedule().problem(), QString());

        // The same through place(): a reading at that clock time lands there.
        const Placement p = place({reading(QStringLiteral("2026-03-14 %1 100").arg(clock))}, {});
        QCOMPARE(p.days.size(), 1);
        QVERIFY(p.days[0].cells[size_t(kind)]);
    }

    void scheduleTextRoundTripsAndRefusesWhatIsNoSchedule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("problem"); // empty: read, and written back the same
        const QString sound = QStringLiteral("Night 00:00 02:00\n"
                                             "pre-breakfast 6:00 06:30  # an early riser\n"
                                             "After Breakfast 07:00 08:00\n"
                                             "Pre-Lunch 11:30 12:00\n"
                                             "AFTER LUNCH 12:30 13:30\n"
                                             "\n"
                                             "Pre-Dinner 17:00 18:00\n"
                                             "After Dinner 18:30 19:30\n"
                                             "Bedtime 22:00 23:59\n");
        QTest::newRow("names in any case and spacing, comments, blank lines") << sound << QString();
        QTest::newRow("the default") << scheduleText(defaultSchedule()) << QString();
        QTest::newRow("a time of day missing")
            << QString(sound).remove(QStringLiteral("Bedtime 22:00 23:59\n")) << "Bedtime is not named.";
        QTest::newRow("one named twice") << sound + "Night 00:00 01:00\n"
                                         << "Line 10: Night is named a second time.";
        QTest::newRow("an unknown name") << "Lunch 11:00 12:00\n" + sound << "Line 1: \"Lunch\" is no time of day.";
        QTest::newRow("no target") << "Night 00:00\n"
                                   << "Line 1: a line names a time of day, its start and its target.";
        QTest::newRow("no clock time") << QString(sound).replace(QStringLiteral("17:00"), QStringLiteral("25:00"))
                                       << "Line 7: \"25:00\" is no time of day as 07:30.";
        QTest::newRow("out of order") << QString(sound).replace(QStringLiteral("Pre-Lunch 11:30 12:00"),
                                                                QStringLiteral("Pre-Lunch 06:45 07:00"))
                                      << "Pre-Lunch starts before After Breakfast.";
        QTest::newRow("a time of day left no time")
            << QString(sound).replace(QStringLiteral("Pre-Lunch 11:30 12:00"), QStringLiteral("Pre-Lunch 07:00 07:00"))
            << "Pre-Lunch starts together with After Breakfast, which leaves After Breakfast no time.";
        QTest::newRow("a target outside its span") << QString(sound).replace(QStringLiteral("Pre-Dinner 17:00 18:00"),
                                                                             QStringLiteral("Pre-Dinner 17:00 18:30"))
                                                   << "The target of Pre-Dinner (18:30) lies outside 17:00-18:30.";
        QTest::newRow("night after midnight")
            << QString(sound).replace(QStringLiteral("Night 00:00 02:00"), QStringLiteral("Night 00:30 02:00"))
            << "Night must start at 00:00.";
    }
    void scheduleTextRoundTripsAndRefusesWhatIsNoSchedule()
    {
        QFETCH(QString, text);
        QFETCH(QString, problem);
        const ScheduleRead read = parseSchedule(text);
        QCOMPARE(read.problem, problem);
        QCOMPARE(read.schedule.has_value(), problem.isEmpty());
        if (!read.schedule)
            return;
        QCOMPARE(read.schedule->problem(), QString());
        const ScheduleRead again = parseSchedule(scheduleText(*read.schedule));
        QVERIFY(again.schedule);
        QCOMPARE(*again.schedule, *read.schedule);
        // Ends follow the next start; Bedtime ends at midnight.
        for (int k = 0; k < 6; ++k)
            QCOMPARE(read.schedule->end(k), read.schedule->spans[size_t(k + 1)].start);
        QCOMPARE(read.schedule->end(7), read.schedule->spans[0].start);
        QCOMPARE(read.schedule->end(6), 1440);
    }

    // ------------------------------------------------------------ values

    void valuesAreWrittenAsTheDiaryWritesThem_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("fromMmol");
        QTest::addColumn<bool>("toMmol");
        QTest::addColumn<QString>("text");
        QTest::newRow("5.55 mmol/L is 100 mg/dL") << 5.55 << true << false << "100";
        QTest::newRow("166.00 mg/dL") << 166.00 << false << false << "166";
        QTest::newRow("5.50 mmol/L") << 5.50 << true << true << "5.5";
        QTest::newRow("120.25 mg/dL as it is") << 120.25 << false << false << "120.25";
        QTest::newRow("6.25 mmol/L: 112.5 rounds away from zero") << 6.25 << true << false << "113";
        QTest::newRow("99.9 mg/dL: 5.55 rounds away from zero") << 99.9 << false << true << "5.6";
        QTest::newRow("180 mg/dL is 10 mmol/L") << 180.0 << false << true << "10";
        QTest::newRow("33.3 mmol/L") << 33.3 << true << false << "599";
        QTest::newRow("seven characters cut to six") << 123.456 << false << false << "123.46";
        QTest::newRow("too long at any precision") << 1234567.0 << false << false << "";
        QTest::newRow("nothing below zero") << -5.0 << false << false << "";
        QTest::newRow("zero") << 0.0 << false << false << "";
        QTest::newRow("not a number") << std::numeric_limits<double>::quiet_NaN() << true << false << "";
    }
    void valuesAreWrittenAsTheDiaryWritesThem()
    {
        QFETCH(double, value);
        QFETCH(bool, fromMmol);
        QFETCH(bool, toMmol);
        QFETCH(QString, text);
        const auto unit = [](bool mmol) { return mmol ? GlucoseUnit::MmolPerL : GlucoseUnit::MgPerDl; };
        QCOMPARE(diaryText(value, unit(fromMmol), unit(toMmol)), text);

        // place() writes the same, counts a conversion and lists a value it
        // cannot write.
        Reading r = reading(QStringLiteral("2026-03-14 07:30 1"), 7);
        r.value = value;
        r.unit = unit(fromMmol);
        PlaceOptions o;
        o.diaryUnit = unit(toMmol);
        const Placement p = place({r}, o);
        if (text.isEmpty()) {
            QVERIFY(p.days.isEmpty());
            QCOMPARE(p.unusable.size(), 1);
            QCOMPARE(p.unusable[0].line, qint64(7));
            return;
        }
        QCOMPARE(dayTexts(p.days), QStringList{"2026-03-14|" + text + "|-|-|-|-|-|-|-"});
        QCOMPARE(p.converted, qint64(fromMmol != toMmol ? 1 : 0));
    }

    // ------------------------------------------------------------ placing

    void oneReadingIsKeptForEachTimeOfDay_data()
    {
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<bool>("sensorFill");
        QTest::addColumn<QStringList>("days");
        QTest::addColumn<QStringList>("notKept");
        QTest::addColumn<int>("sensorLeft");
        QTest::newRow("08:00 is After Breakfast, 07:59 Pre-Breakfast")
            << QStringList{"2026-03-14 08:00 150", "2026-03-14 07:59 100"} << false
            << QStringList{"2026-03-14|100|150|-|-|-|-|-|-"} << QStringList{} << 0;
        QTest::newRow("before meal at 13:05 is Pre-Lunch, after meal at 17:00 After Lunch")
            << QStringList{"2026-03-14 13:05 110 before", "2026-03-14 17:00 170 after"} << false
            << QStringList{"2026-03-14|-|-|110|170|-|-|-|-"} << QStringList{} << 0;
        QTest::newRow("a marker that names a time of day wins over the clock")
            << QStringList{"2026-03-14 10:40 95 kind=0:Fasting", "2026-03-14 19:10 130 kind=6:Bedtime"} << false
            << QStringList{"2026-03-14|95|-|-|-|-|-|130|-"} << QStringList{} << 0;
        QTest::newRow("the nearest to the target is kept, the other listed")
            << QStringList{"2026-03-14 09:02 140", "2026-03-14 09:35 150"} << false
            << QStringList{"2026-03-14|-|150|-|-|-|-|-|-"} << QStringList{"14 Mar 09:02: After Breakfast keeps 09:35"}
            << 0;
        QTest::newRow("a finger-stick before a nearer scan")
            << QStringList{"2026-03-14 09:30 140 scan", "2026-03-14 10:50 150", "2026-03-14 09:31 160 scan"} << false
            << QStringList{"2026-03-14|-|150|-|-|-|-|-|-"}
            << QStringList{"14 Mar 09:30: After Breakfast keeps 10:50", "14 Mar 09:31: After Breakfast keeps 10:50"}
            << 0;
        QTest::newRow("equally near: the earlier, never an average")
            << QStringList{"2026-03-14 09:40 110", "2026-03-14 09:20 100"} << false
            << QStringList{"2026-03-14|-|100|-|-|-|-|-|-"} << QStringList{"14 Mar 09:40: After Breakfast keeps 09:20"}
            << 0;
        QTest::newRow("a marked reading competes in the time of day it names")
            << QStringList{"2026-03-14 07:25 99", "2026-03-14 06:00 90 kind=0:Fasting"} << false
            << QStringList{"2026-03-14|99|-|-|-|-|-|-|-"} << QStringList{"14 Mar 06:00: Pre-Breakfast keeps 07:25"}
            << 0;
        QTest::newRow("dates apart, a date given no reading adds nothing")
            << QStringList{"2026-03-15 02:00 80", "2026-03-14 23:00 120", "2026-03-16 07:30 90 sensor"} << false
            << QStringList{"2026-03-14|-|-|-|-|-|-|120|-", "2026-03-15|-|-|-|-|-|-|-|80"} << QStringList{} << 1;

        const QStringList sensorDay{"2026-03-14 07:00 101 sensor", "2026-03-14 07:40 102 sensor",
                                    "2026-03-14 07:45 103 sensor", "2026-03-14 08:00 104 sensor",
                                    "2026-03-14 12:25 105 sensor", "2026-03-14 12:30 106",
                                    "2026-03-14 15:01 107 sensor"};
        QTest::newRow("sensor readings are left without filling")
            << sensorDay << false << QStringList{"2026-03-14|-|-|106|-|-|-|-|-"} << QStringList{} << 6;
        QTest::newRow("filling takes the nearest within 30 minutes, inside the time of day, only where empty")
            << sensorDay << true << QStringList{"2026-03-14|102|-|106|-|-|-|-|-"} << QStringList{} << 5;
        QTest::newRow("30 minutes is within, 31 is not, 08:00 is not Pre-Breakfast")
            << QStringList{"2026-03-14 07:00 101 sensor", "2026-03-14 08:00 104 sensor", "2026-03-14 15:01 107 sensor",
                           "2026-03-14 15:00 108 sensor"}
            << true << QStringList{"2026-03-14|101|-|-|108|-|-|-|-"} << QStringList{} << 2;
        QTest::newRow("sensor readings equally near: the earlier")
            << QStringList{"2026-03-14 22:20 120 sensor", "2026-03-14 22:40 121 sensor"} << true
            << QStringList{"2026-03-14|-|-|-|-|-|-|120|-"} << QStringList{} << 1;
    }
    void oneReadingIsKeptForEachTimeOfDay()
    {
        QFETCH(QStringList, given);
        QFETCH(bool, sensorFill);
        QFETCH(QStringList, days);
        QFETCH(QStringList, notKept);
        QFETCH(int, sensorLeft);
        PlaceOptions o;
        o.sensorFill = sensorFill;
        const Placement p = place(readings(given), o);
        QCOMPARE(dayTexts(p.days), days);
        QCOMPARE(notKeptTexts(p.notKept), notKept);
        QCOMPARE(p.sensorLeft, qint64(sensorLeft));
        QVERIFY(p.unusable.isEmpty());
        // Every reading is accounted for: placed, not kept, or a sensor's left.
        qint64 placed = 0;
        for (const PlacedDay &d : p.days)
            for (const auto &c : d.cells)
                if (c) {
                    ++placed;
                    QVERIFY2(!c->why.isEmpty(), qPrintable(d.key));
                }
        QCOMPARE(placed + qint64(p.notKept.size()) + p.sensorLeft, qint64(given.size()));
    }

    // A sensor's year fills every time of day of every whole day. (How fast,
    // the benchmark measures.)
    void aYearOfSensorReadingsFillsEveryDay()
    {
        QList<Reading> many;
        many.reserve(100000);
        const QDateTime start(QDate(2025, 1, 1), QTime(0, 0));
        for (int i = 0; i < 100000; ++i) {
            const QDateTime at = start.addSecs(qint64(i) * 300);
            Reading r;
            r.line = i + 2;
            r.date = at.date();
            r.time = at.time();
            r.value = 4 + (i % 90) / 10.0;
            r.text = QString::number(r.value);
            r.unit = GlucoseUnit::MmolPerL;
            r.source = Source::Sensor;
            many << r;
        }
        PlaceOptions o;
        o.sensorFill = true;
        const Placement p = place(many, o);
        // 347 whole days and the night of the 348th, which ends at 05:15.
        QCOMPARE(p.days.size(), 348);
        for (qsizetype d = 0; d < 347; ++d)
            QVERIFY(std::all_of(p.days[d].cells.begin(), p.days[d].cells.end(),
                                [](const auto &c) { return c.has_value(); }));
        QCOMPARE(p.sensorLeft, qint64(100000 - 347 * 8 - 1));
    }

    // ------------------------------------------------------------ against a diary

    void thePreviewChangesNothingAndTheImportIsWholeOrNothing_data()
    {
        QTest::addColumn<QString>("harm");
        for (const char *harm : {"none", "full disk", "locked", "fails on the way"})
            QTest::newRow(harm) << QString::fromLatin1(harm);
    }
    void thePreviewChangesNothingAndTheImportIsWholeOrNothing()
    {
        QFETCH(QString, harm);
        QTemporaryDir dir;
        const QString diary = dir.filePath(QStringLiteral("Ann Smith.bcl"));
        writeDiary(diary, {makeDay("2026-03-14", {"-", "-", "-", "-", "-", "-", "-", "77"})});
        const QList<Reading> given = readings({
            "2026-03-14 07:30 6,3 mmol", // a stored date: kept as it is
            "2026-03-15 07:25 5.55 mmol",
            "2026-03-15 09:02 140",
            "2026-03-15 09:35 166.00",
            "2026-03-15 13:05 110 before",
            "2026-03-16 07:30 5.4 mmol sensor", // a date given only a sensor reading
            "2026-03-17 23:10 7.7 mmol",
        });
        PlaceOptions o;
        o.diaryUnit = GlucoseUnit::MgPerDl;
        const QByteArray before = bytesOf(diary);
        const MeterPreview p = previewMeterImport(
            diary,
            fileOf(given,
                   {{13, QStringLiteral("a control-solution test")}, {4, QStringLiteral("\"Low\" is not a value")}}),
            o);
        QCOMPARE(bytesOf(diary), before);
        QCOMPARE(snapshot(dir.path()).keys(), QStringList{"Ann Smith.bcl"});
        QVERIFY(p.usable());
        QCOMPARE(rowTexts(p.diary.toAdd),
                 (QStringList{"2026-03-15|100|166|110|-|-|-|-|-", "2026-03-17|-|-|-|-|-|-|139|-"}));
        QCOMPARE(p.diary.stored, QStringList{"2026-03-14"});
        QCOMPARE(previewLines(p),
                 (QStringList{"2 dates would be added.", "1 date is stored already and is kept as it is.",
                              "The diary's readings are in mg/dL.",
                              "Readings in mmol/L are converted to mg/dL (1 mmol/L = 18.0 mg/dL).",
                              "The file holds 1 sensor reading.",
                              "They are left out; times of day without another reading can be filled from them.",
                              "1 reading is not kept; another is kept for its time of day:",
                              "15 Mar 09:02: After Breakfast keeps 09:35", "2 lines cannot be used:",
                              "Line 4: \"Low\" is not a value", "Line 13: a control-solution test"}));
        const PlacedDay &day = p.placement.days[1];
        QCOMPARE(day.cells[0]->why, QStringLiteral("07:25, finger-stick, in Pre-Breakfast (05:00-08:00)"));
        QVERIFY(day.cells[0]->converted);
        QCOMPARE(day.cells[2]->why,
                 QStringLiteral("13:05, finger-stick, marked \"before meal\": the pre-meal time "
                                "of day with the nearest target (12:30), Pre-Lunch"));

        if (harm == QLatin1String("fails on the way"))
            rawSql(diary, "INSERT INTO BLOOD VALUES ('2026-03-20','','-','-','-','-','-','-','-')");
        const QByteArray beforeApply = bytesOf(diary);
        const std::optional<csv::ImportDone> applied = applyImportHarmed(diary, p.diary, harm);
        const bool failed = !applied;
        const csv::ImportDone done = applied.value_or(csv::ImportDone{});
        if (harm != QLatin1String("none")) {
            QVERIFY(failed);
            QCOMPARE(bytesOf(diary), beforeApply);
            QCOMPARE(snapshot(dir.path()).keys(), QStringList{"Ann Smith.bcl"});
            return;
        }
        QVERIFY(!failed);
        QCOMPARE(done.added, qint64(2));
        QCOMPARE(rowTexts(readDiary(diary)),
                 (QStringList{"2026-03-14|-|-|-|-|-|-|-|77", "2026-03-15|100|166|110|-|-|-|-|-",
                              "2026-03-17|-|-|-|-|-|-|139|-"}));
    }

    void sensorFillAndUnitsAreSaidInThePreview()
    {
        QTemporaryDir dir;
        const QString diary = dir.filePath(QStringLiteral("Bo.bcl"));
        writeDiary(diary, {});
        FileRead f =
            fileOf(readings({"2026-03-14 07:20 160 sensor", "2026-03-14 07:25 170 sensor", "2026-03-14 12:30 99"}));
        f.utc = true;
        PlaceOptions o;
        o.diaryUnit = GlucoseUnit::MmolPerL;
        o.sensorFill = true;
        const MeterPreview p = previewMeterImport(diary, f, o);
        QCOMPARE(rowTexts(p.diary.toAdd), QStringList{"2026-03-14|9.4|-|5.5|-|-|-|-|-"});
        QCOMPARE(previewLines(p),
                 (QStringList{"1 date would be added.", "0 dates are stored already and are kept as they are.",
                              "The diary's readings are in mmol/L.",
                              "Readings in mg/dL are converted to mmol/L (1 mmol/L = 18.0 mg/dL).",
                              "The file's times are in UTC and are shown in this computer's time zone.",
                              "The file holds 2 sensor readings.",
                              "Times of day without another reading are filled from the sensor reading nearest "
                              "their target within 30 minutes: 1 filled."}));

        // A file the reader could not take says why, and nothing else.
        FileRead refused;
        refused.failure = QStringLiteral("This is a zip file.");
        const MeterPreview none = previewMeterImport(diary, refused, o);
        QVERIFY(!none.usable());
        QCOMPARE(previewLines(none), QStringList{"This is a zip file."});
    }

    // ------------------------------------------------------------ the sample exports

    void sampleExportsLandWhereTheirReadmeSays_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("mmolDiary");
        QTest::addColumn<bool>("sensorFill");
        QTest::addColumn<QStringList>("days");
        QTest::addColumn<QList<qint64>>("unusedLines"); // among the lines listed as not used
        const auto row = [](const char *file, bool mmol, bool fill, const QStringList &days,
                            const QList<qint64> &unused = {}) {
            QTest::addRow("%s, %s, sensor %s", file, mmol ? "mmol/L" : "mg/dL", fill ? "on" : "off")
                << QString::fromLatin1(file) << mmol << fill << days << unused;
        };
        row("sensor-app-mmol.csv", true, false, {"2026-03-14|6.3|-|5.9|-|-|-|-|-"});
        row("sensor-app-mmol.csv", true, true, {"2026-03-14|6.3|8.9|5.9|-|-|-|-|-", "2026-03-15|-|-|-|-|-|-|-|5.2"});
        row("sensor-app-mmol.csv", false, false, {"2026-03-14|113|-|106|-|-|-|-|-"});
        row("sensor-app-mmol.csv", false, true, {"2026-03-14|113|160|106|-|-|-|-|-", "2026-03-15|-|-|-|-|-|-|-|94"});
        row("cgm-iso-mgdl.csv", false, false, {"2026-03-14|104|-|-|-|-|-|-|-"}, {5});
        row("cgm-iso-mgdl.csv", false, true, {"2026-03-14|104|163|-|-|-|-|-|-"}, {5});
        row("cgm-iso-mgdl.csv", true, true, {"2026-03-14|5.8|9.1|-|-|-|-|-|-"}, {5});
        row("meter-semicolon-flags.csv", true, false, {"2026-03-14|6.2|9.1|5.4|-|-|-|7.7|-"}, {7});
        row("meter-semicolon-flags.csv", false, false, {"2026-03-14|112|164|97|-|-|-|139|-"}, {7});
        row("headerless-quoted.csv", false, false, {"2026-03-14|118|171|96|-|-|144|131|-"}, {4});
        row("headerless-quoted.csv", true, false, {"2026-03-14|6.6|9.5|5.3|-|-|8|7.3|-"}, {4});
        row("sensor-diary-semicolon.csv", false, false, {"2026-03-14|105|-|-|-|-|-|-|-"});
        row("sensor-diary-semicolon.csv", false, true,
            {"2026-03-14|105|168|-|-|-|-|-|-", "2026-03-15|-|-|-|-|-|-|-|92"});
        row("sensor-diary-semicolon.csv", true, true,
            {"2026-03-14|5.8|9.3|-|-|-|-|-|-", "2026-03-15|-|-|-|-|-|-|-|5.1"});
        row("logbook-12h.csv", false, false, {"2026-03-14|112|158|101|-|-|-|127|-", "2026-03-15|-|-|-|-|-|-|-|88"});
        row("logbook-12h.csv", true, false, {"2026-03-14|6.2|8.8|5.6|-|-|-|7.1|-", "2026-03-15|-|-|-|-|-|-|-|4.9"});
    }
    void sampleExportsLandWhereTheirReadmeSays()
    {
        QFETCH(QString, file);
        QFETCH(bool, mmolDiary);
        QFETCH(bool, sensorFill);
        QFETCH(QStringList, days);
        QFETCH(QList<qint64>, unusedLines);
        QTemporaryDir dir;
        const QString diary = dir.filePath(QStringLiteral("Ann Smith.bcl"));
        writeDiary(diary, {});
        const QByteArray bytes = bytesOf(QStringLiteral(LB_METER_SAMPLES "/") + file);
        QVERIFY(bytes != "<absent>");
        ReadOptions read;
        read.localZone = QTimeZone::utc();
        read.today = QDate(2026, 12, 31);
        PlaceOptions o;
        o.diaryUnit = mmolDiary ? GlucoseUnit::MmolPerL : GlucoseUnit::MgPerDl;
        o.sensorFill = sensorFill;
        const QByteArray before = bytesOf(diary);
        const MeterPreview p = previewMeterImport(diary, bytes, read, o);
        QCOMPARE(p.file.failure, QString());
        QCOMPARE(int(p.file.status), int(FileRead::Status::Read));
        QCOMPARE(rowTexts(p.diary.toAdd), days);
        QList<qint64> listed;
        for (const csv::LineProblem &problem : p.diary.problems)
            listed << problem.line;
        for (const qint64 line : unusedLines)
            QVERIFY2(listed.contains(line), qPrintable(previewLines(p).join(QLatin1Char('\n'))));
        QCOMPARE(bytesOf(diary), before);
    }

    // ------------------------------------------------------------ choices and files

    void choicesAreRememberedAndFilesReadWhole()
    {
        QTemporaryDir dir;
        auto settings = userSettings();
        settings->clear();
        QCOMPARE(rememberedSchedule(*settings), defaultSchedule());
        const Schedule early =
            *parseSchedule(
                 QString(scheduleText(defaultSchedule())).replace(QStringLiteral("05:00"), QStringLiteral("04:30")))
                 .schedule;
        rememberSchedule(*settings, early);
        QCOMPARE(rememberedSchedule(*settings), early);
        settings->setValue(QStringLiteral("MeterImport/schedule"), QStringLiteral("Night 01:00 02:00"));
        QCOMPARE(rememberedSchedule(*settings), defaultSchedule());

        const QString header = QStringLiteral("When,What,Where/Who");
        QVERIFY(!rememberedColumns(*settings, header));
        rememberColumns(*settings, header, ColumnChoice{2, -1, 0});
        QCOMPARE(rememberedColumns(*settings, header), (ColumnChoice{2, -1, 0}));
        QVERIFY(!rememberedColumns(*settings, QStringLiteral("When,What")));

        // The diary's unit: remembered, else its readings', else none.
        const QString mmol = dir.filePath(QStringLiteral("mmol.bcl"));
        const QString empty = dir.filePath(QStringLiteral("empty.bcl"));
        writeDiary(mmol, {makeDay("2026-01-01", {"5.4", "7.9"}), makeDay("2026-01-02", {"6.1"})});
        writeDiary(empty, {makeDay("2026-01-01")});
        QVERIFY(diaryUnit(*settings, mmol) == GlucoseUnit::MmolPerL);
        QVERIFY(!diaryUnit(*settings, empty));
        rememberUnit(*settings, empty, GlucoseUnit::MmolPerL);
        rememberUnit(*settings, mmol, GlucoseUnit::MgPerDl);
        QVERIFY(diaryUnit(*settings, empty) == GlucoseUnit::MmolPerL);
        QVERIFY(diaryUnit(*settings, mmol) == GlucoseUnit::MgPerDl);
        QVERIFY_THROWS_EXCEPTION(StoreError, diaryUnit(*settings, dir.filePath(QStringLiteral("gone.bcl"))));

        const QString file = dir.filePath(QStringLiteral("export.csv"));
        writeBytes(file, "Time,Glucose\n2026-03-14 07:30,100\n");
        QCOMPARE(readImportFile(file).bytes, QByteArray("Time,Glucose\n2026-03-14 07:30,100\n"));
        QVERIFY(readImportFile(file).failure.isEmpty());
        QVERIFY(readImportFile(dir.path()).failure.contains(QLatin1String("is a folder")));
        // A file past the limit is refused by its size, before it is read.
        const QString huge = dir.filePath(QStringLiteral("huge.csv"));
        {
            QFile sparse(huge);
            QVERIFY(sparse.open(QIODevice::WriteOnly));
            QVERIFY(sparse.resize(kMaxMeterFileBytes + 1));
        }
        const FileBytes tooLarge = readImportFile(huge);
        QVERIFY(tooLarge.bytes.isEmpty());
        QVERIFY2(tooLarge.failure.contains(QLatin1String("larger than 256 MB")), qPrintable(tooLarge.failure));
        QVERIFY(readImportFile(dir.filePath(QStringLiteral("gone.csv")))
                    .failure.contains(QLatin1String("could not be opened")));
    }

private:
    QTemporaryDir settingsDir_;
};

QTEST_GUILESS_MAIN(TestMeterPlacing)
#include "tst_meter_placing.moc"
