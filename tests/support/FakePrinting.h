#pragma once
// Fakes of the printing services: a printer dialog that answers as told, a
// clipboard that records what happened to it, and a printer that passes
// everything on to a real one but fails where a test wants it to.

#include "platform/Clipboard.h"
#include "platform/ReportPrinter.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

class FakePrinterDialog final : public PrinterSelectionDialog {
public:
    bool choose(QWidget *parent, const PrinterSetup &current, PrinterSetup &chosen) override;

    // The answers given in turn; with none left the dialog is cancelled.
    struct Answer {
        bool confirm = true;
        PrinterSetup chosen;
        bool fail = false; // the dialog cannot be shown
    };
    QList<Answer> answers;
    // What each showing was preset with.
    QList<PrinterSetup> presets;
    // Runs while the dialog is up.
    std::function<void()> whileShown;

    // Queues a confirmation of a PDF file, or of a printer by name.
    void confirmFile(const QString &path);
    void confirmPrinter(const QString &deviceName);
    void cancel() { answers.append(Answer{false, {}, false}); }
};

class FakeClipboard final : public Clipboard {
public:
    void clear() override;
    void setPicture(const QPicture &picture) override;
    std::optional<QPicture> picture() const override;

    std::optional<QPicture> held;
    QString heldText; // something else the user copied, kept until cleared
    int clears = 0;
    int puts = 0;
    bool refuse = false; // pictures put on it are lost
};

// Passes every operation to `inner`, but throws PrinterError on the
// `failAt`-th call (counted from 1) of the operation named `failOn`
// ("printText", "newPage", "endDoc", "paintPicture", "setOrientation"...).
// May also move the working directory elsewhere just before it fails, as a
// misbehaving driver would.
class FailingPrinter final : public ReportPrinter {
public:
    explicit FailingPrinter(ReportPrinter &inner) : inner_(inner) {}

    QString failOn;
    int failAt = 1;
    QString wanderTo; // working directory to move to before failing
    int calls(const QString &op) const;

    PrinterSetup setup() const override { return inner_.setup(); }
    bool tracksDefaultPrinter() const override { return inner_.tracksDefaultPrinter(); }
    void setTrackDefaultPrinter(bool on) override { inner_.setTrackDefaultPrinter(on); }
    QStringList installedPrinters() const override { return inner_.installedPrinters(); }
    void useInstalledPrinter(const QString &deviceName) override { inner_.useInstalledPrinter(deviceName); }
    void useOutputFile(const QString &path) override { inner_.useOutputFile(path); }
    void usePaper(const QPageSize &size, int copies) override { inner_.usePaper(size, copies); }
    void setDocumentName(const QString &name) override { inner_.setDocumentName(name); }
    void setScale(double l, double t, double r, double b) override;
    void setScaleTwips() override;
    void setFont(const QString &family, double points) override;
    void setFontBold(bool on) override;
    void setFontItalic(bool on) override;
    double currentX() const override { return inner_.currentX(); }
    double currentY() const override { return inner_.currentY(); }
    void setCurrentX(double x) override { inner_.setCurrentX(x); }
    void setCurrentY(double y) override { inner_.setCurrentY(y); }
    void printText(const QString &text) override;
    double textWidth(const QString &text) override;
    void newPage() override;
    void endDoc() override;
    void killDoc() override;
    Orientation orientation() const override { return inner_.orientation(); }
    void setOrientation(Orientation o) override;
    void paintPicture(const QPicture &picture, double x, double y) override;

private:
    void step(const char *op);
    ReportPrinter &inner_;
    QHash<QString, int> calls_;
};
