#include "platform/HelpViewer.h"

#include "platform/ChmFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

// ---------------------------------------------------------------- finding the file

QStringList helpFolders()
{
    QStringList folders;
    const QString programFolder = QCoreApplication::applicationDirPath();
    folders << programFolder;
    folders << QDir::cleanPath(programFolder + QStringLiteral("/../share/levelbook"));
#ifdef LEVELBOOK_DATA_DIR
    folders << QStringLiteral(LEVELBOOK_DATA_DIR);
#endif
    for (const QString &shared : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
        folders << shared + QStringLiteral("/levelbook");
    folders.removeDuplicates();
    return folders;
}

QString locateHelpFile(const QStringList &folders)
{
    for (const QString &folder : folders) {
        const QFileInfo candidate(QDir(folder).filePath(helpFileName()));
        if (candidate.isFile())
            return candidate.absoluteFilePath();
    }
    return {};
}

// ---------------------------------------------------------------- the page area

namespace {
const QString kScheme = QStringLiteral("help");

QString notFoundPage(const QString &page)
{
    return QStringLiteral("<html><head><title>Page not found</title></head><body><h1>Page not found</h1>"
                          "<p>The help has no page \"%1\".</p><p><a href=\"%2\">Go to the first page of the help</a>"
                          "</p></body></html>")
        .arg(page.toHtmlEscaped(), QStringLiteral("help:/"));
}
} // namespace

HelpBrowser::HelpBrowser(QWidget *parent) : QTextBrowser(parent)
{
    setObjectName(QStringLiteral("Page"));
    setOpenExternalLinks(false);
    setOpenLinks(true);
}

QUrl HelpBrowser::urlOf(const QString &page)
{
    QUrl url;
    url.setScheme(kScheme);
    const qsizetype hash = page.indexOf(QLatin1Char('#'));
    url.setPath(hash < 0 ? page : page.left(hash));
    if (hash >= 0)
        url.setFragment(page.mid(hash + 1));
    return url;
}

QString HelpBrowser::pageOf(const QUrl &url)
{
    QString page = url.path();
    if (!page.startsWith(QLatin1Char('/')))
        page.prepend(QLatin1Char('/'));
    if (url.hasFragment())
        page += QLatin1Char('#') + url.fragment();
    return page;
}

QVariant HelpBrowser::loadResource(int type, const QUrl &name)
{
    QUrl url = name;
    if (url.isRelative())
        url = source().resolved(url);
    if (url.scheme() != kScheme || !file_)
        return QTextBrowser::loadResource(type, name);
    QString page = url.path();
    // "help:/" is the help's first page.
    if (page.isEmpty() || page == QLatin1String("/"))
        page = file_->defaultPage().section(QLatin1Char('#'), 0, 0);
    const QByteArray bytes = file_->read(page);
    switch (type) {
    case QTextDocument::HtmlResource:
        if (bytes.isEmpty())
            return notFoundPage(page);
        return QString::fromUtf8(bytes);
    case QTextDocument::StyleSheetResource: return QString::fromUtf8(bytes);
    case QTextDocument::ImageResource: {
        QImage image;
        if (!bytes.isEmpty() && image.loadFromData(bytes))
            return image;
        return {};
    }
    default: return bytes.isEmpty() ? QVariant() : QVariant(bytes);
    }
}

// ---------------------------------------------------------------- the viewer window

HelpViewer::HelpViewer(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpViewer"));
    setWindowTitle(QStringLiteral("Levelbook Help"));
    setAttribute(Qt::WA_QuitOnClose, false);

    Page = new HelpBrowser(this);
    Contents = new QTreeWidget(this);
    Contents->setObjectName(QStringLiteral("Contents"));
    Contents->setHeaderHidden(true);
    Contents->setAccessibleName(QStringLiteral("Contents"));
    Contents->setRootIsDecorated(true);
    Contents->header()->setStretchLastSection(true);

    Back = new QPushButton(QStringLiteral("&Back"), this);
    Back->setObjectName(QStringLiteral("Back"));
    Back->setToolTip(QStringLiteral("Go back to the page you read before."));
    Forward = new QPushButton(QStringLiteral("&Forward"), this);
    Forward->setObjectName(QStringLiteral("Forward"));
    Forward->setToolTip(QStringLiteral("Go forward again."));
    Home = new QPushButton(QStringLiteral("&Home"), this);
    Home->setObjectName(QStringLiteral("Home"));
    Home->setToolTip(QStringLiteral("Go to the first page of the help."));
    Back->setEnabled(false);
    Forward->setEnabled(false);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Back);
    buttons->addWidget(Forward);
    buttons->addWidget(Home);
    buttons->addStretch(1);

    split_ = new QSplitter(Qt::Horizontal, this);
    split_->addWidget(Contents);
    split_->addWidget(Page);
    split_->setStretchFactor(0, 0);
    split_->setStretchFactor(1, 1);
    split_->setChildrenCollapsible(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(buttons);
    layout->addWidget(split_, 1);

    setTabOrder(Back, Forward);
    setTabOrder(Forward, Home);
    setTabOrder(Home, Contents);
    setTabOrder(Contents, Page);

    connect(Back, &QPushButton::clicked, Page, &QTextBrowser::backward);
    connect(Forward, &QPushButton::clicked, Page, &QTextBrowser::forward);
    connect(Home, &QPushButton::clicked, this, [this] {
        if (file_)
            showPage(file_->defaultPage());
    });
    connect(Page, &QTextBrowser::backwardAvailable, Back, &QWidget::setEnabled);
    connect(Page, &QTextBrowser::forwardAvailable, Forward, &QWidget::setEnabled);
    connect(Page, &QTextBrowser::sourceChanged, this, [this](const QUrl &url) {
        const QString title = Page->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Levelbook Help")
                                       : QStringLiteral("Levelbook Help - %1").arg(title));
        markInContents(HelpBrowser::pageOf(url));
    });
    connect(Contents, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { contentsChosen(item); });
    connect(Contents, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) { contentsChosen(item); });
    connect(Contents, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        // Moving through the list with the arrow keys shows each page.
        if (!marking_ && item && Contents->hasFocus())
            contentsChosen(item);
    });

    resize(760, 620);
    split_->setSizes({240, 520});
}

