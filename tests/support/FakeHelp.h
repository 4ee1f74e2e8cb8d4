#pragma once
// A help service that records which topics were asked for, and from which
// window, instead of showing them.

#include "platform/HelpService.h"

#include <QList>
#include <QPointer>
#include <QWidget>

class FakeHelp final : public HelpService {
public:
    void showTopic(QWidget *parent, int context) override
    {
        asked.append(context);
        parents.append(parent);
    }

    // The last number asked for, or -1 when none was.
    int last() const { return asked.isEmpty() ? -1 : asked.last(); }
    void reset()
    {
        asked.clear();
        parents.clear();
    }

    QList<int> asked;
    QList<QPointer<QWidget>> parents;
};
