#include "maintenance/BackupData.h"

#include "core/BackupFiles.h"
#include "core/DiarySession.h"
#include "platform/Shell.h"

#include <QWidget>

void BackupData(Shell &shell)
{
    Services &sv = shell.services();
    QWidget *parent = shell.frameWidget();
    const QString folder = shell.dataFolder();
    QString error;
    BackupOutcome result;
    {
        WaitGuard wait(*sv.wait);
        // The connection kept to the open diary between actions is closed:
        // the file is copied with no handle of this program on it.
        shell.diarySession().release();
        result = copyWithBackupLocation(
            folder, [&](const QString &to, QString *e) { return backupDiary(folder, shell.openDiary().file, to, e); },
            &error);
    }
    switch (result) {
    case BackupOutcome::NotConfigured:
        sv.messages->show(parent, QStringLiteral("You must run the Configure routine first."));
        break;
    case BackupOutcome::Unreadable:
        reportFailure(
            sv, parent,
            QStringLiteral("The backup location kept in BACKUP.CFG could not be read, so nothing was copied."), error);
        break;
    case BackupOutcome::DataFolder:
        warnRefused(sv, parent,
                    QStringLiteral("The backup folder kept in BACKUP.CFG is the folder Levelbook keeps your "
                                   "databases in, so a backup there would be the database itself, not a second "
                                   "copy. Nothing was copied. Close the database and choose another backup "
                                   "folder with Configure Backup/Restore in the File menu."));
        break;
    case BackupOutcome::Done: sv.messages->show(parent, QStringLiteral("**** Backup Successful ****")); break;
    case BackupOutcome::Failed: sv.messages->show(parent, QStringLiteral("???? Backup Failed ????")); break;
    }
}
