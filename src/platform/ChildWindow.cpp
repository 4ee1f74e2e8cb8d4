#include "platform/ChildWindow.h"

#include "platform/Shell.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

ChildWindow::ChildWindow(Shell &shell, const QString &name, QWidget *parent) : QWidget(parent), shell_(shell)
{
    setObjectName(name);
}

void ChildWindow::discard() { shell_.closeWindow(objectName()); }

void ChildWindow::closeEvent(QCloseEvent *event)
{
    if (!closed_) {
        closed_ = true;
        closingStep();
        // What it held comes back before the shell picks the window that
        // takes the keyboard.
        holds_.clear();
        emit closed();
    }
    event->accept();
}

void ChildWindow::keyPressEvent(QKeyEvent *event)
{
    if (escapeCloses_ && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        discard();
        return;
    }
    // Enter in a box presses the window's default button, as in a dialog.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && event->modifiers() == Qt::NoModifier) {
        for (QPushButton *b : findChildren<QPushButton *>()) {
            if (b->isDefault() && b->isVisible() && b->isEnabled()) {
                b->click();
                return;
            }
        }
    }
    QWidget::keyPressEvent(event);
}

namespace {

// The widget that takes the keyboard when `w` is given it.
QWidget *focusTarget(QWidget *w)
{
    while (QWidget *proxy = w->focusProxy())
        w = proxy;
    return w;
}

} // namespace

bool ChildWindow::focusNextPrevChild(bool next)
{
    // The controls Tab stops at, in the order of the focus chain. A compound
    // control (a date picker) and the part of it that takes the keyboard
    // are one stop, and so is the window itself, which hands the keyboard
    // to the control it opens on.
    QList<QWidget *> stops;
    for (QWidget *w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if (!isAncestorOf(w) || !w->isVisibleTo(this) || !w->isEnabled())
            continue;
        QWidget *target = focusTarget(w);
        if ((target->focusPolicy() & Qt::TabFocus) != Qt::TabFocus || !isAncestorOf(target) || !target->isEnabled())
            continue;
        if (!stops.contains(target))
            stops << target;
    }
    if (stops.isEmpty())
        return QWidget::focusNextPrevChild(next);

    QWidget *focus = QApplication::focusWidget();
    if (!focus || !isAncestorOf(focus))
        focus = focusWidget();
    qsizetype at = -1;
    for (qsizetype i = 0; i < stops.size() && at < 0; ++i)
        if (stops[i] == focus || stops[i]->isAncestorOf(focus))
            at = i;
    const qsizetype count = stops.size();
    const qsizetype to = at < 0 ? (next ? 0 : count - 1) : (at + (next ? 1 : count - 1)) % count;
    stops[to]->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}
