#pragma once
// The date picker: a day, month and year shown in the user's short-date form,
// limited to 2000-01-01 .. 2099-12-31, with a calendar pop-up and a notice
// when it loses the focus.

#include <QDateEdit>
#include <QLocale>

class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget *parent = nullptr, const char *name = "Bdates");

signals:
    void lostFocus();

protected:
    void focusOutEvent(QFocusEvent *event) override;
    // Tab leaves the picker, as it leaves any other box; the arrow keys move
    // between day, month and year.
    bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }
};

// The locale's short-date pattern with its year widened to four digits.
QString shortDatePattern(const QLocale &locale = QLocale());
