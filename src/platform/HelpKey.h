#pragma once
// The F1 key anywhere in the main frame: finds the help context number of the
// control the user is on and asks the help service to show its topic.
//
// Windows, controls and menu items carry their number in the Qt property
// "helpContext". A control without a number of its own takes the number of
// the nearest widget around it that has one: its window, and at last the main
// frame. While a menu is open, the highlighted item's number counts. While a
// modal dialog is up, F1 is left to it.

#include "platform/Services.h"

#include <QObject>

class QWidget;

// The help context number for F1 pressed while `target` has the keyboard; 0
// when neither it nor anything around it carries one.
int helpContextFor(const QObject *target);

class HelpKey : public QObject {
public:
    // Watches the keyboard of the whole application for F1 pressed inside
    // `frame` (its windows, menus and the messages over them) and asks
    // `services.help`, when there is one, to show the topic.
    HelpKey(QWidget *frame, Services &services);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool belongsToFrame(const QWidget *w) const;

    QWidget *frame_;
    Services &services_;
};
