// The standard day's figures over generated diaries, checked against the same
// figures worked out apart from the program by a Python script with the
// statistics module; and the unit and target remembered per diary.

#include "core/Database.h"
#include "core/StandardDay.h"
#include "core/StandardDaySettings.h"
#include "core/StandardDayTable.h"
#include "support/DiaryFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace {

const QDate kFirst(2012, 11, 20);

// Readings as a person keeps them, in either unit: mostly ordinary values,
// some on the very lines the shares are counted against, some left out
// ("-"), some that do not count (no number, zero, below zero), whole dates
// missing. On odd seeds nobody measured at night.
QList<ReadingDay> generatedDiary(quint32 seed, GlucoseUnit unit, int days)
{
    QRandomGenerator rng(seed);
    const bool mmol = unit == GlucoseUnit::MmolPerL;
    const QStringList odd{"0", ".", "0.0", "-3", "12.", "7.5.1", " 95", "+88", "..", "00"};
    const QStringList onLines = mmol ? QStringList{"3.0", "3.9", "10.0", "13.9", "2.9", "4.0", "10.1", "14.0"}
                                     : QStringList{"54", "70", "180", "250", "53", "71", "181", "251"};
    QList<ReadingDay> diary;
    for (int i = 0; i < days; ++i) {
        if (rng.bounded(10) == 0)
            continue; // a date not kept at all
        QStringList texts;
        for (int k = 0; k < kReadingKinds; ++k) {
            const int r = int(rng.bounded(100));
            if ((seed % 2 == 1 && k == kReadingKinds - 1) || r < 8) {
                texts << QStringLiteral("-");
            } else if (r < 11) {
                texts << odd[int(rng.bounded(odd.size()))];
            } else if (r < 15) {
                texts << onLines[int(rng.bounded(onLines.size()))];
            } else {
                // Fasting lower, after meals higher, spread wide.
                const double centre = (k % 2 == 0 ? 115.0 : 165.0) + 5.0 * k;
                const double mg = std::clamp(
                    centre + 55.0 * (rng.generateDouble() + rng.generateDouble() + rng.generateDouble() - 1.5), 25.0,
                    480.0);
                if (mmol)
                    texts << QString::number(mg / 18.0, 'f', 1);
                else if (r % 4 == 0)
                    texts << QString::number(mg, 'f', 1);
                else
                    texts << QString::number(std::lround(mg));
            }
        }
        diary << makeDay(kFirst.addDays(i).toString(Qt::ISODate), texts);
    }
    return diary;
}

// The figures the Python script works out for the diary, range and choice.
QJsonObject oracle(const QString &path, const QString &start, const QString &end, GlucoseUnit unit,
                   const TargetRange &target)
{
    QProcess p;
    p.start(QStringLiteral(LB_PYTHON3),
            {QStringLiteral(LB_FIGURES_SCRIPT), path, start, end, unitName(unit), QString::number(target.low, 'g', 17),
             QString::number(target.high, 'g', 17)});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        qFatal("the figures script failed: %s", p.readAllStandardError().constData());
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(p.readAllStandardOutput(), &error);
    if (!doc.isObject())
        qFatal("the figures script wrote no figures: %s", qPrintable(error.errorString()));
    return doc.object();
}

// A figure agrees with the script's when both are missing or both are equal
// but for the last digits of a double.
bool agrees(double ours, const QJsonValue &theirs)
{
    if (theirs.isUndefined())
        return std::isnan(ours);
    const double t = theirs.toDouble();
    return std::fabs(ours - t) <= 1e-9 * std::max(1.0, std::fabs(t));
}

QString compare(const SampleFigures &f, const QJsonObject &o, const QString &where)
{
    const std::pair<const char *, double> fields[] = {
        {"mean", f.mean},
        {"sd", f.sd},
        {"cv", f.cv},
        {"median", f.median},
        {"p10", f.p10},
        {"p25", f.p25},
        {"p75", f.p75},
        {"p90", f.p90},
        {"lowest", f.lowest},
        {"highest", f.highest},
        {"belowVeryLow", f.belowVeryLow},
        {"belowLow", f.belowLow},
        {"inRange", f.inRange},
        {"aboveHigh", f.aboveHigh},
        {"aboveVeryHigh", f.aboveVeryHigh},
    };
    if (f.count != o.value("count").toInteger())
        return QStringLiteral("%1 count %2, expected %3").arg(where).arg(f.count).arg(o.value("count").toInteger());
    if (f.notCounted != o.value("notCounted").toInteger())
        return QStringLiteral("%1 not counted %2, expected %3")
            .arg(where)
            .arg(f.notCounted)
            .arg(o.value("notCounted").toInteger());
    for (const auto &[name, value] : fields)
        if (!agrees(value, o.value(QLatin1String(name))))
            return QStringLiteral("%1 %2 is %3, expected %4")
                .arg(where, QLatin1String(name))
                .arg(value, 0, 'g', 17)
                .arg(o.value(QLatin1String(name)).toDouble(), 0, 'g', 17);
    return {};
}

} // namespace

