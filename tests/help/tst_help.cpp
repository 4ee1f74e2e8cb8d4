// The help: the compiled help file and its context map, the F1 key on windows,
// buttons and menu items, and the viewer that shows the topics.

#include "platform/ChildWindow.h"
#include "platform/ChmFile.h"
#include "platform/HelpKey.h"
#include "platform/HelpViewer.h"
#include "readings/CurrReading.h"
#include "support/FakeHelp.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTreeWidget>

namespace {

const QString kHelpFile = QStringLiteral(LEVELBOOK_BUILT_HELP_FILE);

// Every help context number of the program and the topic it opens.
const QMap<int, QString> &expectedTopics()
{
    static const QMap<int, QString> topics{
        {30, "/topics/start.html"},        {40, "/topics/backupfolder.html"}, {50, "/topics/add.html"},
        {60, "/topics/edit.html"},         {70, "/topics/delete.html"},       {100, "/topics/search.html"},
        {110, "/topics/report.html"},      {120, "/topics/compact.html"},     {130, "/topics/repair.html"},
        {140, "/topics/backup.html"},      {150, "/topics/restore.html"},     {160, "/topics/deletemany.html"},
        {170, "/topics/listing.html"},     {180, "/topics/import.html"},      {310, "/topics/charts.html"},
        {320, "/topics/standardday.html"},
    };
    return topics;
}

std::unique_ptr<ChmFile> openBuiltHelp()
{
    QString error;
    auto file = ChmFile::open(kHelpFile, &error);
    if (!file)
        qFatal("the built help file %s cannot be opened: %s", qPrintable(kHelpFile), qPrintable(error));
    return file;
}

QString titleOf(const QByteArray &html)
{
    static const QRegularExpression title(QStringLiteral("<title>([^<]*)</title>"),
                                          QRegularExpression::CaseInsensitiveOption);
    return title.match(QString::fromUtf8(html)).captured(1).trimmed();
}

// The words of a page as a reader sees them, on one line.
QString plainTextOf(const QByteArray &html)
{
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(html));
    return doc.toPlainText().replace(QChar::Nbsp, QLatin1Char(' ')).simplified();
}

// A caption as the user sees it: without the access-key marks.
QString shownCaption(QString caption)
{
    caption.replace(QLatin1String("&&"), QLatin1String("\x01"));
    caption.remove(QLatin1Char('&'));
    caption.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return caption;
}

// Sends F1 to a widget as the keyboard does.
void pressF1(QWidget *w, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(w, Qt::Key_F1, modifiers);
}

// A stand-in for a chart window, with the chart windows' help number and a
// button without a number of its own.
class ChartStandIn : public ChildWindow {
public:
    ChartStandIn(Shell &shell, const QString &name) : ChildWindow(shell, name)
    {
        setHelpContext(310);
        Exit = new QPushButton(QStringLiteral("Exit"), this);
        Exit->setObjectName(QStringLiteral("Exit"));
        setFocusProxy(Exit);
    }
    QPushButton *Exit;
};

// The started frame with the fake help in place.
struct HelpApp : TestApp {
    HelpApp() { frame->services().help = &help; }
    FakeHelp help;

    // F1 while the named item of an open menu is highlighted.
    int f1OnMenuItem(const char *menuName, const char *item)
    {
        QMenu *menu = frame->menu(QLatin1String(menuName));
        QAction *action = frame->action(QLatin1String(item));
        if (!menu || !action)
            qFatal("no menu item %s", item);
        menu->popup(frame->mapToGlobal(QPoint(10, 10)));
        if (!QTest::qWaitForWindowExposed(menu))
            qFatal("the menu did not open");
        menu->setActiveAction(action);
        help.reset();
        pressF1(menu);
        const bool closed = !menu->isVisible();
        menu->hide();
        return closed ? help.last() : -2;
    }
};

} // namespace

