#include "maintenance/Cback.h"

#include "core/BackupFiles.h"
#include "help/helpids.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

void refuseDataFolderAsBackup(Shell &shell, QWidget *parent)
{
    Services &sv = shell.services();
    sv.messages->beep();
    sv.messages->show(parent,
                      QStringLiteral("This is the folder Levelbook keeps your databases in. A backup there would be "
                                     "the database itself, not a second copy. Choose another folder, best one on "
                                     "another disk or a USB stick."),
                      programName(), MsgIcon::Warning, MsgButtons::Ok);
}

Cback::Cback(Shell &shell) : ChildWindow(shell, QStringLiteral("Cback"))
{
    setWindowTitle(QStringLiteral("Configure Backup"));
    setHelpContext(IDH_BACKUP_FOLDER);
    setEscapeCloses(true);

    // The box is not typed into: the browser fills it. It has no length limit
    // of its own, so that a path too long for BACKUP.CFG is refused whole on
    // "Save" rather than cut quietly into another folder's name.
    Bpath = makeBox(this, "Bpath", true);
    QPalette p = Bpath->palette();
    p.setColor(QPalette::Base, QColor(192, 192, 255));
    p.setColor(QPalette::Text, Qt::black);
    Bpath->setPalette(p);
    Bpath->setMinimumWidth(twipsToPixels(5775));

    Label1 = makeLabel(this, "Label1", QStringLiteral("Browse for the path to your backup location below."), Bpath,
                       Qt::AlignLeft | Qt::AlignVCenter);
    Browse = makeButton(this, "Browse", QStringLiteral("Browse"), QStringLiteral("Browse for a location."));
    SaveCon = makeButton(this, "SaveCon", QStringLiteral("Save"), QStringLiteral("Save location path."));
    CancelCon =
        makeButton(this, "CancelCon", QStringLiteral("Cancel"), QStringLiteral("Cancel operation and close window."));
    Browse->setMinimumSize(twipsToPixels(1455), twipsToPixels(495));
    for (QPushButton *b : {SaveCon, CancelCon})
        b->setMinimumSize(twipsToPixels(1695), twipsToPixels(615));

    auto *browseRow = new QHBoxLayout;
    browseRow->addStretch();
    browseRow->addWidget(Browse);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(2);
    buttons->addWidget(SaveCon);
    buttons->addStretch(3);
    buttons->addWidget(CancelCon);
    buttons->addStretch(2);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 16, 8, 16);
    layout->addWidget(Label1);
    layout->addLayout(browseRow);
    layout->addSpacing(4);
    layout->addWidget(Bpath);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabChain({Browse, SaveCon, CancelCon});
    setFocusProxy(Browse);

    connect(Browse, &QPushButton::clicked, this, &Cback::Browse_Click);
    connect(SaveCon, &QPushButton::clicked, this, &Cback::SaveCon_Click);
    connect(CancelCon, &QPushButton::clicked, this, &ChildWindow::discard);
}

ChildWindow::LoadResult Cback::load()
{
    const BackupLocation location = ReadBackupLocation(shell_.dataFolder());
    if (location.status == BackupLocation::Status::Found)
        Bpath->setText(location.path);
    else if (location.status == BackupLocation::Status::Unreadable)
        reportFailure(shell_.services(), this,
                      QStringLiteral("The backup location kept in BACKUP.CFG could not be read."), location.error);
    hold(Held::StartChoice);
    return LoadResult::Show;
}

void Cback::Browse_Click() { shell_.openWindow(QStringLiteral("Brow")); }

void Cback::SaveCon_Click()
{
    const QString path = Bpath->text();
    if (path.isEmpty())
        return;
    Services &sv = shell_.services();
    if (const QString problem = backupPathProblem(path); !problem.isEmpty()) {
        sv.messages->beep();
        sv.messages->show(this, problem);
        return;
    }
    // The data folder reaches the box only from a BACKUP.CFG that named it
    // already; it is not stored again.
    if (isDataFolder(shell_.dataFolder(), path)) {
        refuseDataFolderAsBackup(shell_, this);
        return;
    }
    QString error;
    if (!writeBackupLocation(shell_.dataFolder(), path, &error)) {
        reportFailure(sv, this, QStringLiteral("The backup location could not be saved. BACKUP.CFG is as it was."),
                      error);
        return;
    }
    discard();
}

void Cback::setBackupPath(const QString &path) { Bpath->setText(path); }
