#include "support/TestSupport.h"

#include "opening/SelectDbase.h"
#include "readings/CurrReading.h"

#include <QListWidget>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTest>

MsgAnswer FakeMessages::show(QWidget *, const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons)
{
    shown.append({text, title, icon, buttons});
    if (whileShown)
        whileShown(shown.last());
    if (buttons == MsgButtons::Ok)
        return MsgAnswer::Ok;
    return answers.isEmpty() ? MsgAnswer::Ok : answers.takeFirst();
}

TestApp::TestApp()
{
    frame = std::make_unique<MDIStart>(fakes.services(), dir_.path());
    frame->setExitHandler([this] { ++exits; });
    frame->resize(1024, 768);
    frame->show();
    frame->start();
}

TestApp::~TestApp() = default;

bool TestApp::shown(const char *name) const
{
    ChildWindow *w = frame->window(QLatin1String(name));
    return w && w->parentWidget() && w->parentWidget()->isVisible();
}

QPushButton *TestApp::button(const char *window, const char *name) const
{
    ChildWindow *w = frame->window(QLatin1String(window));
    return w ? w->findChild<QPushButton *>(QLatin1String(name)) : nullptr;
}

void TestApp::click(const char *window, const char *name) const
{
    QPushButton *b = button(window, name);
    if (!b)
        qFatal("no button %s.%s", window, name);
    QTest::mouseClick(b, Qt::LeftButton);
}

CurrReading *TestApp::openDiary(const QString &file)
{
    click("BloodMenu", "Command2");
    auto *select = window<SelectDbase>("SelectDbase");
    if (!select)
        return nullptr;
    const auto items = select->File1->findItems(file, Qt::MatchExactly);
    if (items.isEmpty())
        return nullptr;
    QListWidget *list = select->File1;
    list->setCurrentItem(items.first());
    const QRect rect = list->visualItemRect(items.first());
    // A double-click: the first press picks the item, the second opens it.
    const auto messagesBefore = fakes.messages.shown.size();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    // Where the double-click does not reach the list (it lies outside the
    // visible screen), Enter on the chosen file does the same.
    if (!window<CurrReading>("CurrReading") && window<SelectDbase>("SelectDbase") &&
        fakes.messages.shown.size() == messagesBefore)
        QTest::keyClick(list, Qt::Key_Return);
    return window<CurrReading>("CurrReading");
}
