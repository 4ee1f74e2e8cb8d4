#pragma once
// The backup of the open diary into the backup folder, run from the menu.

class Shell;

void BackupData(Shell &shell);
