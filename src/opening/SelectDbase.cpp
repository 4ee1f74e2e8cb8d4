#include "opening/SelectDbase.h"

#include "core/DiaryFile.h"
#include "help/helpids.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

SelectDbase::SelectDbase(Shell &shell) : ChildWindow(shell, QStringLiteral("SelectDbase"))
{
    setWindowTitle(QStringLiteral("Select Database"));
    setHelpContext(IDH_START);
    setEscapeCloses(true);

    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->addItems(listDiaries(shell.dataFolder()));
    File1->setMinimumSize(fontMetrics().averageCharWidth() * 36, fontMetrics().height() * 10);
    if (File1->count() > 0)
        File1->setCurrentRow(0);
    auto *label1 = makeLabel(this, "Label1", QStringLiteral("Double click the database you want to open."), File1,
                             Qt::AlignCenter);
    Command1 =
        makeButton(this, "Command1", QStringLiteral("Cancel"), QStringLiteral("Cancel operation and close window."));

    // Which folder the list shows: the data folder may be the program's own
    // or the user's, and a diary kept elsewhere is not listed.
    FolderLabel = makeLabel(this, "FolderLabel",
                            QStringLiteral("Diaries in: %1").arg(QDir::toNativeSeparators(shell.dataFolder())), nullptr,
                            Qt::AlignLeft | Qt::AlignVCenter);
    FolderLabel->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(FolderLabel);
    layout->addWidget(File1);
    layout->addWidget(label1);
    layout->addWidget(Command1, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabChain({File1, Command1});
    setFocusProxy(File1);

    // A double-click, or Enter on the selected file.
    connect(File1, &QListWidget::itemActivated, this, &SelectDbase::File1_DblClick);
    connect(Command1, &QPushButton::clicked, this, &ChildWindow::discard);
}

QString SelectDbase::selectedFile() const
{
    const QListWidgetItem *item = File1->currentItem();
    return item && item->isSelected() ? item->text() : QString();
}

void SelectDbase::File1_DblClick()
{
    const QString file = selectedFile();
    if (file.size() < 4) {
        discard();
        return;
    }
    // The browser's loading step opens the diary chosen here; when it fails
    // it has told the user, no diary is open, and this window stays for
    // another choice.
    shell_.setOpenDiary({file, diaryPersonName(file)});
    if (!shell_.openBrowser())
        shell_.setOpenDiary({});
}
