#pragma once
// Remembers the working directory and changes back to it when it goes out of
// scope, however the scope is left. The backup and restore find BACKUP.CFG
// and the diaries there, so nothing that prints may leave it elsewhere.

#include <QDir>
#include <QString>

class WorkingDirectoryGuard {
public:
    WorkingDirectoryGuard() : saved_(QDir::currentPath()) {}
    ~WorkingDirectoryGuard() { QDir::setCurrent(saved_); }
    WorkingDirectoryGuard(const WorkingDirectoryGuard &) = delete;
    WorkingDirectoryGuard &operator=(const WorkingDirectoryGuard &) = delete;

    const QString &saved() const { return saved_; }

private:
    QString saved_;
};
