#pragma once
// The report printer: one printer object shared by the whole program, on which
// the printed reports and charts are drawn. Positions are given in a scale that
// the caller chooses (a grid laid over the printable area, or twips); fonts
// keep their absolute size in points whatever the scale. A document begins
// with the first thing drawn and ends with endDoc().
//
// Also here: what the printer dialog is preset with and hands back, and the
// dialog itself.

#include <QPageSize>
#include <QString>
#include <QStringList>

#include <stdexcept>

class QPicture;
class QWidget;

// A printing operation failed: the printer could not be opened, a page could
// not be started, the document could not be finished.
class PrinterError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Which printer: an installed printer by its device name, or a PDF file.
struct PrinterSetup {
    QString deviceName; // empty when the output goes to a file
    QString driverName;
    QString port;
    int paperBin = 0;
    QString outputFile; // the PDF file printed instead of a printer, if any
    QPageSize pageSize;
    int copies = 1;

    bool printsToFile() const { return !outputFile.isEmpty(); }
};

class ReportPrinter {
public:
    enum class Orientation { Portrait = 1, Landscape = 2 };

    virtual ~ReportPrinter() = default;

    // --- Which printer ---
    virtual PrinterSetup setup() const = 0;
    QString deviceName() const { return setup().deviceName; }
    // At first the report printer is the system's default printer and follows
    // it when that changes; once told to stop, it keeps the printer it has.
    virtual bool tracksDefaultPrinter() const = 0;
    virtual void setTrackDefaultPrinter(bool on) = 0;
    // The device names of the printers installed on the system.
    virtual QStringList installedPrinters() const = 0;
    // Makes an installed printer (or a PDF file) the report printer.
    virtual void useInstalledPrinter(const QString &deviceName) = 0;
    virtual void useOutputFile(const QString &path) = 0;
    // The paper and number of copies of later documents.
    virtual void usePaper(const QPageSize &size, int copies) = 0;
    // The name under which the next document is queued.
    virtual void setDocumentName(const QString &name) = 0;

    // --- Drawing ---
    // Lays a scale over the printable area: its top-left corner becomes
    // (left, top) and its bottom-right corner (right, bottom).
    virtual void setScale(double left, double top, double right, double bottom) = 0;
    // 1440 units to the inch from the paper's top-left corner.
    virtual void setScaleTwips() = 0;
    virtual void setFont(const QString &family, double points) = 0;
    virtual void setFontBold(bool on) = 0;
    virtual void setFontItalic(bool on) = 0;
    virtual double currentX() const = 0;
    virtual double currentY() const = 0;
    virtual void setCurrentX(double x) = 0;
    virtual void setCurrentY(double y) = 0;
    // Draws the text with its top-left corner on the current position. Every
    // text is placed by setting the position first; it does not move.
    virtual void printText(const QString &text) = 0;
    // The width of the text in the current font, in scale units.
    virtual double textWidth(const QString &text) = 0;
    virtual void newPage() = 0;
    // Finishes the document and hands it to the printer.
    virtual void endDoc() = 0;
    // Abandons the document begun, if any.
    virtual void killDoc() = 0;
    virtual Orientation orientation() const = 0;
    virtual void setOrientation(Orientation o) = 0;
    // Draws the picture at its natural size with its top-left corner at (x, y).
    virtual void paintPicture(const QPicture &picture, double x, double y) = 0;
};

// The desktop's printer set-up dialog, shown modally over a window.
class PrinterSelectionDialog {
public:
    virtual ~PrinterSelectionDialog() = default;
    // Shows the dialog preset to `current`. Returns true when the user
    // confirms; `chosen` then names the printer (or the PDF file) and paper
    // picked. Throws when the dialog cannot be shown.
    virtual bool choose(QWidget *parent, const PrinterSetup &current, PrinterSetup &chosen) = 0;
};
