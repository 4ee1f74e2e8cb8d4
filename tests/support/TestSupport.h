#pragma once
// What every test program of the windows shares: fake desktop services that
// record what a window asked for, diaries written for the purpose (DiaryFiles.h),
// and the real main frame started on a temporary data folder.

#include "app/MDIStart.h"
#include "core/DiaryPath.h"
#include "core/ReadingDay.h"
#include "platform/Services.h"
#include "support/DiaryFiles.h"

#include <QList>
#include <QMap>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QPushButton;

class FakeMessages final : public MessageService {
public:
    struct Shown {
        QString text;
        QString title;
        MsgIcon icon;
        MsgButtons buttons;
    };
    MsgAnswer show(QWidget *, const QString &text, const QString &title, MsgIcon icon, MsgButtons buttons) override;
    void beep() override { ++beeps; }

    QList<Shown> shown;
    int beeps = 0;
    // Answers given in turn to OK/Cancel questions; OK when none is left.
    QList<MsgAnswer> answers;
    // Runs while a message is up, as a user would act before answering.
    std::function<void(const Shown &)> whileShown;

    QString lastText() const { return shown.isEmpty() ? QString() : shown.last().text; }
    void reset()
    {
        shown.clear();
        beeps = 0;
        answers.clear();
    }
};

class FakeClock final : public Clock {
public:
    QDate today() const override { return date; }
    QDate date{2013, 9, 17};
};

class FakeWait final : public WaitPointer {
public:
    void begin() override
    {
        ++depth;
        ++begun;
    }
    void end() override { --depth; }
    int depth = 0;
    int begun = 0;
};

struct FakeServices {
    FakeMessages messages;
    FakeClock clock;
    FakeWait wait;
    Services services() { return Services{&messages, &clock, &wait}; }
};

// The real main frame on a fresh temporary data folder, started and shown,
// with fake services and an exit that is only counted.
class TestApp {
public:
    TestApp();
    ~TestApp();

    QString folder() const { return dir_.path(); }
    QString pathOf(const QString &file) const { return diaryPath(dir_.path(), file); }

    FakeServices fakes;
    std::unique_ptr<MDIStart> frame;
    int exits = 0;

    // Opens a diary of the data folder as the user does: "Open An Existing
    // Database", then a double-click on the file. Returns the browser or null.
    class CurrReading *openDiary(const QString &file);

    template <class W> W *window(const char *name) const
    {
        return qobject_cast<W *>(frame->window(QLatin1String(name)));
    }
    // Whether the named window is open and shown.
    bool shown(const char *name) const;
    QPushButton *button(const char *window, const char *name) const;
    void click(const char *window, const char *button) const;

private:
    QTemporaryDir dir_;
};
