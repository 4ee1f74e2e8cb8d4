#include "app/DataFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

bool folderIsWritable(const QString &folder)
{
    QTemporaryFile probe(folder + QStringLiteral("/.levelbook-probe-XXXXXX"));
    return probe.open();
}

bool isInstalledProgramFolder(const QString &programFolder)
{
    const QDir bin(programFolder);
    return bin.dirName() == QLatin1String("bin") &&
           QFileInfo::exists(bin.absoluteFilePath(QStringLiteral("../share/applications/%1.desktop")
                                                      .arg(QLatin1String(kDesktopId))));
}

QString chooseDataFolder(const QString &programFolder, const QString &userFolder)
{
    if (!programFolder.isEmpty() && !isInstalledProgramFolder(programFolder) && folderIsWritable(programFolder))
        return QDir(programFolder).absolutePath();
    if (!userFolder.isEmpty() && QDir().mkpath(userFolder))
        return QDir(userFolder).absolutePath();
    return {};
}
