#pragma once
// The real desktop services, on Qt.

#include "platform/FileDialogs.h"
#include "platform/HelpViewer.h"
#include "platform/QtClipboard.h"
#include "platform/QtPrinting.h"
#include "platform/Services.h"

class QtMessageService final : public MessageService {
public:
    MsgAnswer show(QWidget *parent, const QString &text, const QString &title, MsgIcon icon,
                   MsgButtons buttons) override;
    void beep() override;
};

class SystemClock final : public Clock {
public:
    QDate today() const override;
};

class QtWaitPointer final : public WaitPointer {
public:
    void begin() override;
    void end() override;
};

// All real services in one place; the program's entry owns one.
struct QtServices {
    QtMessageService messages;
    SystemClock clock;
    QtWaitPointer wait;
    QtReportPrinter printer;
    QtPrinterSelectionDialog printerDialog;
    QtClipboard clipboard;
    QtHelpService help{messages};
    QtFileDialogs files;
    Services services()
    {
        return Services{&messages, &clock, &wait, &printer, &printerDialog, &clipboard, &help, &files};
    }
};
