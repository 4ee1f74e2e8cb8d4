#include "BenchDiaries.h"

#include "DiaryGenerator.h"
#include "core/FileOps.h"
#include "readings/CurrReading.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QTemporaryDir &cacheDir()
{
    static QTemporaryDir dir;
    return dir;
}

} // namespace

QString benchDiaryName(int days) { return QStringLiteral("Bench %1.bcl").arg(days); }

QString benchDiary(int days)
{
    const QString path = cacheDir().filePath(benchDiaryName(days));
    if (!QFile::exists(path))
        writeGeneratedDiary(path, DiaryShape{days, QDate(2000, 1, 1), 20000101});
    return path;
}

void placeBenchDiary(int days, const QString &folder)
{
    const QString target = QDir(folder).filePath(benchDiaryName(days));
    QFile::remove(target);
    if (!QFile::copy(benchDiary(days), target))
        qFatal("could not copy the diary of %d days", days);
    QFile(target).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    // The copy reaches the disk here, untimed, and not in the flush of a
    // timed commit that follows.
    if (!fileops::syncPath(target) || !fileops::syncPath(folder))
        qFatal("could not flush the copy of the diary of %d days", days);
}

BenchDiary::BenchDiary(int d) : days(d)
{
    placeBenchDiary(days, app.folder());
    path = app.pathOf(benchDiaryName(days));
    browser = app.openDiary(benchDiaryName(days));
    if (!browser || !browser->showsDate())
        qFatal("the diary of %d days did not open", days);
}
