#pragma once
// The report printer and the printer set-up dialog on Qt: a QPrinter drawn on
// with a QPainter, printing to an installed (CUPS) printer or to a PDF file,
// and the desktop's print dialog.

#include "platform/ReportPrinter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPrinter>

#include <map>
#include <memory>
#include <optional>

class QtReportPrinter final : public ReportPrinter {
public:
    QtReportPrinter();
    ~QtReportPrinter() override;

    PrinterSetup setup() const override;
    bool tracksDefaultPrinter() const override { return tracking_; }
    void setTrackDefaultPrinter(bool on) override;
    QStringList installedPrinters() const override;
    void useInstalledPrinter(const QString &deviceName) override;
    void useOutputFile(const QString &path) override;
    void usePaper(const QPageSize &size, int copies) override;
    void setDocumentName(const QString &name) override;

    void setScale(double left, double top, double right, double bottom) override;
    void setScaleTwips() override;
    void setFont(const QString &family, double points) override;
    void setFontBold(bool on) override;
    void setFontItalic(bool on) override;
    double currentX() const override { return x_; }
    double currentY() const override { return y_; }
    void setCurrentX(double x) override { x_ = x; }
    void setCurrentY(double y) override { y_ = y; }
    void printText(const QString &text) override;
    double textWidth(const QString &text) override;
    void newPage() override;
    void endDoc() override;
    void killDoc() override;
    Orientation orientation() const override;
    void setOrientation(Orientation o) override;
    void paintPicture(const QPicture &picture, double x, double y) override;

    // The printable area of the current paper, in points from the paper's
    // top-left corner.
    QRectF printableArea() const;
    bool documentActive() const { return painter_.isActive(); }

private:
    // Scale units to device pixels: device = (unit - origin) * factor.
    struct Mapping {
        double originX, originY, factorX, factorY;
    };
    void begin();
    void followDefault();
    void fontChanged();
    void forgetMetrics(); // the device changed
    const Mapping &mapping();
    const QFontMetricsF &metrics();
    void requireIdle(const char *what) const;
    // A QPrinter whose output could not be written keeps failing: every
    // later document comes out empty. After a failed document the printer is
    // replaced by a fresh one with the same settings.
    void renewPrinter();

    // The printer, made on first use.
    QPrinter *device() const;
    mutable std::unique_ptr<QPrinter> printer_;
    QPainter painter_;
    bool tracking_ = true;

    bool twips_ = true;
    double left_ = 0, top_ = 0, right_ = 1, bottom_ = 1;
    std::optional<Mapping> mapping_;

    QFont font_;
    std::optional<QFontMetricsF> metrics_;
    // Widths of texts already measured, by font on the present device: a
    // report measures the same few reading texts over and over.
    std::map<QString, QHash<QString, qreal>> advances_;
    QHash<QString, qreal> *fontAdvances_ = nullptr; // the present font's
    bool painterFontStale_ = true;
    double x_ = 0, y_ = 0;
};

class QtPrinterSelectionDialog final : public PrinterSelectionDialog {
public:
    bool choose(QWidget *parent, const PrinterSetup &current, PrinterSetup &chosen) override;
};
