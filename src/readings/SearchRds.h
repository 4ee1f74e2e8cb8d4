#pragma once
// The window that moves the browser to the first stored date on or after a
// date the user picks.

#include "readings/DateKeyWindow.h"

class QLabel;

class SearchRds : public DateKeyWindow {
    Q_OBJECT
public:
    explicit SearchRds(Shell &shell);

    LoadResult load() override;

    QLabel *Label1;
    QPushButton *Search;
    QPushButton *Cancel;

private:
    void Search_Click();
};
