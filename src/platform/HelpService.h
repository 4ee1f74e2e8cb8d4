#pragma once
// The help: F1 opens the program's help file at the topic of a help context
// number. The real service shows it in a viewer window beside the program;
// tests hand in a fake that records what was asked.

#include <QString>
#include <QStringList>

class QWidget;

class HelpService {
public:
    virtual ~HelpService() = default;
    // Shows the topic of this help context number; 0, or a number the help
    // file does not know, shows the help's first page. `parent` is the window
    // the user asked from, for messages.
    virtual void showTopic(QWidget *parent, int context) = 0;
};

// The help file's name; it is part of the program.
inline const QString &helpFileName()
{
    static const QString name = QStringLiteral("levelbook11.chm");
    return name;
}

// The folders that may hold the help file, in the order they are tried: the
// program's folder, the data folder of an installation beside it
// ("<prefix>/share/levelbook"), the installation folder the program was built
// for, and the system's shared data folders.
QStringList helpFolders();

// The help file in the first of `folders` that holds it, or empty.
QString locateHelpFile(const QStringList &folders = helpFolders());
