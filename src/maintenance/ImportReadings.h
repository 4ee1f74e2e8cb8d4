#pragma once
// "Import Readings": reads a CSV file of readings the user picks and shows,
// before anything is written, how many dates it would add to the open diary,
// how many of its dates are stored already (those are kept as they are) and
// every line it cannot use. "Import" adds the new dates in one change and
// the browser shows the last stored date; "Cancel" writes nothing. The
// browser is disabled while it is open.

#include "core/CsvFile.h"
#include "platform/ChildWindow.h"

class QLabel;
class QListWidget;
class QPushButton;

class ImportReadings : public ChildWindow {
    Q_OBJECT
public:
    explicit ImportReadings(Shell &shell);

    // Asks for the file and reads it; a file that cannot be used, or a
    // cancelled question, ends here with a message or without a word.
    LoadResult load() override;

    QLabel *FileName;
    QLabel *Added;    // how many dates would be added
    QLabel *Stored;   // how many are stored already
    QLabel *Unusable; // how many lines cannot be used
    QListWidget *Problems;
    QPushButton *ImportRds;
    QPushButton *Cancel;

protected:
    void closingStep() override;

private:
    void ImportRds_Click();

    QString diaryPath_;
    csv::ImportPreview preview_;
    bool holdsBrowser_ = false;
};
