#pragma once
// The start-up choice: create a diary, open one, or leave.

#include "platform/ChildWindow.h"

class QPushButton;

class BloodMenu : public ChildWindow {
    Q_OBJECT
public:
    explicit BloodMenu(Shell &shell);

    QPushButton *Command1;
    QPushButton *Command2;
    QPushButton *Command3;
};