class TestHelp : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QVERIFY2(QFile::exists(kHelpFile), qPrintable(kHelpFile + QStringLiteral(" has not been built")));
    }

    // ------------------------------------------------------------ the help file

    void everyContextNumberOpensItsTopic()
    {
        const auto file = openBuiltHelp();
        QCOMPARE(file->title(), QStringLiteral("Levelbook Help"));
        QCOMPARE(file->contextMap().keys(), expectedTopics().keys());
        for (auto it = expectedTopics().cbegin(); it != expectedTopics().cend(); ++it) {
            const QString page = file->pageForContext(it.key());
            QCOMPARE(page, it.value());
            const QByteArray html = file->read(page);
            QVERIFY2(!titleOf(html).isEmpty(), qPrintable(page));
        }
        // The map names the topics as the file stores them, as any reader
        // of help files follows them, not by paths of the build folder.
        const QByteArray strings = file->read(QStringLiteral("/#STRINGS"));
        const qsizetype at = strings.indexOf("/topics/start.html");
        QVERIFY(at > 0 && strings.at(at - 1) == '\0');
        QVERIFY(!strings.contains(QFileInfo(kHelpFile).absolutePath().section(QLatin1Char('/'), 0, -2).toUtf8()));
        QCOMPARE(file->pageForContext(999), QString());
        QCOMPARE(file->defaultPage(), QStringLiteral("/topics/welcome.html"));
    }

    void everyLinkLeadsToAPlaceInTheHelp()
    {
        static const QRegularExpression link(QStringLiteral("(?:href|src)\\s*=\\s*\"([^\"]*)\""),
                                             QRegularExpression::CaseInsensitiveOption);
        const auto file = openBuiltHelp();
        int links = 0;
        for (const QString &page : file->pages()) {
            if (!page.endsWith(QLatin1String(".html")))
                continue;
            const QString html = QString::fromUtf8(file->read(page));
            QVERIFY2(html.contains(QLatin1String("levelbook.css")), qPrintable(page));
            for (auto it = link.globalMatch(html); it.hasNext();) {
                const QString href = it.next().captured(1);
                QVERIFY2(!href.contains(QLatin1String("://")), qPrintable(page + ": " + href));
                const QUrl target = HelpBrowser::urlOf(page).resolved(QUrl(href));
                const QString targetPage = target.path();
                QVERIFY2(file->contains(targetPage), qPrintable(page + ": " + href));
                if (target.hasFragment()) {
                    const QString anchor = QStringLiteral("name=\"%1\"").arg(target.fragment());
                    QVERIFY2(QString::fromUtf8(file->read(targetPage)).contains(anchor),
                             qPrintable(page + ": " + href));
                }
                ++links;
            }
        }
        QVERIFY(links > 100);
    }

    void contentsListHoldsEveryTopicUnderItsTitle()
    {
        const auto file = openBuiltHelp();
        const QList<HelpContentsEntry> &contents = file->contents();
        QVERIFY(contents.size() >= 18);
        QSet<QString> listed;
        for (const HelpContentsEntry &e : contents) {
            if (e.page.isEmpty()) {
                QCOMPARE(e.title, QStringLiteral("Backups")); // the one heading
                continue;
            }
            const QString page = e.page.section(QLatin1Char('#'), 0, 0);
            QVERIFY2(file->contains(page), qPrintable(e.page));
            listed.insert(page);
            if (!e.page.contains(QLatin1Char('#')))
                QCOMPARE(e.title, titleOf(file->read(page)));
        }
        for (const QString &page : file->pages())
            if (page.endsWith(QLatin1String(".html")))
                QVERIFY2(listed.contains(page), qPrintable(page + QStringLiteral(" is missing from the contents")));
        QCOMPARE(contents.first().title, QStringLiteral("Welcome to Levelbook"));
        QCOMPARE(contents.first().depth, 0);
    }

    // The topics name the buttons, boxes and menu items as the windows show them.
    void topicsNameTheControlsAsTheyAppear()
    {
        const auto file = openBuiltHelp();
        HelpApp app;
        writeDiary(app.pathOf("Ann Smith.bcl"), consecutiveDays(40));

        auto captionsOf = [](QWidget *w) {
            QStringList out;
            for (const QPushButton *b : w->findChildren<QPushButton *>())
                if (!b->text().isEmpty())
                    out << shownCaption(b->text());
            for (const QLabel *l : w->findChildren<QLabel *>())
                if (l->text().endsWith(QLatin1Char(':')))
                    out << shownCaption(l->text());
            return out;
        };
        int checked = 0;
        auto check = [&](const char *window, const char *topic) {
            ChildWindow *w = app.frame->window(QLatin1String(window));
            if (!w)
                w = app.frame->openWindow(QLatin1String(window));
            if (!w)
                return; // not part of this build yet
            const QString text = plainTextOf(file->read(QStringLiteral("/topics/%1").arg(QLatin1String(topic))));
            for (const QString &caption : captionsOf(w))
                QVERIFY2(text.contains(caption),
                         qPrintable(QStringLiteral("%1 does not name \"%2\" of %3")
                                        .arg(QLatin1String(topic), caption, QLatin1String(window))));
            if (!w->windowTitle().isEmpty() && qstrcmp(window, "BloodMenu") != 0)
                QVERIFY2(text.contains(w->windowTitle()),
                         qPrintable(QStringLiteral("%1 does not name the window \"%2\"")
                                        .arg(QLatin1String(topic), w->windowTitle())));
            ++checked;
        };

        check("BloodMenu", "start.html");
        check("MakeDatabase", "start.html");
        app.frame->closeWindow(QStringLiteral("MakeDatabase"));
        check("SelectDbase", "start.html");
        app.frame->closeWindow(QStringLiteral("SelectDbase"));
        check("Cback", "backupfolder.html");
        check("Brow", "backupfolder.html");
        app.frame->closeWindow(QStringLiteral("Brow"));
        app.frame->closeWindow(QStringLiteral("Cback"));
        for (const auto &[window, topic] : {std::pair{"RestBackup", "restore.html"},
                                            {"CompactDbase", "compact.html"},
                                            {"RepairDbase", "repair.html"}}) {
            check(window, topic);
            app.frame->closeWindow(QLatin1String(window));
        }

        QVERIFY(app.openDiary(QStringLiteral("Ann Smith.bcl")));
        check("CurrReading", "browser.html");
        for (const auto &[window, topic] : {std::pair{"AddRds", "add.html"},
                                            {"EditRds", "edit.html"},
                                            {"SearchRds", "search.html"},
                                            {"Display", "listing.html"},
                                            {"StdRptByDate", "report.html"},
                                            {"DeleteRds", "deletemany.html"},
                                            {"BfastLine", "charts.html"}}) {
            check(window, topic);
            app.frame->closeWindow(QLatin1String(window));
        }
        QVERIFY(checked >= 9);

        // Every menu item, as the menu shows it.
        const QString menus = plainTextOf(file->read(QStringLiteral("/topics/menus.html")));
        for (const QMenu *menu : app.frame->menuBar()->findChildren<QMenu *>()) {
            QVERIFY2(menus.contains(shownCaption(menu->title())), qPrintable(menu->title()));
            for (const QAction *a : menu->actions())
                if (!a->isSeparator())
                    QVERIFY2(menus.contains(shownCaption(a->text())), qPrintable(a->text()));
        }
        QVERIFY(plainTextOf(file->read(QStringLiteral("/topics/start.html")))
                    .contains(app.frame->windowTitle().simplified()));
    }

    // ------------------------------------------------------------ reading help files

    void contextMapPathsMatchByTheirTail_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("page");
        QTest::newRow("build path") << "/home/ann/levelbook/build/help/stage/topics/add.html"
                                    << "/topics/add.html";
        QTest::newRow("the longest tail wins") << "/x/topics/start.html"
                                               << "/topics/start.html";
        QTest::newRow("relative") << "topics/add.html"
                                  << "/topics/add.html";
        QTest::newRow("root page") << "C:\\Help Work\\welcome.html"
                                   << "/welcome.html";
        QTest::newRow("letter case") << "/B/TOPICS/ADD.HTML"
                                     << "/topics/add.html";
        QTest::newRow("place in page") << "/b/topics/add.html#typing"
                                       << "/topics/add.html#typing";
        QTest::newRow("only whole names") << "/b/topics/xadd.html"
                                          << "";
        QTest::newRow("unknown") << "/b/topics/nothing.html"
                                 << "";
        QTest::newRow("empty") << ""
                               << "";
    }

    void contextMapPathsMatchByTheirTail()
    {
        QFETCH(QString, written);
        QFETCH(QString, page);
        const QStringList pages{"/welcome.html", "/start.html", "/topics/add.html", "/topics/start.html",
                                "/add.html.bak"};
        QCOMPARE(pageByTail(written, pages), page);
    }

    void contentsFileIsReadAsATree()
    {
        const QByteArray sitemap =
            "<HTML><BODY>\n"
            "<OBJECT type=\"text/site properties\"><param name=\"Name\" value=\"not an entry\"></OBJECT>\n"
            "<UL>\n"
            " <LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"First &amp; foremost\"><param "
            "name=\"Local\" value=\"a.html\"></OBJECT>\n"
            " <UL>\n"
            "  <LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Deeper\"><param name=\"Local\" "
            "value=\"sub/b.html#part\"></OBJECT>\n"
            "  <LI><OBJECT TYPE='text/sitemap'><PARAM NAME=Name VALUE=Other><PARAM NAME=Local "
            "VALUE=\"ms-its:x.chm::/c.html\"></OBJECT>\n"
            " </UL>\n"
            " <LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"A heading\"></OBJECT>\n"
            " <UL><LI><OBJECT type=\"text/sitemap\"><param name=\"Name\" value=\"Back up\"><param name=\"Local\" "
            "value=\"../d.html\"></OBJECT></UL>\n"
            "</UL></BODY></HTML>";
        const QList<HelpContentsEntry> entries = parseContents(sitemap, QStringLiteral("/help/"));
        QCOMPARE(entries.size(), 5);
        auto line = [](const HelpContentsEntry &e) {
            return QStringLiteral("%1|%2|%3").arg(e.depth).arg(e.title, e.page);
        };
        QStringList lines;
        for (const auto &e : entries)
            lines << line(e);
        QCOMPARE(lines,
                 (QStringList{"0|First & foremost|/help/a.html", "1|Deeper|/help/sub/b.html#part", "1|Other|/c.html",
                              "0|A heading|", "1|Back up|/d.html"}));
    }

    void missingOrDamagedFilesAreNotHelp()
    {
        QTemporaryDir dir;
        QString error;
        QVERIFY(!ChmFile::open(dir.filePath(QStringLiteral("none.chm")), &error));
        QCOMPARE(error, QStringLiteral("The file does not exist."));
        for (const QByteArray &bytes :
             {QByteArray(), QByteArray("ITSF this is no help file"), QByteArray(4096, '\x01')}) {
            QFile f(dir.filePath(QStringLiteral("bad.chm")));
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(bytes);
            f.close();
            error.clear();
            QVERIFY(!ChmFile::open(f.fileName(), &error));
            QVERIFY(!error.isEmpty());
        }
        // A help file cut short keeps none of its pages readable as a whole.
        QFile whole(kHelpFile);
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QFile cut(dir.filePath(QStringLiteral("cut.chm")));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(whole.read(200));
        cut.close();
        QVERIFY(!ChmFile::open(cut.fileName(), &error));
    }

    void helpFileIsFoundBesideTheProgramOrInTheDataFolder()
    {
        QTemporaryDir a, b, c;
        QVERIFY(QFile::copy(kHelpFile, b.filePath(helpFileName())));
        QVERIFY(QFile::copy(kHelpFile, c.filePath(helpFileName())));
        QCOMPARE(locateHelpFile({a.path(), b.path(), c.path()}),
                 QFileInfo(b.filePath(helpFileName())).absoluteFilePath());
        QCOMPARE(locateHelpFile({a.path()}), QString());
        // A folder of that name is no help file.
        QVERIFY(QDir(a.path()).mkdir(helpFileName()));
        QCOMPARE(locateHelpFile({a.path()}), QString());

        const QStringList folders = helpFolders();
        QCOMPARE(folders.first(), QCoreApplication::applicationDirPath());
        QVERIFY(folders.contains(QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/levelbook")));
        QVERIFY(std::any_of(folders.cbegin(), folders.cend(),
                            [](const QString &f) { return f.endsWith(QLatin1String("/share/levelbook")); }));
    }

    // ------------------------------------------------------------ the F1 key

    void f1OnTheStartChoiceAndTheWindowsBeforeADiary()
    {
        HelpApp app;
        auto *choice = app.frame->window(QStringLiteral("BloodMenu"));
        // A button without a number of its own takes its window's.
        pressF1(app.button("BloodMenu", "Command2"));
        QCOMPARE(app.help.asked, QList<int>{30});
        QCOMPARE(app.help.parents.last().data(), app.frame.get());
        QVERIFY(choice->property("helpContext").isValid());

        app.click("BloodMenu", "Command1");
        auto *first =
            app.frame->window(QStringLiteral("MakeDatabase"))->findChild<QLineEdit *>(QStringLiteral("FirstName"));
        pressF1(first);
        QCOMPARE(app.help.last(), 30);
        app.frame->closeWindow(QStringLiteral("MakeDatabase"));

        app.click("BloodMenu", "Command2");
        pressF1(app.button("SelectDbase", "Command1"));
        QCOMPARE(app.help.last(), 30);
        app.frame->closeWindow(QStringLiteral("SelectDbase"));

        // The maintenance windows, opened from their menu items.
        for (const auto &[item, window, number] : {std::tuple{"mnuFileBackupRestore", "Cback", 40},
                                                   {"mnuUtilitiesRestore", "RestBackup", 150},
                                                   {"mnuUtilitiesCompact", "CompactDbase", 120},
                                                   {"mnuUtilitiesRepair", "RepairDbase", 130}}) {
            app.frame->action(QLatin1String(item))->trigger();
            ChildWindow *w = app.frame->window(QLatin1String(window));
            QVERIFY2(w, window);
            app.help.reset();
            pressF1(w->focusWidget() ? w->focusWidget() : w);
            QCOMPARE(app.help.asked, QList<int>{number});
            if (qstrcmp(window, "Cback") == 0) {
                app.click("Cback", "Browse");
                ChildWindow *brow = app.frame->window(QStringLiteral("Brow"));
                QVERIFY(brow);
                pressF1(brow->findChild<QPushButton *>(QStringLiteral("CancelBrowse")));
                QCOMPARE(app.help.last(), 40);
                app.frame->closeWindow(QStringLiteral("Brow"));
            }
            app.frame->closeWindow(QLatin1String(window));
        }

        // The frame itself.
        app.help.reset();
        pressF1(app.frame.get());
        QCOMPARE(app.help.asked, QList<int>{30});
    }

    void f1OnTheBrowsersButtons()
    {
        HelpApp app;
        writeDiary(app.pathOf("Ann Smith.bcl"), consecutiveDays(3));
        CurrReading *b = app.openDiary(QStringLiteral("Ann Smith.bcl"));
        QVERIFY(b);
        const QList<std::pair<QPushButton *, int>> buttons{
            {b->AddNewDate, 50},
            {b->EditReading, 60},
            {b->DeleteReading, 70},
            {b->Search, 100},
            {b->PrtRpt, 110},
            {b->PrtToScr, 170},
            // The browser has no number of its own: its other controls lead to the frame's.
            {b->Next, 30},
            {b->MoveFirst, 30},
            {b->CloseDbase, 30}};
        for (const auto &[button, number] : buttons) {
            app.help.reset();
            button->setFocus();
            pressF1(button);
            QVERIFY2(app.help.asked == QList<int>{number}, qPrintable(button->objectName()));
        }
        app.help.reset();
        pressF1(b->DatabaseName);
        QCOMPARE(app.help.asked, QList<int>{30});
        // F1 opens the help and nothing else: the browser shows the same day.
        QCOMPARE(b->shownKey(), QStringLiteral("2013-01-03"));
        QVERIFY(app.fakes.messages.shown.isEmpty());
    }

    void f1OnTheHighlightedMenuItem()
    {
        HelpApp app;
        QCOMPARE(app.f1OnMenuItem("mniFile", "mnuFileBackupRestore"), 40);
        QCOMPARE(app.f1OnMenuItem("mniFile", "mnuFileExit"), 30); // no number: the frame's
        QCOMPARE(app.exits, 0);
        QCOMPARE(app.f1OnMenuItem("mnuUtilities", "mnuUtilitiesRestore"), 150);
        QCOMPARE(app.f1OnMenuItem("mnuUtilities", "mnuUtilitiesCompact"), 120);
        QCOMPARE(app.f1OnMenuItem("mnuUtilities", "mnuUtilitiesRepair"), 130);
        QCOMPARE(app.f1OnMenuItem("mnuAbout", "mnuAboutAbout"), 30);
        // F1 only asks for help: no window was opened by it.
        for (const char *w : {"Cback", "RestBackup", "CompactDbase", "RepairDbase", "About"})
            QVERIFY2(!app.frame->window(QLatin1String(w)), w);

        writeDiary(app.pathOf("Ann Smith.bcl"), consecutiveDays(3));
        QVERIFY(app.openDiary(QStringLiteral("Ann Smith.bcl")));
        QCOMPARE(app.f1OnMenuItem("mnuUtilities", "mnuUtilitiesBackup"), 140);
        QCOMPARE(app.f1OnMenuItem("mnuUtilities", "mnuUtilitiesDelMultipleRds"), 160);
        for (const char *item :
             {"mnuGraphsPreBfast", "mnuGraphsAfastLine", "mnuGraphsPreLunch", "mnuGraphsAlunchLine",
              "mnuGraphsBdinnerLine", "mnuGraphsAdinnerLine", "mnuGraphasBedTimeLine", "mnuGrphsNightLine"})
            QVERIFY2(app.f1OnMenuItem("mnuGraphs", item) == 310, item);

        // Highlighting by the keyboard: the first item of the Graphs menu.
        QMenu *graphs = app.frame->menu(QStringLiteral("mnuGraphs"));
        graphs->popup(app.frame->mapToGlobal(QPoint(10, 10)));
        QVERIFY(QTest::qWaitForWindowExposed(graphs));
        QTest::keyClick(graphs, Qt::Key_Down);
        QCOMPARE(graphs->activeAction(), app.frame->action(QStringLiteral("mnuGraphsPreBfast")));
        app.help.reset();
        pressF1(graphs);
        QCOMPARE(app.help.asked, QList<int>{310});
        QVERIFY(!graphs->isVisible());
        QVERIFY(app.fakes.messages.shown.isEmpty());
    }

    void f1InAChartWindow()
    {
        HelpApp app;
        app.frame->registry().addWindow(QStringLiteral("BfastLine"),
                                        [](Shell &s) { return new ChartStandIn(s, QStringLiteral("BfastLine")); });
        writeDiary(app.pathOf("Ann Smith.bcl"), consecutiveDays(3));
        QVERIFY(app.openDiary(QStringLiteral("Ann Smith.bcl")));
        app.frame->action(QStringLiteral("mnuGraphsPreBfast"))->trigger();
        auto *chart = dynamic_cast<ChartStandIn *>(app.frame->window(QStringLiteral("BfastLine")));
        QVERIFY(chart);
        app.help.reset();
        pressF1(chart->Exit);
        QCOMPARE(app.help.asked, QList<int>{310});
        pressF1(chart);
        QCOMPARE(app.help.last(), 310);
    }

    // Every window of the program carries its number, and F1 in it opens that topic.
    void everyWindowOpensItsOwnTopic()
    {
        HelpApp app;
        writeDiary(app.pathOf("Ann Smith.bcl"), consecutiveDays(40));
        int checked = 0;
        auto check = [&](const char *name, int number) {
            ChildWindow *w = app.frame->window(QLatin1String(name));
            if (!w && app.frame->registry().window(QLatin1String(name)))
                w = app.frame->openWindow(QLatin1String(name));
            if (!w)
                return; // not part of this build yet
            QVERIFY2(w->helpContext() == number, name);
            app.help.reset();
            pressF1(w);
            // A window without a number of its own opens the frame's topic.
            QVERIFY2(app.help.asked == QList<int>{number ? number : 30}, name);
            ++checked;
        };
        auto close = [&](const char *name) { app.frame->closeWindow(QLatin1String(name)); };

        check("BloodMenu", 30);
        check("MakeDatabase", 30);
        close("MakeDatabase");
        check("About", 0);
        close("About");
        check("Cback", 40);
        check("Brow", 40);
        close("Brow");
        close("Cback");
        for (const auto &[name, number] : {std::pair{"RestBackup", 150}, {"CompactDbase", 120}, {"RepairDbase", 130}}) {
            check(name, number);
            close(name);
        }
        check("SelectDbase", 30);
        close("SelectDbase");

        QVERIFY(app.openDiary(QStringLiteral("Ann Smith.bcl")));
        check("CurrReading", 0);
        for (const auto &[name, number] : {std::pair{"AddRds", 50},
                                           {"EditRds", 60},
                                           {"SearchRds", 100},
                                           {"StdRptByDate", 110},
                                           {"DeleteRds", 160},
                                           {"Display", 170},
                                           {"BfastLine", 310},
                                           {"AfastLine", 310},
                                           {"BlunchLine", 310},
                                           {"AlunchLine", 310},
                                           {"BdinnerLine", 310},
                                           {"AdinnerLine", 310},
                                           {"BtimeLine", 310},
                                           {"NightLine", 310},
                                           {"StandardDay", 320}}) {
            check(name, number);
            close(name);
        }
        QVERIFY(checked >= 10);
    }

    void f1IsLeftAloneOutsideTheFrameAndWithModifiers()
    {
        HelpApp app;
        QLineEdit outside;
        outside.show();
        pressF1(&outside);
        pressF1(app.button("BloodMenu", "Command1"), Qt::ShiftModifier);
        QVERIFY(app.help.asked.isEmpty());
        // A modal dialog over the frame would block the help window.
        {
            QDialog dialog(app.frame.get());
            QPushButton ok(QStringLiteral("OK"), &dialog);
            dialog.setModal(true);
            dialog.show();
            pressF1(&ok);
            QVERIFY(app.help.asked.isEmpty());
        }
        pressF1(app.button("BloodMenu", "Command1"));
        QCOMPARE(app.help.asked, QList<int>{30});
        app.help.reset();
        // Without a help service F1 does nothing at all.
        app.frame->services().help = nullptr;
        pressF1(app.button("BloodMenu", "Command1"));
        QVERIFY(app.help.asked.isEmpty());
        QVERIFY(app.fakes.messages.shown.isEmpty());
    }

    void helpNumbersAreFoundAroundTheControl()
    {
        QWidget window;
        window.setProperty("helpContext", 60);
        QWidget group(&window);
        group.setProperty("helpContext", 0); // zero is no number
        QPushButton own(&group);
        own.setProperty("helpContext", 70);
        QPushButton plain(&group);
        QCOMPARE(helpContextFor(&own), 70);
        QCOMPARE(helpContextFor(&plain), 60);
        QCOMPARE(helpContextFor(&group), 60);
        window.setProperty("helpContext", QStringLiteral("not a number"));
        QCOMPARE(helpContextFor(&plain), 0);
        QCOMPARE(helpContextFor(nullptr), 0);
    }

    // ------------------------------------------------------------ the viewer

    void viewerShowsTheTopicWithItsContents()
    {
        FakeMessages messages;
        QtHelpService service(messages);
        service.setHelpFile(kHelpFile);
        service.showTopic(nullptr, 50);
        HelpViewer *viewer = service.viewer();
        QVERIFY(viewer);
        QVERIFY(viewer->isVisible() && viewer->isWindow());
        QCOMPARE(viewer->windowModality(), Qt::NonModal);
        QCOMPARE(viewer->currentPage(), QStringLiteral("/topics/add.html"));
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Levelbook Help - Adding a date and its readings"));
        const QString text = viewer->Page->toPlainText();
        QVERIFY(text.contains(QStringLiteral("Date of reading:")));
        QVERIFY(viewer->Contents->topLevelItemCount() >= 8);
        QCOMPARE(viewer->Contents->currentItem()->text(0), QStringLiteral("Adding a date and its readings"));
        // The page's style sheet comes out of the help file too.
        const QTextBlock heading = viewer->Page->document()->firstBlock();
        QCOMPARE(heading.text(), QStringLiteral("Adding a date and its readings"));
        QCOMPARE(heading.charFormat().foreground().color(), QColor(0x1f, 0x3f, 0x7f));

        // One viewer for every topic asked for afterwards.
        service.showTopic(nullptr, 310);
        QCOMPARE(service.viewer(), viewer);
        QCOMPARE(viewer->currentPage(), QStringLiteral("/topics/charts.html"));
        service.showTopic(nullptr, 0);
        QCOMPARE(viewer->currentPage(), QStringLiteral("/topics/welcome.html"));
        service.showTopic(nullptr, 999); // a number the help does not know: its first page
        QCOMPARE(viewer->currentPage(), QStringLiteral("/topics/welcome.html"));
        QVERIFY(messages.shown.isEmpty());

        // Closed, it opens again on the next F1.
        viewer->close();
        QVERIFY(!viewer->isVisible());
        service.showTopic(nullptr, 140);
        QVERIFY(service.viewer()->isVisible());
        QCOMPARE(service.viewer()->currentPage(), QStringLiteral("/topics/backup.html"));
    }

    void viewerFollowsLinksContentsAndHistory()
    {
        FakeMessages messages;
        QtHelpService service(messages);
        service.setHelpFile(kHelpFile);
        service.showTopic(nullptr, 30);
        HelpViewer *viewer = service.viewer();
        QCOMPARE(viewer->currentPage(), QStringLiteral("/topics/start.html"));

        // A link followed by the keyboard, as a reader does.
        viewer->showPage(QStringLiteral("/topics/browser.html"));
        viewer->Page->setFocus();
        QTest::keyClick(viewer->Page, Qt::Key_Tab);
        QVERIFY(viewer->Page->textCursor().hasSelection());
        QTest::keyClick(viewer->Page, Qt::Key_Return);
        QCOMPARE(viewer->currentPage(), QStringLiteral("/topics/start.html#open"));
        QCOMPARE(viewer->Contents->currentItem()->text(0), QStringLiteral("Opening a database"));

        // Back and forward through the pages read.
        QVERIFY(viewer->Back->isEnabled());
        QTest::mouseClick(viewer->Back, Qt::LeftButton);
        QCOMPARE(viewer->currentPage(), QStringLiteral("/topics/browser.html"));
        QVERIFY(viewer->Forward->isEnabled());
        QTest::mouseClick(viewer->Forward, Qt::LeftButton);
        QCOMPARE(viewer->currentPage(), QStringLiteral("/topics/start.html#open"));

        // The contents list.
        const auto found =
            viewer->Contents->findItems(QStringLiteral("Finding a date"), Qt::MatchExactly | Qt::MatchRecursive);
        QCOMPARE(found.size(), 1);
        const QRect rect = viewer->Contents->visualItemRect(found.first());
        QTest::mouseClick(viewer->Contents->viewport(), Qt::LeftButton, {}, rect.center());
        QCOMPARE(viewer->currentPage(), QStringLiteral("/topics/search.html"));
        const auto heading = viewer->Contents->findItems(QStringLiteral("Backups"), Qt::MatchExactly);
        QCOMPARE(heading.size(), 1);
        QTest::mouseClick(viewer->Contents->viewport(), Qt::LeftButton, {},
                          viewer->Contents->visualItemRect(heading.first()).center());
        QCOMPARE(viewer->currentPage(), QStringLiteral("/topics/backupfolder.html"));

        QTest::mouseClick(viewer->Home, Qt::LeftButton);
        QCOMPARE(viewer->currentPage(), QStringLiteral("/topics/welcome.html"));

        // A page that is not in the help says so instead of staying blank.
        viewer->showPage(QStringLiteral("/topics/nothing.html"));
        QVERIFY(viewer->Page->toPlainText().contains(QStringLiteral("Page not found")));
        QVERIFY(messages.shown.isEmpty());
    }

    void missingOrUnreadableHelpFileGivesAMessage()
    {
        QTemporaryDir dir;
        FakeMessages messages;
        QtHelpService service(messages);
        service.setHelpFile(dir.filePath(helpFileName()));
        service.showTopic(nullptr, 50);
        QCOMPARE(messages.shown.size(), 1);
        QVERIFY(messages.lastText().contains(QStringLiteral("levelbook11.chm was not found")));
        QVERIFY(messages.lastText().contains(QDir::toNativeSeparators(dir.path())));
        QCOMPARE(messages.shown.last().icon, MsgIcon::Warning);
        QVERIFY(!service.viewer());

        QFile damaged(dir.filePath(helpFileName()));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("not a help file");
        damaged.close();
        service.showTopic(nullptr, 50);
        QCOMPARE(messages.shown.size(), 2);
        QVERIFY(messages.lastText().contains(QStringLiteral("could not be read")));
        QVERIFY(!service.viewer());

        // Once the file is put back, the help works; replaced by a damaged one
        // again, it gives the message and opens nothing.
        QVERIFY(damaged.remove());
        QVERIFY(QFile::copy(kHelpFile, damaged.fileName()));
        service.showTopic(nullptr, 60);
        QVERIFY(service.viewer());
        QCOMPARE(service.viewer()->currentPage(), QStringLiteral("/topics/edit.html"));
        QCOMPARE(messages.shown.size(), 2);
        QVERIFY(damaged.remove());
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(70000, 'x'));
        damaged.close();
        service.showTopic(nullptr, 70);
        QCOMPARE(messages.shown.size(), 3);
        QCOMPARE(service.viewer()->currentPage(), QStringLiteral("/topics/edit.html"));
    }

    void f1OpensTheRealViewerBesideTheProgram()
    {
        HelpApp app;
        QtHelpService service(*app.fakes.services().messages);
        service.setHelpFile(kHelpFile);
        app.frame->services().help = &service;
        writeDiary(app.pathOf("Ann Smith.bcl"), consecutiveDays(3));
        CurrReading *b = app.openDiary(QStringLiteral("Ann Smith.bcl"));
        QVERIFY(b);
        pressF1(b->Search);
        QVERIFY(service.viewer() && service.viewer()->isVisible());
        QCOMPARE(service.viewer()->currentPage(), QStringLiteral("/topics/search.html"));
        QVERIFY(service.viewer()->parentWidget() == nullptr);
        // The program goes on working while the help stays open.
        QTest::mouseClick(b->MoveFirst, Qt::LeftButton);
        QCOMPARE(b->shownKey(), QStringLiteral("2013-01-01"));
        QVERIFY(service.viewer()->isVisible());
        pressF1(b->PrtToScr);
        QCOMPARE(service.viewer()->currentPage(), QStringLiteral("/topics/listing.html"));
        QVERIFY(app.fakes.messages.shown.isEmpty());
    }
};

QTEST_MAIN(TestHelp)
#include "tst_help.moc"
