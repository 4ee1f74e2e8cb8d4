#include "core/Rfc4180.h"

#include <algorithm>
#include <utility>

namespace rfc4180 {

bool needsQuotes(QByteArrayView field, char separator)
{
    return std::any_of(field.begin(), field.end(),
                       [separator](char c) { return c == separator || c == '"' || c == '\r' || c == '\n'; });
}

void appendField(QByteArray &out, QByteArrayView field, char separator)
{
    if (!needsQuotes(field, separator)) {
        out += field;
        return;
    }
    out += '"';
    for (const char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

void appendField(QByteArray &out, const QString &text, char separator)
{
    appendField(out, QByteArrayView(text.toUtf8()), separator);
}

Reader::Reader(char separator, Limits limits, Sink sink)
    : separator_(separator), limits_(limits), sink_(std::move(sink))
{
}

bool Reader::feed(const char *data, qsizetype size)
{
    for (qsizetype i = 0; i < size && !stopped(); ++i)
        take(data[i]);
    return !stopped();
}

bool Reader::finish()
{
    if (stopped())
        return false;
    if (inQuotes_ && !quoteSeen_) {
        stop(Fault::Kind::QuoteNeverClosed, quoteLine_);
        return false;
    }
    if (recordBytes_ > 0)
        endRecord();
    return !stopped();
}

void Reader::take(char ch)
{
    const auto c = static_cast<unsigned char>(ch);
    const bool afterCR = lastWasCR_;
    lastWasCR_ = c == '\r';
    // A CR LF pair is one line end; the LF of it starts nothing.
    if (c == '\n' && afterCR && !inQuotes_)
        return;
    if (recordBytes_ == 0)
        recordLine_ = line_;
    if (c == '\r' || (c == '\n' && !afterCR))
        ++line_;
    if (++recordBytes_ > limits_.recordBytes) {
        if (inQuotes_ && !quoteSeen_)
            stop(Fault::Kind::QuoteTooLong, quoteLine_);
        else
            stop(Fault::Kind::RecordTooLong, recordLine_);
        return;
    }
    if (isBinary(c)) {
        stop(Fault::Kind::Binary, recordLine_);
        return;
    }

    if (inQuotes_) {
        if (!quoteSeen_) {
            if (c == '"')
                quoteSeen_ = true;
            else
                field_ += ch;
            return;
        }
        // After a quote inside quotes: a second one is a quote of the text,
        // anything else ends the quoted part.
        quoteSeen_ = false;
        if (c == '"') {
            field_ += '"';
            return;
        }
        inQuotes_ = false;
    }
    if (c == static_cast<unsigned char>(separator_)) {
        endField();
    } else if (c == '\r' || c == '\n') {
        endRecord();
    } else if (c == '"' && !fieldStarted_) {
        inQuotes_ = true;
        fieldStarted_ = true;
        quoteLine_ = line_;
    } else {
        field_ += ch;
        fieldStarted_ = true;
    }
}

void Reader::endField()
{
    fields_.append(std::move(field_));
    field_.clear();
    fieldStarted_ = false;
}

void Reader::endRecord()
{
    endField();
    if (++records_ > limits_.records) {
        stop(Fault::Kind::TooManyRecords, recordLine_);
        return;
    }
    sink_(recordLine_, fields_);
    fields_.clear();
    recordBytes_ = 0;
}

} // namespace rfc4180
