#include "platform/HelpKey.h"

#include "platform/HelpService.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

namespace {

int numberOf(const QObject *o)
{
    if (!o)
        return 0;
    bool ok = false;
    const int n = o->property("helpContext").toInt(&ok);
    return ok && n > 0 ? n : 0;
}

// The item highlighted in an open menu or in the menu bar, if any.
const QAction *highlightedItem(const QObject *o)
{
    if (const auto *menu = qobject_cast<const QMenu *>(o))
        return menu->activeAction();
    if (const auto *bar = qobject_cast<const QMenuBar *>(o))
        return bar->activeAction();
    return nullptr;
}

} // namespace

int helpContextFor(const QObject *target)
{
    for (const QObject *o = target; o; o = o->parent()) {
        if (const int n = numberOf(highlightedItem(o)))
            return n;
        if (const auto *menu = qobject_cast<const QMenu *>(o))
            if (const int n = numberOf(menu->menuAction()))
                return n;
        if (const int n = numberOf(o))
            return n;
    }
    return 0;
}

HelpKey::HelpKey(QWidget *frame, Services &services) : QObject(frame), frame_(frame), services_(services)
{
    qApp->installEventFilter(this);
}

bool HelpKey::belongsToFrame(const QWidget *w) const
{
    // Menus and messages are windows of their own; their parents lead back
    // to the frame.
    for (; w; w = w->parentWidget())
        if (w == frame_)
            return true;
    return false;
}

bool HelpKey::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_F1 || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget || !belongsToFrame(widget))
        return false;
    // A modal dialog would block the help window until it closes; the help
    // waits for it.
    if (QApplication::activeModalWidget())
        return false;
    const int context = helpContextFor(widget);
    // An open menu closes, as it does when any other window comes up; the
    // frame stands in for it as the window the user asked from.
    QWidget *window = widget->window();
    if (window->windowType() == Qt::Popup) {
        window = frame_;
        for (int i = 0; i < 16; ++i) {
            QWidget *popup = QApplication::activePopupWidget();
            if (!popup)
                break;
            popup->close();
        }
    }
    if (HelpService *help = services_.help)
        help->showTopic(window, context);
    return true;
}
