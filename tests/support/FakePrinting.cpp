#include "support/FakePrinting.h"

#include <QDir>

bool FakePrinterDialog::choose(QWidget *, const PrinterSetup &current, PrinterSetup &chosen)
{
    presets.append(current);
    if (whileShown)
        whileShown();
    if (answers.isEmpty())
        return false;
    const Answer a = answers.takeFirst();
    if (a.fail)
        throw PrinterError("The printer dialog could not be shown.");
    if (a.confirm)
        chosen = a.chosen;
    return a.confirm;
}

void FakePrinterDialog::confirmFile(const QString &path)
{
    Answer a;
    a.chosen.outputFile = path;
    a.chosen.pageSize = QPageSize(QPageSize::A4);
    answers.append(a);
}

void FakePrinterDialog::confirmPrinter(const QString &deviceName)
{
    Answer a;
    a.chosen.deviceName = deviceName;
    a.chosen.pageSize = QPageSize(QPageSize::A4);
    answers.append(a);
}

void FakeClipboard::clear()
{
    ++clears;
    held.reset();
    heldText.clear();
}

void FakeClipboard::setPicture(const QPicture &picture)
{
    ++puts;
    heldText.clear();
    if (refuse)
        held.reset();
    else
        held = picture;
}

std::optional<QPicture> FakeClipboard::picture() const { return held; }

int FailingPrinter::calls(const QString &op) const { return calls_.value(op); }

void FailingPrinter::step(const char *op)
{
    const int n = ++calls_[QLatin1String(op)];
    if (failOn == QLatin1String(op) && n == failAt) {
        if (!wanderTo.isEmpty())
            QDir::setCurrent(wanderTo);
        throw PrinterError(std::string("forced failure in ") + op);
    }
}

void FailingPrinter::setScale(double l, double t, double r, double b)
{
    step("setScale");
    inner_.setScale(l, t, r, b);
}

void FailingPrinter::setScaleTwips()
{
    step("setScaleTwips");
    inner_.setScaleTwips();
}

void FailingPrinter::setFont(const QString &family, double points)
{
    step("setFont");
    inner_.setFont(family, points);
}

void FailingPrinter::setFontBold(bool on)
{
    step("setFontBold");
    inner_.setFontBold(on);
}

void FailingPrinter::setFontItalic(bool on)
{
    step("setFontItalic");
    inner_.setFontItalic(on);
}

void FailingPrinter::printText(const QString &text)
{
    step("printText");
    inner_.printText(text);
}

double FailingPrinter::textWidth(const QString &text)
{
    step("textWidth");
    return inner_.textWidth(text);
}

void FailingPrinter::newPage()
{
    step("newPage");
    inner_.newPage();
}

void FailingPrinter::endDoc()
{
    step("endDoc");
    inner_.endDoc();
}

void FailingPrinter::killDoc()
{
    ++calls_[QStringLiteral("killDoc")];
    inner_.killDoc();
}

void FailingPrinter::setOrientation(Orientation o)
{
    step("setOrientation");
    inner_.setOrientation(o);
}

void FailingPrinter::paintPicture(const QPicture &picture, double x, double y)
{
    step("paintPicture");
    inner_.paintPicture(picture, x, y);
}
