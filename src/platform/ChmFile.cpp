#include "platform/ChmFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <chm_lib.h>
#include <cstring>

namespace {

quint32 readDword(const QByteArray &bytes, qsizetype at)
{
    if (at < 0 || at + 4 > bytes.size())
        return 0;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 readWord(const QByteArray &bytes, qsizetype at)
{
    if (at < 0 || at + 2 > bytes.size())
        return 0;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData() + at);
    return quint16(p[0] | p[1] << 8);
}

// The zero-terminated text at `at`, or to the end of the bytes.
QString textAt(const QByteArray &bytes, qsizetype at)
{
    if (at < 0 || at >= bytes.size())
        return {};
    qsizetype end = bytes.indexOf('\0', at);
    if (end < 0)
        end = bytes.size();
    return QString::fromUtf8(bytes.constData() + at, end - at);
}

// Where the place in a page that a link names ("add.html#typing") begins, or
// -1. A "#" that starts a name belongs to the name: the compiler's own
// records are called "/#SYSTEM", "/#IVB" and so on.
qsizetype placeInPage(const QString &p)
{
    for (qsizetype i = 0; i < p.size(); ++i)
        if (p.at(i) == QLatin1Char('#') && i > 0 && p.at(i - 1) != QLatin1Char('/') && p.at(i - 1) != QLatin1Char('\\'))
            return i;
    return -1;
}

// A path inside the help, written with forward slashes and from the root,
// without the place in the page that a link may name.
QString rootedPath(QString p)
{
    if (const qsizetype hash = placeInPage(p); hash >= 0)
        p.truncate(hash);
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!p.startsWith(QLatin1Char('/')))
        p.prepend(QLatin1Char('/'));
    return p;
}

QString decodeEntities(QString s)
{
    s.replace(QLatin1String("&lt;"), QLatin1String("<"));
    s.replace(QLatin1String("&gt;"), QLatin1String(">"));
    s.replace(QLatin1String("&quot;"), QLatin1String("\""));
    s.replace(QLatin1String("&#39;"), QLatin1String("'"));
    s.replace(QLatin1String("&nbsp;"), QLatin1String(" "));
    s.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return s;
}

// A link of the contents file made into a page path from the help's root.
QString resolveLocal(QString local, const QString &folder)
{
    local = local.trimmed();
    // "ms-its:file.chm::/topic.html" and the like name a page after "::".
    if (const qsizetype at = local.indexOf(QLatin1String("::")); at >= 0)
        local = local.mid(at + 2);
    local.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString fragment;
    if (const qsizetype hash = placeInPage(local); hash >= 0) {
        fragment = local.mid(hash);
        local.truncate(hash);
    }
    if (local.isEmpty())
        return {};
    QString base = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    const QString joined = local.startsWith(QLatin1Char('/')) ? local : base + local;
    return QDir::cleanPath(joined) + fragment;
}

int enumeratePage(chmFile *, chmUnitInfo *ui, void *context)
{
    auto *pages = static_cast<QStringList *>(context);
    const QString path = QString::fromUtf8(ui->path);
    // Pages and files only: no folders, no compiler records ("/#IVB",
    // "/$OBJINST") and no storage sections ("::DataSpace/...").
    if (path.startsWith(QLatin1Char('/')) && !path.endsWith(QLatin1Char('/')) &&
        !path.startsWith(QLatin1String("/#")) && !path.startsWith(QLatin1String("/$")))
        pages->append(path);
    return CHM_ENUMERATOR_CONTINUE;
}

} // namespace

QString pageByTail(const QString &written, const QStringList &pages)
{
    QString path = written.trimmed();
    QString fragment;
    if (const qsizetype hash = placeInPage(path); hash >= 0) {
        fragment = path.mid(hash);
        path.truncate(hash);
    }
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (path.isEmpty())
        return {};
    path = rootedPath(path);
    // Every page starts with "/", so a page that ends the path always starts
    // at a whole folder or file name.
    QString best;
    for (const QString &page : pages)
        if (page.size() > best.size() && path.endsWith(page, Qt::CaseInsensitive))
            best = page;
    return best.isEmpty() ? QString() : best + fragment;
}

