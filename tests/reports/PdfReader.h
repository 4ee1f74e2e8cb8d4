#pragma once
// Reads a printed PDF back: the words of every page with their boxes, placed
// on the report grid of 80 by 66 units over the printable area.

#include <QImage>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

struct PdfWord {
    QString text;
    QRectF box; // points, from the page's top-left corner
};

struct PdfPage {
    QSizeF size; // points
    QList<PdfWord> words;
};

struct PdfDocument {
    QList<PdfPage> pages;
    QStringList fonts; // names of the fonts used
    bool ok = false;
};

// Reads every page, or only the pages listed (the others stay empty).
PdfDocument readPdf(const QString &path, const QList<int> &only = {});
// Page `index` drawn at `dpi`.
QImage renderPdfPage(const QString &path, int index, double dpi);

// Maps points on a page to the report grid laid over a printable area.
struct Grid {
    QRectF area; // the printable area, points

    double x(double points) const { return (points - area.left()) * 80 / area.width(); }
    double y(double points) const { return (points - area.top()) * 66 / area.height(); }
    double unitWidth() const { return area.width() / 80; }
};

// A word as placed on the grid: its left edge, top and right edge in units.
struct GridWord {
    QString text;
    double left, top, right;
    double centre() const { return (left + right) / 2; }
};

// The words of a page whose top lies on grid line `line` (within a third of a
// unit), left to right.
QList<GridWord> wordsOnLine(const PdfPage &page, const Grid &grid, double line);
// Those words joined by single spaces.
QString lineText(const PdfPage &page, const Grid &grid, double line);
// Every word of the page on the grid, top to bottom and left to right.
QList<GridWord> gridWords(const PdfPage &page, const Grid &grid);
