#include "listing/Display.h"

#include "core/DateKey.h"
#include "help/helpids.h"
#include "platform/DiaryAccess.h"
#include "platform/Shell.h"
#include "platform/Widgets.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

// Room left between the text of a column and the start of the next one.
constexpr int kColumnGap = 10;
// Room inside the canvas frame around the grid.
constexpr int kPad = 4;

int widest(const QFontMetrics &metrics, const QStringList &texts)
{
    int w = 0;
    for (const QString &t : texts)
        w = std::max(w, metrics.horizontalAdvance(t));
    return w;
}

} // namespace

// ---------------------------------------------------------------- ListingCanvas

ListingCanvas::ListingCanvas(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Picture1"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    QFont f = font();
    f.setPointSizeF(12);
    f.setBold(true);
    setFont(f);
    setFocusPolicy(Qt::NoFocus);
    setAccessibleName(QStringLiteral("Listing"));
}

void ListingCanvas::setPage(const ListingPage &page)
{
    texts_.clear();
    QStringList lines;
    for (int line = 0; line < page.lineCount(); ++line) {
        const QList<ListingText> row = DrawListingRow(line, page.rows[line]);
        texts_ += row;
        QStringList cells;
        for (const ListingText &t : row)
            cells << t.text;
        lines << cells.join(QLatin1Char(' '));
    }
    // What a screen reader can tell of the drawing.
    setAccessibleDescription(lines.join(QLatin1Char('\n')));
    update();
}

int ListingCanvas::lineHeight() const { return fontMetrics().height() + 4; }

int ListingCanvas::columnX(int units) const { return frameWidth() + kPad + int(std::lround(units * unit_)); }

void ListingCanvas::fitColumns(const QList<QStringList> &columnTexts, const QFont &headingFont)
{
    const QFontMetrics own = fontMetrics();
    const QFontMetrics heading(headingFont);
    for (int i = 0; i <= kReadingKinds && i < columnTexts.size(); ++i) {
        const int next = i < kReadingKinds ? kListingColumns[i + 1] : kListingWidthUnits;
        const int span = next - kListingColumns[i];
        const int need = std::max(widest(own, columnTexts[i]), widest(heading, columnTexts[i])) + kColumnGap;
        unit_ = std::max(unit_, qreal(need) / span);
    }
    unit_ = std::ceil(unit_ * 4) / 4;
    updateGeometry();
}

QSize ListingCanvas::sizeHint() const
{
    const int w = 2 * (frameWidth() + kPad) + int(std::ceil(kListingWidthUnits * unit_));
    const int h = 2 * (frameWidth() + kPad) + kListingLines * lineHeight();
    return {w, h};
}

void ListingCanvas::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(QPalette::Text));
    const int top = frameWidth() + kPad;
    const int lh = lineHeight();
    for (const ListingText &t : texts_) {
        const int x = columnX(t.x);
        const QRect cell(x, top + t.line * lh, width() - x, lh);
        p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, t.text);
    }
}

// ---------------------------------------------------------------- Display

