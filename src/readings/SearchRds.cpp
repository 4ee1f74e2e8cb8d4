#include "readings/SearchRds.h"

#include "help/helpids.h"
#include "platform/DatePicker.h"
#include "platform/DiaryAccess.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"
#include "readings/EntryLayout.h"

SearchRds::SearchRds(Shell &shell) : DateKeyWindow(shell, QStringLiteral("SearchRds"))
{
    setWindowTitle(QStringLiteral("Search"));
    setHelpContext(IDH_SEARCH);

    Label1 = makeLabel(this, "Label1", QStringLiteral("Enter a date you would like to search for."), Bdates,
                       Qt::AlignCenter);
    Search = makeButton(this, "Search", QStringLiteral("&Search"), QStringLiteral("Search for entered date."));
    Cancel =
        makeButton(this, "Cancel", QStringLiteral("&Cancel"), QStringLiteral("Cancel operation and close window."));
    setDefaultButton(Search);
    layOutPickWindow(this, Label1, Bdates, Search, Cancel);

    connect(Search, &QPushButton::clicked, this, &SearchRds::Search_Click);
    connect(Cancel, &QPushButton::clicked, this, &ChildWindow::discard);
}

ChildWindow::LoadResult SearchRds::load()
{
    startOn(shell_.services().clock->today());
    return LoadResult::Show;
}

void SearchRds::Search_Click()
{
    if (isClosing())
        return;
    const QString key = refreshKey();
    if (!requireKey(key))
        return;

    bool found = false;
    const bool read = withCurrentDiary(
        shell_, this, readFailedText(),
        [&](Database &, Cursor &c) {
            c.seek(SeekOp::AtLeast, key);
            if (c.noMatch())
                return;
            const ReadingDay day = c.row();
            found = true;
            if (ShownDay *b = browser())
                b->showDay(day);
        },
        Database::Access::ReadOnly);
    if (!read)
        return;
    if (!found) {
        Services &sv = shell_.services();
        sv.messages->beep();
        sv.messages->show(this, QStringLiteral("Unable to find any matching entries."));
        return; // open for another date
    }
    discard();
}
