#pragma once
// What every test program shares: fake desktop services that record what a
// window asked for, diaries written for the purpose, and the real main frame
// started on a temporary data folder.

#include "app/MDIStart.h"
#include "platform/Services.h"
#include "store/DiaryPath.h"
#include "store/ReadingDay.h"

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
    void reset() { shown.clear(); beeps = 0; answers.clear(); }
};

class FakeClock final : public Clock {
public:
    QDate today() const override { return date; }
    QDate date{2013, 9, 17};
};

class FakeWait final : public WaitPointer {
public:
    void begin() override { ++depth; ++begun; }
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

// A day with its readings; missing readings are "-".
ReadingDay makeDay(const QString &key, const QStringList &readings = {});
// Days keyed 2013-01-01, 2013-01-02 ... with readings derived from the index.
QList<ReadingDay> consecutiveDays(int count, const QDate &first = QDate(2013, 1, 1));

// Creates a diary file holding these days.
void writeDiary(const QString &path, const QList<ReadingDay> &days);
// Every day of a diary file, in key order.
QList<ReadingDay> readDiary(const QString &path);

// A file's bytes, or "<absent>" when it cannot be read.
QByteArray bytesOf(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);

// Every file of a folder, hidden ones included, with its content: equal
// snapshots mean nothing was changed, added or left behind.
QMap<QString, QByteArray> snapshot(const QString &folder);

// Runs SQL on a file directly, as another program would; the SQL must succeed.
void rawSql(const QString &path, const char *sql);

// Adds days to the diary as another program would that switches it to
// write-ahead-log mode, commits them and is killed before the log is played
// into the file: the days then live in NAME-wal alone.
void addDaysInLogAndDie(const QString &path, const QList<ReadingDay> &days);

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

    template <class W> W *window(const char *name) const { return qobject_cast<W *>(frame->window(QLatin1String(name))); }
    // Whether the named window is open and shown.
    bool shown(const char *name) const;
    QPushButton *button(const char *window, const char *name) const;
    void click(const char *window, const char *button) const;

private:
    QTemporaryDir dir_;
};
