#include "PdfReader.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <poppler-qt6.h>

PdfDocument readPdf(const QString &path, const QList<int> &only)
{
    PdfDocument result;
    if (!QFile::exists(path))
        return result;
    std::unique_ptr<Poppler::Document> doc = Poppler::Document::load(path);
    if (!doc || doc->isLocked())
        return result;
    for (int i = 0; i < doc->numPages(); ++i) {
        std::unique_ptr<Poppler::Page> page = doc->page(i);
        PdfPage p;
        p.size = page->pageSizeF();
        if (!only.isEmpty() && !only.contains(i)) {
            result.pages.append(p);
            continue;
        }
        for (const std::unique_ptr<Poppler::TextBox> &box : page->textList())
            p.words.append({box->text(), box->boundingBox()});
        result.pages.append(p);
    }
    for (const Poppler::FontInfo &f : doc->fonts())
        result.fonts.append(f.name());
    result.ok = true;
    return result;
}

QImage renderPdfPage(const QString &path, int index, double dpi)
{
    std::unique_ptr<Poppler::Document> doc = Poppler::Document::load(path);
    if (!doc || index >= doc->numPages())
        return {};
    return doc->page(index)->renderToImage(dpi, dpi);
}

QList<GridWord> gridWords(const PdfPage &page, const Grid &grid)
{
    QList<GridWord> words;
    for (const PdfWord &w : page.words)
        words.append({w.text, grid.x(w.box.left()), grid.y(w.box.top()), grid.x(w.box.right())});
    std::sort(words.begin(), words.end(), [](const GridWord &a, const GridWord &b) {
        if (std::abs(a.top - b.top) > 0.33)
            return a.top < b.top;
        return a.left < b.left;
    });
    return words;
}

QList<GridWord> wordsOnLine(const PdfPage &page, const Grid &grid, double line)
{
    QList<GridWord> words;
    for (const GridWord &w : gridWords(page, grid))
        if (std::abs(w.top - line) < 0.33)
            words.append(w);
    return words;
}

QString lineText(const PdfPage &page, const Grid &grid, double line)
{
    QStringList texts;
    for (const GridWord &w : wordsOnLine(page, grid, line))
        texts.append(w.text);
    return texts.join(QLatin1Char(' '));
}
