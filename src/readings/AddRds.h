#pragma once
// The window that stores a new date with its eight readings.

#include "core/ReadingDay.h"
#include "readings/DateKeyWindow.h"

#include <optional>

class QLabel;
class ReadingEntryPanel;

class AddRds : public DateKeyWindow {
    Q_OBJECT
public:
    explicit AddRds(Shell &shell);

    LoadResult load() override;

    QLabel *Label1;
    ReadingEntryPanel *readings;
    QPushButton *SaveRd;
    QPushButton *CancelAdd;

private:
    void SaveRd_Click();
    // Whether the date was found stored (`stored`, as the add gave it back);
    // if so the browser shows that day.
    bool CheckForMatch(const std::optional<ReadingDay> &stored);
};
