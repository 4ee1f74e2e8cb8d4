#include "maintenance/BackupData.h"

#include "maintenance/BackupFiles.h"
#include "platform/Shell.h"

#include <QWidget>

void BackupData(Shell &shell)
{
    Services &sv = shell.services();
    QWidget *parent = shell.frameWidget();
    const QString folder = shell.dataFolder();
    enum class Result { NotConfigured, Unreadable, Done, Failed } result;
    QString error;
    {
        WaitGuard wait(*sv.wait);
        const BackupLocation location = ReadBackupLocation(folder);
        if (location.status == BackupLocation::Status::Unreadable) {
            result = Result::Unreadable;
            error = location.error;
        } else if (location.status == BackupLocation::Status::NotConfigured || location.path.isEmpty()) {
            result = Result::NotConfigured;
        } else {
            // No handle on the diary lives between two actions, so the file is
            // closed while it is copied.
            result = backupDiary(folder, shell.currentDatabase(), location.path, &error) ? Result::Done
                                                                                         : Result::Failed;
        }
    }
    switch (result) {
    case Result::NotConfigured:
        sv.messages->show(parent, QStringLiteral("You must run the Configure routine first."));
        break;
    case Result::Unreadable:
        reportFailure(sv, parent,
                      QStringLiteral("The backup location kept in BACKUP.CFG could not be read, so nothing was copied."),
                      error);
        break;
    case Result::Done:
        sv.messages->show(parent, QStringLiteral("**** Backup Successful ****"));
        break;
    case Result::Failed:
        sv.messages->show(parent, QStringLiteral("???? Backup Failed ????"));
        break;
    }
}
