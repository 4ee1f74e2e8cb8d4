#include "readings/ReadingEntry.h"

#include "platform/Services.h"
#include "platform/Widgets.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpressionValidator>

namespace {

bool passes(int keyAscii)
{
    return (keyAscii >= '0' && keyAscii <= '9') || keyAscii == '.' || keyAscii == 8 || keyAscii == 127;
}

} // namespace

int FilterReadingKey(int keyAscii, MessageService &messages)
{
    if (passes(keyAscii))
        return keyAscii;
    messages.beep();
    return 0;
}

bool isReadingText(const QString &text)
{
    for (const QChar c : text)
        if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char('.'))
            return false;
    return true;
}

// ---------------------------------------------------------------- ReadingBox

ReadingBox::ReadingBox(QWidget *parent, const char *name, MessageService &messages)
    : QLineEdit(parent), messages_(messages)
{
    setObjectName(QLatin1String(name));
    setMaxLength(kMaxLength);
    // Whatever way text arrives (an input method, the selection paste of the
    // middle button), nothing the filter refuses gets in.
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), this));
    setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 16);
}

void ReadingBox::checkedPaste()
{
    if (isReadOnly())
        return;
    const QString text = QGuiApplication::clipboard()->text();
    if (!isReadingText(text)) {
        messages_.beep();
        return;
    }
    paste();
}

void ReadingBox::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Paste)) {
        checkedPaste();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Escape:
        event->ignore(); // the window closes as its Cancel button does
        return;
    case Qt::Key_Backspace:
    case Qt::Key_Delete: QLineEdit::keyPressEvent(event); return;
    default: break;
    }
    // Shortcuts (copy, cut, select all, undo) and keys that type nothing
    // (arrows, Home, End) go to the box as usual.
    const QString text = event->text();
    if (text.isEmpty() || (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    for (const QChar c : text) {
        if (FilterReadingKey(c.unicode(), messages_) == 0) {
            event->accept();
            return;
        }
    }
    QLineEdit::keyPressEvent(event);
}

void ReadingBox::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The menu's Paste goes through the same check as Ctrl+V.
    for (QAction *item : menu->actions()) {
        if (item->objectName() == QLatin1String("edit-paste") ||
            item->text().section(QLatin1Char('\t'), 0, 0) == QLineEdit::tr("&Paste")) {
            disconnect(item, &QAction::triggered, nullptr, nullptr);
            connect(item, &QAction::triggered, this, &ReadingBox::checkedPaste);
        }
    }
    menu->popup(event->globalPos());
}

void ReadingBox::dropEvent(QDropEvent *event)
{
    if (event->mimeData()->hasText() && !isReadingText(event->mimeData()->text())) {
        messages_.beep();
        event->ignore();
        return;
    }
    QLineEdit::dropEvent(event);
}

// ---------------------------------------------------------------- ReadingEntryPanel

ReadingEntryPanel::ReadingEntryPanel(QWidget *parent, MessageService &messages) : QWidget(parent)
{
    setObjectName(QStringLiteral("Readings"));
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    const auto &kinds = readingKinds();
    for (int i = 0; i < kReadingKinds; ++i) {
        auto *box = new ReadingBox(this, kinds[size_t(i)].field, messages);
        boxes[size_t(i)] = box;
        const QByteArray labelName = "Label" + QByteArray::number(i + 2);
        QLabel *label = makeLabel(this, labelName.constData(), QLatin1String(kinds[size_t(i)].label), box);
        const int row = i % 4, col = (i / 4) * 2;
        grid->addWidget(label, row, col);
        grid->addWidget(box, row, col + 1);
    }
    grid->setColumnMinimumWidth(1, boxes[0]->width() + 12);
    for (size_t i = 1; i < boxes.size(); ++i)
        QWidget::setTabOrder(boxes[i - 1], boxes[i]);
}

void ReadingEntryPanel::showForEditing(const ReadingDay &day)
{
    for (int i = 0; i < kReadingKinds; ++i) {
        const QString &text = day.readings[size_t(i)];
        boxes[size_t(i)]->setText(text == missingReading() ? QString() : text);
    }
}

ReadingDay ReadingEntryPanel::storedDay(const QString &key) const
{
    ReadingDay day;
    day.key = key;
    for (int i = 0; i < kReadingKinds; ++i)
        day.readings[size_t(i)] = ReadingDay::storedForm(boxes[size_t(i)]->text());
    return day;
}
