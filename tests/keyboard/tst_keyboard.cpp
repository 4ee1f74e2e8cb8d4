// Every window of the program, used without a mouse: each box is named by its
// label for screen readers, Tab walks every control of the window and stays
// in it, Escape closes a dialog as its Cancel does, Enter presses the focused
// button, and nothing is cut off or out of reach, at 100 % and (run again
// with QT_SCALE_FACTOR=2) at 200 %.
//
// The windows are listed by name; one that is not part of this build yet is
// skipped, so the sweep takes in each window as it arrives.

#include "opening/MakeDatabase.h"
#include "opening/SelectDbase.h"
#include "platform/ChildWindow.h"
#include "readings/CurrReading.h"
#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSet>
#include <QTextEdit>
#include <QtTest>

namespace {

enum class Needs { Nothing, OpenDiary };

struct WindowCase {
    const char *name;
    Needs needs;
    // Windows opened first, as the user would (the folder browser is opened
    // from the backup-location window).
    QStringList before;
    // Whether Escape closes it (every dialog); the browser and the start-up
    // choice are no dialogs.
    bool escapeCloses;
};

const QList<WindowCase> &windowCases()
{
    static const QList<WindowCase> cases = {
        {"BloodMenu", Needs::Nothing, {}, false},    {"About", Needs::Nothing, {}, true},
        {"MakeDatabase", Needs::Nothing, {}, true},  {"SelectDbase", Needs::Nothing, {}, true},
        {"Cback", Needs::Nothing, {}, true},         {"Brow", Needs::Nothing, {QStringLiteral("Cback")}, true},
        {"RestBackup", Needs::Nothing, {}, true},    {"CompactDbase", Needs::Nothing, {}, true},
        {"RepairDbase", Needs::Nothing, {}, true},   {"CurrReading", Needs::OpenDiary, {}, false},
        {"AddRds", Needs::OpenDiary, {}, true},      {"EditRds", Needs::OpenDiary, {}, true},
        {"SearchRds", Needs::OpenDiary, {}, true},   {"DeleteRds", Needs::OpenDiary, {}, true},
        {"Display", Needs::OpenDiary, {}, true},     {"StdRptByDate", Needs::OpenDiary, {}, true},
        {"BfastLine", Needs::OpenDiary, {}, true},   {"NightLine", Needs::OpenDiary, {}, true},
        {"StandardDay", Needs::OpenDiary, {}, true},
    };
    return cases;
}

const WindowCase &caseNamed(const QString &name)
{
    for (const WindowCase &c : windowCases())
        if (QLatin1String(c.name) == name)
            return c;
    qFatal("no such case");
}

// The program's frame with the named window open in the state it needs.
class Scene {
public:
    explicit Scene(const WindowCase &c)
    {
        // The frame fills the screen, as the program's does.
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            app.frame->setGeometry(screen->availableGeometry());
        app.frame->activateWindow();
        registered_ = app.frame->registry().window(QLatin1String(c.name)) != nullptr;
        if (!registered_)
            return;
        if (c.needs == Needs::OpenDiary) {
            writeDiary(app.pathOf(QStringLiteral("Ann Smith.bcl")), consecutiveDays(40));
            if (!app.openDiary(QStringLiteral("Ann Smith.bcl")))
                return;
        }
        for (const QString &first : c.before)
            app.frame->openWindow(first);
        window = app.frame->openWindow(QLatin1String(c.name));
        QApplication::processEvents();
    }

    bool registered() const { return registered_; }
    QMdiSubWindow *sub() const { return qobject_cast<QMdiSubWindow *>(window->parentWidget()); }

    TestApp app;
    ChildWindow *window = nullptr;

private:
    bool registered_ = false;
};

#define OPEN_SCENE(scene)                                                                                              \
    QFETCH(QString, name);                                                                                             \
    Scene scene(caseNamed(name));                                                                                      \
    if (!scene.registered())                                                                                           \
        QSKIP("this window is not part of the build yet");                                                             \
    QVERIFY2(scene.window, "the window did not open");                                                                 \
    QVERIFY(scene.sub()->isVisible())

void windowRows()
{
    QTest::addColumn<QString>("name");
    for (const WindowCase &c : windowCases())
        QTest::newRow(c.name) << QString::fromLatin1(c.name);
}

bool takesInput(QWidget *w)
{
    return qobject_cast<QLineEdit *>(w) || qobject_cast<QAbstractSpinBox *>(w) ||
        qobject_cast<QAbstractItemView *>(w) || qobject_cast<QComboBox *>(w) || qobject_cast<QTextEdit *>(w);
}

// The window's own controls that a user sees (not the parts of a date
// picker, a list, a combo box or a chart view, which belong to them).
QList<QWidget *> shownControls(QWidget *window)
{
    QList<QWidget *> out;
    for (QWidget *w : window->findChildren<QWidget *>()) {
        if (!w->isVisibleTo(window))
            continue;
        bool inner = false;
        for (QWidget *p = w->parentWidget(); p && p != window; p = p->parentWidget())
            if (takesInput(p) || qobject_cast<QAbstractScrollArea *>(p))
                inner = true;
        if (!inner)
            out << w;
    }
    return out;
}

QString describe(const QWidget *w)
{
    QString text = QStringLiteral("%1 \"%2\"").arg(QLatin1String(w->metaObject()->className()), w->objectName());
    if (w->objectName().isEmpty() && w->parentWidget())
        text += QStringLiteral(" in ") + describe(w->parentWidget());
    return text;
}

} // namespace