QList<HelpContentsEntry> parseContents(const QByteArray &sitemap, const QString &folder)
{
    static const QRegularExpression tag(QStringLiteral(R"re(<\s*(/?)\s*(ul|object|param)\b([^>]*)>)re"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression attribute(
        QStringLiteral(R"re(([\w-]+)\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]+)))re"));

    auto attributes = [](const QString &text) {
        QMap<QString, QString> out;
        for (auto it = attribute.globalMatch(text); it.hasNext();) {
            const auto m = it.next();
            QString value = m.captured(2);
            if (value.isNull())
                value = m.captured(3);
            if (value.isNull())
                value = m.captured(4);
            out.insert(m.captured(1).toLower(), decodeEntities(value));
        }
        return out;
    };

    QList<HelpContentsEntry> entries;
    const QString text = QString::fromUtf8(sitemap);
    int depth = 0;
    bool inEntry = false;
    bool inOtherObject = false;
    HelpContentsEntry entry;
    for (auto it = tag.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        const bool closing = !m.captured(1).isEmpty();
        const QString name = m.captured(2).toLower();
        if (name == QLatin1String("ul")) {
            depth = closing ? std::max(0, depth - 1) : depth + 1;
        } else if (name == QLatin1String("object")) {
            if (!closing) {
                const bool sitemapEntry = attributes(m.captured(3))
                                              .value(QStringLiteral("type"))
                                              .compare(QLatin1String("text/sitemap"), Qt::CaseInsensitive) == 0;
                inEntry = sitemapEntry;
                inOtherObject = !sitemapEntry;
                entry = HelpContentsEntry{};
                entry.depth = std::max(0, depth - 1);
            } else {
                if (inEntry && !entry.title.isEmpty())
                    entries.append(entry);
                inEntry = inOtherObject = false;
            }
        } else if (name == QLatin1String("param") && inEntry) {
            const auto a = attributes(m.captured(3));
            const QString key = a.value(QStringLiteral("name")).toLower();
            if (key == QLatin1String("name") && entry.title.isEmpty())
                entry.title = a.value(QStringLiteral("value")).trimmed();
            else if (key == QLatin1String("local") && entry.page.isEmpty())
                entry.page = resolveLocal(a.value(QStringLiteral("value")), folder);
        }
    }
    return entries;
}

std::unique_ptr<ChmFile> ChmFile::open(const QString &path, QString *error)
{
    std::unique_ptr<ChmFile> file(new ChmFile);
    file->path_ = path;
    QString why;
    if (!file->load(&why)) {
        if (error)
            *error = why;
        return nullptr;
    }
    return file;
}

ChmFile::~ChmFile()
{
    if (handle_)
        chm_close(handle_);
}

bool ChmFile::load(QString *error)
{
    const QFileInfo info(path_);
    if (!info.exists()) {
        *error = QStringLiteral("The file does not exist.");
        return false;
    }
    if (!info.isFile() || !info.isReadable()) {
        *error = QStringLiteral("The file cannot be read.");
        return false;
    }
    handle_ = chm_open(QFile::encodeName(path_).constData());
    if (!handle_) {
        *error = QStringLiteral("The file is not a compiled help file, or it is damaged.");
        return false;
    }
    chm_enumerate(handle_, CHM_ENUMERATE_ALL, enumeratePage, &pages_);
    std::sort(pages_.begin(), pages_.end());
    if (pages_.isEmpty()) {
        *error = QStringLiteral("The file holds no help pages.");
        return false;
    }
    readSystem();
    readContextMap();
    if (contentsFile_.isEmpty()) {
        for (const QString &p : std::as_const(pages_))
            if (p.endsWith(QLatin1String(".hhc"), Qt::CaseInsensitive)) {
                contentsFile_ = p;
                break;
            }
    }
    if (!contentsFile_.isEmpty())
        readContents(contentsFile_);
    if (!contains(defaultPage_)) {
        defaultPage_.clear();
        for (const HelpContentsEntry &e : std::as_const(contents_))
            if (contains(e.page)) {
                defaultPage_ = e.page;
                break;
            }
    }
    if (defaultPage_.isEmpty()) {
        for (const QString &p : std::as_const(pages_))
            if (p.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) ||
                p.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive)) {
                defaultPage_ = p;
                break;
            }
    }
    if (defaultPage_.isEmpty()) {
        *error = QStringLiteral("The file holds no help pages.");
        return false;
    }
    return true;
}

