#pragma once
// Where diaries live: the program's own folder when the user may write there
// (a build tree, a portable install), otherwise the per-user data folder.

#include <QString>

// True if a file can be created in the folder.
bool folderIsWritable(const QString &folder);

// The data folder for a program in `programFolder`; `userFolder` is the
// per-user data folder, created when it is chosen. Empty if neither works.
QString chooseDataFolder(const QString &programFolder, const QString &userFolder);
