#pragma once
// The connection to the diary the browser shows, kept from one action to the
// next with its prepared statements, so that Next, Previous and the changes
// do not open the file, check its schema and prepare their statements each
// time.
//
// Between actions the kept connection holds no transaction, no lock and no
// running statement: other programs read, write, copy or replace the file as
// if it were closed, and every commit was made durable before its action
// ended. It is used again only while the file is the very one it opened and
// nothing changed it since the last action ended (same device, inode, size,
// modification and status-change times); otherwise the file is opened afresh
// and its schema checked again. Backup, restore, compaction and repair let go
// of it before they start, as does the shell when the diary closes.

#include "core/Database.h"

#include <QString>

#include <memory>

class KeptDiary {
public:
    // Lends the kept connection to `path`, with a cursor standing on the
    // first row as a fresh cursor does; opens the diary afresh (throwing as
    // Database::open does) when none can be lent. A kept connection that may
    // write serves a read too. A second lease while one is out gets a
    // connection of its own.
    //
    // Where the lent cursor stands: on the first row, or, for an action that
    // seeks before it reads, nowhere (no query is run for it).
    enum class Start { FirstRow, Anywhere };
    explicit KeptDiary(const QString &path, Database::Access access = Database::Access::ReadWrite,
                       Start start = Start::FirstRow);
    // Without keep(), the connection is closed: an action that failed leaves
    // nothing behind for the next one.
    ~KeptDiary();
    KeptDiary(const KeptDiary &) = delete;
    KeptDiary &operator=(const KeptDiary &) = delete;

    Database &database();
    Cursor &cursor();

    // The action ended well: the connection is kept for the next action on
    // the same file.
    void keep();

    // Closes the kept connection (to `path`, or to any file when empty).
    static void release(const QString &path = {});
    // Whether a connection is kept now (for the tests).
    static bool isKept();

    struct Slot;

private:
    std::unique_ptr<Slot> slot_;
    bool lent_ = false; // the slot is the kept one, to be handed back
};
