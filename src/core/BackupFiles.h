#pragma once
// The backup location kept in BACKUP.CFG, and the whole-file copies that back
// a diary up into that folder and restore it from there.
//
// BACKUP.CFG holds exactly one record of 75 bytes: the folder path in UTF-8,
// left-aligned and padded with blanks, with no terminator. Every copy goes
// through a temporary file beside its target and is renamed into place only
// when it is complete, so a failed copy leaves the old file as it was. A
// diary is copied through the database engine, with its journal and log.

#include <QByteArray>
#include <QString>

#include <functional>

inline constexpr int kBackupRecordLength = 75;

// BACKUP.CFG in the data folder.
QString backupConfigPath(const QString &dataFolder);

// Whether a file named BACKUP.CFG is in the data folder.
bool backupLocationConfigured(const QString &dataFolder);

struct BackupLocation {
    enum class Status { Found, NotConfigured, Unreadable };
    Status status = Status::NotConfigured;
    QString path;  // without the trailing blanks of the record
    QString error; // why BACKUP.CFG could not be read
};

// Reads the backup folder from BACKUP.CFG.
BackupLocation ReadBackupLocation(const QString &dataFolder);

// Whether `folder` is the data folder itself, under whatever name it is
// given: with a trailing "/" or "/.", through a symbolic link, or relative
// (taken from the data folder, as backupCopyPath() does). A backup kept there
// would be the diary itself, not a second copy of it.
bool isDataFolder(const QString &dataFolder, const QString &folder);

// How a copy to or from the backup folder ended. DataFolder: the folder kept
// in BACKUP.CFG is the data folder, and nothing was copied.
enum class BackupOutcome { NotConfigured, Unreadable, DataFolder, Done, Failed };

// Reads the backup folder and, when one is set and it is not the data folder,
// runs `copy(folder, error)`, which says whether the copy was made. `error`
// tells why BACKUP.CFG could not be read, or why the copy failed.
BackupOutcome copyWithBackupLocation(const QString &dataFolder,
                                     const std::function<bool(const QString &, QString *)> &copy, QString *error);

// The 75-byte record for a path: its UTF-8 bytes padded with blanks (a longer
// path is cut at the last whole character that fits).
QByteArray backupRecord(const QString &path);
// The path a record holds: its bytes without trailing blanks.
QString decodeBackupRecord(const QByteArray &record);

// Why a path cannot be stored as the backup location, or empty when it can: a
// path that does not fit the record, or that ends in a blank, would be read
// back as the name of another folder.
QString backupPathProblem(const QString &path);

// Writes the record for `path` to BACKUP.CFG in one step.
bool writeBackupLocation(const QString &dataFolder, const QString &path, QString *error);

// The file `fileName` in the backup folder: the folder, "/", the name, joined
// as they are (a root folder "/" gives "//name"). A relative folder is taken
// from the data folder.
QString backupCopyPath(const QString &dataFolder, const QString &backupFolder, const QString &fileName);

// Copies the diary `fileName` of the data folder into the backup folder,
// replacing an older copy only once the new one is complete. A backup folder
// that is the data folder is refused before any file is touched.
bool backupDiary(const QString &dataFolder, const QString &fileName, const QString &backupFolder, QString *error);

// The name under which a restore keeps the diary it replaces.
QString keptBeforeRestoreName(const QString &fileName);

// Copies the backup of `fileName`, and its ".rcl" and ".pcl" companions when
// the backup folder holds them, back into the data folder. The backup copy
// must read back as a sound diary; every copy is complete before any file of
// the data folder is replaced, and the diary replaced is kept, once, under
// keptBeforeRestoreName() (the next restore replaces that copy). A backup
// folder that is the data folder is refused before any file is touched.
bool restoreDiary(const QString &dataFolder, const QString &fileName, const QString &backupFolder, QString *error);
