#include "readings/DateKeyWindow.h"

#include "core/DateKey.h"
#include "platform/DatePicker.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"

#include <QKeyEvent>
#include <QPushButton>

DateKeyWindow::DateKeyWindow(Shell &shell, const QString &name) : ChildWindow(shell, name)
{
    useMainWindowType(this);
    setEscapeCloses(true);
    Bdates = new DatePicker(this);
    Bdate = makeBox(this, "Bdate", true);
    Bdate->setFocusPolicy(Qt::NoFocus);
    Bdate->hide();
    setFocusProxy(Bdates);
    connect(Bdates, &DatePicker::lostFocus, this, &DateKeyWindow::Bdates_LostFocus);
}

QString DateKeyWindow::pickerKey() const
{
    if (!Bdates->hasAcceptableInput() || !Bdates->date().isValid())
        return {};
    return dateKey(Bdates->date());
}

QString DateKeyWindow::refreshKey()
{
    Bdate->setText(pickerKey());
    return Bdate->text();
}

bool DateKeyWindow::requireKey(const QString &key)
{
    if (!key.isEmpty())
        return true;
    Services &sv = shell_.services();
    sv.messages->beep();
    sv.messages->show(this, QStringLiteral("You must enter a valid date."));
    return false;
}

void DateKeyWindow::startOn(const QDate &date)
{
    hold(Held::Browser);
    Bdates->setDate(date);
    refreshKey();
}

ShownDay *DateKeyWindow::browser() const { return shell_.browser(); }

void DateKeyWindow::Bdates_LostFocus()
{
    if (closing_)
        return;
    refreshKey();
    // Focus that leaves with the whole program (another application, a
    // message box) has not moved to another control.
    if (isActiveWindow())
        pickerLeft();
}

void DateKeyWindow::closingStep() { closing_ = true; }

void DateKeyWindow::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (enter && mods == Qt::NoModifier && default_ && default_->isEnabled() && !closing_) {
        default_->click();
        return;
    }
    ChildWindow::keyPressEvent(event);
}
