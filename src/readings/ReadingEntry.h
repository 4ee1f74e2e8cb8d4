#pragma once
// Typing readings: the key filter every reading box applies, the box itself,
// and the panel of eight labelled boxes that the add and edit windows share.

#include "core/ReadingDay.h"

#include <QLineEdit>
#include <QWidget>

#include <array>

class MessageService;

// The key filter of every reading box: digits, ".", Backspace (8) and Delete
// (127) pass and come back unchanged; anything else comes back as 0 after a
// beep.
int FilterReadingKey(int keyAscii, MessageService &messages);

// Whether every character of `text` would pass the filter.
bool isReadingText(const QString &text);

// A box of at most six characters that takes only what the key filter lets
// through, whether typed, pasted or dropped. Refused input beeps and leaves
// the box as it was.
class ReadingBox : public QLineEdit {
    Q_OBJECT
public:
    ReadingBox(QWidget *parent, const char *name, MessageService &messages);

    static constexpr int kMaxLength = 6;

    // Pastes the clipboard's text if the filter lets every character of it
    // through; otherwise beeps.
    void checkedPaste();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    MessageService &messages_;
};

// The eight reading boxes with their labels, in two columns of four: Pre-
// Breakfast to After Lunch on the left, Pre-Dinner to Night on the right.
class ReadingEntryPanel : public QWidget {
    Q_OBJECT
public:
    ReadingEntryPanel(QWidget *parent, MessageService &messages);

    std::array<ReadingBox *, kReadingKinds> boxes; // Bfast ... Night

    // Shows a stored day's readings for editing: "-" (no reading) shows as
    // an empty box.
    void showForEditing(const ReadingDay &day);
    // The day as it is to be stored under `key`: an empty box becomes "-".
    ReadingDay storedDay(const QString &key) const;
};
