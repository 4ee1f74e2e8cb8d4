#include "readings/EntryLayout.h"

#include "platform/DatePicker.h"
#include "platform/Widgets.h"
#include "readings/ReadingEntry.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {

QHBoxLayout *buttonRow(QPushButton *a, QPushButton *b)
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(a);
    row->addSpacing(12);
    row->addWidget(b);
    row->addStretch();
    const int width = std::max(a->sizeHint().width(), b->sizeHint().width()) + 16;
    a->setMinimumWidth(width);
    b->setMinimumWidth(width);
    return row;
}

} // namespace

void layOutEntryWindow(QWidget *window, QLabel *dateLabel, DatePicker *picker, ReadingEntryPanel *readings,
                       QPushButton *save, QPushButton *cancel)
{
    auto *dateRow = new QHBoxLayout;
    dateRow->addStretch();
    dateRow->addWidget(dateLabel);
    dateRow->addWidget(picker);
    dateRow->addStretch();
    picker->setMinimumWidth(picker->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000")) + 48);

    auto *layout = new QVBoxLayout(window);
    layout->addLayout(dateRow);
    layout->addSpacing(10);
    layout->addWidget(readings, 0, Qt::AlignHCenter);
    layout->addSpacing(10);
    layout->addLayout(buttonRow(save, cancel));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabChain({picker, readings->boxes.front()});
    setTabChain({readings->boxes.back(), save, cancel});
}

void layOutPickWindow(QWidget *window, QLabel *explanation, DatePicker *picker, QPushButton *act, QPushButton *cancel)
{
    picker->setMinimumWidth(picker->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000")) + 48);
    auto *layout = new QVBoxLayout(window);
    layout->addWidget(explanation);
    layout->addSpacing(6);
    layout->addWidget(picker, 0, Qt::AlignHCenter);
    layout->addSpacing(10);
    layout->addLayout(buttonRow(act, cancel));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabChain({picker, act, cancel});
}