void HelpViewer::setFile(std::shared_ptr<const ChmFile> file)
{
    file_ = std::move(file);
    Page->setFile(file_);
    Page->clearHistory();
    Contents->clear();
    if (!file_)
        return;
    // Each entry hangs below the nearest entry before it that stands one level up.
    QList<QTreeWidgetItem *> parents;
    for (const HelpContentsEntry &e : file_->contents()) {
        const int depth = std::min<int>(e.depth, int(parents.size()));
        parents.resize(depth);
        QTreeWidgetItem *item = depth == 0 ? new QTreeWidgetItem(Contents) : new QTreeWidgetItem(parents.last());
        item->setText(0, e.title);
        item->setData(0, Qt::UserRole, e.page);
        if (e.page.isEmpty())
            item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
        parents.append(item);
    }
    Contents->expandAll();
    // The contents list wide enough for its longest title, but never more
    // than two fifths of the window.
    int wanted = 0;
    for (QTreeWidgetItemIterator it(Contents); *it; ++it) {
        int depth = 1;
        for (const QTreeWidgetItem *up = (*it)->parent(); up; up = up->parent())
            ++depth;
        wanted = std::max(wanted,
                          Contents->fontMetrics().horizontalAdvance((*it)->text(0)) + depth * Contents->indentation());
    }
    wanted += 2 * Contents->frameWidth() + 16;
    const int total = std::max(split_->width(), 600);
    const int left = std::min(wanted, total * 2 / 5);
    split_->setSizes({left, total - left});
}

void HelpViewer::showPage(const QString &page)
{
    if (!file_)
        return;
    const QUrl url = HelpBrowser::urlOf(page);
    // The same page again still comes to its top, or to the place it names.
    if (Page->source() == url)
        Page->reload();
    else
        Page->setSource(url, QTextDocument::HtmlResource);
    if (url.hasFragment())
        Page->scrollToAnchor(url.fragment());
}

QString HelpViewer::currentPage() const { return HelpBrowser::pageOf(Page->source()); }

