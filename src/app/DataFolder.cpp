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
        QFileInfo::exists(
               bin.absoluteFilePath(QStringLiteral("../share/applications/%1.desktop").arg(QLatin1String(kDesktopId))));
}

bool folderHoldsDiaries(const QString &folder)
{
    return !QDir(folder).entryList({QStringLiteral("*.bcl")}, QDir::Files | QDir::Hidden).isEmpty();
}

QString chooseDataFolder(const QString &programFolder, const QString &userFolder)
{
    // A program folder that holds diaries stays the data folder even where it
    // cannot be written (a write-protected stick): the diaries open and read
    // there, and a change fails with a message, rather than the program
    // quietly showing another folder's diaries.
    if (!programFolder.isEmpty() && !isInstalledProgramFolder(programFolder) &&
        (folderIsWritable(programFolder) || folderHoldsDiaries(programFolder)))
        return QDir(programFolder).absolutePath();
    if (!userFolder.isEmpty() && QDir().mkpath(userFolder))
        return QDir(userFolder).absolutePath();
    return {};
}
