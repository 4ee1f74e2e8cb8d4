#pragma once
// The standard day window: the readings of a date range drawn by time of day
// (median, the 25th to 75th and 10th to 90th percentile bands, the target
// range), the table of the figures a clinic reads, and the estimated A1c. The
// unit and the target range can be changed and are remembered per diary.
// "Print" prints it on one portrait page; "Exit" closes it. While it is open
// the browser and the File, Utilities and Graphs menus are disabled.

#include "core/StandardDay.h"
#include "platform/ChildWindow.h"
#include "printing/StandardDayPrinting.h"

class DatePicker;
class QChartView;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTableWidget;

class StandardDayWindow : public ChildWindow {
    Q_OBJECT
public:
    explicit StandardDayWindow(Shell &shell);

    LoadResult load() override;

    // What is on screen, as it would be printed.
    StandardDayPage page() const;

    QLabel *FromLabel;
    DatePicker *StartDate;
    QLabel *ToLabel;
    DatePicker *EndDate;
    QLabel *UnitLabel;
    QComboBox *Unit; // "mg/dL", "mmol/L"
    QLabel *TargetLowLabel;
    QDoubleSpinBox *TargetLow;
    QLabel *TargetHighLabel;
    QDoubleSpinBox *TargetHigh;
    QChartView *DayChart;
    QTableWidget *Figures;
    QLabel *A1c;    // the estimate and what it is
    QLabel *Notice; // why there is nothing to show, when there is not
    QPushButton *PrintDay;
    QPushButton *Exit;

private:
    void Dates_Change();
    void Unit_Change();
    void Target_Change();
    void PrintDay_Click();

    // Reads the range from the diary; false when it could not be read (the
    // user has been told).
    bool readRange();
    // Shows the figures of the readings read, in the unit and target chosen.
    void showFigures();
    void showChoice();
    bool rangeValid() const;

    QString diaryPath_;
    QString name_;
    StandardDayReadings readings_;
    StandardDayChoice choice_;
    StandardDayFigures figures_;
    bool updating_ = false; // the controls are being set from the choice
};
