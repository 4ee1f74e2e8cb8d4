#include "platform/Widgets.h"

#include <QPalette>

QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QString &toolTip)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    if (!toolTip.isEmpty())
        b->setToolTip(toolTip);
    b->setAutoDefault(true);
    return b;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, QWidget *buddy, Qt::Alignment align)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    l->setAlignment(align);
    if (buddy) {
        l->setBuddy(buddy);
        QString plain = text;
        plain.remove(QLatin1Char('&'));
        if (plain.endsWith(QLatin1Char(':')))
            plain.chop(1);
        buddy->setAccessibleName(plain);
    }
    return l;
}

QLineEdit *makeBox(QWidget *parent, const char *name, bool readOnly)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    if (readOnly) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::ClickFocus);
        QPalette p = e->palette();
        p.setColor(QPalette::Base, p.color(QPalette::Window));
        e->setPalette(p);
    }
    return e;
}

void setTabChain(std::initializer_list<QWidget *> widgets)
{
    QWidget *prev = nullptr;
    for (QWidget *w : widgets) {
        if (prev)
            QWidget::setTabOrder(prev, w);
        prev = w;
    }
}

void useMainWindowType(QWidget *w)
{
    QFont f = w->font();
    f.setBold(true);
    w->setFont(f);
}

void paintBackground(QWidget *w, const QColor &colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}
