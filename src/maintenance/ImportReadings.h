#pragma once
// "Import Readings": reads a file of readings the user picks and shows,
// before anything is written, how many dates it would add to the open diary,
// how many of its dates are stored already (those are kept as they are) and
// every line it cannot use. "Import" adds the new dates in one change and
// the browser shows the last stored date; "Cancel" writes nothing. The
// browser is disabled while it is open.
//
// Two kinds of file are taken, told apart by their header: the diary's own
// columns (a date and the eight times of day), and a meter's or phone app's
// export with one reading a line. For an export the window also shows the new
// dates as the diary's grid (each cell says, as its tool tip and in the line
// under the grid, which reading went there and why), the diary's unit and any
// conversion, and the schedule of the eight times of day, which can be edited
// there: the preview is redone at once. What the file leaves open (which
// columns hold the time and the value, day or month first, its unit) is asked
// in the window itself.

#include "core/CsvFile.h"
#include "core/MeterImport.h"
#include "platform/ChildWindow.h"

#include <QByteArray>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;
class QWidget;

class ImportReadings : public ChildWindow {
    Q_OBJECT
public:
    explicit ImportReadings(Shell &shell);

    // Asks for the file and reads it; a file that cannot be used, or a
    // cancelled question, ends here with a message or without a word.
    LoadResult load() override;

    QLabel *FileName;
    QLabel *Layout;   // what kind of file was found (an export only)
    QLabel *Question; // what the file leaves open, when it does
    QComboBox *TimeColumn;
    QComboBox *ClockColumn;
    QComboBox *ValueColumn;
    QTableWidget *SampleRows;
    QComboBox *DateOrder;
    QComboBox *FileUnit;
    QComboBox *DiaryUnit;
    QCheckBox *SensorFill;
    QTableWidget *NewDates; // the new dates as the diary's grid
    QLabel *CellDetails;    // why the current cell holds what it holds
    QTableWidget *Schedule; // one row a time of day, clock order: name, from, target
    QLabel *ScheduleProblem;
    QPushButton *DefaultSchedule;
    QLabel *Added;    // how many dates would be added
    QLabel *Stored;   // how many are stored already
    QLabel *Unusable; // how many lines cannot be used
    QListWidget *Problems;
    QPushButton *ImportRds;
    QPushButton *Cancel;

    // The preview now shown (an export only).
    const meter::MeterPreview &meterPreview() const { return meterPreview_; }

private:
    void ImportRds_Click();
    bool loadExport(const QString &file);
    // Reads and places the export again with the choices now made.
    bool redoPreview();
    bool adoptFileUnit();
    void showPreview();
    void showQuestion();
    void fillSchedule();
    void Schedule_Change(int row, int column);
    void DefaultSchedule_Click();
    void Columns_Change();
    void DateOrder_Change();
    void FileUnit_Change();
    void DiaryUnit_Change();
    void SensorFill_Change();
    void NewDates_CurrentChange();

    QString diaryPath_;
    csv::ImportPreview preview_;

    // An export.
    bool meterFile_ = false;
    QByteArray bytes_;
    meter::ReadOptions readOptions_;
    meter::PlaceOptions placeOptions_;
    meter::MeterPreview meterPreview_;
    bool diaryUnitAsked_ = false; // the diary has no unit yet: the one chosen here is remembered
    bool diaryUnitChosen_ = false;
    bool columnsChosen_ = false; // the columns were picked here: they are remembered
    bool filling_ = false;       // the window is filling its own controls
};
