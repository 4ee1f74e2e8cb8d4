#include "core/Drives.h"

#include <QDir>
#include <QStorageInfo>

namespace {

bool holds(const QString &drive, const QString &folder)
{
    if (drive == QLatin1String("/"))
        return folder.startsWith(QLatin1Char('/'));
    return folder == drive || folder.startsWith(drive + QLatin1Char('/'));
}

} // namespace

QList<Drive> availableDrives()
{
    QList<Drive> drives;
    drives.append({QStringLiteral("/"), QStringLiteral("/  (root)")});
    const QString home = QDir::cleanPath(QDir::homePath());
    if (home != QLatin1String("/"))
        drives.append({home, home + QStringLiteral("  (home)")});

    // Removable media are mounted below these folders by the desktop or by hand.
    const QStringList mediaFolders = {QStringLiteral("/media/"), QStringLiteral("/run/media/"),
                                      QStringLiteral("/mnt/")};
    const auto volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &v : volumes) {
        const QString root = QDir::cleanPath(v.rootPath());
        bool media = false;
        for (const QString &m : mediaFolders)
            media = media || root.startsWith(m);
        if (!media)
            continue;
        const QString name = v.displayName() != v.rootPath() ? v.displayName() : QString();
        drives.append({root, name.isEmpty() ? root : root + QStringLiteral("  (") + name + QLatin1Char(')')});
    }
    return drives;
}

int driveHolding(const QList<Drive> &drives, const QString &folder)
{
    const QString clean = QDir::cleanPath(folder);
    int best = -1;
    for (int i = 0; i < drives.size(); ++i)
        if (holds(drives[i].path, clean) && (best < 0 || drives[i].path.size() > drives[best].path.size()))
            best = i;
    return best;
}
