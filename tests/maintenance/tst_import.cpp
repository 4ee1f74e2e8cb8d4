// "Import Readings..." of the Urilities menu, driven through the real menu
// item and window: what it shows before anything is written, Import adding
// the new dates in one change and the browser on the last stored date,
// Cancel writing nothing, and files that are no readings ending in a message.

#include "maintenance/ImportReadings.h"
#include "readings/CurrReading.h"
#include "support/FakeFiles.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <csignal>
#include <optional>
#include <sys/resource.h>

namespace {

struct Settle {
    ~Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

QStringList listed(const QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

// The main frame with a diary of these days open and the file dialog
// answering with `file`.
struct Rig {
    explicit Rig(const QList<ReadingDay> &days, const QByteArray &csv)
    {
        app.frame->services().files = &files;
        writeDiary(diary, days);
        writeBytes(file, csv);
        browser = app.openDiary(QStringLiteral("Ann Smith.bcl"));
        files.answers << file;
    }
    void chooseImport() { app.frame->action(QStringLiteral("mnuUtilitiesImport"))->trigger(); }

    TestApp app;
    Settle settle;
    FakeFileDialogs files;
    QString diary = app.pathOf(QStringLiteral("Ann Smith.bcl"));
    QString file = app.folder() + QStringLiteral("/readings.csv");
    CurrReading *browser = nullptr;
};

const QByteArray kFile = "Date,Pre-Breakfast,Night\n"
                         "2013-03-05,100,7\n"
                         "2013-03-01,999,\n"
                         "2013-03-33,1,2\n"
                         "2013-03-03,101,8.5\n";

} // namespace

class TestImport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void importShowsWhatItWouldDoThenAddsOrNot_data()
    {
        QTest::addColumn<QList<ReadingDay>>("stored");
        QTest::addColumn<QString>("press"); // "ImportRds", "Cancel", or "ImportRds on a full disk"
        QTest::addColumn<QStringList>("preview");
        QTest::addColumn<QStringList>("after"); // the diary afterwards
        QTest::addColumn<QString>("shown");     // the browser's date afterwards
        const QList<ReadingDay> one{makeDay("2013-03-01", {"120"})};
        const QStringList previewOne{"1 date would be added.", "1 date is stored already and is kept as it is.",
                                     "1 line cannot be used:"};
        const QStringList oneAfter{"2013-03-01|120|-|-|-|-|-|-|-", "2013-03-03|101|-|-|-|-|-|-|8.5",
                                   "2013-03-05|100|-|-|-|-|-|-|7"};
        QTest::newRow("into an empty diary")
            << QList<ReadingDay>{} << "ImportRds"
            << QStringList{"3 dates would be added.", "0 dates are stored already and are kept as they are.",
                           "1 line cannot be used:"}
            << QStringList{"2013-03-01|999|-|-|-|-|-|-|-", "2013-03-03|101|-|-|-|-|-|-|8.5",
                           "2013-03-05|100|-|-|-|-|-|-|7"}
            << "3/5/2013";
        QList<ReadingDay> two = one;
        two << makeDay("2013-03-05", {"5"});
        QTest::newRow("stored dates are kept as they are")
            << two << "ImportRds"
            << QStringList{"1 date would be added.", "2 dates are stored already and are kept as they are.",
                           "1 line cannot be used:"}
            << QStringList{"2013-03-01|120|-|-|-|-|-|-|-", "2013-03-03|101|-|-|-|-|-|-|8.5",
                           "2013-03-05|5|-|-|-|-|-|-|-"}
            << "3/5/2013";
        QList<ReadingDay> later = one;
        later << makeDay("2013-04-01", {"5"});
        QTest::newRow("the browser goes to the last stored date")
            << later << "ImportRds"
            << QStringList{"2 dates would be added.", "1 date is stored already and is kept as it is.",
                           "1 line cannot be used:"}
            << QStringList{"2013-03-01|120|-|-|-|-|-|-|-", "2013-03-03|101|-|-|-|-|-|-|8.5",
                           "2013-03-05|100|-|-|-|-|-|-|7", "2013-04-01|5|-|-|-|-|-|-|-"}
            << "4/1/2013";
        QTest::newRow("Cancel writes nothing")
            << one << "Cancel"
            << QStringList{"2 dates would be added.", "1 date is stored already and is kept as it is.",
                           "1 line cannot be used:"}
            << QStringList{"2013-03-01|120|-|-|-|-|-|-|-"} << "3/1/2013";
        QTest::newRow("a full disk writes nothing")
            << one << "ImportRds on a full disk"
            << QStringList{"2 dates would be added.", "1 date is stored already and is kept as it is.",
                           "1 line cannot be used:"}
            << QStringList{"2013-03-01|120|-|-|-|-|-|-|-"} << "3/1/2013";
    }
    void importShowsWhatItWouldDoThenAddsOrNot()
    {
        QFETCH(QList<ReadingDay>, stored);
        QFETCH(QString, press);
        QFETCH(QStringList, preview);
        QFETCH(QStringList, after);
        QFETCH(QString, shown);
        Rig rig(stored, kFile);
        QVERIFY(rig.browser);
        const QByteArray before = bytesOf(rig.diary);
        rig.chooseImport();
        QCOMPARE(rig.files.captions, QStringList{"Import Readings"});

        auto *w = rig.app.window<ImportReadings>("ImportReadings");
        QVERIFY(w);
        QVERIFY(rig.app.shown("ImportReadings"));
        QCOMPARE((QStringList{w->Added->text(), w->Stored->text(), w->Unusable->text()}), preview);
        QCOMPARE(listed(w->Problems), QStringList{"Line 4: The date \"2013-03-33\" cannot be read."});
        QVERIFY(!rig.browser->parentWidget()->isEnabled());
        // Nothing is written before the choice.
        QCOMPARE(bytesOf(rig.diary), before);

        {
            std::optional<FileSizeLimit> full;
            if (press.endsWith(QLatin1String("full disk")))
                full.emplace(0);
            QTest::mouseClick(w->findChild<QPushButton *>(press.section(QLatin1Char(' '), 0, 0)), Qt::LeftButton);
        }
        QApplication::processEvents();
        QCOMPARE(rowTexts(readDiary(rig.diary)), after);
        QCOMPARE(rig.browser->Bdates->text(), shown);
        if (press.endsWith(QLatin1String("full disk"))) {
            QCOMPARE(bytesOf(rig.diary), before);
            QCOMPARE(rig.app.fakes.messages.shown.size(), 1);
            QVERIFY(rig.app.fakes.messages.lastText().startsWith(
                QStringLiteral("The change could not be stored. The diary on disk is as it was before.")));
            QVERIFY(rig.app.window<ImportReadings>("ImportReadings"));
            return;
        }
        if (press == QLatin1String("Cancel"))
            QCOMPARE(bytesOf(rig.diary), before);
        QVERIFY(rig.app.fakes.messages.shown.isEmpty());
        QVERIFY(!rig.app.window<ImportReadings>("ImportReadings"));
        QVERIFY(rig.browser->parentWidget()->isEnabled());
    }