namespace listing {

Display::Display(Shell &shell) : ChildWindow(shell, QStringLiteral("Display"))
{
    setWindowTitle(QStringLiteral("Display Database"));
    setHelpContext(IDH_LISTING);
    setEscapeCloses(true);
    useMainWindowType(this);

    Picture1 = new ListingCanvas(this);
    LastDate = makeBox(this, "LastDate", true);
    LineCount = makeBox(this, "LineCount", true);
    LastDate->hide();
    LineCount->hide();

    // Two lines of headings over the columns.
    const QStringList upper{QString(),
                            QStringLiteral("Pre-"),
                            QStringLiteral("After"),
                            QStringLiteral("Pre-"),
                            QStringLiteral("After"),
                            QStringLiteral("Pre-"),
                            QStringLiteral("After"),
                            QString(),
                            QString()};
    const QStringList lower{QStringLiteral("Date:"),  QStringLiteral("Breakfast"), QStringLiteral("Breakfast"),
                            QStringLiteral("Lunch"),  QStringLiteral("Lunch"),     QStringLiteral("Dinner"),
                            QStringLiteral("Dinner"), QStringLiteral("Bedtime"),   QStringLiteral("Night")};

    // The canvas is wide enough for the widest date, six-figure readings and
    // the headings.
    QStringList dates;
    for (int month = 1; month <= 12; ++month)
        dates << ShortDate(QDate(2088, month, 28));
    QList<QStringList> columns{dates + QStringList{lower[0]}};
    for (int i = 1; i <= kReadingKinds; ++i)
        columns << QStringList{QStringLiteral("888888"), QStringLiteral("000000"), upper[i], lower[i]};
    Picture1->fitColumns(columns, font());

    auto *headings = new QWidget(this);
    headings->setObjectName(QStringLiteral("Headings"));
    const int lineH = fontMetrics().height() + 2;
    int labelNo = 0;
    auto place = [&](const QString &text, int column, int line) {
        if (text.isEmpty())
            return;
        const QByteArray name = "Label" + QByteArray::number(++labelNo);
        QLabel *l = makeLabel(headings, name.constData(), text, nullptr, Qt::AlignLeft | Qt::AlignVCenter);
        l->adjustSize();
        l->move(Picture1->columnX(kListingColumns[column]), line * lineH);
    };
    for (int i = 0; i <= kReadingKinds; ++i)
        place(upper[i], i, 0);
    for (int i = 0; i <= kReadingKinds; ++i)
        place(lower[i], i, 1);
    headings->setFixedSize(Picture1->sizeHint().width(), 2 * lineH);

    NextPage = makeButton(this, "NextPage", QStringLiteral("Next Page"), QStringLiteral("Display the next 16 dates."));
    Previous =
        makeButton(this, "Previous", QStringLiteral("Previous Page"), QStringLiteral("Display the previous 16 dates."));
    CloseDisplay = makeButton(this, "CloseDisplay", QStringLiteral("Exit Display"), QStringLiteral("Close window."));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(CloseDisplay);
    buttons->addStretch(1);
    buttons->addWidget(Previous);
    buttons->addStretch(1);
    buttons->addWidget(NextPage);

    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(2);
    layout->addWidget(headings);
    layout->addWidget(Picture1);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabChain({NextPage, Previous, CloseDisplay});
    setFocusProxy(NextPage);

    connect(NextPage, &QPushButton::clicked, this, &Display::NextPage_Click);
    connect(Previous, &QPushButton::clicked, this, &Display::Previous_Click);
    connect(CloseDisplay, &QPushButton::clicked, this, &ChildWindow::discard);
}

ChildWindow::LoadResult Display::load()
{
    ShownDay *browser = shell_.browserShowingADate();
    if (!browser)
        return LoadResult::Discard;
    const QString key = browser->shownKey();
    ListingPage page;
    const bool read = withCurrentDiary(
        shell_, this, readFailedText(), [&](Database &, Cursor &c) { page = firstListingPage(c, key); },
        Database::Access::ReadOnly);
    if (!read)
        return LoadResult::Discard;
    // The first page is drawn before the window shows.
    showPage(page);
    hold(Held::Browser);
    return LoadResult::Show;
}

void Display::keyPressEvent(QKeyEvent *event)
{
    // The paging keys turn the pages as the buttons do.
    if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_PageDown)
        NextPage_Click();
    else if (event->modifiers() == Qt::NoModifier && event->key() == Qt::Key_PageUp)
        Previous_Click();
    else
        ChildWindow::keyPressEvent(event);
}

void Display::showPage(const ListingPage &page)
{
    Picture1->setPage(page);
    lastDate_ = page.lastDate();
    lineCount_ = page.lineCount();
    LastDate->setText(lastDate_);
    LineCount->setText(QString::number(lineCount_));
}

void Display::NextPage_Click()
{
    // A page with fewer than sixteen lines is the last one.
    if (lineCount_ != kListingLines)
        return;
    const QString last = lastDate_;
    std::optional<ListingPage> page;
    withCurrentDiary(
        shell_, this, readFailedText(), [&](Database &, Cursor &c) { page = nextListingPage(c, last); },
        Database::Access::ReadOnly);
    if (page)
        showPage(*page);
}

void Display::Previous_Click()
{
    const int lines = lineCount_;
    ListingPage page;
    const bool read = withCurrentDiary(
        shell_, this, readFailedText(), [&](Database &, Cursor &c) { page = previousListingPage(c, lines); },
        Database::Access::ReadOnly);
    if (read)
        showPage(page);
}

} // namespace listing
