#pragma once
// Readings out of a diary into a CSV file, and in from one.
//
// The file: UTF-8, one header line naming the columns, then one line per date:
//   Date,Pre-Breakfast,After Breakfast,Pre-Lunch,After Lunch,Pre-Dinner,After Dinner,Bedtime,Night
//   2013-09-17,95,140,,120.5,101,160,110,
// Fields are quoted as RFC 4180 asks (a field holding a comma, a quote or a
// line break is put in quotes, a quote in it doubled), lines end in CR LF, a
// reading is written exactly as stored and a reading not taken as an empty
// field.
//
// Reading such a file takes the columns in any order (matched by their header
// names, without regard to case and spaces), ",", ";" or a tab between the
// fields, dates in ISO form or in the locale's short form, and a byte-order
// mark. A reading written with a decimal comma ("5,6": one comma between
// digits) is stored with a point ("5.6"). A line that gives its date no
// reading at all adds nothing and is listed as a line that cannot be used.
// A file that is no file of readings (binary bytes, a line longer than any
// line of readings, a quote never closed, more lines than a diary can hold
// dates) is refused as a whole, with a reason, after reading no more of it
// than that takes.

#include "core/ReadingDay.h"

#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class Cursor;
class QIODevice;

namespace csv {

// The header names: "Date", then the eight kinds in their order.
const std::array<QString, kReadingKinds + 1> &columnNames();

// ------------------------------------------------------------------ export

struct ExportResult {
    enum class Outcome {
        Written,
        NoDateFromStart, // no stored date lies on or after the start
        NoDateInRange,   // dates after the start, none up to the end
        DiaryFailed,     // the diary could not be read
        WriteFailed      // the file could not be written
    };
    Outcome outcome = Outcome::Written;
    qint64 dates = 0; // dates written
    QString detail;   // the engine's or the file system's words on a failure
};

// Writes the header and every stored date from startKey to endKey (both
// included) to `out`. Looks first whether the range holds a date at all; when
// it holds none, nothing is written. Throws StoreError when the diary cannot
// be read; a failed write ends in WriteFailed.
ExportResult writeRange(Cursor &cursor, const QString &startKey, const QString &endKey, QIODevice &out);

// The same into the file `target`, whole or not at all: the lines go to a
// temporary file beside it, which is flushed and then renamed over it. On
// any failure no file is left and `target`, if it was there, stays as it was.
// The diary is only read.
ExportResult exportToFile(const QString &diaryPath, const QString &startKey, const QString &endKey,
                          const QString &target);

// The file name offered for an export: "Ann Smith 2013-01-01 to 2013-12-31.csv".
QString proposedFileName(const QString &personName, const QString &startKey, const QString &endKey);

// ------------------------------------------------------------------ import

// Bounds that no file of readings comes near: a line of readings is well
// under a hundred characters, and a diary holds at most 36,525 dates.
inline constexpr qsizetype kMaxLineBytes = 4096;
inline constexpr qint64 kMaxLines = 50000;

struct LineProblem {
    qint64 line = 0; // the line of the file where the unusable line begins (the header is line 1)
    QString reason;
    bool operator==(const LineProblem &) const = default;
};

struct FileReadings {
    QString failure;             // why the file as a whole cannot be used; empty when it can
    QList<ReadingDay> days;      // the usable lines, in file order, each date once; "-" for a reading not taken
    QList<LineProblem> problems; // every line that cannot be used, in file order
};

// Reads a file of readings. Dates in the locale's short form are read in
// `locale` (a two-digit year as 20yy). Reads `in` to its end or to the first
// reason to refuse it.
FileReadings readReadings(QIODevice &in, const QLocale &locale);
FileReadings readReadings(const QByteArray &bytes, const QLocale &locale);

// What an import would do to a diary.
struct ImportPreview {
    QString failure;             // the file cannot be used at all; nothing else is filled
    QList<ReadingDay> toAdd;     // new dates, in date order
    QStringList stored;          // dates of the file that are stored already: kept as they are
    QList<LineProblem> problems; // lines that cannot be used
    bool usable() const { return failure.isEmpty() && !toAdd.isEmpty(); }
};

// Splits what a file holds into new dates and dates stored already. Throws
// StoreError when the diary cannot be read.
ImportPreview previewImport(Cursor &cursor, FileReadings readings);

// Reads the file `csvPath` and looks at the diary (only reading it). A file
// that cannot be opened or used ends in `failure`; a diary that cannot be
// read throws StoreError.
ImportPreview previewImportFile(const QString &diaryPath, const QString &csvPath, const QLocale &locale);

// Adds the preview's new dates to the diary in one transaction (a date stored
// meanwhile is kept as it is). Returns how many were added and the last
// stored date afterwards. Throws StoreError, the diary as it was.
struct ImportDone {
    qint64 added = 0;
    std::optional<ReadingDay> last;
};
ImportDone applyImport(const QString &diaryPath, const ImportPreview &preview);

// The preview in words, the same in the window and on the command line.
QString addCountText(qint64 count);              // "12 dates would be added."
QString storedCountText(qint64 count);           // "3 dates are stored already and are kept as they are."
QString problemCountText(qint64 count);          // "2 lines cannot be used:"
QString problemText(const LineProblem &problem); // "Line 5: ..."
QStringList previewLines(const ImportPreview &preview);

} // namespace csv
