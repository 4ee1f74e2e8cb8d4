#pragma once
// Comma-separated text as RFC 4180 describes it, knowing nothing of what the
// fields mean: writing a field with the quotes it needs, and splitting bytes
// into records of fields.
//
// Writing: a field holding the separator, a quote or a line break is put in
// quotes, a quote in it doubled; records end in CR LF.
//
// Reading is lenient, as spreadsheets read: a quote inside an unquoted field
// is a quote, and text after a closing quote belongs to the field. Lines end
// in CR LF, LF or CR, and a quoted field may hold any of them. Records are
// handed on one at a time, so nothing but the record being read is kept, and
// the bytes may come in pieces of any size.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>

namespace rfc4180 {

// What ends a record that this writes.
inline constexpr char kRecordEnd[] = "\r\n";

// Whether the field has to be put in quotes.
bool needsQuotes(QByteArrayView field, char separator = ',');

// Appends the field (UTF-8), in quotes when it needs them.
void appendField(QByteArray &out, QByteArrayView field, char separator = ',');
void appendField(QByteArray &out, const QString &text, char separator = ',');

// A byte that no text holds: a control character other than a tab or a line
// end, or DEL.
inline bool isBinary(unsigned char c) { return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f; }

// Why the reader stopped. `line` is the line (from 1) the quote was opened
// on for the two quote faults, otherwise the line the record begins on.
struct Fault {
    enum class Kind {
        None,
        QuoteNeverClosed, // the bytes ended inside a quoted field
        QuoteTooLong,     // a quoted field ran past the longest record allowed
        RecordTooLong,    // a record longer than allowed
        Binary,           // a byte that no text holds
        TooManyRecords    // more records than allowed
    };
    Kind kind = Kind::None;
    qint64 line = 0;
};

class Reader {
public:
    struct Limits {
        qsizetype recordBytes; // the most bytes of one record, its line end counted
        qint64 records;        // the most records, blank lines counted
    };
    // Called with the line a record begins on and its fields, which it may
    // take.
    using Sink = std::function<void(qint64 line, QList<QByteArray> &fields)>;

    Reader(char separator, Limits limits, Sink sink);

    // Reads the next piece of the bytes; false once the reader has stopped.
    bool feed(const char *data, qsizetype size);
    // The end of the bytes: hands on a last record without a line end.
    bool finish();

    const Fault &fault() const { return fault_; }

private:
    void take(char ch);
    void stop(Fault::Kind kind, qint64 line) { fault_ = Fault{kind, line}; }
    bool stopped() const { return fault_.kind != Fault::Kind::None; }
    void endField();
    void endRecord();

    const char separator_;
    const Limits limits_;
    Sink sink_;
    Fault fault_;
    QList<QByteArray> fields_;
    QByteArray field_;
    bool fieldStarted_ = false;
    bool inQuotes_ = false;
    bool quoteSeen_ = false;
    bool lastWasCR_ = false;
    qint64 line_ = 1;
    qint64 recordLine_ = 1;
    qint64 quoteLine_ = 1;
    qsizetype recordBytes_ = 0;
    qint64 records_ = 0;
};

} // namespace rfc4180
