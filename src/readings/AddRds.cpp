#include "readings/AddRds.h"

#include "core/DiaryChanges.h"
#include "help/helpids.h"
#include "platform/DatePicker.h"
#include "platform/DiaryAccess.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"
#include "readings/EntryLayout.h"
#include "readings/ReadingEntry.h"

AddRds::AddRds(Shell &shell) : DateKeyWindow(shell, QStringLiteral("AddRds"))
{
    setWindowTitle(QStringLiteral("Add New Readings"));
    setHelpContext(IDH_ADD);

    Label1 = makeLabel(this, "Label1", QStringLiteral("&Date of reading:"), Bdates);
    readings = new ReadingEntryPanel(this, *shell.services().messages);
    SaveRd = makeButton(this, "SaveRd", QStringLiteral("&Save"), QStringLiteral("Save this date to your database."));
    CancelAdd =
        makeButton(this, "CancelAdd", QStringLiteral("&Cancel"), QStringLiteral("Cancel operation and close window."));
    setDefaultButton(SaveRd);
    layOutEntryWindow(this, Label1, Bdates, readings, SaveRd, CancelAdd);

    connect(SaveRd, &QPushButton::clicked, this, &AddRds::SaveRd_Click);
    connect(CancelAdd, &QPushButton::clicked, this, &ChildWindow::discard);
}

ChildWindow::LoadResult AddRds::load()
{
    startOn(shell_.services().clock->today());
    return LoadResult::Show;
}

bool AddRds::CheckForMatch(const std::optional<ReadingDay> &stored)
{
    if (!stored)
        return false;
    if (ShownDay *b = browser())
        b->showDay(*stored);
    return true;
}

void AddRds::SaveRd_Click()
{
    if (isClosing())
        return;
    const QString key = refreshKey();
    if (!requireKey(key))
        return;

    Services &sv = shell_.services();
    const ReadingDay day = readings->storedDay(key);
    std::optional<ReadingDay> stored; // the day stored under that date already
    const bool done = withCurrentDiary(
        shell_, this, changeFailedText(), [&](Database &, Cursor &c) { stored = DiaryChanges::addDay(c, day); },
        Database::Access::ReadWrite, DiarySession::Start::Anywhere);
    if (!done)
        return; // the window stays with what the user typed
    if (CheckForMatch(stored)) {
        sv.messages->beep();
        sv.messages->show(this, QStringLiteral("A reading for the date you entered already exists."));
        discard();
        return;
    }
    if (ShownDay *b = browser())
        b->showDay(day);
    discard();
}
