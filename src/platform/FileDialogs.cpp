#include "platform/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace {

// The keyboard goes back to the program's window when the dialog closes:
// without a window manager to hand it back, keys typed next reached nothing.
void giveKeyboardBack(QWidget *parent)
{
    if (parent && parent->window()->isVisible())
        parent->window()->activateWindow();
}

} // namespace

QString QtFileDialogs::saveFileName(QWidget *parent, const QString &caption, const QString &proposed,
                                    const QString &filter)
{
    const QString name = QFileDialog::getSaveFileName(parent, caption, proposed, filter);
    giveKeyboardBack(parent);
    return name;
}

QString QtFileDialogs::openFileName(QWidget *parent, const QString &caption, const QString &folder,
                                    const QString &filter)
{
    const QString name = QFileDialog::getOpenFileName(parent, caption, folder, filter);
    giveKeyboardBack(parent);
    return name;
}

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir(documents).exists())
        return documents;
    return QDir::homePath();
}
