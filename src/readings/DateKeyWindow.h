#pragma once
// The base of the windows that take a date from the user to act on the
// browser's diary: add, edit, search and delete-before. Each has a date
// picker and beside it a hidden key box "yyyy-MM-dd" that follows the picker.
// While one of them is open the browser is disabled.

#include "platform/ChildWindow.h"

class ShownDay;
class DatePicker;
class QLineEdit;
class QPushButton;

class DateKeyWindow : public ChildWindow {
    Q_OBJECT
public:
    DateKeyWindow(Shell &shell, const QString &name);

    DatePicker *Bdates;
    QLineEdit *Bdate; // hidden: the key of the picker's date

protected:
    // The key of the date the picker shows; empty while its text is not a
    // whole date.
    QString pickerKey() const;
    // Brings the hidden key in step with the picker and returns it. Every
    // handler that acts on the date calls it first: a button pressed by its
    // access key or by Enter leaves the focus on the picker, and no lost-focus
    // notice has refreshed the key.
    QString refreshKey();
    // An empty key: beep and tell the user; returns false.
    bool requireKey(const QString &key);

    // The loading step's common part: disables the browser and puts the
    // picker and the key on `date`.
    void startOn(const QDate &date);

    ShownDay *browser() const;
    // True once the window has begun to close: a click that arrives after a
    // lost-focus check closed the window does nothing.
    bool isClosing() const { return closing_; }

    // The button that Enter presses while the focus is on the picker.
    void setDefaultButton(QPushButton *button) { default_ = button; }

    // Runs after the key has been refreshed because the user left the
    // picker for another control of this window.
    virtual void pickerLeft() {}

    void closingStep() override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Bdates_LostFocus();

    QPushButton *default_ = nullptr;
    bool closing_ = false;
};
