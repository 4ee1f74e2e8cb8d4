#include "platform/QtPrinting.h"

#include <QFile>
#include <QLocale>
#include <QPicture>
#include <QPrintDialog>
#include <QPrinterInfo>

#include <algorithm>

namespace {

// The paper a report goes on until the user chooses another: the default
// printer's, or where there is none (a PDF file) the paper of the user's
// country: Letter where lengths are measured in inches (and in Canada), A4
// elsewhere.
QPageSize defaultPaper()
{
    const QPrinterInfo standard = QPrinterInfo::defaultPrinter();
    if (!standard.isNull() && standard.defaultPageSize().isValid())
        return standard.defaultPageSize();
    const QLocale locale;
    const bool letter =
        locale.measurementSystem() == QLocale::ImperialUSSystem || locale.territory() == QLocale::Canada;
    return QPageSize(letter ? QPageSize::Letter : QPageSize::A4);
}

} // namespace

QtReportPrinter::QtReportPrinter()
{
    font_ = QFont(QStringLiteral("Times New Roman"));
    font_.setStyleHint(QFont::Serif);
    font_.setPointSizeF(12);
}

QPrinter *QtReportPrinter::device() const
{
    if (!printer_) {
        // Made when first asked for, not at start-up: building a QPrinter
        // loads the print plugin and asks the system for its printers.
        //
        // The grid of the reports spans the whole sheet: at 12 points a date
        // and a six-figure reading ten columns apart need all of an A4
        // sheet's width not to run into each other. Nothing is printed near
        // its edges (the left column is a tenth of the width in, the top line
        // four of 66 down), so the printer's own margins stay clear.
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setFullPage(true);
        printer_->setPageSize(defaultPaper());
    }
    return printer_.get();
}

QtReportPrinter::~QtReportPrinter()
{
    if (painter_.isActive())
        painter_.end();
}

PrinterSetup QtReportPrinter::setup() const
{
    PrinterSetup s;
    if (device()->outputFormat() == QPrinter::PdfFormat) {
        s.outputFile = device()->outputFileName();
    } else {
        s.deviceName = device()->printerName();
        if (tracking_) {
            const QString standard = QPrinterInfo::defaultPrinterName();
            if (!standard.isEmpty())
                s.deviceName = standard;
        }
        const QPrinterInfo info = QPrinterInfo::printerInfo(s.deviceName);
        if (!info.isNull()) {
            s.driverName = info.makeAndModel();
            s.port = info.location();
        }
    }
    s.paperBin = int(device()->paperSource());
    s.pageSize = device()->pageLayout().pageSize();
    s.copies = device()->copyCount();
    return s;
}

void QtReportPrinter::setTrackDefaultPrinter(bool on)
{
    // The printer it stops following is the printer it keeps.
    if (tracking_ && !on && !painter_.isActive())
        followDefault();
    tracking_ = on;
}

QStringList QtReportPrinter::installedPrinters() const { return QPrinterInfo::availablePrinterNames(); }

void QtReportPrinter::requireIdle(const char *what) const
{
    if (painter_.isActive())
        throw PrinterError(std::string("The printer cannot ") + what + " while a document is printing.");
}

void QtReportPrinter::useInstalledPrinter(const QString &deviceName)
{
    requireIdle("change");
    device()->setOutputFileName(QString());
    device()->setOutputFormat(QPrinter::NativeFormat);
    device()->setPrinterName(deviceName);
    mapping_.reset();
    forgetMetrics();
}

void QtReportPrinter::useOutputFile(const QString &path)
{
    requireIdle("change");
    device()->setOutputFileName(path);
    mapping_.reset();
    forgetMetrics();
}

void QtReportPrinter::usePaper(const QPageSize &size, int copies)
{
    requireIdle("change paper");
    if (size.isValid())
        device()->setPageSize(size);
    device()->setCopyCount(std::max(1, copies));
    mapping_.reset();
}

void QtReportPrinter::setDocumentName(const QString &name) { device()->setDocName(name); }

void QtReportPrinter::followDefault()
{
    if (!tracking_ || device()->outputFormat() != QPrinter::NativeFormat)
        return;
    const QString standard = QPrinterInfo::defaultPrinterName();
    if (!standard.isEmpty() && standard != device()->printerName()) {
        device()->setPrinterName(standard);
        mapping_.reset();
        forgetMetrics();
    }
}

