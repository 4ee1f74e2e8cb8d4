#include "core/BackupFiles.h"

#include "core/Database.h"
#include "core/DiaryCopy.h"
#include "core/DiaryPath.h"
#include "core/FaultPoints.h"
#include "core/FileOps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <sys/stat.h>
#include <vector>

namespace {

const char *const kConfigName = "BACKUP.CFG";

QString dataFolderRefused()
{
    return QStringLiteral("The backup folder is the data folder itself, so nothing was copied.");
}

} // namespace

QString backupConfigPath(const QString &dataFolder)
{
    return dataFolder + QLatin1Char('/') + QLatin1String(kConfigName);
}

bool backupLocationConfigured(const QString &dataFolder) { return QFileInfo::exists(backupConfigPath(dataFolder)); }

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

bool isDataFolder(const QString &dataFolder, const QString &folder)
{
    if (folder.isEmpty())
        return false;
    const QString path = QDir::isRelativePath(folder) ? dataFolder + QLatin1Char('/') + folder : folder;
    const QString real = QFileInfo(path).canonicalFilePath();
    const QString data = QFileInfo(dataFolder).canonicalFilePath();
    if (real.isEmpty() || data.isEmpty())
        return QDir::cleanPath(QDir(path).absolutePath()) == QDir::cleanPath(QDir(dataFolder).absolutePath());
    if (real == data)
        return true;
    // One folder can still have two real names: mounted twice, or on a file
    // system that does not tell upper from lower case.
    struct stat a {};
    struct stat b {};
    return ::stat(QFile::encodeName(real).constData(), &a) == 0 &&
        ::stat(QFile::encodeName(data).constData(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
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
    if (isDataFolder(dataFolder, location.path))
        return BackupOutcome::DataFolder;
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
    return diaryPath(folder, fileName);
}

bool backupDiary(const QString &dataFolder, const QString &fileName, const QString &backupFolder, QString *error)
{
    if (isDataFolder(dataFolder, backupFolder)) {
        if (error)
            *error = dataFolderRefused();
        return false;
    }
    if (fileName.isEmpty()) {
        if (error)
            *error = QStringLiteral("No diary is open.");
        return false;
    }
    const QString source = diaryPath(dataFolder, fileName);
    const QString target = backupCopyPath(dataFolder, backupFolder, fileName);
    // Copies that an earlier backup left when it was cut short.
    fileops::removeLeftovers(QFileInfo(target).absolutePath(), fileName);
    // The engine reads the diary as one, its log and journal included, while
    // it holds it for reading: another program cannot change it half-way,
    // and a change that one left unfinished is undone first. A file that does
    // not open as a diary is not copied over the last good backup.
    QString staged;
    try {
        Database db = Database::open(source, Database::Access::ReadOnly);
        staged = fileops::tempPathBeside(target);
        copyThroughEngine(db.handle(), staged);
    } catch (const StoreError &e) {
        if (error)
            *error = e.message();
        return false;
    }
    if (faultpoints::fails("backup.replace") || !replaceDiary(staged, target, error)) {
        QFile::remove(staged);
        if (error && error->isEmpty())
            *error = QStringLiteral("The copy could not be put in place.");
        return false;
    }
    return true;
}

QString keptBeforeRestoreName(const QString &fileName) { return fileName + QStringLiteral(".before-restore"); }

namespace {

// A copy of the diary about to be replaced, staged beside its kept name: read
// through the engine when it still reads as a database, else its bytes with
// those of its companions beside them, so that nothing of it is lost.
QString stageKeptCopy(const QString &diary, const QString &kept, QString *error)
{
    QString ignored;
    const QString staged = stageThroughEngine(diary, kept, &ignored);
    if (!staged.isEmpty())
        return staged;
    const QString bytes = fileops::stageCopy(diary, kept, error);
    if (bytes.isEmpty())
        return {};
    for (const QString &companion : diaryCompanions(diary)) {
        const QString suffix = companion.mid(diary.size());
        if (suffix == QLatin1String("-shm"))
            continue;
        if (!fileops::copyAtomically(companion, bytes + suffix, error)) {
            QFile::remove(bytes);
            removeDiaryCompanions(bytes);
            return {};
        }
    }
    return bytes;
}

} // namespace

bool restoreDiary(const QString &dataFolder, const QString &fileName, const QString &backupFolder, QString *error)
{
    if (isDataFolder(dataFolder, backupFolder)) {
        if (error)
            *error = dataFolderRefused();
        return false;
    }
    struct Copy {
        QString from, to, staged;
    };
    std::vector<Copy> copies;
    const QString diary = diaryPath(dataFolder, fileName);
    copies.push_back({backupCopyPath(dataFolder, backupFolder, fileName), diary, {}});
    const QString base = fileName.left(fileName.size() - 4);
    for (const char *ext : {".rcl", ".pcl"}) {
        const QString companion = base + QLatin1String(ext);
        const QString from = backupCopyPath(dataFolder, backupFolder, companion);
        if (QFileInfo::exists(from))
            copies.push_back({from, diaryPath(dataFolder, companion), {}});
    }
    const QString kept = diaryPath(dataFolder, keptBeforeRestoreName(fileName));

    // Copies that an earlier restore left when it was cut short.
    for (const QString &name :
         {fileName, base + QStringLiteral(".rcl"), base + QStringLiteral(".pcl"), keptBeforeRestoreName(fileName)})
        fileops::removeLeftovers(dataFolder, name);

    QString keptStaged;
    const auto dropStaged = [&copies, &keptStaged] {
        for (Copy &c : copies)
            if (!c.staged.isEmpty()) {
                QFile::remove(c.staged);
                removeDiaryCompanions(c.staged);
            }
        if (!keptStaged.isEmpty()) {
            QFile::remove(keptStaged);
            removeDiaryCompanions(keptStaged);
        }
    };
    // The backup copy is read through the engine, its log included, and must
    // read back as a sound diary before anything of the data folder is
    // replaced: an empty file, a stranger's database or a damaged copy is
    // not put over the diary.
    Copy &main = copies.front();
    main.staged = stageThroughEngine(main.from, main.to, error);
    if (main.staged.isEmpty())
        return false;
    QString why;
    if (!isSoundDiary(main.staged, nullptr, &why)) {
        if (error)
            *error = QStringLiteral("The copy in the backup folder is not a sound diary: ") + why;
        dropStaged();
        return false;
    }
    // The other files are copied beside their targets as they are.
    for (size_t i = 1; i < copies.size(); ++i) {
        Copy &c = copies[i];
        c.staged = fileops::stageCopy(c.from, c.to, error);
        if (c.staged.isEmpty()) {
            dropStaged();
            return false;
        }
    }
    // The diary being replaced is kept, once, under its kept name: a restore
    // chosen by mistake then costs nothing of the days added since the backup.
    if (QFileInfo::exists(diary)) {
        keptStaged = stageKeptCopy(diary, kept, error);
        if (keptStaged.isEmpty()) {
            dropStaged();
            return false;
        }
    }
    // Once the restored diary is in place, the kept copy takes its name.
    const auto placeKept = [&] {
        if (keptStaged.isEmpty() || !removeDiaryCompanions(kept) || !fileops::replace(keptStaged, kept, nullptr))
            return;
        // Companions copied with the bytes of an unreadable diary.
        for (const QString &companion : diaryCompanions(keptStaged))
            fileops::replace(companion, kept + companion.mid(keptStaged.size()), nullptr);
        keptStaged.clear();
    };
    for (Copy &c : copies) {
        // The replaced diary's journal and log belong to it alone (the kept
        // copy holds what they held): the engine must never play them into
        // the restored copy.
        const bool isDiary = &c == &copies.front();
        const bool placed = !faultpoints::fails("restore.replace") &&
            (isDiary ? replaceDiary(c.staged, c.to, error) : fileops::replace(c.staged, c.to, error));
        if (!placed) {
            if (error && error->isEmpty())
                *error = QStringLiteral("The copy could not be put in place.");
            dropStaged();
            return false;
        }
        c.staged.clear();
        if (isDiary)
            placeKept();
    }
    dropStaged();
    return true;
}
