// Any file opened as a diary: the browser's loading step (open the file, check
// table BLOOD and index Readings, take a cursor, move to the last day, read its
// fields) and its first steps back from there. A sound diary loads; anything
// else must end in StoreError, which the browser turns into the
// corrupted-file message. Any other way out (a crash, a hang, another
// exception, a sanitizer report) is a fault.

#include "Scratch.h"
#include "core/Database.h"

#include <cstdlib>

namespace {

// A day that loaded must be whole: a key and eight texts, none empty.
void checkDay(const ReadingDay &day)
{
    if (day.key.isEmpty())
        std::abort();
    for (const QString &r : day.readings)
        if (r.isEmpty())
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = scratchFolder() + QStringLiteral("/Fuzz Diary.bcl");
    removeWithJournals(path);
    writeInput(path, data, size);
    try {
        Database db = Database::open(path);
        Cursor cursor(db);
        if (!cursor.eof()) {
            cursor.moveLast();
            checkDay(cursor.row());
            // Previous, as the user steps back through the days.
            for (int i = 0; i < 4; ++i) {
                cursor.movePrevious();
                if (cursor.bof())
                    break;
                checkDay(cursor.row());
            }
            cursor.seek(SeekOp::AtLeast, QStringLiteral("2000-01-01"));
            if (!cursor.noMatch())
                checkDay(cursor.row());
        }
    } catch (const StoreError &) {
        // The corrupted-file message.
    }
    return 0;
}
