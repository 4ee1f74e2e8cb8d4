#pragma once
// The listing window: stored days on screen, sixteen to a page, one line per
// day with its date and eight readings. The first page starts at the date the
// browser shows; "Next Page" goes on from the end of the page, "Previous Page"
// counts back from the last stored date.

#include "core/ListingPage.h"
#include "platform/ChildWindow.h"

#include <QFrame>

class QLineEdit;
class QPushButton;

// The page as drawn: a grid 80 units across and 16 lines down. It keeps the
// page it was given and draws it again whenever it is uncovered.
class ListingCanvas : public QFrame {
    Q_OBJECT
public:
    explicit ListingCanvas(QWidget *parent = nullptr);

    void setPage(const ListingPage &page);
    void clear() { setPage({}); }
    // Every text on the page with its place in grid units.
    const QList<ListingText> &texts() const { return texts_; }

    // The left edge of a grid column in pixels, inside the canvas.
    int columnX(int units) const;
    // Picks a unit wide enough for the widest texts the columns hold.
    void fitColumns(const QList<QStringList> &columnTexts, const QFont &headingFont);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int lineHeight() const;

    QList<ListingText> texts_;
    qreal unit_ = 9.0;
};

// Inside a namespace: X11's headers, which Qt brings in on Linux, take the
// bare name for a type of their own.
namespace listing {

class Display : public ChildWindow {
    Q_OBJECT
public:
    explicit Display(Shell &shell);

    LoadResult load() override;

    ListingCanvas *Picture1;
    QPushButton *NextPage;
    QPushButton *Previous;
    QPushButton *CloseDisplay;
    // Hidden mirrors of the page shown: the key of its last day and its
    // number of lines. The page itself is what the paging reads.
    QLineEdit *LastDate;
    QLineEdit *LineCount;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void NextPage_Click();
    void Previous_Click();

    QString lastDate_;  // the key of the last day of the page shown
    int lineCount_ = 0; // its number of lines
    void showPage(const ListingPage &page);
};

} // namespace listing