bool ChmFile::contains(const QString &page) const
{
    const QString rooted = rootedPath(page);
    chmUnitInfo ui;
    return handle_ && !rooted.endsWith(QLatin1Char('/')) &&
        chm_resolve_object(handle_, rooted.toUtf8().constData(), &ui) == CHM_RESOLVE_SUCCESS;
}

QByteArray ChmFile::read(const QString &page) const
{
    const QString rooted = rootedPath(page);
    chmUnitInfo ui;
    if (!handle_ || rooted.endsWith(QLatin1Char('/')) ||
        chm_resolve_object(handle_, rooted.toUtf8().constData(), &ui) != CHM_RESOLVE_SUCCESS)
        return {};
    // Help pages are small; a length beyond reason means a damaged record.
    if (ui.length > LONGUINT64(64) * 1024 * 1024)
        return {};
    QByteArray bytes(qsizetype(ui.length), Qt::Uninitialized);
    const LONGINT64 got =
        chm_retrieve_object(handle_, &ui, reinterpret_cast<unsigned char *>(bytes.data()), 0, LONGINT64(ui.length));
    if (got <= 0)
        return {};
    bytes.truncate(qsizetype(got));
    return bytes;
}

void ChmFile::readSystem()
{
    // A version number, then records of a 16-bit code, a 16-bit length and
    // that many bytes.
    const QByteArray system = read(QStringLiteral("/#SYSTEM"));
    for (qsizetype at = 4; at + 4 <= system.size();) {
        const quint16 code = readWord(system, at);
        const quint16 length = readWord(system, at + 2);
        const QByteArray data = system.mid(at + 4, length);
        at += 4 + length;
        switch (code) {
        case 0: contentsFile_ = rootedPath(textAt(data, 0)); break;
        case 2: defaultPage_ = textAt(data, 0); break;
        case 3: title_ = textAt(data, 0); break;
        default: break;
        }
    }
    if (!defaultPage_.isEmpty()) {
        const QString rooted = rootedPath(defaultPage_);
        defaultPage_ = contains(rooted) ? rooted : pageByTail(defaultPage_, pages_);
    }
    if (contentsFile_ == QLatin1String("/") || !contains(contentsFile_))
        contentsFile_.clear();
}

void ChmFile::readContextMap()
{
    // "/#IVB": the byte length of the pairs, then pairs of a context number
    // and the offset of its page's path in "/#STRINGS".
    const QByteArray ivb = read(QStringLiteral("/#IVB"));
    const QByteArray strings = read(QStringLiteral("/#STRINGS"));
    if (ivb.size() < 4)
        return;
    const qsizetype length = std::min<qsizetype>(readDword(ivb, 0), ivb.size() - 4);
    for (qsizetype at = 4; at + 8 <= 4 + length; at += 8) {
        const int context = int(readDword(ivb, at));
        const QString page = pageByTail(textAt(strings, qsizetype(readDword(ivb, at + 4))), pages_);
        if (!page.isEmpty())
            contextMap_.insert(context, page);
    }
}

void ChmFile::readContents(const QString &contentsFile)
{
    QString folder = contentsFile.left(contentsFile.lastIndexOf(QLatin1Char('/')) + 1);
    contents_ = parseContents(read(contentsFile), folder.isEmpty() ? QStringLiteral("/") : folder);
}
