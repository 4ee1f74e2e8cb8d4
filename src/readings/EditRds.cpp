#include "readings/EditRds.h"

#include "core/DateKey.h"
#include "core/DiaryChanges.h"
#include "help/helpids.h"
#include "platform/DatePicker.h"
#include "platform/DiaryAccess.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"
#include "readings/EntryLayout.h"
#include "readings/ReadingEntry.h"

#include <QLineEdit>

EditRds::EditRds(Shell &shell) : DateKeyWindow(shell, QStringLiteral("EditRds"))
{
    setWindowTitle(QStringLiteral("Edit Reading"));
    setHelpContext(IDH_EDIT);

    Label1 = makeLabel(this, "Label1", QStringLiteral("&Date:"), Bdates);
    readings = new ReadingEntryPanel(this, *shell.services().messages);
    Save = makeButton(this, "Save", QStringLiteral("&Save"), QStringLiteral("Save edited information."));
    Cancel =
        makeButton(this, "Cancel", QStringLiteral("&Cancel"), QStringLiteral("Cancel operation and close window."));
    setDefaultButton(Save);
    layOutEntryWindow(this, Label1, Bdates, readings, Save, Cancel);

    connect(Save, &QPushButton::clicked, this, &EditRds::Save_Click);
    connect(Cancel, &QPushButton::clicked, this, &ChildWindow::discard);
}

ChildWindow::LoadResult EditRds::load()
{
    ShownDay *b = shell_.browserShowingADate();
    if (!b)
        return LoadResult::Discard;
    // The window remembers which day it edits: the browser's boxes may show
    // another day before Save (a date found stored, another window).
    const ReadingDay shown = b->shownDay();
    editedKey_ = shown.key;
    startOn(dateFromKey(editedKey_));
    Bdate->setText(editedKey_);
    readings->showForEditing(shown);
    return LoadResult::Show;
}

void EditRds::pickerLeft() { LookForMatch(); }

EditRds::Match EditRds::LookForMatch()
{
    const QString key = Bdate->text();
    if (key == editedKey_)
        return Match::Free;

    bool stored = false;
    const bool read = withCurrentDiary(
        shell_, this, readFailedText(),
        [&](Database &, Cursor &c) {
            c.seek(SeekOp::Equal, key);
            if (c.noMatch())
                return;
            stored = true;
            if (ShownDay *b = browser())
                b->showDay(c.row());
        },
        Database::Access::ReadOnly, DiarySession::Start::Anywhere);
    if (!read)
        return Match::Failed;
    if (!stored)
        return Match::Free;

    Services &sv = shell_.services();
    sv.messages->beep();
    sv.messages->show(this, QStringLiteral("A reading for the date you entered already exists."));
    discard();
    return Match::Stored;
}

void EditRds::Save_Click()
{
    if (isClosing())
        return;
    const QString key = refreshKey();
    if (!requireKey(key))
        return;
    if (LookForMatch() != Match::Free)
        return;

    // The old day goes and the edited one comes in one step: a failure in
    // between leaves the day stored as it was.
    const ReadingDay day = readings->storedDay(key);
    const bool stored = withCurrentDiary(
        shell_, this, changeFailedText(), [&](Database &, Cursor &c) { DiaryChanges::replaceDay(c, editedKey_, day); },
        Database::Access::ReadWrite, DiarySession::Start::Anywhere);
    if (!stored)
        return; // the window keeps the user's edits
    if (ShownDay *b = browser())
        b->showDay(day);
    discard();
}
