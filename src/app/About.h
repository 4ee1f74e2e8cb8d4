#pragma once
// The About window: the program's name and version.

#include "platform/ChildWindow.h"

class QPushButton;

class About : public ChildWindow {
    Q_OBJECT
public:
    explicit About(Shell &shell);
    QPushButton *Command1;
};
