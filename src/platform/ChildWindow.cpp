#include "platform/ChildWindow.h"

#include "platform/Shell.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>

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
