#include "maintenance/DiaryListWindows.h"

#include "core/BackupFiles.h"
#include "core/DiaryFile.h"
#include "core/DiaryMaintenance.h"
#include "core/DiarySession.h"
#include "help/helpids.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"

#include <QListWidget>
#include <QVBoxLayout>

// ---------------------------------------------------------------- the list

DiaryListWindow::DiaryListWindow(Shell &shell, const Look &look) : ChildWindow(shell, QLatin1String(look.name))
{
    setWindowTitle(look.caption);
    setHelpContext(look.helpContext);
    setEscapeCloses(true);

    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->addItems(listDiaries(shell.dataFolder()));
    File1->setFixedSize(look.list);
    if (File1->count() > 0)
        File1->setCurrentRow(0);
    Label1 = makeLabel(this, "Label1", look.label, File1, Qt::AlignLeft | Qt::AlignVCenter);
    Cancel = makeButton(this, "Cancel", QStringLiteral("Cancel"), QStringLiteral("Cancel operation and close window."));
    Cancel->setMinimumSize(look.buttonWidth, twipsToPixels(495));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(12);
    layout->addWidget(Label1);
    layout->addWidget(File1, 0, Qt::AlignHCenter);
    layout->addWidget(Cancel, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabChain({File1, Cancel});
    setFocusProxy(File1);

    connect(File1, &QListWidget::itemActivated, this, [this] { File1_DblClick(); });
    connect(Cancel, &QPushButton::clicked, this, &ChildWindow::discard);
}

QString DiaryListWindow::selectedFile() const
{
    const QListWidgetItem *item = File1->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

// ---------------------------------------------------------------- RestBackup

RestBackup::RestBackup(Shell &shell)
    : DiaryListWindow(shell,
                      {"RestBackup", QStringLiteral("Restore From Backup"),
                       QStringLiteral("Double click the database you want to restore."), IDH_RESTORE,
                       QSize(twipsToPixels(4215), twipsToPixels(3210)), twipsToPixels(1575)})
{
}

ChildWindow::LoadResult RestBackup::load()
{
    // The Graphs menu is off already: no diary is open.
    hold(Held::Menus);
    return LoadResult::Show;
}

void RestBackup::File1_DblClick()
{
    const QString file = selectedFile();
    if (file.isEmpty())
        return;
    Services &sv = shell_.services();
    const QString folder = shell_.dataFolder();
    QString error;
    BackupOutcome result;
    {
        WaitGuard wait(*sv.wait);
        // The file is handed over with no handle of this program on it.
        shell_.diarySession().release();
        result = copyWithBackupLocation(
            folder, [&](const QString &from, QString *e) { return restoreDiary(folder, file, from, e); }, &error);
    }
    switch (result) {
    case BackupOutcome::NotConfigured:
        sv.messages->show(this, QStringLiteral("You must run the Configure routine first."));
        break;
    case BackupOutcome::Unreadable:
        reportFailure(sv, this,
                      QStringLiteral("The backup location kept in BACKUP.CFG could not be read, "
                                     "so nothing was restored."),
                      error);
        break;
    case BackupOutcome::DataFolder:
        warnRefused(sv, this,
                    QStringLiteral("The backup folder kept in BACKUP.CFG is the folder Levelbook keeps your "
                                   "databases in, so it holds no backup copy to restore. Nothing was changed. "
                                   "Choose the folder that holds your backups with Configure Backup/Restore "
                                   "in the File menu."));
        break;
    case BackupOutcome::Done: sv.messages->show(this, QStringLiteral("**** Restore Process Successful ****")); break;
    case BackupOutcome::Failed: sv.messages->show(this, QStringLiteral("???? Restore Process Failed ????")); break;
    }
    discard();
}

// ---------------------------------------------------------------- CompactDbase

CompactDbase::CompactDbase(Shell &shell)
    : DiaryListWindow(shell,
                      {"CompactDbase", QStringLiteral("Compact a Database"),
                       QStringLiteral("Doubleclick the Database you want compacted."), IDH_COMPACT,
                       QSize(twipsToPixels(3255), twipsToPixels(2490)), twipsToPixels(1575)})
{
}

ChildWindow::LoadResult CompactDbase::load()
{
    hold(Held::StartChoice);
    return LoadResult::Show;
}

void CompactDbase::File1_DblClick()
{
    const QString file = selectedFile();
    if (file.isEmpty())
        return;
    Services &sv = shell_.services();
    MaintenanceFailure failure;
    bool done;
    {
        WaitGuard wait(*sv.wait);
        // The file is handed over with no handle of this program on it.
        shell_.diarySession().release();
        done = compactDiary(shell_.dataFolder(), file, &failure);
    }
    if (!done) {
        reportFailure(sv, this, failure.what, failure.detail);
        return;
    }
    discard();
}

// ---------------------------------------------------------------- RepairDbase

RepairDbase::RepairDbase(Shell &shell)
    : DiaryListWindow(shell,
                      {"RepairDbase", QStringLiteral("Repair a Database"),
                       QStringLiteral("Doubleclick the file you need to repair."), IDH_REPAIR,
                       QSize(twipsToPixels(4095), twipsToPixels(2490)), twipsToPixels(1815)})
{
}

ChildWindow::LoadResult RepairDbase::load()
{
    hold(Held::StartChoice);
    return LoadResult::Show;
}

void RepairDbase::File1_DblClick()
{
    const QString file = selectedFile();
    if (file.isEmpty())
        return;
    Services &sv = shell_.services();
    sv.messages->beep();
    sv.messages->show(this, QStringLiteral("YOU SHOULD RUN THE COMPACT UTILITY AFTER REPAIRING THE DATABASE"),
                      QStringLiteral("Levelbook"), MsgIcon::Information, MsgButtons::Ok);
    RepairResult result;
    {
        WaitGuard wait(*sv.wait);
        // The file is handed over with no handle of this program on it.
        shell_.diarySession().release();
        result = repairDiary(shell_.dataFolder(), file);
    }
    switch (result.outcome) {
    case RepairResult::Outcome::Failed: reportFailure(sv, this, result.failure.what, result.failure.detail); return;
    case RepairResult::Outcome::Sound: break;
    case RepairResult::Outcome::Rebuilt:
    case RepairResult::Outcome::Salvaged: {
        QString text = QStringLiteral("\"%1\" was repaired and holds %2 days. The damaged file is kept as \"%3\".")
                           .arg(file)
                           .arg(result.daysKept)
                           .arg(result.damagedCopy);
        if (result.daysDropped > 0)
            text += QStringLiteral(" %1 damaged or repeated days could not be kept.").arg(result.daysDropped);
        sv.messages->show(this, text, programName(), MsgIcon::Information, MsgButtons::Ok);
        break;
    }
    }
    discard();
}
