#include "platform/ChildWindow.h"

#include "platform/Shell.h"

#include <QCloseEvent>
#include <QKeyEvent>

ChildWindow::ChildWindow(Shell &shell, const QString &name, QWidget *parent)
    : QWidget(parent), shell_(shell)
{
    setObjectName(name);
}

void ChildWindow::discard() { shell_.closeWindow(objectName()); }

void ChildWindow::closeEvent(QCloseEvent *event)
{
    if (!closed_) {
        closed_ = true;
        closingStep();
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
    QWidget::keyPressEvent(event);
}
