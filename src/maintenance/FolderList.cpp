#include "maintenance/FolderList.h"

#include <QDir>
#include <QFileInfo>
#include <QStyle>
#include <QStyledItemDelegate>

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kLevelRole = Qt::UserRole + 1;

// Indents each line by the depth of its folder.
class IndentDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    static constexpr int kStep = 14;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.adjust(kStep * index.data(kLevelRole).toInt(), 0, 0, 0);
        QStyledItemDelegate::paint(painter, shifted, index);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        s.rwidth() += kStep * index.data(kLevelRole).toInt();
        return s;
    }
};

bool readableFolder(const QString &path)
{
    const QFileInfo info(path);
    return !path.isEmpty() && info.isDir() && info.isReadable() && info.isExecutable();
}

bool below(const QString &path, const QString &root)
{
    if (root == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

} // namespace

FolderList::FolderList(QWidget *parent) : QListWidget(parent)
{
    setItemDelegate(new IndentDelegate(this));
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemActivated, this, &FolderList::open);
}

bool FolderList::setRoot(const QString &root, bool notify)
{
    const QString clean = QDir::cleanPath(root);
    if (!readableFolder(clean))
        return false;
    root_ = clean;
    path_.clear();
    return setPath(clean, notify);
}

bool FolderList::setPath(const QString &path, bool notify)
{
    const QString clean = QDir::cleanPath(QDir(root_).absoluteFilePath(path));
    if (!below(clean, root_) || !readableFolder(clean))
        return false;
    path_ = clean;
    rebuild();
    if (notify)
        emit changed();
    return true;
}

void FolderList::rebuild()
{
    clear();
    QStringList chain;
    for (QString p = path_;;) {
        chain.prepend(p);
        if (p == root_)
            break;
        const QString parent = QFileInfo(p).path();
        if (parent == p)
            break;
        p = parent;
    }
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    auto add = [this](const QString &text, const QString &path, int level, const QIcon &icon) {
        auto *item = new QListWidgetItem(icon, text, this);
        item->setData(kPathRole, path);
        item->setData(kLevelRole, level);
        item->setToolTip(path);
        return item;
    };
    QListWidgetItem *current = nullptr;
    for (int i = 0; i < chain.size(); ++i)
        current = add(i == 0 ? chain[i] : QFileInfo(chain[i]).fileName(), chain[i], i, openIcon);

    const QDir dir(path_);
    const QStringList children = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString &child : children)
        add(child, dir.filePath(child), int(chain.size()), closedIcon);

    setCurrentItem(current);
    scrollToItem(current);
}

void FolderList::open(QListWidgetItem *item)
{
    const QString path = item->data(kPathRole).toString();
    if (!setPath(path, true))
        emit openFailed(path);
}
