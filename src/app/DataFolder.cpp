#include "app/DataFolder.h"

#include <QDir>
#include <QTemporaryFile>

bool folderIsWritable(const QString &folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.levelbook-probe-XXXXXX"));
    return probe.open();
}

QString chooseDataFolder(const QString &programFolder, const QString &userFolder)
{
    if (!programFolder.isEmpty() && folderIsWritable(programFolder))
        return QDir(programFolder).absolutePath();
    if (!userFolder.isEmpty() && QDir().mkpath(userFolder))
        return QDir(userFolder).absolutePath();
    return {};
}
