#pragma once
// The desktop services that windows use: message boxes and the beep, today's
// date, the wait pointer. Windows receive them from the shell; tests hand in
// fakes that record what a window asked for.

#include <QDate>
#include <QString>

class QWidget;
class ReportPrinter;
class PrinterSelectionDialog;
class Clipboard;
class HelpService;
class FileDialogs;

enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgButtons { Ok, OkCancel };
enum class MsgAnswer { Ok, Cancel };

class MessageService {
public:
    virtual ~MessageService() = default;
    // Shows a modal message; a missing title shows the program's name.
    virtual MsgAnswer show(QWidget *parent, const QString &text, const QString &title = {},
                           MsgIcon icon = MsgIcon::None, MsgButtons buttons = MsgButtons::Ok) = 0;
    virtual void beep() = 0;
};

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
};

class WaitPointer {
public:
    virtual ~WaitPointer() = default;
    virtual void begin() = 0;
    virtual void end() = 0;
};

// Shows the wait pointer for as long as it lives.
class WaitGuard {
public:
    explicit WaitGuard(WaitPointer &w) : w_(w) { w_.begin(); }
    ~WaitGuard() { w_.end(); }
    WaitGuard(const WaitGuard &) = delete;
    WaitGuard &operator=(const WaitGuard &) = delete;

private:
    WaitPointer &w_;
};

struct Services {
    MessageService *messages = nullptr;
    Clock *clock = nullptr;
    WaitPointer *wait = nullptr;
    ReportPrinter *printer = nullptr;                // the printer of every report and chart
    PrinterSelectionDialog *printerDialog = nullptr; // the printer set-up dialog
    Clipboard *clipboard = nullptr;
    HelpService *help = nullptr;
    FileDialogs *files = nullptr; // the dialogs that ask for a file to write or read
};

// The program's name, the title of every message box that has none of its own.
inline const QString &programName()
{
    static const QString name = QStringLiteral("Levelbook");
    return name;
}

// Tells the user that an action could not be finished because the diary file
// or the disk failed. `detail` is the engine's or the file system's own words.
void reportFailure(Services &services, QWidget *parent, const QString &what, const QString &detail);
// A request refused for a reason the user can mend: a beep and a warning.
void warnRefused(Services &services, QWidget *parent, const QString &text);

// The usual words for a failed read and a failed change.
inline QString readFailedText() { return QStringLiteral("The diary could not be read."); }
inline QString changeFailedText()
{
    return QStringLiteral("The change could not be stored. The diary on disk is as it was before.");
}
