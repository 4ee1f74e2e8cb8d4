// Any content of BACKUP.CFG, read as the backup-location window, the backup and
// the restore read it. The folder it names must survive being stored again:
// whatever can be saved reads back as the same folder.

#include "Scratch.h"
#include "core/BackupFiles.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString folder = scratchFolder();
    writeInput(backupConfigPath(folder), data, size);

    const BackupLocation location = ReadBackupLocation(folder);
    if (location.status != BackupLocation::Status::Found)
        std::abort(); // a plain file that is there always reads
    if (location.path.endsWith(QLatin1Char(' ')))
        std::abort(); // the padding is never part of the folder

    // The window shows it and may save it again.
    if (backupPathProblem(location.path).isEmpty()) {
        const QByteArray record = backupRecord(location.path);
        if (record.size() != kBackupRecordLength || decodeBackupRecord(record) != location.path)
            std::abort();
    }
    // The backup and the restore build their paths from it.
    const QString copy = backupCopyPath(folder, location.path, QStringLiteral("Ann Smith.bcl"));
    if (!copy.endsWith(QStringLiteral("/Ann Smith.bcl")))
        std::abort();
    return 0;
}
