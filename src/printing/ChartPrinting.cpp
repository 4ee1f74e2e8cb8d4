#include "printing/ChartPrinting.h"

#include "platform/Clipboard.h"
#include "platform/ReportPrinter.h"
#include "platform/Services.h"
#include "printing/PrinterChoice.h"
#include "printing/WorkingDirectory.h"

#include <QChart>
#include <QGraphicsScene>
#include <QPainter>

#include <memory>

QPicture chartPicture(QChart *chart)
{
    QPicture picture;
    const QSizeF size = chart->size();
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        QGraphicsScene *scene = chart->scene();
        std::unique_ptr<QGraphicsScene> own;
        if (!scene) {
            own = std::make_unique<QGraphicsScene>();
            own->addItem(chart);
            scene = own.get();
        }
        scene->render(&painter, QRectF(QPointF(0, 0), size), chart->sceneBoundingRect());
        if (own)
            own->removeItem(chart);
    }
    picture.setBoundingRect(QRect(QPoint(0, 0), size.toSize()));
    return picture;
}

PrintOutcome PrintChart(Services &services, QWidget *window, QChart *chart)
{
    PrintOutcome outcome;
    if (!choosePrinter(services, window)) {
        outcome.kind = PrintOutcome::Kind::Cancelled;
        return outcome;
    }

    ReportPrinter &printer = *services.printer;
    bool failed = false;
    {
        WorkingDirectoryGuard workingDirectory;
        try {
            if (!chart || !services.clipboard)
                throw PrinterError("There is no chart to print.");
            auto graph = std::make_unique<PrintGraph>();
            printer.setOrientation(ReportPrinter::Orientation::Landscape);
            printer.setScaleTwips();

            // The chart's picture passes through the clipboard, as a copy of
            // the chart would.
            Clipboard &clipboard = *services.clipboard;
            clipboard.clear();
            clipboard.setPicture(chartPicture(chart));
            std::optional<QPicture> copied = clipboard.picture();
            if (!copied)
                throw PrinterError("The clipboard lost the chart's picture.");
            graph->Picture1 = *copied;
            clipboard.clear();
            clipboard.setPicture(graph->Picture1);
            copied = clipboard.picture();
            if (!copied)
                throw PrinterError("The clipboard lost the chart's picture.");

            printer.setDocumentName(QStringLiteral("Levelbook Chart"));
            printer.paintPicture(*copied, kChartLeftTwips, kChartTopTwips);
            printer.endDoc();
            clipboard.clear();
            graph.reset();
        } catch (const std::exception &) {
            printer.killDoc();
            failed = true;
        }
        // Back to portrait on every path, so that the next report is not
        // printed across the page.
        printer.setOrientation(ReportPrinter::Orientation::Portrait);
    }
    if (failed) {
        outcome.kind = PrintOutcome::Kind::PrinterFailed;
        outcome.text = chartFailedText();
    }
    return outcome;
}

void tellChartPrintOutcome(Services &services, QWidget *window, const PrintOutcome &outcome)
{
    if (outcome.kind != PrintOutcome::Kind::PrinterFailed)
        return;
    services.messages->beep();
    services.messages->show(window, outcome.text, QStringLiteral("Levelbook"), MsgIcon::Critical, MsgButtons::Ok);
}
