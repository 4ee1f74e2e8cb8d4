#pragma once
// The window that creates a new, empty diary named after a person.

#include "platform/ChildWindow.h"

class QLineEdit;
class QPushButton;

class MakeDatabase : public ChildWindow {
    Q_OBJECT
public:
    explicit MakeDatabase(Shell &shell);

    QLineEdit *FirstName;
    QLineEdit *LastName;
    QPushButton *CreateDatabase;
    QPushButton *CancelMake;

private:
    void CreateDatabase_Click();
};
