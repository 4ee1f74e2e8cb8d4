#pragma once
// The desktop's file dialogs: the name of a file to write, or of a file to
// read. Windows reach them through the services, so that tests can answer.

#include <QString>

class QWidget;

class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Asks for a file to write, offering the path `proposed`; a file that is
    // there already is replaced only when the user agrees. Empty text when
    // the user cancels.
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &proposed,
                                 const QString &filter) = 0;
    // Asks for a file to read, beginning in `folder`. Empty text when the
    // user cancels.
    virtual QString openFileName(QWidget *parent, const QString &caption, const QString &folder,
                                 const QString &filter) = 0;
};

class QtFileDialogs final : public FileDialogs {
public:
    QString saveFileName(QWidget *parent, const QString &caption, const QString &proposed,
                         const QString &filter) override;
    QString openFileName(QWidget *parent, const QString &caption, const QString &folder,
                         const QString &filter) override;
};

// Where the file dialogs begin: the user's documents folder, else the home
// folder.
QString documentsFolder();
