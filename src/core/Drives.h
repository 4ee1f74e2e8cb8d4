#pragma once
// What the drive list offers on a system without drive letters: the root of
// the file system, the user's home folder and the mounted removable media.

#include <QList>
#include <QString>

struct Drive {
    QString path;  // the folder the folder list starts from
    QString label; // what the drive list shows
};

QList<Drive> availableDrives();

// The index of the drive that holds `folder` (the one with the longest
// matching path), or -1.
int driveHolding(const QList<Drive> &drives, const QString &folder);
