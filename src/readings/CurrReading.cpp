#include "readings/CurrReading.h"

#include "core/DateKey.h"
#include "core/DiaryChanges.h"
#include "help/helpids.h"
#include "platform/DiaryAccess.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

CurrReading::CurrReading(Shell &shell) : ChildWindow(shell, QStringLiteral("CurrReading"))
{
    setWindowTitle(QStringLiteral("Current Reading"));
    useMainWindowType(this);

    const int boxWidth = fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16;

    DatabaseName = makeBox(this, "DatabaseName", true);
    Bdates = makeBox(this, "Bdates", true);
    Bdate = makeBox(this, "Bdate", true);
    Bdate->hide();
    auto *label11 = makeLabel(this, "Label11", QStringLiteral("Press F1 for Help."), nullptr, Qt::AlignCenter);
    auto *label1 = makeLabel(this, "Label1", QStringLiteral("Name:"), DatabaseName);
    auto *label2 = makeLabel(this, "Label2", QStringLiteral("Date:"), Bdates);

    auto *top = new QGridLayout;
    top->addWidget(label1, 0, 0);
    top->addWidget(DatabaseName, 0, 1);
    top->addWidget(label2, 1, 0);
    top->addWidget(Bdates, 1, 1);
    DatabaseName->setMinimumWidth(fontMetrics().averageCharWidth() * 30);

    // The readings: the first four kinds in the left column, the rest right.
    auto *grid = new QGridLayout;
    const auto &kinds = readingKinds();
    for (int i = 0; i < kReadingKinds; ++i) {
        readings[size_t(i)] = makeBox(this, kinds[size_t(i)].field, true);
        readings[size_t(i)]->setFixedWidth(boxWidth);
        const QByteArray labelName = "Label" + QByteArray::number(i + 3);
        auto *label =
            makeLabel(this, labelName.constData(), QLatin1String(kinds[size_t(i)].label), readings[size_t(i)]);
        const int row = i % 4, col = (i / 4) * 2;
        grid->addWidget(label, row, col);
        grid->addWidget(readings[size_t(i)], row, col + 1);
    }
    grid->setColumnMinimumWidth(2, boxWidth);

    MoveFirst =
        makeButton(this, "MoveFirst", QStringLiteral("<<"), QStringLiteral("Display the first date in your database."));
    Previous = makeButton(this, "Previous", QStringLiteral("Previous"), QStringLiteral("Display the previous date."));
    Next = makeButton(this, "Next", QStringLiteral("Next"), QStringLiteral("Display the next date."));
    MoveLast =
        makeButton(this, "MoveLast", QStringLiteral(">>"), QStringLiteral("Display the last date in your database."));
    Search = makeButton(this, "Search", QStringLiteral("Search"), QStringLiteral("Search for a date."));
    AddNewDate = makeButton(this, "AddNewDate", QStringLiteral("Add New Date/Rds."),
                            QStringLiteral("Add a new date to your database."));
    PrtToScr = makeButton(this, "PrtToScr", QStringLiteral("Print To Screen"),
                          QStringLiteral("Print readings to the screen."));
    EditReading = makeButton(this, "EditReading", QStringLiteral("Edit Current Date/Rds."),
                             QStringLiteral("Edit the currently displayed date."));
    PrtRpt = makeButton(this, "PrtRpt", QStringLiteral("Print Report"), QStringLiteral("Print the report."));
    DeleteReading = makeButton(this, "DeleteReading", QStringLiteral("Delete Current Date"),
                               QStringLiteral("Delete the currently displayed date with it's readings."));
    CloseDbase = makeButton(this, "CloseDbase", QStringLiteral("Close Database"),
                            QStringLiteral("Close the currently opened database."));
    AddNewDate->setProperty("helpContext", IDH_ADD);
    EditReading->setProperty("helpContext", IDH_EDIT);
    DeleteReading->setProperty("helpContext", IDH_DELETE_DATE);
    Search->setProperty("helpContext", IDH_SEARCH);
    PrtRpt->setProperty("helpContext", IDH_REPORT);
    PrtToScr->setProperty("helpContext", IDH_LISTING);

    auto *nav = new QHBoxLayout;
    for (QPushButton *b : {MoveFirst, Previous, Next, MoveLast})
        nav->addWidget(b);

    auto *commands = new QGridLayout;
    commands->addWidget(Search, 0, 0);
    commands->addWidget(AddNewDate, 0, 1);
    commands->addWidget(PrtToScr, 1, 0);
    commands->addWidget(EditReading, 1, 1);
    commands->addWidget(PrtRpt, 2, 0);
    commands->addWidget(DeleteReading, 2, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label11);
    layout->addLayout(top);
    layout->addSpacing(6);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(nav);
    layout->addLayout(commands);
    layout->addWidget(CloseDbase, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabChain({AddNewDate, EditReading, DeleteReading, Search, PrtToScr, PrtRpt, CloseDbase, MoveFirst, Previous,
                 Next, MoveLast});
    setFocusProxy(AddNewDate);

    connect(MoveFirst, &QPushButton::clicked, this, &CurrReading::MoveFirst_Click);
    connect(MoveLast, &QPushButton::clicked, this, &CurrReading::MoveLast_Click);
    connect(Next, &QPushButton::clicked, this, &CurrReading::Next_Click);
    connect(Previous, &QPushButton::clicked, this, &CurrReading::Previous_Click);
    connect(DeleteReading, &QPushButton::clicked, this, &CurrReading::DeleteReading_Click);
    connect(AddNewDate, &QPushButton::clicked, this, [this] { shell_.openWindow(QStringLiteral("AddRds")); });
    connect(EditReading, &QPushButton::clicked, this, [this] { openIfShowing("EditRds"); });
    connect(Search, &QPushButton::clicked, this, [this] { openIfShowing("SearchRds"); });
    connect(PrtToScr, &QPushButton::clicked, this, [this] { openIfShowing("Display"); });
    // The report request makes the date test in its own loading step.
    connect(PrtRpt, &QPushButton::clicked, this, [this] { shell_.openWindow(QStringLiteral("StdRptByDate")); });
    connect(CloseDbase, &QPushButton::clicked, this, &ChildWindow::discard);
}

ChildWindow::LoadResult CurrReading::load()
{
    try {
        Database db = Database::open(currentDiaryPath(shell_));
        Cursor cursor(db);
        if (!cursor.eof()) {
            cursor.moveLast();
            showDay(cursor.row());
        }
    } catch (const StoreError &) {
        shell_.services().messages->show(this, corruptedFileMessage());
        return LoadResult::Discard;
    }
    // The name box mirrors the open diary's name.
    DatabaseName->setText(shell_.openDiary().name);
    shell_.setDatabaseMenus(true);
    shell_.setWindowVisible(QStringLiteral("SelectDbase"), false);
    hold(Held::StartChoice);
    return LoadResult::Show;
}

void CurrReading::closingStep()
{
    shell_.setOpenDiary({});
    shell_.closeWindow(QStringLiteral("SelectDbase"));
    shell_.setDatabaseMenus(false);
}

bool CurrReading::showsDate() const { return !Bdate->text().isEmpty() && !Bdates->text().isEmpty(); }
QString CurrReading::shownKey() const { return Bdate->text(); }
QString CurrReading::shownDate() const { return Bdates->text(); }

ReadingDay CurrReading::shownDay() const
{
    ReadingDay day;
    day.key = Bdate->text();
    for (int i = 0; i < kReadingKinds; ++i)
        day.readings[size_t(i)] = readings[size_t(i)]->text();
    return day;
}

void CurrReading::showDay(const ReadingDay &day)
{
    Bdates->setText(ShortDate(day.key));
    Bdate->setText(day.key);
    for (int i = 0; i < kReadingKinds; ++i)
        readings[size_t(i)]->setText(day.readings[size_t(i)]);
}

void CurrReading::clearDay()
{
    Bdates->clear();
    Bdate->clear();
    for (QLineEdit *box : readings)
        box->clear();
}

void CurrReading::openIfShowing(const char *window)
{
    if (showsDate())
        shell_.openWindow(QLatin1String(window));
}

bool CurrReading::seekShown(Cursor &cursor)
{
    cursor.seek(SeekOp::Equal, shownKey());
    if (!cursor.noMatch())
        return true;
    tellNotStored();
    return false;
}

void CurrReading::tellNotStored()
{
    shell_.services().messages->show(
        this,
        QStringLiteral("The date %1 is no longer stored in this diary. Use \"<<\" or \">>\" to show a stored date.")
            .arg(shownDate()));
}

void CurrReading::MoveFirst_Click()
{
    if (!showsDate())
        return;
    withCurrentDiary(
        shell_, this, readFailedText(),
        [this](Database &, Cursor &c) {
            if (!c.bof()) {
                c.moveFirst();
                showDay(c.row());
            }
        },
        Database::Access::ReadOnly);
}

void CurrReading::MoveLast_Click()
{
    if (!showsDate())
        return;
    withCurrentDiary(
        shell_, this, readFailedText(),
        [this](Database &, Cursor &c) {
            if (!c.eof()) {
                c.moveLast();
                showDay(c.row());
            }
        },
        Database::Access::ReadOnly);
}

void CurrReading::Next_Click() { stepShown(true); }

void CurrReading::Previous_Click() { stepShown(false); }

void CurrReading::stepShown(bool forward)
{
    if (!showsDate())
        return;
    withCurrentDiary(
        shell_, this, readFailedText(),
        [this, forward](Database &, Cursor &c) {
            if (!seekShown(c))
                return;
            forward ? c.moveNext() : c.movePrevious();
            if (forward ? c.eof() : c.bof()) {
                // The shown date was the last (or first) one: say so with the
                // beep alone.
                shell_.services().messages->beep();
                forward ? c.movePrevious() : c.moveFirst();
            }
            showDay(c.row());
        },
        Database::Access::ReadOnly, DiarySession::Start::Anywhere);
}

void CurrReading::DeleteReading_Click()
{
    if (!showsDate())
        return;
    withCurrentDiary(
        shell_, this, changeFailedText(),
        [this](Database &, Cursor &c) {
            const MsgAnswer answer = shell_.services().messages->show(this, QStringLiteral("Are You Sure?"),
                                                                      QStringLiteral("Delete Reading"),
                                                                      MsgIcon::Question, MsgButtons::OkCancel);
            if (answer == MsgAnswer::Cancel)
                return;
            // The browser changes only once the day is gone: a failure on the way
            // leaves the day stored and shown.
            const DiaryChanges::DayDeletion deletion = DiaryChanges::deleteDay(c, shownKey());
            if (!deletion.deleted) {
                tellNotStored();
                return;
            }
            // The date after the deleted one becomes current, else the one before;
            // the boxes stay empty when no date is left.
            clearDay();
            if (deletion.next)
                showDay(*deletion.next);
        },
        Database::Access::ReadWrite, DiarySession::Start::Anywhere);
}
