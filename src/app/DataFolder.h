#pragma once
// Where diaries live: the program's own folder when the user may write there
// (a build tree, a portable install) or when it holds diaries (a portable
// install on a write-protected stick), otherwise the per-user data folder. An
// installed program always keeps them in the per-user data folder, even when
// its folder happens to be writable (installed under the user's own prefix,
// or run as root).

#include <QString>

// The name of the program's desktop entry (and AppStream id and icon).
inline constexpr char kDesktopId[] = "org.levelbook.levelbook";

// True if a file can be created in the folder.
bool folderIsWritable(const QString &folder);

// True if the program in this folder was installed: the folder is PREFIX/bin
// and PREFIX/share/applications holds the program's desktop entry.
bool isInstalledProgramFolder(const QString &programFolder);

// True if the folder holds a diary ("*.bcl").
bool folderHoldsDiaries(const QString &folder);

// The data folder for a program in `programFolder`; `userFolder` is the
// per-user data folder, created when it is chosen. Empty if neither works.
QString chooseDataFolder(const QString &programFolder, const QString &userFolder);
