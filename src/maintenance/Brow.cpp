#include "maintenance/Brow.h"

#include "core/BackupFiles.h"
#include "help/helpids.h"
#include "maintenance/Cback.h"
#include "maintenance/FolderList.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

Brow::Brow(Shell &shell) : ChildWindow(shell, QStringLiteral("Brow"))
{
    setWindowTitle(QStringLiteral("Browse For Backup Folder"));
    setHelpContext(IDH_BACKUP_FOLDER);
    setEscapeCloses(true);

    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setAccessibleName(QStringLiteral("Drive"));
    Drive1->setMinimumWidth(twipsToPixels(5535));
    const QList<Drive> drives = availableDrives();
    for (const Drive &d : drives)
        Drive1->addItem(d.label, d.path);

    Dir1 = new FolderList(this);
    Dir1->setObjectName(QStringLiteral("Dir1"));
    Dir1->setAccessibleName(QStringLiteral("Folder"));
    Dir1->setMinimumSize(twipsToPixels(5535), twipsToPixels(2790));

    Text1 = makeBox(this, "Text1", true);
    Text1->setFocusPolicy(Qt::NoFocus);
    Text1->setAccessibleName(QStringLiteral("Chosen folder"));
    QPalette p = Text1->palette();
    p.setColor(QPalette::Base, Qt::black);
    p.setColor(QPalette::Text, Qt::white);
    Text1->setPalette(p);

    Save = makeButton(this, "Save", QStringLiteral("OK"));
    CancelBrowse = makeButton(this, "CancelBrowse", QStringLiteral("Cancel"));
    for (QPushButton *b : {Save, CancelBrowse})
        b->setMinimumSize(twipsToPixels(1695), twipsToPixels(615));

    // Both lists start at the data folder and the drive that holds it.
    const QString start = shell.dataFolder();
    const int drive = driveHolding(drives, start);
    if (drive >= 0) {
        Drive1->setCurrentIndex(drive);
        if (Dir1->setRoot(drives[drive].path, false))
            Dir1->setPath(start, false);
    }

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Save);
    buttons->addStretch(1);
    buttons->addWidget(CancelBrowse);
    buttons->addStretch(1);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 16);
    layout->setSpacing(0);
    layout->addWidget(Drive1);
    layout->addWidget(Dir1);
    layout->addWidget(Text1);
    layout->addSpacing(16);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabChain({Drive1, Dir1, Save, CancelBrowse});
    setFocusProxy(Dir1);

    connect(Dir1, &FolderList::changed, this, &Brow::Dir1_Change);
    connect(Dir1, &FolderList::openFailed, this, [this] { shell_.services().messages->beep(); });
    connect(Drive1, &QComboBox::currentIndexChanged, this, &Brow::Drive1_Change);
    connect(Save, &QPushButton::clicked, this, &Brow::Save_Click);
    connect(CancelBrowse, &QPushButton::clicked, this, &ChildWindow::discard);
}

ChildWindow::LoadResult Brow::load()
{
    // The configuration window waits while its folder is being chosen.
    shell_.setWindowEnabled(QStringLiteral("Cback"), false);
    return LoadResult::Show;
}

void Brow::closingStep()
{
    shell_.setWindowEnabled(QStringLiteral("Cback"), true);
    // The configuration window takes the focus back.
    if (shell_.window(QStringLiteral("Cback")))
        shell_.setWindowVisible(QStringLiteral("Cback"), true);
}

void Brow::Dir1_Change() { Text1->setText(Dir1->path()); }

void Brow::Drive1_Change()
{
    if (Dir1->setRoot(Drive1->currentData().toString(), true))
        return;
    shell_.services().messages->show(this, QStringLiteral("The drive you have selected is invalid."));
    // Start afresh: both lists back at the data folder, no folder chosen.
    Shell &shell = shell_;
    discard();
    shell.openWindow(QStringLiteral("Brow"));
}

void Brow::Save_Click()
{
    // Refused here already, so that another folder can be chosen at once.
    if (isDataFolder(shell_.dataFolder(), Text1->text())) {
        refuseDataFolderAsBackup(shell_, this);
        return;
    }
    if (auto *config = qobject_cast<Cback *>(shell_.window(QStringLiteral("Cback"))))
        config->setBackupPath(Text1->text());
    discard();
}