void QtReportPrinter::begin()
{
    if (painter_.isActive())
        return;
    followDefault();
    if (device()->outputFormat() == QPrinter::NativeFormat) {
        if (device()->printerName().isEmpty())
            throw PrinterError("No printer is installed.");
        if (!installedPrinters().contains(device()->printerName()))
            throw PrinterError("The printer " + device()->printerName().toStdString() + " is not installed.");
    }
    if (!painter_.begin(device()))
        throw PrinterError("The printer could not be opened.");
    painter_.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter_.setPen(Qt::black);
    painterFontStale_ = true;
    mapping_.reset();
}

const QtReportPrinter::Mapping &QtReportPrinter::mapping()
{
    if (!mapping_) {
        const QRectF area = device()->pageRect(QPrinter::DevicePixel);
        if (twips_) {
            // Twips count from the paper's corner; drawing counts from the
            // printable area's.
            const double kx = device()->logicalDpiX() / 1440.0, ky = device()->logicalDpiY() / 1440.0;
            mapping_ = Mapping{area.left() / kx, area.top() / ky, kx, ky};
        } else {
            mapping_ = Mapping{left_, top_, area.width() / (right_ - left_), area.height() / (bottom_ - top_)};
        }
    }
    return *mapping_;
}

void QtReportPrinter::setScale(double left, double top, double right, double bottom)
{
    if (right == left || bottom == top)
        throw PrinterError("A scale needs a width and a height.");
    twips_ = false;
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
    mapping_.reset();
}

void QtReportPrinter::setScaleTwips()
{
    twips_ = true;
    mapping_.reset();
}

void QtReportPrinter::forgetMetrics()
{
    metrics_.reset();
    advances_.clear();
}

void QtReportPrinter::fontChanged()
{
    metrics_.reset();
    painterFontStale_ = true;
}

void QtReportPrinter::setFont(const QString &family, double points)
{
    if (font_.family() == family && font_.pointSizeF() == points)
        return;
    font_.setFamily(family);
    font_.setPointSizeF(points);
    fontChanged();
}

void QtReportPrinter::setFontBold(bool on)
{
    if (font_.bold() != on) {
        font_.setBold(on);
        fontChanged();
    }
}

void QtReportPrinter::setFontItalic(bool on)
{
    if (font_.italic() != on) {
        font_.setItalic(on);
        fontChanged();
    }
}

const QFontMetricsF &QtReportPrinter::metrics()
{
    if (!metrics_) {
        metrics_.emplace(font_, device());
        fontAdvances_ = &advances_[font_.key()];
    }
    return *metrics_;
}

void QtReportPrinter::printText(const QString &text)
{
    begin();
    const Mapping &m = mapping();
    if (painterFontStale_) {
        painter_.setFont(font_);
        painterFontStale_ = false;
    }
    const QPointF at((x_ - m.originX) * m.factorX, (y_ - m.originY) * m.factorY + metrics().ascent());
    painter_.drawText(at, text);
}

double QtReportPrinter::textWidth(const QString &text)
{
    const QFontMetricsF &m = metrics();
    QHash<QString, qreal> &widths = *fontAdvances_;
    auto known = widths.constFind(text);
    if (known == widths.cend()) {
        if (widths.size() >= 4096)
            widths.clear();
        known = widths.insert(text, m.horizontalAdvance(text));
    }
    return *known / mapping().factorX;
}

void QtReportPrinter::newPage()
{
    begin();
    if (!device()->newPage())
        throw PrinterError("The printer could not start a new page.");
    mapping_.reset();
}

namespace {

// Whether a PDF file was written to its end: the PDF writer does not tell of
// a write the disk refused (a full disk, a file size limit), and a file cut
// short lacks the trailer that every finished PDF ends with.
bool wholePdf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.size() < 16)
        return false;
    f.seek(std::max<qint64>(0, f.size() - 64));
    return f.read(64).trimmed().endsWith("%%EOF");
}

} // namespace

void QtReportPrinter::endDoc()
{
    if (!painter_.isActive())
        return;
    const QString file = device()->outputFormat() == QPrinter::PdfFormat ? device()->outputFileName() : QString();
    const bool ok = painter_.end();
    painterFontStale_ = true;
    if (ok && (file.isEmpty() || wholePdf(file)))
        return;
    // A half-written file is no use to anyone: it goes, as after killDoc().
    if (!file.isEmpty())
        QFile::remove(file);
    renewPrinter();
    throw PrinterError(ok ? "The file could not be written whole; the disk may be full."
                          : "The document could not be finished.");
}

