#include "platform/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

QString QtFileDialogs::saveFileName(QWidget *parent, const QString &caption, const QString &proposed,
                                    const QString &filter)
{
    return QFileDialog::getSaveFileName(parent, caption, proposed, filter);
}

QString QtFileDialogs::openFileName(QWidget *parent, const QString &caption, const QString &folder,
                                    const QString &filter)
{
    return QFileDialog::getOpenFileName(parent, caption, folder, filter);
}

QString documentsFolder()
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QDir(documents).exists())
        return documents;
    return QDir::homePath();
}
