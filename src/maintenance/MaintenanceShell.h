#pragma once
// What the maintenance windows ask of the main frame beyond the shell's own
// calls: switching a whole top-level menu off and on, and hiding the start-up
// choice while one of them is open.

#include <QString>

class Shell;

// Enables or disables a top-level menu of the main frame ("mniFile",
// "mnuUtilities").
void setMainMenuEnabled(Shell &shell, const char *menuName, bool enabled);

// The maintenance windows that hide the start-up choice while they are open.
// Closing one shows it again unless another of them is still open.
void hideStartChoice(Shell &shell);
void showStartChoiceAfter(Shell &shell, const QString &closingWindow);