void HelpViewer::contentsChosen(QTreeWidgetItem *item)
{
    if (!item)
        return;
    QString page = item->data(0, Qt::UserRole).toString();
    // A heading shows the page of its first entry.
    if (page.isEmpty() && item->childCount() > 0)
        page = item->child(0)->data(0, Qt::UserRole).toString();
    if (!page.isEmpty() && page != currentPage())
        showPage(page);
}

void HelpViewer::markInContents(const QString &page)
{
    // The entry of the page itself, else the entry of the page without its "#" part.
    QTreeWidgetItem *found = nullptr;
    QTreeWidgetItem *sameFile = nullptr;
    const QString file = page.section(QLatin1Char('#'), 0, 0);
    for (QTreeWidgetItemIterator it(Contents); *it; ++it) {
        const QString entry = (*it)->data(0, Qt::UserRole).toString();
        if (entry.compare(page, Qt::CaseInsensitive) == 0) {
            found = *it;
            break;
        }
        if (!sameFile && entry.compare(file, Qt::CaseInsensitive) == 0)
            sameFile = *it;
    }
    if (!found)
        found = sameFile;
    marking_ = true;
    if (found) {
        Contents->setCurrentItem(found);
        Contents->scrollToItem(found);
    } else {
        Contents->clearSelection();
    }
    marking_ = false;
}

// ---------------------------------------------------------------- the service

QtHelpService::QtHelpService(MessageService &messages) : messages_(messages) {}

QtHelpService::~QtHelpService() { delete viewer_.data(); }

std::shared_ptr<const ChmFile> QtHelpService::helpFile(QWidget *parent)
{
    const QString path = fixedFile_.isEmpty() ? locateHelpFile() : fixedFile_;
    if (path.isEmpty() || !QFileInfo(path).exists()) {
        const QString where = fixedFile_.isEmpty() ? QDir::toNativeSeparators(QCoreApplication::applicationDirPath())
                                                   : QDir::toNativeSeparators(QFileInfo(path).absolutePath());
        messages_.show(parent,
                       QStringLiteral("The help cannot be shown: the help file %1 was not found. It belongs in "
                                      "the folder that holds Levelbook (%2). Install Levelbook again to put it back.")
                           .arg(helpFileName(), where),
                       {}, MsgIcon::Warning, MsgButtons::Ok);
        return nullptr;
    }
    // The file is read again when it has been replaced since it was opened.
    const QFileInfo info(path);
    if (file_ && path == filePath_ && info.lastModified() == fileStamp_ && info.size() == fileSize_)
        return file_;
    QString error;
    std::unique_ptr<ChmFile> opened = ChmFile::open(path, &error);
    if (!opened) {
        messages_.show(parent,
                       QStringLiteral("The help cannot be shown: the help file %1 could not be read. %2 Install "
                                      "Levelbook again to replace it.")
                           .arg(QDir::toNativeSeparators(path), error),
                       {}, MsgIcon::Warning, MsgButtons::Ok);
        return nullptr;
    }
    file_ = std::move(opened);
    filePath_ = path;
    fileStamp_ = info.lastModified();
    fileSize_ = info.size();
    if (viewer_)
        viewer_->setFile(file_);
    return file_;
}

void QtHelpService::showTopic(QWidget *parent, int context)
{
    const std::shared_ptr<const ChmFile> file = helpFile(parent);
    if (!file)
        return;
    const bool first = !viewer_;
    if (first) {
        viewer_ = new HelpViewer;
        viewer_->setFile(file);
    }
    QString page = context > 0 ? file->pageForContext(context) : QString();
    if (page.isEmpty())
        page = file->defaultPage();
    viewer_->showPage(page);
    if (first) {
        // Beside the program: on the right of the screen the program is on.
        const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            const QRect room = screen->availableGeometry();
            const QSize size = viewer_->size().boundedTo(room.size() * 9 / 10);
            viewer_->resize(size);
            viewer_->move(room.right() - size.width() + 1, room.top() + (room.height() - size.height()) / 2);
        }
    }
    if (viewer_->isMinimized())
        viewer_->showNormal();
    else
        viewer_->show();
    viewer_->raise();
    viewer_->activateWindow();
}
