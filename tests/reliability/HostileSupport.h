#pragma once
// What the hostile-input tests do to the program's surroundings: another
// program holding a diary locked or killed in the middle of a change, a data
// folder that may not be written, a disk that is full.

#include "support/TestSupport.h"

#include <QByteArray>
#include <QMap>
#include <QString>

#include <sys/resource.h>
#include <sys/types.h>

// Another program that has begun deleting every day of a diary and holds it
// locked, part of the change already written into the file.
class ForeignChange {
public:
    explicit ForeignChange(const QString &diary);
    ~ForeignChange();
    bool holding() const { return pid_ > 0; }
    // The other program is killed where it stands: its change is cut short.
    void kill();

private:
    pid_t pid_ = -1;
    int fd_ = -1;
};

// While it lives, the folder and its files may be read but not changed. As
// root, who may write anywhere, the process acts as an ordinary user for the
// time.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString &folder);
    ~ReadOnlyFolder();

private:
    QString folder_;
    bool changedUser_ = false;
};

// The engine's own verdict on a file ("ok" when sound).
QString integrity(const QString &path);

// The texts of the messages shown so far.
QStringList texts(const FakeMessages &m);

// Open file handles of this process.
int openHandles();
