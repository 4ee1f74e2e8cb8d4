#pragma once
// The connection to the diary the browser shows, kept from one action to the
// next with its prepared statements, so that Next, Previous and the changes
// do not open the file, check its schema and prepare their statements each
// time.
//
// One session owns it: the main frame holds one beside the open diary, and
// lets go of the connection when it opens or closes a diary, backs it up or
// hands a file to maintenance. A program without windows (the command line,
// the benchmarks) holds a session of its own, or none. The file operations of
// the core know nothing of sessions.
//
// Between actions the kept connection holds no transaction, no lock and no
// running statement: other programs read, write, copy or replace the file as
// if it were closed, and every commit was made durable before its action
// ended. It is used again only while the file is the very one it opened and
// nothing changed it since the last action ended (same device, inode, size,
// modification and status-change times); otherwise the file is opened afresh
// and its schema checked again.

#include "core/Database.h"

#include <QString>

#include <memory>

class DiarySession {
public:
    // Where a lent cursor stands: on the first row, as a fresh cursor does,
    // or, for an action that seeks before it reads, nowhere (no query is run
    // for it).
    enum class Start { FirstRow, Anywhere };

    struct Slot;

    // One action's use of the diary at `path`.
    class Lease {
    public:
        // Without keep(), the connection is closed: an action that failed
        // leaves nothing behind for the next one.
        ~Lease();
        Lease(const Lease &) = delete;
        Lease &operator=(const Lease &) = delete;

        Database &database();
        Cursor &cursor();

        // The action ended well: the connection is kept by the session for
        // the next action on the same file.
        void keep();

    private:
        friend class DiarySession;
        Lease(DiarySession &session, const QString &path, Database::Access access, Start start);

        DiarySession &session_;
        std::unique_ptr<Slot> slot_;
        bool lent_ = false; // the slot is the kept one, to be handed back
    };

    DiarySession();
    ~DiarySession();
    DiarySession(const DiarySession &) = delete;
    DiarySession &operator=(const DiarySession &) = delete;

    // Lends the kept connection to `path`, with its cursor standing as
    // `start` says; opens the diary afresh (throwing as Database::open does)
    // when none can be lent. A kept connection that may write serves a read
    // too. A second lease while one is out gets a connection of its own.
    Lease lease(const QString &path, Database::Access access = Database::Access::ReadWrite,
                Start start = Start::FirstRow);

    // Closes the kept connection, if any.
    void release();
    // Whether a connection is kept now.
    bool isKept() const;

private:
    std::unique_ptr<Slot> kept_;
};
