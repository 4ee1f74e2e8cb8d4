#include "maintenance/BackupFiles.h"

#include "maintenance/FaultPoints.h"
#include "platform/FileOps.h"
#include "store/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <vector>

namespace {

const char *const kConfigName = "BACKUP.CFG";

} // namespace

QString backupConfigPath(const QString &dataFolder)
{
    return dataFolder + QLatin1Char('/') + QLatin1String(kConfigName);
}

bool backupLocationConfigured(const QString &dataFolder)
{
    return QFileInfo::exists(backupConfigPath(dataFolder));
}

BackupLocation ReadBackupLocation(const QString &dataFolder)
{
    BackupLocation result;
    if (!backupLocationConfigured(dataFolder))
        return result;
    QFile file(backupConfigPath(dataFolder));
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = BackupLocation::Status::Unreadable;
        result.error = file.errorString();
        return result;
    }
    const QByteArray record = file.read(kBackupRecordLength);
    if (file.error() != QFileDevice::NoError) {
        result.status = BackupLocation::Status::Unreadable;
        result.error = file.errorString();
        return result;
    }
    result.status = BackupLocation::Status::Found;
    result.path = decodeBackupRecord(record);
    return result;
}

BackupOutcome copyWithBackupLocation(const QString &dataFolder,
                                     const std::function<bool(const QString &, QString *)> &copy, QString *error)
{
    const BackupLocation location = ReadBackupLocation(dataFolder);
    if (location.status == BackupLocation::Status::Unreadable) {
        *error = location.error;
        return BackupOutcome::Unreadable;
    }
    if (location.status == BackupLocation::Status::NotConfigured || location.path.isEmpty())
        return BackupOutcome::NotConfigured;
    return copy(location.path, error) ? BackupOutcome::Done : BackupOutcome::Failed;
}

QByteArray backupRecord(const QString &path)
{
    QByteArray bytes = path.toUtf8();
    if (bytes.size() > kBackupRecordLength) {
        // Cut before a character's continuation bytes, never through them.
        qsizetype cut = kBackupRecordLength;
        while (cut > 0 && (static_cast<unsigned char>(bytes[cut]) & 0xC0) == 0x80)
            --cut;
        bytes.truncate(cut);
    }
    bytes.append(QByteArray(kBackupRecordLength - bytes.size(), ' '));
    return bytes;
}

QString decodeBackupRecord(const QByteArray &record)
{
    QByteArray bytes = record.left(kBackupRecordLength);
    while (!bytes.isEmpty() && bytes.back() == ' ')
        bytes.chop(1);
    // A record written elsewhere in a single-byte code page still reads.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    return text;
}

QString backupPathProblem(const QString &path)
{
    const qsizetype bytes = path.toUtf8().size();
    if (bytes > kBackupRecordLength)
        return QStringLiteral("The path of this folder is too long to be stored: it takes %1 bytes and "
                              "at most %2 fit. Choose a folder with a shorter path.")
            .arg(bytes)
            .arg(kBackupRecordLength);
    if (path.endsWith(QLatin1Char(' ')))
        return QStringLiteral("The path of this folder ends in a blank, which cannot be stored. "
                              "Choose another folder.");
    return {};
}

bool writeBackupLocation(const QString &dataFolder, const QString &path, QString *error)
{
    return fileops::writeAtomically(backupConfigPath(dataFolder), backupRecord(path), error);
}

QString backupCopyPath(const QString &dataFolder, const QString &backupFolder, const QString &fileName)
{
    QString folder = backupFolder;
    if (QDir::isRelativePath(folder))
        folder = dataFolder + QLatin1Char('/') + folder;
    return folder + QLatin1Char('/') + fileName;
}

bool backupDiary(const QString &dataFolder, const QString &fileName, const QString &backupFolder, QString *error)
{
    if (fileName.isEmpty()) {
        if (error)
            *error = QStringLiteral("No diary is open.");
        return false;
    }
    const QString source = dataFolder + QLatin1Char('/') + fileName;
    const QString target = backupCopyPath(dataFolder, backupFolder, fileName);
    // The diary is copied while it is held for reading: another program
    // cannot change it half-way through the copy, and a change that one left
    // unfinished is undone first. A file that does not open as a diary is not
    // copied over the last good backup.
    QString staged;
    try {
        Database db = Database::open(source, Database::Access::ReadOnly);
        db.exec("BEGIN; SELECT count(*) FROM sqlite_schema");
        staged = fileops::stageCopy(source, target, error);
    } catch (const StoreError &e) {
        if (error)
            *error = e.message();
        return false;
    }
    if (staged.isEmpty())
        return false;
    if (faultpoints::fails("backup.replace") || !fileops::replace(staged, target, error)) {
        QFile::remove(staged);
        if (error && error->isEmpty())
            *error = QStringLiteral("The copy could not be put in place.");
        return false;
    }
    return true;
}

bool restoreDiary(const QString &dataFolder, const QString &fileName, const QString &backupFolder, QString *error)
{
    struct Copy {
        QString from, to, staged;
    };
    std::vector<Copy> copies;
    copies.push_back({backupCopyPath(dataFolder, backupFolder, fileName), dataFolder + QLatin1Char('/') + fileName, {}});
    const QString base = fileName.left(fileName.size() - 4);
    for (const char *ext : {".rcl", ".pcl"}) {
        const QString companion = base + QLatin1String(ext);
        const QString from = backupCopyPath(dataFolder, backupFolder, companion);
        if (QFileInfo::exists(from))
            copies.push_back({from, dataFolder + QLatin1Char('/') + companion, {}});
    }

    const auto dropStaged = [&copies] {
        for (Copy &c : copies)
            if (!c.staged.isEmpty())
                QFile::remove(c.staged);
    };
    // Every file is copied beside its target first; only then is anything
    // of the data folder replaced.
    for (Copy &c : copies) {
        c.staged = fileops::stageCopy(c.from, c.to, error);
        if (c.staged.isEmpty()) {
            dropStaged();
            return false;
        }
    }
    // A change left unfinished in the diary being replaced belongs to that
    // file alone: undo it, or drop its journal, so that the engine never
    // plays it into the restored copy.
    const QString journal = copies.front().to + QStringLiteral("-journal");
    if (!undoUnfinishedChange(copies.front().to) && !QFile::remove(journal)) {
        if (error)
            *error = QStringLiteral("The diary is being changed by another program.");
        dropStaged();
        return false;
    }
    for (Copy &c : copies) {
        if (faultpoints::fails("restore.replace") || !fileops::replace(c.staged, c.to, error)) {
            if (error && error->isEmpty())
                *error = QStringLiteral("The copy could not be put in place.");
            dropStaged();
            return false;
        }
        c.staged.clear();
    }
    return true;
}
