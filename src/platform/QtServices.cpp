#include "platform/QtServices.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>

MsgAnswer QtMessageService::show(QWidget *parent, const QString &text, const QString &title, MsgIcon icon,
                                 MsgButtons buttons)
{
    QMessageBox box(parent);
    box.setWindowTitle(title.isEmpty() ? programName() : title);
    box.setText(text);
    switch (icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Critical: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    if (buttons == MsgButtons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    return box.exec() == QMessageBox::Ok ? MsgAnswer::Ok : MsgAnswer::Cancel;
}

void QtMessageService::beep() { QApplication::beep(); }

QDate SystemClock::today() const { return QDate::currentDate(); }

void QtWaitPointer::begin() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
void QtWaitPointer::end() { QGuiApplication::restoreOverrideCursor(); }
