#include "core/DiarySession.h"

#include <QFile>

#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

// What says whether a file is the one seen last, unchanged.
struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    bool operator==(const FileState &o) const
    {
        return device == o.device && inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec &&
            modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec &&
            changed.tv_nsec == o.changed.tv_nsec;
    }
};

std::optional<FileState> stateOf(const QByteArray &path)
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return std::nullopt;
    return FileState{st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

} // namespace

struct DiarySession::Slot {
    Slot(const QString &p, Database::Access a) : path(p), access(a), db(Database::open(p, a)), cursor(db) {}
    QString path;
    Database::Access access;
    Database db;
    Cursor cursor;
    std::optional<FileState> seen; // the file as the last action left it
};

DiarySession::DiarySession() = default;
DiarySession::~DiarySession() = default;

DiarySession::Lease DiarySession::lease(const QString &path, Database::Access access, Start start)
{
    return Lease(*this, path, access, start);
}

void DiarySession::release() { kept_.reset(); }

bool DiarySession::isKept() const { return kept_ != nullptr; }

DiarySession::Lease::Lease(DiarySession &session, const QString &path, Database::Access access, Start start)
    : session_(session)
{
    std::unique_ptr<Slot> &k = session_.kept_;
    // A connection that may write serves a read as well.
    if (k && k->path == path && (k->access == access || k->access == Database::Access::ReadWrite)) {
        const std::optional<FileState> now = stateOf(QFile::encodeName(path));
        if (now && now == k->seen) {
            slot_ = std::move(k);
            try {
                if (start == Start::Anywhere)
                    slot_->cursor.unplace();
                else
                    slot_->cursor.restart();
                lent_ = true;
                return;
            } catch (const StoreError &) {
                slot_.reset(); // opened afresh below, which reports what is wrong
            }
        }
    }
    if (!slot_ && k && k->path == path)
        k.reset(); // the file changed under it: it is not used again
    slot_ = std::make_unique<Slot>(path, access);
}

DiarySession::Lease::~Lease() = default;

Database &DiarySession::Lease::database() { return slot_->db; }
Cursor &DiarySession::Lease::cursor() { return slot_->cursor; }

void DiarySession::Lease::keep()
{
    if (!slot_)
        return;
    std::unique_ptr<Slot> &k = session_.kept_;
    if (!lent_ && k && k->path == slot_->path && k->access == Database::Access::ReadWrite)
        return; // a lease of its own beside the kept one: closed
    slot_->cursor.rest();
    sqlite3 *h = slot_->db.handle();
    for (sqlite3_stmt *st = sqlite3_next_stmt(h, nullptr); st; st = sqlite3_next_stmt(h, st))
        if (sqlite3_stmt_busy(st))
            return;
    if (!sqlite3_get_autocommit(h))
        return;
    slot_->seen = stateOf(QFile::encodeName(slot_->path));
    if (!slot_->seen)
        return;
    k = std::move(slot_);
}
