#pragma once
// Reading a compiled HTML help file (.chm): its pages, its own map from help
// context numbers to pages, its default page and its contents list.

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

struct chmFile;

// One line of the help's contents list.
struct HelpContentsEntry {
    QString title;
    QString page;  // the page inside the file, e.g. "/topics/add.html#typing"; empty for a heading
    int depth = 0; // 0 for the top level
};

class ChmFile {
public:
    // Opens the help file at `path`. Returns null, with the reason in `error`,
    // when the file is missing or is not a readable help file.
    static std::unique_ptr<ChmFile> open(const QString &path, QString *error = nullptr);
    ~ChmFile();
    ChmFile(const ChmFile &) = delete;
    ChmFile &operator=(const ChmFile &) = delete;

    QString path() const { return path_; }
    QString title() const { return title_; }

    // Every page and file in the help, as paths from its root ("/topics/add.html").
    const QStringList &pages() const { return pages_; }
    bool contains(const QString &page) const;
    // The bytes of one page; empty when the help has no such page.
    QByteArray read(const QString &page) const;

    // The page the help opens at when no topic is asked for.
    QString defaultPage() const { return defaultPage_; }

    // The help context numbers the file maps, each with its page; a number
    // whose page is not in the file is left out.
    const QMap<int, QString> &contextMap() const { return contextMap_; }
    // The page of a help context number, or empty.
    QString pageForContext(int context) const { return contextMap_.value(context); }

    const QList<HelpContentsEntry> &contents() const { return contents_; }

private:
    ChmFile() = default;
    bool load(QString *error);
    void readSystem();
    void readContextMap();
    void readContents(const QString &contentsFile);

    QString path_;
    ::chmFile *handle_ = nullptr;
    QStringList pages_;
    QString title_;
    QString defaultPage_;
    QString contentsFile_;
    QMap<int, QString> contextMap_;
    QList<HelpContentsEntry> contents_;
};

// The page of `pages` that a path written into a help file's context map
// names. The compiler writes the path the topic had on the machine that built
// the help, so the page is the one whose path is the longest tail of
// `written`, matched on whole folder and file names ("/build/help/topics/add.html"
// names "/topics/add.html"). Empty when none matches.
QString pageByTail(const QString &written, const QStringList &pages);

// The sitemap entries of a contents file (.hhc), pages resolved against
// `folder`, the folder of the contents file inside the help ("/" for the root).
QList<HelpContentsEntry> parseContents(const QByteArray &sitemap, const QString &folder);