class TestStandardDayFigures : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path() + QStringLiteral("/settings"));
    }

    void figuresAgreeWithTheStatisticsModule_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("unit");
        QTest::addColumn<double>("low"); // 0: the usual target
        QTest::addColumn<double>("high");
        for (quint32 seed : {1u, 7u, 2024u, 99992u})
            for (int unit : {0, 1}) {
                const QString name = QStringLiteral("seed %1 %2").arg(seed).arg(unit ? "mmol/L" : "mg/dL");
                QTest::newRow(qPrintable(name)) << seed << unit << 0.0 << 0.0;
            }
        QTest::newRow("seed 5 mg/dL, target 80-140") << 5u << 0 << 80.0 << 140.0;
        QTest::newRow("seed 6 mmol/L, target 4.4-7.8") << 6u << 1 << 4.4 << 7.8;
    }

    void figuresAgreeWithTheStatisticsModule()
    {
        QFETCH(quint32, seed);
        QFETCH(int, unit);
        QFETCH(double, low);
        QFETCH(double, high);
        const GlucoseUnit u = unit ? GlucoseUnit::MmolPerL : GlucoseUnit::MgPerDl;
        const TargetRange target = low > 0 ? TargetRange{low, high} : defaultTarget(u);
        const QString path = dir.filePath(QStringLiteral("Seed %1 %2.bcl").arg(seed).arg(unit));
        const QList<ReadingDay> diary = generatedDiary(seed, u, 150);
        writeDiary(path, diary);

        const QString first = diary.first().key, last = diary.last().key;
        const QString middle = diary.at(diary.size() / 2).key;
        const QList<std::pair<QString, QString>> ranges{
            {first, last},                                                                        // the whole diary
            {QStringLiteral("2000-01-01"), QStringLiteral("2099-12-31")},                         // wider than it
            {kFirst.addDays(40).toString(Qt::ISODate), kFirst.addDays(69).toString(Qt::ISODate)}, // 30 days
            {middle, middle},                                                                     // one date
            {QStringLiteral("2000-01-01"), kFirst.addDays(-1).toString(Qt::ISODate)},             // before it
            {QStringLiteral("2020-01-01"), QStringLiteral("2020-12-31")},                         // after it
        };
        for (const auto &[start, end] : ranges) {
            Database db = Database::open(path, Database::Access::ReadOnly);
            Cursor cursor(db);
            const StandardDayReadings readings = collectStandardDay(cursor, start, end);
            const StandardDayFigures ours = standardDayFigures(readings, u, target);
            const QJsonObject theirs = oracle(path, start, end, u, target);
            const QString range = start + QStringLiteral("..") + end;

            QCOMPARE(ours.dates, theirs.value("dates").toInteger());
            const QJsonArray kinds = theirs.value("kinds").toArray();
            for (int k = 0; k < kReadingKinds; ++k) {
                const QString problem = compare(ours.kinds[size_t(k)], kinds.at(k).toObject(),
                                                range + QLatin1Char(' ') + readingKinds()[size_t(k)].field);
                QVERIFY2(problem.isEmpty(), qPrintable(problem));
            }
            const QString problem = compare(ours.all, theirs.value("all").toObject(), range + QStringLiteral(" all"));
            QVERIFY2(problem.isEmpty(), qPrintable(problem));

            // The five levels, each on its own, make up all readings.
            if (ours.all.hasReadings()) {
                const auto levels = rangeLevels(ours.all, u, target);
                double sum = 0;
                for (const RangeLevel &level : levels)
                    sum += level.share;
                QVERIFY2(std::fabs(sum - 100) < 1e-9, qPrintable(range));
                QVERIFY(agrees(levels[1].share,
                               theirs["all"]["belowLow"].toDouble() - theirs["all"]["belowVeryLow"].toDouble()));
                QVERIFY(agrees(levels[3].share,
                               theirs["all"]["aboveHigh"].toDouble() - theirs["all"]["aboveVeryHigh"].toDouble()));
            }

            QCOMPARE(unitName(guessUnit(readings)), theirs.value("guessedUnit").toString());
            const double a1c = estimatedA1cPercent(ours.all.mean, u);
            QVERIFY2(agrees(a1c, theirs.value("a1cPercent")), qPrintable(range));
            QVERIFY2(agrees(a1cMmolPerMol(a1c), theirs.value("a1cMmolPerMol")), qPrintable(range));
        }
    }

    void percentilesLieBetweenTheClosestRanks()
    {
        // As numpy's default and statistics.quantiles(method="inclusive").
        const QList<double> four{10, 20, 30, 40};
        QCOMPARE(percentile(four, 0), 10.0);
        QCOMPARE(percentile(four, 25), 17.5);
        QCOMPARE(percentile(four, 50), 25.0);
        QCOMPARE(percentile(four, 90), 37.0);
        QCOMPARE(percentile(four, 100), 40.0);
        QCOMPARE(percentile({7}, 10), 7.0);
        QVERIFY(std::isnan(percentile({}, 50)));

        // One reading: no spread; shares of one.
        const SampleFigures one = sampleFigures({3.9}, 2, glucoseLines(GlucoseUnit::MmolPerL, {3.9, 10.0}));
        QCOMPARE(one.count, 1);
        QCOMPARE(one.notCounted, 2);
        QVERIFY(std::isnan(one.sd) && std::isnan(one.cv) && !one.cvAboveLimit());
        QCOMPARE(one.inRange, 100.0); // 3.9 typed is not below a line of 3.9
        QCOMPARE(one.belowLow, 0.0);
    }

    void unitAndTargetAreRememberedPerDiary()
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Levelbook"),
                           QStringLiteral("Levelbook"));
        const QString ann = dir.filePath(QStringLiteral("Ann Smith.bcl"));
        const QString bob = dir.filePath(QStringLiteral("Bob/Smith.bcl")); // another folder, same name part
        const QString other = dir.filePath(QStringLiteral("Ann Smith.bcl.copy"));

        // Nothing remembered: the readings decide the unit, the unit the target.
        StandardDayReadings mmol;
        mmol.kinds[0].values = {5.5, 7.1, 40.0};
        StandardDayReadings mg;
        mg.kinds[3].values = {95, 140, 20};
        QCOMPARE(standardDayChoice(settings, ann, mmol), (StandardDayChoice{GlucoseUnit::MmolPerL, {3.9, 10.0}}));
        QCOMPARE(standardDayChoice(settings, ann, mg), (StandardDayChoice{GlucoseUnit::MgPerDl, {70, 180}}));
        QCOMPARE(guessUnit(StandardDayReadings{}), GlucoseUnit::MgPerDl);

        rememberUnit(settings, ann, GlucoseUnit::MmolPerL);
        rememberTarget(settings, ann, GlucoseUnit::MmolPerL, {4.4, 7.8});
        rememberTarget(settings, ann, GlucoseUnit::MgPerDl, {80, 140});
        rememberTarget(settings, bob, GlucoseUnit::MgPerDl, {63, 140});
        rememberTarget(settings, ann, GlucoseUnit::MgPerDl, {150, 100}); // not a range: ignored
        rememberTarget(settings, ann, GlucoseUnit::MgPerDl, {40, 140});  // reaches below 54: ignored
        settings.sync();

        QSettings again(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Levelbook"),
                        QStringLiteral("Levelbook"));
        QCOMPARE(standardDayChoice(again, ann, mg), (StandardDayChoice{GlucoseUnit::MmolPerL, {4.4, 7.8}}));
        QCOMPARE(targetFor(again, ann, GlucoseUnit::MgPerDl), (TargetRange{80, 140}));
        QCOMPARE(standardDayChoice(again, bob, mg), (StandardDayChoice{GlucoseUnit::MgPerDl, {63, 140}}));
        QCOMPARE(standardDayChoice(again, other, mmol), (StandardDayChoice{GlucoseUnit::MmolPerL, {3.9, 10.0}}));

        // Settings spoilt by hand count as nothing remembered.
        const QString group = QStringLiteral("StandardDay/") +
            QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(ann).absoluteFilePath()));
        again.setValue(group + QStringLiteral("/unit"), QStringLiteral("furlongs"));
        again.setValue(group + QStringLiteral("/mgLow"), QStringLiteral("seventy"));
        QCOMPARE(standardDayChoice(again, ann, mg), (StandardDayChoice{GlucoseUnit::MgPerDl, {70, 180}}));
        again.setValue(group + QStringLiteral("/mgLow"), 70);
        again.setValue(group + QStringLiteral("/mgHigh"), 300); // above 250
        QCOMPARE(targetFor(again, ann, GlucoseUnit::MgPerDl), (TargetRange{70, 180}));
        again.setValue(group + QStringLiteral("/mgHigh"), 250);
        QCOMPARE(targetFor(again, ann, GlucoseUnit::MgPerDl), (TargetRange{70, 250}));
        QVERIFY(!QFile::exists(ann)); // nothing of it goes near a diary file
    }
};

QTEST_GUILESS_MAIN(TestStandardDayFigures)
#include "tst_standardday_figures.moc"
