#pragma once
// The help viewer: a window of its own beside the program, with the help's
// contents list on the left and the page on the right. Pages come straight
// out of the compiled help file; links between them work as in a browser.

#include "platform/HelpService.h"
#include "platform/Services.h"

#include <QDateTime>
#include <QPointer>
#include <QTextBrowser>
#include <QWidget>

#include <memory>

class ChmFile;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

// The page area: a text browser that loads its pages, style sheets and
// pictures from the help file. Page addresses are "help:/topics/add.html".
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit HelpBrowser(QWidget *parent = nullptr);
    void setFile(std::shared_ptr<const ChmFile> file) { file_ = std::move(file); }

    // The address of a page inside the help file.
    static QUrl urlOf(const QString &page);
    // The page inside the help file that an address names, with its "#" part.
    static QString pageOf(const QUrl &url);

    QVariant loadResource(int type, const QUrl &name) override;

private:
    std::shared_ptr<const ChmFile> file_;
};

class HelpViewer : public QWidget {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget *parent = nullptr);

    // Shows this help file; the contents list is filled from it.
    void setFile(std::shared_ptr<const ChmFile> file);
    const ChmFile *file() const { return file_.get(); }

    // Shows a page of the help file ("/topics/add.html").
    void showPage(const QString &page);
    // The page shown, with its "#" part.
    QString currentPage() const;

    HelpBrowser *Page;
    QTreeWidget *Contents;
    QPushButton *Back;
    QPushButton *Forward;
    QPushButton *Home;

private:
    void markInContents(const QString &page);
    void contentsChosen(QTreeWidgetItem *item);

    std::shared_ptr<const ChmFile> file_;
    class QSplitter *split_;
    bool marking_ = false;
};

// The real help service: finds the help file, reads it and shows the topic in
// one viewer window that stays open beside the program.
class QtHelpService final : public HelpService {
public:
    explicit QtHelpService(MessageService &messages);
    ~QtHelpService() override;

    void showTopic(QWidget *parent, int context) override;

    // Uses this help file instead of looking for it (tests; empty to look).
    void setHelpFile(const QString &path) { fixedFile_ = path; }
    // The viewer, once it has been opened.
    HelpViewer *viewer() const { return viewer_; }

private:
    // The help file, opened anew when it has changed; null after a message.
    std::shared_ptr<const ChmFile> helpFile(QWidget *parent);

    MessageService &messages_;
    QString fixedFile_;
    QPointer<HelpViewer> viewer_;
    std::shared_ptr<const ChmFile> file_;
    QString filePath_;
    QDateTime fileStamp_;
    qint64 fileSize_ = -1;
};
