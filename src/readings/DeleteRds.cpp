#include "readings/DeleteRds.h"

#include "core/DiaryChanges.h"
#include "help/helpids.h"
#include "platform/DatePicker.h"
#include "platform/DiaryAccess.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"
#include "readings/EntryLayout.h"

DeleteRds::DeleteRds(Shell &shell) : DateKeyWindow(shell, QStringLiteral("DeleteRds"))
{
    setWindowTitle(QStringLiteral("Dekete Multiple Readings"));
    setHelpContext(IDH_DELETE_MULTIPLE);

    Label1 = makeLabel(this, "Label1",
                       QStringLiteral("This utility will delete all your records from the first up to the date you "
                                      "have entered below."),
                       Bdates, Qt::AlignCenter);
    Label1->setWordWrap(true);
    Label1->setFixedWidth(Label1->fontMetrics().horizontalAdvance(Label1->text()) / 2 + 40);
    DeleteRecords = makeButton(this, "DeleteRecords", QStringLiteral("&Delete"),
                               QStringLiteral("Delete all dates before the date you entered."));
    Cancel =
        makeButton(this, "Cancel", QStringLiteral("&Cancel"), QStringLiteral("Cancel operation and close window."));
    setDefaultButton(DeleteRecords);
    layOutPickWindow(this, Label1, Bdates, DeleteRecords, Cancel);

    connect(DeleteRecords, &QPushButton::clicked, this, &DeleteRds::DeleteRecords_Click);
    connect(Cancel, &QPushButton::clicked, this, &ChildWindow::discard);
}

ChildWindow::LoadResult DeleteRds::load()
{
    startOn(shell_.services().clock->today());
    return LoadResult::Show;
}

void DeleteRds::DeleteRecords_Click()
{
    if (isClosing())
        return;
    const QString bound = refreshKey();
    if (!requireKey(bound))
        return;

    // Every earlier date goes, or none of them does.
    DiaryChanges::DeletionBefore removal;
    const bool done = withCurrentDiary(shell_, this, changeFailedText(), [&](Database &, Cursor &c) {
        removal = DiaryChanges::deleteDaysBefore(c, bound);
    });
    if (!done)
        return; // nothing was deleted; the window stays

    if (removal.nothingBefore) {
        shell_.services().messages->show(
            this, QStringLiteral("There are no records to delete before the date you have entered."));
        discard();
        return;
    }
    if (ShownDay *b = browser()) {
        if (removal.last)
            b->showDay(*removal.last);
        else
            b->clearDay();
    }
    discard();
}