void QtReportPrinter::killDoc()
{
    if (!painter_.isActive())
        return;
    // A half-printed file is no use to anyone: it goes. (The printing layer
    // offers no way to withdraw a document from a printer queue.)
    const QString file = device()->outputFormat() == QPrinter::PdfFormat ? device()->outputFileName() : QString();
    painter_.end();
    painterFontStale_ = true;
    if (!file.isEmpty())
        QFile::remove(file);
    renewPrinter();
}

void QtReportPrinter::renewPrinter()
{
    device();
    auto fresh = std::make_unique<QPrinter>(QPrinter::HighResolution);
    fresh->setFullPage(printer_->fullPage());
    if (printer_->outputFormat() == QPrinter::PdfFormat) {
        fresh->setOutputFormat(QPrinter::PdfFormat);
        if (!printer_->outputFileName().isEmpty())
            fresh->setOutputFileName(printer_->outputFileName());
    } else {
        fresh->setPrinterName(printer_->printerName());
    }
    fresh->setPageLayout(printer_->pageLayout());
    fresh->setCopyCount(printer_->copyCount());
    fresh->setDocName(printer_->docName());
    fresh->setPaperSource(printer_->paperSource());
    printer_ = std::move(fresh);
    mapping_.reset();
    forgetMetrics();
}

ReportPrinter::Orientation QtReportPrinter::orientation() const
{
    return device()->pageLayout().orientation() == QPageLayout::Landscape ? Orientation::Landscape
                                                                          : Orientation::Portrait;
}

void QtReportPrinter::setOrientation(Orientation o)
{
    device()->setPageOrientation(o == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    mapping_.reset();
}

void QtReportPrinter::paintPicture(const QPicture &picture, double x, double y)
{
    begin();
    const Mapping &m = mapping();
    // A picture plays back at its own resolution's size on any device.
    painter_.drawPicture(QPointF((x - m.originX) * m.factorX, (y - m.originY) * m.factorY), picture);
    painterFontStale_ = true;
}

QRectF QtReportPrinter::printableArea() const { return device()->pageLayout().paintRect(QPageLayout::Point); }

namespace {

// The desktop's print dialog shows its print range ("Pages from ... to",
// "Pages", "Current Page") even without the page-range option, and a range
// chosen there would be ignored: every report prints whole. The range is not
// offered at all.
class SetupOnlyPrintDialog final : public QPrintDialog {
public:
    using QPrintDialog::QPrintDialog;

    void setVisible(bool visible) override
    {
        QPrintDialog::setVisible(visible);
        if (!visible)
            return;
        QWidget *range = findChild<QWidget *>(QStringLiteral("gbPrintRange"));
        QWidget *within = range ? range : this;
        for (const char *name :
             {"printRange", "from", "to", "pagesRadioButton", "pagesLineEdit", "printCurrentPage", "printSelection"}) {
            if (auto *w = within->findChild<QWidget *>(QLatin1String(name)))
                w->setEnabled(false);
        }
        if (range)
            range->hide();
    }
};

} // namespace

bool QtPrinterSelectionDialog::choose(QWidget *parent, const PrinterSetup &current, PrinterSetup &chosen)
{
    QPrinter printer(QPrinter::HighResolution);
    // A file name the dialog proposes when the user prints to a file.
    printer.setDocName(QStringLiteral("Levelbook"));
    if (current.printsToFile())
        printer.setOutputFileName(current.outputFile);
    else if (!current.deviceName.isEmpty() && QPrinterInfo::availablePrinterNames().contains(current.deviceName))
        printer.setPrinterName(current.deviceName);
    if (current.pageSize.isValid())
        printer.setPageSize(current.pageSize);
    printer.setCopyCount(std::max(1, current.copies));

    SetupOnlyPrintDialog dialog(&printer, parent);
    dialog.setObjectName(QStringLiteral("PrinterSelectionDialog"));
    // The set-up form: a printer, a file, the paper and copies; no page ranges.
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize |
                      QAbstractPrintDialog::PrintCollateCopies);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    chosen = PrinterSetup{};
    if (printer.outputFormat() == QPrinter::PdfFormat) {
        chosen.outputFile = printer.outputFileName();
    } else {
        chosen.deviceName = printer.printerName();
        const QPrinterInfo info(printer);
        chosen.driverName = info.makeAndModel();
        chosen.port = info.location();
    }
    chosen.paperBin = int(printer.paperSource());
    chosen.pageSize = printer.pageLayout().pageSize();
    chosen.copies = printer.copyCount();
    return true;
}