class TestKeyboard : public QObject {
    Q_OBJECT
private slots:
    void everyBoxIsNamedByItsLabel_data() { windowRows(); }
    void everyBoxIsNamedByItsLabel()
    {
        OPEN_SCENE(scene);
        for (QWidget *w : shownControls(scene.window)) {
            if (!takesInput(w))
                continue;
            QVERIFY2(!w->accessibleName().trimmed().isEmpty(),
                     qPrintable(describe(w) + QStringLiteral(" has no name")));
            // The name is the text of the label that points at the box.
            for (QLabel *label : scene.window->findChildren<QLabel *>()) {
                if (label->buddy() != w)
                    continue;
                QString text = label->text();
                text.remove(QLatin1Char('&'));
                QVERIFY2(
                    text.contains(w->accessibleName()),
                    qPrintable(
                        describe(w) +
                        QStringLiteral(" is named \"%1\" beside the label \"%2\"").arg(w->accessibleName(), text)));
            }
        }
    }

    void tabReachesEveryControlAndStaysInTheWindow_data() { windowRows(); }
    void tabReachesEveryControlAndStaysInTheWindow()
    {
        OPEN_SCENE(scene);
        QSet<QWidget *> expected;
        for (QWidget *w : shownControls(scene.window))
            if (w->isEnabled() && (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus)
                expected.insert(w);
        if (expected.isEmpty())
            return;

        QWidget *focus = scene.window->focusWidget();
        QVERIFY2(focus && scene.window->isAncestorOf(focus), "the window does not take the keyboard when it opens");
        QSet<QWidget *> reached;
        // Twice round, so that the walk must come back into the window.
        for (int i = 0; i < 2 * expected.size(); ++i) {
            // A control's inner part (the editor of a date picker) counts as the control.
            QWidget *control = focus;
            while (control && !expected.contains(control) && control != scene.window)
                control = control->parentWidget();
            QVERIFY2(control && scene.window->isAncestorOf(control),
                     qPrintable(QStringLiteral("Tab left the window for ") + describe(focus)));
            reached.insert(control);
            QTest::keyClick(focus, Qt::Key_Tab);
            focus = scene.app.frame->focusWidget();
            QVERIFY(focus);
        }
        // A group of option buttons is one Tab stop; the arrow keys move within it.
        const auto reachedGroup = [&](QWidget *w) {
            const auto *option = qobject_cast<QRadioButton *>(w);
            if (!option || !option->autoExclusive())
                return false;
            for (QWidget *r : std::as_const(reached))
                if (qobject_cast<QRadioButton *>(r) && r->parentWidget() == w->parentWidget())
                    return true;
            return false;
        };
        for (QWidget *w : expected)
            QVERIFY2(reached.contains(w) || reachedGroup(w),
                     qPrintable(describe(w) + QStringLiteral(" cannot be reached with Tab")));
    }

    void escapeClosesADialogAsItsCancelDoes_data() { windowRows(); }
    void escapeClosesADialogAsItsCancelDoes()
    {
        OPEN_SCENE(scene);
        const bool closes = caseNamed(name).escapeCloses;
        QWidget *focus = scene.window->focusWidget() ? scene.window->focusWidget() : scene.window;
        QTest::keyClick(focus, Qt::Key_Escape);
        QApplication::processEvents();
        QCOMPARE(scene.app.frame->window(name) == nullptr, closes);
        if (closes && name != QLatin1String("Brow")) {
            QMdiSubWindow *active = scene.app.frame->area()->activeSubWindow();
            QVERIFY2(active, "no window has the keyboard after Escape");
            QVERIFY2(active->isAncestorOf(QApplication::focusWidget()), "the window in front has no keyboard");
            // The keyboard lands where that window puts it when it is
            // shown, not on whatever box comes first in it.
            if (QWidget *proxy = active->widget()->focusProxy())
                QCOMPARE(QApplication::focusWidget(), proxy);
        }
    }

    void enterPressesTheFocusedButton_data() { windowRows(); }
    void enterPressesTheFocusedButton()
    {
        OPEN_SCENE(scene);
        for (QPushButton *b : scene.window->findChildren<QPushButton *>()) {
            if (!b->isVisibleTo(scene.window) || !b->isEnabled())
                continue;
            QVERIFY2(b->autoDefault() || b->isDefault(),
                     qPrintable(describe(b) + QStringLiteral(" ignores Enter when it has the keyboard")));
        }
    }

    void nothingIsCutOffOrOutOfReach_data() { windowRows(); }
    void nothingIsCutOffOrOutOfReach()
    {
        OPEN_SCENE(scene);
        QMdiArea *area = scene.app.frame->area();
        QApplication::processEvents();
        // What the frame shows, and what its scroll bars, where it offers them, bring into view.
        const QScrollBar *across = area->horizontalScrollBar();
        const QScrollBar *down = area->verticalScrollBar();
        const QSize room(area->viewport()->width() + (across->isVisible() ? across->maximum() : 0),
                         area->viewport()->height() + (down->isVisible() ? down->maximum() : 0));
        for (QWidget *w : shownControls(scene.window)) {
            const auto *label = qobject_cast<QLabel *>(w);
            // A button or a one-line label shows its whole text only at its full width.
            const bool hasText =
                qobject_cast<QAbstractButton *>(w) || (label && !label->wordWrap() && label->pixmap().isNull());
            if (hasText)
                QVERIFY2(w->width() >= w->sizeHint().width() && w->height() >= w->minimumSizeHint().height(),
                         qPrintable(describe(w) +
                                    QStringLiteral(" is cut: %1x%2 for %3x%4")
                                        .arg(w->width())
                                        .arg(w->height())
                                        .arg(w->sizeHint().width())
                                        .arg(w->minimumSizeHint().height())));
            // Inside its window...
            const QRect inWindow(w->mapTo(scene.window, QPoint()), w->size());
            QVERIFY2(scene.window->rect().contains(inWindow),
                     qPrintable(describe(w) + QStringLiteral(" sticks out of its window")));
            // ...and within reach in the frame, scrolling if need be.
            const QPoint inArea = w->mapTo(area->viewport(), QPoint()) +
                QPoint(area->horizontalScrollBar()->value(), area->verticalScrollBar()->value());
            QVERIFY2(inArea.x() >= 0 && inArea.y() >= 0 && inArea.x() + w->width() <= room.width() &&
                         inArea.y() + w->height() <= room.height(),
                     qPrintable(describe(w) + QStringLiteral(" cannot be reached in the frame")));
        }
    }

    void enterOnCancelCancelsEvenWithNamesTyped()
    {
        TestApp app;
        app.click("BloodMenu", "Command1");
        auto *make = app.window<MakeDatabase>("MakeDatabase");
        QVERIFY(make);
        QTest::keyClicks(make->FirstName, QStringLiteral("Ann"));
        QTest::keyClick(make->FirstName, Qt::Key_Tab);
        QTest::keyClicks(make->LastName, QStringLiteral("Smith"));
        QTest::keyClick(make->LastName, Qt::Key_Tab);
        QCOMPARE(app.frame->focusWidget(), make->CreateDatabase);
        QTest::keyClick(make->CreateDatabase, Qt::Key_Tab);
        QCOMPARE(app.frame->focusWidget(), make->CancelMake);
        QTest::keyClick(make->CancelMake, Qt::Key_Return);
        QVERIFY(!app.frame->window(QStringLiteral("MakeDatabase")));
        QVERIFY(!QFileInfo::exists(app.pathOf(QStringLiteral("Ann Smith.bcl"))));
    }

    void theOpenWindowKeepsTheKeyboardAfterTheCorruptedFileMessage()
    {
        TestApp app;
        QFile bad(app.pathOf(QStringLiteral("Bad.bcl")));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a diary");
        bad.close();
        QVERIFY(!app.openDiary(QStringLiteral("Bad.bcl")));
        QCOMPARE(app.fakes.messages.shown.size(), 1);
        auto *select = app.window<SelectDbase>("SelectDbase");
        QVERIFY(select);
        // The open window, not the start-up choice behind it, is in front and
        // takes the next key: Escape closes it.
        QCOMPARE(app.frame->area()->activeSubWindow(), select->parentWidget());
        QVERIFY(select->isAncestorOf(app.frame->focusWidget()));
        QTest::keyClick(app.frame->focusWidget(), Qt::Key_Escape);
        QVERIFY(!app.frame->window(QStringLiteral("SelectDbase")));
        QVERIFY(app.shown("BloodMenu"));
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