    void filesItCannotUseEndInAMessage_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\x02\x01\x01\0\0\0",
                                              10)
                                << "Line 1 holds bytes that no text holds. This is not a file of readings.";
        QTest::newRow("a quote never closed")
            << QByteArray("Date,Night\n2013-01-01,\"5\n2013-01-02,6\n")
            << "The quote opened on line 2 is never closed. This is not a file of readings.";
        QTest::newRow("no header")
            << QByteArray("2013-01-01,5\n")
            << "The first line of the file names no column \"Date\". It should read: "
               "Date,Pre-Breakfast,After Breakfast,Pre-Lunch,After Lunch,Pre-Dinner,After Dinner,"
               "Bedtime,Night";
        QTest::newRow("the question cancelled") << QByteArray() << QString();
    }
    void filesItCannotUseEndInAMessage()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        Rig rig({makeDay("2013-03-01", {"120"})}, file);
        if (file.isEmpty())
            rig.files.answers = {QString()};
        const auto before = snapshot(rig.app.folder());
        rig.chooseImport();
        QVERIFY(!rig.app.window<ImportReadings>("ImportReadings"));
        QCOMPARE(rig.app.fakes.messages.lastText(), message);
        QCOMPARE(snapshot(rig.app.folder()), before);
        QVERIFY(rig.browser->parentWidget()->isEnabled());
        QCOMPARE(rig.browser->Bdate->text(), QStringLiteral("2013-03-01"));
    }
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
