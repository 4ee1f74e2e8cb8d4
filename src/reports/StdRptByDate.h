#pragma once
// The report request: the user picks the first and last date of a printed
// report and its kind (with readings, or the summary page alone), then the
// printer; the report prints and the window closes. The third kind writes the
// readings of the range to a CSV file the user names instead. The browser is
// disabled while it is open.

#include "platform/ChildWindow.h"
#include "printing/ReportLayout.h"

class DatePicker;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class StdRptByDate : public ChildWindow {
    Q_OBJECT
public:
    explicit StdRptByDate(Shell &shell);

    LoadResult load() override;

    // What the report routines read: the diary, the name, the range texts and
    // the pickers' dates.
    ReportRequest request() const;

    QLabel *Label1;
    DatePicker *StartDate;
    QLabel *Label2;
    DatePicker *EndDate;
    QRadioButton *Option1;
    QRadioButton *Option2;
    QRadioButton *Option3; // the readings to a file
    QPushButton *PrintRpt;
    QPushButton *Cancel;
    QLineEdit *Bdates; // the range as "yyyy-MM-dd", refreshed from the pickers
    QLineEdit *Edates;

private:
    void StartDate_LostFocus();
    void EndDate_LostFocus();
    void PrintRpt_Click();
    void exportReadings();
};
