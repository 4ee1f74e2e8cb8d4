#include "core/MeterFile.h"

#include "core/CsvFile.h"

#include <QDateTime>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace meter {

namespace {

// ------------------------------------------------------------------ bytes to text

const char kZipMessage[] = "This is a zip or spreadsheet file: unpack it, or save it as CSV, and import that.";

struct Decoded {
    QString text;
    QString encoding;
    QString failure;
};

bool startsWith(const QByteArray &bytes, const char *prefix, qsizetype size)
{
    return bytes.size() >= size && std::equal(prefix, prefix + size, bytes.constData());
}

// The characters Windows-1252 puts at 0x80 to 0x9F; the rest is Latin-1.
QString fromWindows1252(const QByteArray &bytes)
{
    static const char16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *to = out.data();
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        *to++ = QChar(c >= 0x80 && c < 0xA0 ? high[c - 0x80] : char16_t(c));
    }
    return out;
}

// Which of the two bytes of UTF-16 without a mark is zero for plain text:
// 1 for little-endian, 2 for big-endian, 0 when neither looks so.
int utf16ByZeros(const QByteArray &bytes)
{
    const qsizetype pairs = std::min<qsizetype>(bytes.size(), 2048) / 2;
    if (pairs < 1)
        return 0;
    qsizetype evenZeros = 0, oddZeros = 0;
    for (qsizetype i = 0; i < pairs; ++i) {
        evenZeros += bytes[2 * i] == 0;
        oddZeros += bytes[2 * i + 1] == 0;
    }
    if (oddZeros * 2 > pairs && evenZeros * 10 < pairs)
        return 1;
    if (evenZeros * 2 > pairs && oddZeros * 10 < pairs)
        return 2;
    return 0;
}

QString fromUtf16(const QByteArray &bytes, QStringConverter::Encoding encoding)
{
    QStringDecoder decoder(encoding, QStringConverter::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(bytes.constData(), bytes.size() - bytes.size() % 2));
}

bool isControl(char16_t c) { return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f; }

Decoded decode(const QByteArray &bytes)
{
    Decoded d;
    // A zip (and so a workbook of today's spreadsheets) starts "PK" and a
    // record number below 9; a header such as "PKID,..." is text.
    const bool zip = startsWith(bytes, "PK", 2) && bytes.size() >= 3 && bytes[2] > 0 && bytes[2] < 9;
    if (zip || startsWith(bytes, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        d.failure = QString::fromLatin1(kZipMessage);
        return d;
    }
    if (startsWith(bytes, "\xEF\xBB\xBF", 3)) {
        d.encoding = QStringLiteral("UTF-8");
        d.text = QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    } else if (startsWith(bytes, "\xFF\xFE", 2)) {
        d.encoding = QStringLiteral("UTF-16LE");
        d.text = fromUtf16(bytes.mid(2), QStringConverter::Utf16LE);
    } else if (startsWith(bytes, "\xFE\xFF", 2)) {
        d.encoding = QStringLiteral("UTF-16BE");
        d.text = fromUtf16(bytes.mid(2), QStringConverter::Utf16BE);
    } else if (const int zeros = utf16ByZeros(bytes)) {
        d.encoding = zeros == 1 ? QStringLiteral("UTF-16LE") : QStringLiteral("UTF-16BE");
        d.text = fromUtf16(bytes, zeros == 1 ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    } else {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
        d.text = utf8(bytes);
        d.encoding = QStringLiteral("UTF-8");
        if (utf8.hasError()) {
            d.text = fromWindows1252(bytes);
            d.encoding = QStringLiteral("Windows-1252");
        }
    }
    // A file that ends in the old end-of-file mark keeps it out of the text.
    while (d.text.endsWith(QChar(0x1A)))
        d.text.chop(1);

    bool blank = true;
    qint64 lines = 1;
    for (const QChar ch : std::as_const(d.text)) {
        const char16_t c = ch.unicode();
        if (isControl(c)) {
            d.failure = QStringLiteral("This file holds bytes that no text file holds: it is no export of "
                                       "readings. Export the readings from the meter's program as CSV and import "
                                       "that.");
            return d;
        }
        if (c == '\n')
            ++lines;
        if (blank && !ch.isSpace())
            blank = false;
    }
    if (blank) {
        d.failure = QStringLiteral("The file is empty. Export the readings from the meter's program again and "
                                   "import that file.");
        return d;
    }
    if (lines > kMaxMeterLines) {
        d.failure = QStringLiteral("The file has more than %1 lines, far more than any export of readings. "
                                   "Export a shorter span of time and import that.")
                        .arg(kMaxMeterLines);
        return d;
    }
    return d;
}

// ------------------------------------------------------------------ text to records

struct Record {
    qint64 line = 0;
    QStringList fields;
    bool oneLine = true; // no quoted field ran over a line end
};

bool isBlank(const QStringList &fields)
{
    return std::all_of(fields.begin(), fields.end(), [](const QString &f) { return f.trimmed().isEmpty(); });
}

// Splits the text into records as RFC 4180 has them. A quote inside a quoted
// field that neither doubles nor ends it is taken as it stands. A quoted field
// runs over a line end only while it is closed within a few lines and the
// record it makes has no more fields than the header: a quote never closed
// ends at its own line and costs nothing more.
class Splitter {
public:
    static constexpr int kMaxQuotedLines = 16;

    Splitter(const QString &text, QChar separator, qsizetype maxFields = 0)
        : text_(text), sep_(separator.unicode()), maxFields_(maxFields)
    {
    }

    // The record that begins a line longer than the bound; 0 for none.
    qint64 tooLong() const { return tooLong_; }

    bool next(Record &r)
    {
        const qsizetype n = text_.size();
        if (pos_ >= n)
            return false;
        const QChar *s = text_.constData();
        r.line = line_;
        r.fields.clear();
        const qsizetype start = pos_;
        break_ = {};
        QString field;
        bool fieldStarted = false;
        while (pos_ < n) {
            const char16_t c = s[pos_].unicode();
            if (c == sep_) {
                r.fields << field;
                field.clear();
                fieldStarted = false;
                ++pos_;
            } else if (c == '\r' || c == '\n') {
                endLine();
                break;
            } else if (c == '"' && !fieldStarted) {
                ++pos_;
                fieldStarted = true;
                if (!quoted(r, field, start))
                    break; // not closed in time: the record ended with the quote's line
            } else {
                qsizetype end = pos_;
                while (end < n && s[end].unicode() != sep_ && s[end].unicode() != '\r' && s[end].unicode() != '\n')
                    ++end;
                field += QStringView(s + pos_, end - pos_);
                fieldStarted = true;
                pos_ = end;
            }
        }
        r.fields << field;
        if (break_.pos >= 0 && maxFields_ > 0 && r.fields.size() > maxFields_) {
            // Read on past the line end, the quote made a record wider than
            // the header: it was a quote never closed.
            r.fields.resize(break_.fields);
            r.fields << break_.field;
            backToBreak();
        }
        r.oneLine = line_ <= r.line + 1;
        if (pos_ - start > kMaxMeterLineBytes && tooLong_ == 0)
            tooLong_ = r.line;
        return true;
    }

private:
    // Where a quoted field first ran over a line end.
    struct Break {
        qsizetype pos = -1;
        qint64 line = 0;
        qsizetype fields = 0;
        QString field;
    };

    void endLine()
    {
        if (text_[pos_] == QLatin1Char('\r') && pos_ + 1 < text_.size() && text_[pos_ + 1] == QLatin1Char('\n'))
            ++pos_;
        ++pos_;
        ++line_;
    }

    void backToBreak()
    {
        pos_ = break_.pos;
        line_ = break_.line;
        endLine();
    }

    // Reads a quoted field from just after its opening quote. False when the
    // quote is not closed in time: the field then ends at the first line end
    // inside it, and so does the record.
    bool quoted(Record &r, QString &field, qsizetype recordStart)
    {
        const qsizetype n = text_.size();
        const QChar *s = text_.constData();
        int breaks = 0;
        while (pos_ < n) {
            const char16_t c = s[pos_].unicode();
            if (c == '"') {
                const char16_t after = pos_ + 1 < n ? s[pos_ + 1].unicode() : u'\n';
                if (after == '"') {
                    field += QLatin1Char('"');
                    pos_ += 2;
                } else if (after == sep_ || after == '\r' || after == '\n') {
                    ++pos_;
                    return true;
                } else {
                    field += QLatin1Char('"');
                    ++pos_;
                }
                continue;
            }
            if (c == '\r' || c == '\n') {
                if (break_.pos < 0)
                    break_ = {pos_, line_, r.fields.size(), field};
                if (++breaks > kMaxQuotedLines || pos_ - recordStart > kMaxMeterLineBytes)
                    break;
                endLine();
                field += QLatin1Char('\n');
                continue;
            }
            qsizetype end = pos_ + 1;
            while (end < n && s[end].unicode() != '"' && s[end].unicode() != '\r' && s[end].unicode() != '\n')
                ++end;
            field += QStringView(s + pos_, end - pos_);
            pos_ = end;
        }
        if (break_.pos < 0 || break_.fields != r.fields.size())
            return true; // the text ended inside the quote, on its own line
        field = break_.field;
        backToBreak();
        return false;
    }

    const QString &text_;
    char16_t sep_;
    qsizetype maxFields_;
    qsizetype pos_ = 0;
    qint64 line_ = 1;
    qint64 tooLong_ = 0;
    Break break_;
};

// ------------------------------------------------------------------ columns

enum class Role {
    None,
    DateTime, // date and time in one field
    Date,
    Time,
    Value,
    Unit,
    Marker,     // words such as "Before Meal", "Fasting"
    BeforeFlag, // any mark means before a meal
    AfterFlag,
    Kind,    // the record's kind
    Control, // any mark means a control-solution test
    Comment,
    Ketone,
    Insulin,
    Carbs
};

struct Column {
    Role role = Role::None;
    Source source = Source::FingerStick;
    bool sourceNamed = false; // the name says where the value came from
    std::optional<GlucoseUnit> unit;
    bool utc = false;
    QString name; // as written
};

// A column's name as it is looked up: letters and digits in lower case,
// without anything in brackets and without a unit at its end.
QString nameKey(const QString &name)
{
    QString out;
    out.reserve(name.size());
    int depth = 0;
    for (const QChar c : name) {
        if (c == QLatin1Char('(') || c == QLatin1Char('[')) {
            ++depth;
        } else if (c == QLatin1Char(')') || c == QLatin1Char(']')) {
            depth = std::max(0, depth - 1);
        } else if (depth == 0 && c.isLetterOrNumber()) {
            out += c.toLower();
        }
    }
    for (const char *unit : {"mmoll", "mgdl"})
        if (out.endsWith(QLatin1String(unit)) && out.size() > qsizetype(strlen(unit)))
            out.chop(qsizetype(strlen(unit)));
    return out;
}

std::optional<GlucoseUnit> unitIn(const QString &text)
{
    const QString t = text.toLower();
    if (t.contains(QLatin1String("mmol")))
        return GlucoseUnit::MmolPerL;
    if (t.contains(QLatin1String("mg/dl")) || t.contains(QLatin1String("mgdl")) ||
        t.contains(QLatin1String("mg/100")) || t.contains(QLatin1String("mg / dl")))
        return GlucoseUnit::MgPerDl;
    return std::nullopt;
}

struct Named {
    Role role;
    Source source = Source::FingerStick;
    bool sourceNamed = false;
};

const QHash<QString, Named> &namedColumns()
{
    static const QHash<QString, Named> table = [] {
        QHash<QString, Named> t;
        auto add = [&t](std::initializer_list<const char *> names, Named what) {
            for (const char *n : names)
                t.insert(QString::fromUtf8(n), what);
        };
        add({"devicetimestamp", "timestamp", "datetime", "datestring", "gerätezeitstempel", "zeitstempel",
             "dateandtime", "datumuhrzeit", "datumundzeit", "displaytime", "systemtime", "eventtime", "localtime",
             "readingdatetime", "measurementtime", "time stamp"},
            {Role::DateTime});
        add({"date", "datum", "day", "readingdate", "measurementdate", "testdate"}, {Role::Date});
        add({"time", "zeit", "uhrzeit", "readingtime", "testtime", "timeofday"}, {Role::Time});
        add({"historicglucose", "sensorglucose", "cgm", "cgmglucose", "udtcgms", "egv", "sgv", "sensorvalue",
             "sensorreading", "glucosesensor", "interstitialglucose"},
            {Role::Value, Source::Sensor, true});
        add({"scanglucose", "scan", "scanvalue"}, {Role::Value, Source::Scan, true});
        add({"stripglucose", "bg", "bglevel", "bgreading", "bgvalue", "bloodglucose", "bloodsugar",
             "bloodsugarmeasurement", "bloodglucosemeasurement", "bloodglucosereading", "bloodglucosevalue",
             "meterglucose", "meterreading", "fingerstick", "blutzucker", "blutzuckerwert", "blutglukose"},
            {Role::Value, Source::FingerStick, true});
        add({"glucose", "glucosevalue", "glucosereading", "glucoselevel", "glukose", "glukosewert", "result", "reading",
             "value", "measurement", "messwert", "wert"},
            {Role::Value});
        add({"unit", "units", "einheit", "glucoseunit", "glucoseunits", "bgunit", "unitofmeasure"}, {Role::Unit});
        add({"meal", "measured", "tags", "tag", "mealmarker", "marker", "mealtime", "mahlzeit", "mealtag",
             "markierung"},
            {Role::Marker});
        add({"beforemeal", "premeal", "preprandial", "vordemessen", "beforefood"}, {Role::BeforeFlag});
        add({"aftermeal", "postmeal", "postprandial", "nachdemessen", "afterfood"}, {Role::AfterFlag});
        add({"recordtype", "eventtype", "type", "recordkind", "entrytype", "typ", "art"}, {Role::Kind});
        add({"controltest", "controlsolution", "control", "kontrolltest", "kontrolllösung"}, {Role::Control});
        add({"notes", "note", "comment", "comments", "remark", "remarks", "notiz", "bemerkung", "kommentar"},
            {Role::Comment});
        return t;
    }();
    return table;
}

Column columnOf(const QString &name)
{
    Column c;
    c.name = name.trimmed();
    const QString key = nameKey(name);
    if (key.isEmpty())
        return c;
    const auto it = namedColumns().constFind(key);
    if (it != namedColumns().constEnd()) {
        c.role = it->role;
        c.source = it->source;
        c.sourceNamed = it->sourceNamed;
    } else if (key.contains(QLatin1String("ketone"))) {
        c.role = Role::Ketone;
    } else if (key.contains(QLatin1String("insulin")) || key.contains(QLatin1String("bolus")) ||
               key.contains(QLatin1String("basal"))) {
        c.role = Role::Insulin;
    } else if (key.contains(QLatin1String("carb")) || key.contains(QLatin1String("chgr")) ||
               key.contains(QLatin1String("food")) || key.contains(QLatin1String("kohlenhydrat"))) {
        c.role = Role::Carbs;
    } else if (key.contains(QLatin1String("note")) || key.contains(QLatin1String("remark")) ||
               key.contains(QLatin1String("comment"))) {
        c.role = Role::Comment;
    }
    if (c.role == Role::Value)
        c.unit = unitIn(name);
    if (c.role == Role::DateTime || c.role == Role::Date || c.role == Role::Time)
        c.utc = name.contains(QLatin1String("utc"), Qt::CaseInsensitive);
    return c;
}

// The columns of a file and the ones the reader works with.
struct Layout {
    QList<Column> columns;
    int when = -1;  // the date and time, or the date
    int clock = -1; // the time, when apart from the date
    QList<int> values;
    int unit = -1, marker = -1, kind = -1, control = -1;
    QList<int> beforeFlags, afterFlags, comments, ketones, insulins, carbs;

    bool found() const { return when >= 0 && !values.isEmpty(); }

    void index()
    {
        int date = -1, time = -1, dateTime = -1;
        for (int i = 0; i < columns.size(); ++i) {
            const Column &c = columns[i];
            auto first = [i](int &slot) {
                if (slot < 0)
                    slot = i;
            };
            switch (c.role) {
            case Role::None: break;
            case Role::DateTime: first(dateTime); break;
            case Role::Date: first(date); break;
            case Role::Time: first(time); break;
            case Role::Value: values << i; break;
            case Role::Unit: first(unit); break;
            case Role::Marker: first(marker); break;
            case Role::BeforeFlag: beforeFlags << i; break;
            case Role::AfterFlag: afterFlags << i; break;
            case Role::Kind: first(kind); break;
            case Role::Control: first(control); break;
            case Role::Comment: comments << i; break;
            case Role::Ketone: ketones << i; break;
            case Role::Insulin: insulins << i; break;
            case Role::Carbs: carbs << i; break;
            }
        }
        if (dateTime >= 0) {
            when = dateTime;
        } else if (date >= 0) {
            when = date;
            clock = time;
        } else {
            when = time; // a column named "Time" may hold the date as well
        }
    }
};

Layout layoutOf(const QStringList &header)
{
    Layout l;
    for (const QString &name : header)
        l.columns << columnOf(name);
    l.index();
    return l;
}

// ------------------------------------------------------------------ dates and times

bool isDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

// Reads 1 to `most` digits at `pos`; -1 when there is none.
int digits(QStringView s, qsizetype &pos, int most, int *count = nullptr)
{
    int value = 0, n = 0;
    while (pos < s.size() && n < most && isDigit(s[pos])) {
        value = value * 10 + (s[pos].unicode() - '0');
        ++pos;
        ++n;
    }
    if (count)
        *count = n;
    if (n == 0 || (pos < s.size() && isDigit(s[pos])))
        return -1;
    return value;
}

int monthByName(QStringView word)
{
    static const char *names[12] = {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};
    if (word.size() < 3)
        return 0;
    const QString w = word.toString().toLower();
    for (int m = 0; m < 12; ++m) {
        if (!w.startsWith(QLatin1String(names[m])))
            continue;
        static const char *full[12] = {"january", "february", "march",     "april",   "may",      "june",
                                       "july",    "august",   "september", "october", "november", "december"};
        const QString f = QString::fromLatin1(full[m]);
        if (f.startsWith(w) || w == QLatin1String("sept"))
            return m + 1;
    }
    return 0;
}

// A date as written: year, month and day, or, for "a/b/yyyy" with "/" or "-",
// two numbers whose order the whole column decides.
struct DateParts {
    int year = 0, first = 0, second = 0; // month and day when not ambiguous
    bool ambiguous = false;
};

qsizetype skipSpaces(QStringView s, qsizetype pos)
{
    while (pos < s.size() && s[pos].isSpace())
        ++pos;
    return pos;
}

bool readDate(QStringView s, qsizetype &pos, DateParts &d)
{
    pos = skipSpaces(s, pos);
    const qsizetype start = pos;
    int n1 = 0;
    const int a = digits(s, pos, 4, &n1);
    if (a >= 0) {
        if (pos >= s.size())
            return false;
        const QChar sep = s[pos];
        if (sep != QLatin1Char('-') && sep != QLatin1Char('/') && sep != QLatin1Char('.')) {
            // "14 Mar 2026"
            qsizetype p = pos;
            while (p < s.size() && (s[p].isSpace() || s[p] == QLatin1Char('-')))
                ++p;
            const qsizetype word = p;
            while (p < s.size() && s[p].isLetter())
                ++p;
            const int month = monthByName(s.mid(word, p - word));
            if (n1 > 2 || month == 0 || p == word)
                return false;
            if (p < s.size() && s[p] == QLatin1Char('.'))
                ++p;
            while (p < s.size() && (s[p].isSpace() || s[p] == QLatin1Char('-') || s[p] == QLatin1Char(',')))
                ++p;
            int ny = 0;
            const int y = digits(s, p, 4, &ny);
            if (ny != 4)
                return false;
            d = {y, month, a, false};
            pos = p;
            return true;
        }
        ++pos;
        int n2 = 0, n3 = 0;
        const int b = digits(s, pos, 2, &n2);
        if (b < 0 || pos >= s.size() || s[pos] != sep)
            return false;
        ++pos;
        const int c = digits(s, pos, 4, &n3);
        if (c < 0)
            return false;
        if (n1 == 4) {
            if (n3 > 2)
                return false;
            d = {a, b, c, false};
        } else if (n1 <= 2 && (n3 == 4 || n3 == 2)) {
            const int year = n3 == 2 ? 2000 + c : c;
            if (sep == QLatin1Char('.'))
                d = {year, b, a, false};
            else
                d = {year, a, b, true};
        } else {
            return false;
        }
        return true;
    }
    // "Mar 14, 2026"
    pos = start;
    while (pos < s.size() && s[pos].isLetter())
        ++pos;
    const int month = monthByName(s.mid(start, pos - start));
    if (month == 0)
        return false;
    if (pos < s.size() && s[pos] == QLatin1Char('.'))
        ++pos;
    pos = skipSpaces(s, pos);
    const int day = digits(s, pos, 2);
    if (day < 0)
        return false;
    if (pos < s.size() && s[pos] == QLatin1Char(','))
        ++pos;
    pos = skipSpaces(s, pos);
    int ny = 0;
    const int year = digits(s, pos, 4, &ny);
    if (ny != 4)
        return false;
    d = {year, month, day, false};
    return true;
}

struct ClockTime {
    QTime time;
    bool utc = false;
};

bool matchWord(QStringView s, qsizetype &pos, const char *word)
{
    const qsizetype len = qsizetype(strlen(word));
    if (pos + len > s.size() || s.mid(pos, len).compare(QLatin1String(word), Qt::CaseInsensitive) != 0)
        return false;
    pos += len;
    return true;
}

// "07:21", "7:20:00 AM", "09:35:00.000", "03:00:00Z", "08:00:00+01:00".
// An offset is the device's own and the time stays as written; "Z" or "UTC"
// marks a UTC time.
bool readTime(QStringView s, qsizetype pos, ClockTime &t)
{
    pos = skipSpaces(s, pos);
    int hour = digits(s, pos, 2);
    if (hour < 0 || pos >= s.size() || s[pos] != QLatin1Char(':'))
        return false;
    ++pos;
    int n = 0;
    const int minute = digits(s, pos, 2, &n);
    if (n != 2)
        return false;
    int second = 0, ms = 0;
    if (pos < s.size() && s[pos] == QLatin1Char(':')) {
        ++pos;
        second = digits(s, pos, 2, &n);
        if (n != 2)
            return false;
        if (pos < s.size() && (s[pos] == QLatin1Char('.') || s[pos] == QLatin1Char(','))) {
            ++pos;
            int fraction = 0;
            const int f = digits(s, pos, 9, &fraction);
            if (f < 0)
                return false;
            ms = fraction >= 3 ? int(f / std::pow(10, fraction - 3)) : f * (fraction == 1 ? 100 : 10);
        }
    }
    pos = skipSpaces(s, pos);
    bool pm = false, am = false;
    if (matchWord(s, pos, "am") || matchWord(s, pos, "a.m."))
        am = true;
    else if (matchWord(s, pos, "pm") || matchWord(s, pos, "p.m."))
        pm = true;
    if (am || pm) {
        if (hour < 1 || hour > 12)
            return false;
        hour = hour % 12 + (pm ? 12 : 0);
    }
    pos = skipSpaces(s, pos);
    bool utc = false;
    if (pos < s.size()) {
        if (s[pos] == QLatin1Char('Z') || s[pos] == QLatin1Char('z')) {
            utc = true;
            ++pos;
        } else if (matchWord(s, pos, "utc") || matchWord(s, pos, "gmt")) {
            utc = true;
        }
        if (pos < s.size() && (s[pos] == QLatin1Char('+') || s[pos] == QLatin1Char('-'))) {
            ++pos;
            int nh = 0;
            const int oh = digits(s, pos, 4, &nh);
            if (oh < 0 || (nh != 2 && nh != 4))
                return false;
            if (nh == 2 && pos < s.size() && s[pos] == QLatin1Char(':')) {
                ++pos;
                if (digits(s, pos, 2, &nh) < 0 || nh != 2)
                    return false;
            }
            utc = utc && oh == 0; // "UTC+01:00" is an offset like any other
        }
    }
    if (skipSpaces(s, pos) != s.size())
        return false;
    t.time = QTime(hour, minute, second, ms);
    t.utc = utc;
    return t.time.isValid();
}

// A date and a time in one field: "2026-03-14T07:05:00", "14.03.2026 07:21",
// "Mar 14, 2026 7:20 AM". False when either is missing.
bool readDateTime(QStringView s, DateParts &d, ClockTime &t)
{
    qsizetype pos = 0;
    if (!readDate(s, pos, d))
        return false;
    if (pos < s.size() && (s[pos] == QLatin1Char('T') || s[pos] == QLatin1Char(',')))
        ++pos;
    return readTime(s, pos, t);
}

bool readDateOnly(QStringView s, DateParts &d)
{
    qsizetype pos = 0;
    if (!readDate(s, pos, d))
        return false;
    if (skipSpaces(s, pos) == s.size())
        return true;
    ClockTime ignored; // a date column may carry a time of midnight
    if (pos < s.size() && s[pos] == QLatin1Char('T'))
        ++pos;
    return readTime(s, pos, ignored);
}

// ------------------------------------------------------------------ values and words

enum class ValueRead { Number, Word, NotNumber };

// A value: digits, with at most one "." or one "," between digits (a decimal
// comma); a unit after it is taken off.
ValueRead readValue(const QString &field, double &value, std::optional<GlucoseUnit> &unit)
{
    QString t = field.trimmed();
    const QString lower = t.toLower();
    for (const char *word : {"low", "high", "lo", "hi"})
        if (lower == QLatin1String(word))
            return ValueRead::Word;
    if (t.size() > 6 && (lower.endsWith(QLatin1String("mmol/l")) || lower.endsWith(QLatin1String("mg/dl")))) {
        unit = unitIn(lower.right(6));
        t = t.left(t.size() - (lower.endsWith(QLatin1String("mmol/l")) ? 6 : 5)).trimmed();
    }
    if (t.isEmpty() || t.size() > 32)
        return ValueRead::NotNumber;
    qsizetype points = 0, commas = 0;
    for (qsizetype i = 0; i < t.size(); ++i) {
        const QChar c = t[i];
        if (isDigit(c))
            continue;
        const bool between = i > 0 && i + 1 < t.size() && isDigit(t[i - 1]) && isDigit(t[i + 1]);
        if (c == QLatin1Char('.') && between)
            ++points;
        else if (c == QLatin1Char(',') && between)
            ++commas;
        else
            return ValueRead::NotNumber;
    }
    if (points + commas > 1)
        return ValueRead::NotNumber;
    if (commas)
        t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    value = t.toDouble(&ok);
    return ok && std::isfinite(value) ? ValueRead::Number : ValueRead::NotNumber;
}

bool hasDecimals(const QString &text) { return text.contains(QLatin1Char('.')) || text.contains(QLatin1Char(',')); }

struct MealWords {
    Meal meal = Meal::None;
    int kind = -1;
};

// The words of a marker: a tag list such as "Fasting, Sport" gives its
// first tag that names a meal or a time of day.
std::optional<MealWords> mealOf(const QString &text)
{
    static const QHash<QString, MealWords> words = [] {
        QHash<QString, MealWords> w;
        auto add = [&w](std::initializer_list<const char *> names, MealWords what) {
            for (const char *n : names)
                w.insert(QString::fromUtf8(n), what);
        };
        add({"beforemeal", "premeal", "preprandial", "vordemessen", "beforefood", "before"}, {Meal::Before, -1});
        add({"aftermeal", "postmeal", "postprandial", "nachdemessen", "afterfood", "after"}, {Meal::After, -1});
        add({"fasting", "nüchtern", "fastingglucose", "beforebreakfast", "prebreakfast", "breakfastbefore",
             "vordemfrühstück"},
            {Meal::Before, 0});
        add({"afterbreakfast", "postbreakfast", "breakfastafter", "nachdemfrühstück"}, {Meal::After, 1});
        add({"beforelunch", "prelunch", "lunchbefore", "vordemmittagessen"}, {Meal::Before, 2});
        add({"afterlunch", "postlunch", "lunchafter", "nachdemmittagessen"}, {Meal::After, 3});
        add({"beforedinner", "predinner", "beforesupper", "presupper", "dinnerbefore", "vordemabendessen"},
            {Meal::Before, 4});
        add({"afterdinner", "postdinner", "aftersupper", "postsupper", "dinnerafter", "nachdemabendessen"},
            {Meal::After, 5});
        add({"bedtime", "beforebed", "bed", "schlafenszeit"}, {Meal::None, 6});
        add({"night", "overnight", "nighttime", "nacht"}, {Meal::None, 7});
        return w;
    }();
    if (text.size() > 200)
        return std::nullopt;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != QLatin1Char(',') && text[i] != QLatin1Char(';') &&
            text[i] != QLatin1Char('|') && text[i] != QLatin1Char('/'))
            continue;
        QString key;
        for (const QChar c : QStringView(text).mid(start, i - start))
            if (c.isLetter())
                key += c.toLower();
        start = i + 1;
        const auto it = words.constFind(key);
        if (it != words.constEnd())
            return *it;
    }
    return std::nullopt;
}

// What a record-kind field says about its row.
struct KindSays {
    bool reading = true; // the row may hold a reading
    std::optional<Source> source;
    bool scanIfSaid = false; // a scan when a comment says "scan"
    QString reason;          // why the row is no reading
};

KindSays kindOf(const QString &field)
{
    KindSays k;
    const QString t = field.trimmed();
    if (t.isEmpty())
        return k;
    auto notReading = [&k](const QString &why) {
        k.reading = false;
        k.reason = why;
        return k;
    };
    bool numeric = false;
    const int number = t.toInt(&numeric);
    if (numeric) {
        switch (number) {
        case 0: k.source = Source::Sensor; return k;
        case 1: k.source = Source::Scan; return k;
        case 2: k.source = Source::FingerStick; return k;
        case 3: return notReading(QStringLiteral("a ketone reading, not a glucose reading"));
        case 4: return notReading(QStringLiteral("an insulin dose, not a reading"));
        case 5: return notReading(QStringLiteral("food or carbohydrates, not a reading"));
        case 6: return notReading(QStringLiteral("a note, not a reading"));
        case 7: return notReading(QStringLiteral("a clock change, not a reading"));
        default: return k;
        }
    }
    QString key;
    for (const QChar c : t)
        if (c.isLetterOrNumber())
            key += c.toLower();
    static const QStringList sensor = {"egv",           "sensor",     "historic", "historicglucose",
                                       "sensorglucose", "cgmreading", "sgv",      "sensorreading"};
    static const QStringList scan = {"scan", "scanglucose", "scanned"};
    static const QStringList finger = {"calibration",  "bloodsample", "bg",     "fingerstick", "strip",
                                       "stripglucose", "manual",      "meter",  "smbg",        "bloodglucose",
                                       "mbg",          "manualbg",    "meterbg"};
    static const QStringList clock = {"time", "timechange", "clockchange", "datechange", "datetimechange", "timeset"};
    static const QStringList control = {"control", "controlsolution", "controltest", "controlsolutiontest"};
    if (sensor.contains(key))
        k.source = Source::Sensor;
    else if (scan.contains(key))
        k.source = Source::Scan;
    else if (finger.contains(key))
        k.source = Source::FingerStick;
    else if (key == QLatin1String("cgm")) {
        k.source = Source::Sensor;
        k.scanIfSaid = true;
    } else if (clock.contains(key))
        return notReading(QStringLiteral("a clock change, not a reading"));
    else if (control.contains(key))
        return notReading(QStringLiteral("a control-solution test"));
    else if (key.contains(QLatin1String("ketone")))
        return notReading(QStringLiteral("a ketone reading, not a glucose reading"));
    else if (!key.isEmpty())
        return notReading(QStringLiteral("a \"%1\" record, not a reading").arg(t.left(40)));
    return k;
}

// ------------------------------------------------------------------ finding the layout

const QChar kSeparators[] = {QLatin1Char(','), QLatin1Char(';'), QLatin1Char('\t')};
constexpr int kHeaderSearch = 60; // records looked at for the header

bool cellIsDateTime(const QString &field)
{
    DateParts d;
    ClockTime t;
    return readDateTime(field, d, t);
}

bool cellIsValue(const QString &field)
{
    double v = 0;
    std::optional<GlucoseUnit> u;
    return readValue(field, v, u) != ValueRead::NotNumber;
}

struct Found {
    QChar separator = QLatin1Char(',');
    enum class How { Header, Headerless, Unknown } how = How::Unknown;
    QStringList header;
    qint64 headerLine = 0;
    Layout layout;
    QList<QStringList> firstRows; // Unknown: the records from the likely header on
    int rowsFrom = 0;             // Unknown: which of the first records is the likely header
};

QList<Record> firstRecords(const QString &text, QChar separator, int count)
{
    QList<Record> out;
    Splitter split(text, separator);
    Record r;
    while (out.size() < count && split.next(r))
        if (!isBlank(r.fields))
            out << r;
    return out;
}

// For a file without a header whose first field is a date and time: the
// other columns by what they hold.
Layout layoutByContent(const QList<Record> &records)
{
    // As wide as most lines, leaving out records over several lines: a quote
    // never closed may have run into the next line.
    QHash<qsizetype, int> widths;
    for (const Record &r : records)
        if (r.oneLine)
            ++widths[r.fields.size()];
    if (widths.isEmpty())
        ++widths[records.front().fields.size()];
    int width = 0, most = 0;
    for (auto it = widths.cbegin(); it != widths.cend(); ++it)
        if (it.value() > most || (it.value() == most && it.key() > width)) {
            most = it.value();
            width = int(it.key());
        }
    Layout l;
    l.columns.resize(width);
    l.columns[0].role = Role::DateTime;
    l.when = 0;
    QList<int> numbers(width), words(width), meals(width), kinds(width);
    for (const Record &r : records) {
        for (int i = 1; i < std::min<qsizetype>(r.fields.size(), width); ++i) {
            const QString f = r.fields[i].trimmed();
            if (f.isEmpty())
                continue;
            if (cellIsValue(f))
                ++numbers[i];
            else
                ++words[i];
            if (mealOf(f))
                ++meals[i];
            const KindSays k = kindOf(f);
            if (k.source || (!k.reading && !k.reason.startsWith(QLatin1String("a \""))))
                ++kinds[i];
        }
    }
    for (int i = 1; i < width; ++i) {
        if (l.values.isEmpty() && numbers[i] > 0 && numbers[i] >= words[i]) {
            l.values << i;
            l.columns[i].role = Role::Value;
        } else if (l.marker < 0 && meals[i] > 0) {
            l.marker = i;
            l.columns[i].role = Role::Marker;
        } else if (l.kind < 0 && kinds[i] > 0) {
            l.kind = i;
            l.columns[i].role = Role::Kind;
        } else if (words[i] > 0) {
            l.comments << i;
            l.columns[i].role = Role::Comment;
        }
    }
    return l;
}

Found findLayout(const QString &text)
{
    Found best;
    qint64 bestLine = -1;
    qsizetype bestWidth = 0;
    QList<Record> samples[3];
    for (int s = 0; s < 3; ++s) {
        samples[s] = firstRecords(text, kSeparators[s], kHeaderSearch);
        for (const Record &r : samples[s]) {
            if (r.fields.size() < 2)
                continue;
            Layout l = layoutOf(r.fields);
            if (!l.found())
                continue;
            if (bestLine < 0 || r.line < bestLine || (r.line == bestLine && r.fields.size() > bestWidth)) {
                bestLine = r.line;
                bestWidth = r.fields.size();
                best.separator = kSeparators[s];
                best.how = Found::How::Header;
                best.header = r.fields;
                best.headerLine = r.line;
                best.layout = l;
            }
            break;
        }
    }
    if (best.how == Found::How::Header)
        return best;

    // No header: a file that begins with a date and time and a value.
    int bestRows = 0;
    for (int s = 0; s < 3; ++s) {
        int rows = 0;
        const int looked = int(std::min<qsizetype>(samples[s].size(), 20));
        for (int i = 0; i < looked; ++i) {
            const QStringList &f = samples[s][i].fields;
            rows += f.size() >= 2 && cellIsDateTime(f[0].trimmed());
        }
        const bool startsWithRow =
            looked > 0 && samples[s][0].fields.size() >= 2 && cellIsDateTime(samples[s][0].fields[0].trimmed());
        if (startsWithRow && rows * 2 >= looked && rows > bestRows) {
            bestRows = rows;
            best.separator = kSeparators[s];
        }
    }
    if (bestRows > 0) {
        const int s =
            int(std::find(std::begin(kSeparators), std::end(kSeparators), best.separator) - std::begin(kSeparators));
        best.how = Found::How::Headerless;
        best.layout = layoutByContent(samples[s]);
        if (best.layout.found())
            return best;
    }

    // Nothing known: the separator that gives the most columns on most lines,
    // and the first line that has that many as the likely header.
    best.how = Found::How::Unknown;
    int bestCount = 1;
    for (int s = 0; s < 3; ++s) {
        QHash<qsizetype, int> widths;
        for (const Record &r : samples[s])
            ++widths[r.fields.size()];
        qsizetype modal = 0;
        int most = 0;
        for (auto it = widths.cbegin(); it != widths.cend(); ++it)
            if (it.value() > most || (it.value() == most && it.key() > modal)) {
                most = it.value();
                modal = it.key();
            }
        if (modal > bestCount) {
            bestCount = int(modal);
            best.separator = kSeparators[s];
            best.firstRows.clear();
            bool started = false;
            for (const Record &r : samples[s]) {
                if (!started && r.fields.size() == modal) {
                    started = true;
                    best.header = r.fields;
                    best.headerLine = r.line;
                }
                if (started)
                    best.firstRows << r.fields;
            }
        }
    }
    return best;
}

// ------------------------------------------------------------------ reading the rows

// A reading before its date is settled: the day and month of some dates wait
// for the whole column, the unit for all the values.
struct Pending {
    Reading reading;
    DateParts date;
    QString dateText; // a date whose day and month wait for the column, as written
    bool utc = false;
    bool unitKnown = false;
    bool sourceNamed = false;
};

QString field(const QStringList &fields, int index)
{
    return index >= 0 && index < fields.size() ? fields[index].trimmed() : QString();
}

bool anyMark(const QStringList &fields, const QList<int> &columns)
{
    return std::any_of(columns.begin(), columns.end(), [&](int i) { return !field(fields, i).isEmpty(); });
}

QString noValueReason(const QStringList &fields, const Layout &l)
{
    QStringList what;
    if (anyMark(fields, l.ketones))
        what << QStringLiteral("a ketone reading");
    if (anyMark(fields, l.insulins))
        what << QStringLiteral("insulin");
    if (anyMark(fields, l.carbs))
        what << QStringLiteral("carbohydrates");
    if (what.isEmpty() && anyMark(fields, l.comments))
        what << QStringLiteral("a note");
    if (what.isEmpty())
        return QStringLiteral("no glucose value");
    return QStringLiteral("no glucose value, only %1").arg(what.join(QStringLiteral(" and ")));
}

QString quoted(const QString &text) { return QStringLiteral("\"%1\"").arg(text.left(40)); }

bool sameRecord(const QStringList &a, const QStringList &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].trimmed().compare(b[i].trimmed(), Qt::CaseInsensitive) != 0)
            return false;
    return true;
}

qint64 secondsOf(const Reading &r) { return r.date.toJulianDay() * 86400 + r.time.msecsSinceStartOfDay() / 1000; }

} // namespace

bool isMeterLayout(const QByteArray &bytes)
{
    const Decoded d = decode(bytes);
    if (!d.failure.isEmpty())
        return true;
    static const QStringList diaryNames = [] {
        QStringList names;
        for (const QString &n : csv::columnNames()) {
            QString key;
            for (const QChar c : n)
                if (!c.isSpace())
                    key += c;
            names << key.toCaseFolded();
        }
        return names;
    }();
    for (const QChar separator : kSeparators) {
        const QList<Record> first = firstRecords(d.text, separator, 1);
        if (first.isEmpty())
            return true;
        bool date = false, meterColumn = false;
        int kinds = 0;
        for (const QString &name : first[0].fields) {
            QString key;
            for (const QChar c : name)
                if (!c.isSpace())
                    key += c;
            const qsizetype at = diaryNames.indexOf(key.toCaseFolded());
            if (at == 0)
                date = true;
            else if (at > 0)
                ++kinds;
            else {
                const Role role = columnOf(name).role;
                meterColumn = meterColumn || role == Role::Time || role == Role::DateTime || role == Role::Value;
            }
        }
        if (date && kinds > 0 && !meterColumn)
            return false;
    }
    return true;
}

FileRead readMeterFile(const QByteArray &bytes, const ReadOptions &options)
{
    FileRead out;
    const Decoded decoded = decode(bytes);
    if (!decoded.failure.isEmpty()) {
        out.failure = decoded.failure;
        return out;
    }
    const QString &text = decoded.text;
    Found found = findLayout(text);
    out.encoding = decoded.encoding;
    out.separator = found.separator;
    if (found.how != Found::How::Headerless) {
        out.header = found.header;
        out.headerLine = found.headerLine;
        out.headerKey = found.header.join(found.separator);
    }
    Layout layout = found.layout;
    bool headerIsRow = false;
    if (found.how == Found::How::Unknown) {
        if (found.header.size() < 2) {
            out = FileRead{};
            out.failure = QStringLiteral("No line of this file has a date and a reading in columns of their own. "
                                         "Export the readings from the meter's program as CSV and import that.");
            return out;
        }
        const std::optional<ColumnChoice> &choice = options.columns;
        const int width = int(found.header.size());
        auto inside = [width](int i) { return i >= 0 && i < width; };
        const bool usable = choice && inside(choice->time) && inside(choice->value) && choice->time != choice->value &&
            (choice->clock == -1 ||
             (inside(choice->clock) && choice->clock != choice->time && choice->clock != choice->value));
        if (!usable) {
            out.status = FileRead::Status::NeedColumns;
            for (qsizetype i = 1; i < found.firstRows.size() && out.sampleRows.size() < 5; ++i)
                out.sampleRows << found.firstRows[i];
            return out;
        }
        layout = layoutOf(found.header);
        layout.when = choice->time;
        layout.clock = choice->clock;
        layout.values = {choice->value};
        for (int i : {choice->time, choice->clock, choice->value}) {
            if (i < 0)
                continue;
            layout.columns[i].role = i == choice->value ? Role::Value : Role::DateTime;
            layout.columns[i].source = Source::FingerStick;
            layout.columns[i].sourceNamed = false;
        }
        layout.columns[choice->value].unit = unitIn(found.header[choice->value]);
        for (QList<int> *list : {&layout.comments, &layout.ketones, &layout.insulins, &layout.carbs,
                                 &layout.beforeFlags, &layout.afterFlags})
            list->removeIf([&](int i) { return i == choice->time || i == choice->clock || i == choice->value; });
        for (int *single : {&layout.unit, &layout.marker, &layout.kind, &layout.control})
            if (*single == choice->time || *single == choice->clock || *single == choice->value)
                *single = -1;
        // A first line whose chosen time is a time is a row, not a header.
        DateParts d;
        ClockTime t;
        const QString first = field(found.header, choice->time);
        headerIsRow = choice->clock < 0 ? readDateTime(first, d, t) : readDateOnly(first, d);
        if (headerIsRow) {
            out.header.clear();
            out.headerLine = 0;
            out.headerKey.clear();
        }
    }

    const bool utcColumn = layout.columns[layout.when].utc || (layout.clock >= 0 && layout.columns[layout.clock].utc);
    QList<Pending> pending;
    QList<Unused> unused;
    bool dayFirstSeen = false, monthFirstSeen = false;
    QString ambiguousSample;

    Splitter split(text, found.separator, layout.columns.size());
    Record r;
    while (split.next(r)) {
        if (split.tooLong()) {
            out = FileRead{};
            out.failure = QStringLiteral("Line %1 is longer than %2 characters, longer than any export of readings. "
                                         "Export the readings from the meter's program as CSV and import that.")
                              .arg(split.tooLong())
                              .arg(kMaxMeterLineBytes);
            return out;
        }
        if (found.how != Found::How::Headerless) {
            if (r.line < found.headerLine || (r.line == found.headerLine && !headerIsRow))
                continue;
            if (r.line != found.headerLine && sameRecord(r.fields, found.header))
                continue; // the header again, as files joined together have it
        }
        if (isBlank(r.fields))
            continue;
        const QStringList &f = r.fields;
        auto skip = [&](const QString &why) { unused << Unused{r.line, why}; };

        // When.
        Pending p;
        bool when = false;
        ClockTime clock;
        const QString whenText = field(f, layout.when);
        if (layout.clock >= 0)
            when = readDateOnly(whenText, p.date) && readTime(field(f, layout.clock), 0, clock);
        else
            when = readDateTime(whenText, p.date, clock);
        if (!when) {
            if (whenText.isEmpty() && (layout.clock < 0 || field(f, layout.clock).isEmpty()))
                skip(QStringLiteral("no date and time"));
            else if (layout.clock >= 0)
                skip(QStringLiteral("%1 %2 is not a date and time")
                         .arg(quoted(whenText), quoted(field(f, layout.clock))));
            else
                skip(QStringLiteral("%1 is not a date and time").arg(quoted(whenText)));
            continue;
        }
        if (!p.date.ambiguous && !QDate::isValid(p.date.year, p.date.first, p.date.second)) {
            skip(QStringLiteral("%1 is not a date").arg(quoted(whenText)));
            continue;
        }
        if (p.date.ambiguous)
            p.dateText = whenText; // for the question, or for a date that is none either way
        p.utc = clock.utc || utcColumn;
        p.reading.time = clock.time;
        p.reading.line = r.line;

        // What kind of row.
        if (layout.control >= 0 && !field(f, layout.control).isEmpty()) {
            skip(QStringLiteral("a control-solution test"));
            continue;
        }
        KindSays kind;
        if (layout.kind >= 0)
            kind = kindOf(field(f, layout.kind));
        if (!kind.reading) {
            skip(kind.reason);
            continue;
        }
        if (kind.scanIfSaid)
            for (int c : std::as_const(layout.comments))
                if (field(f, c).contains(QLatin1String("scan"), Qt::CaseInsensitive))
                    kind.source = Source::Scan;

        // The value: of the column the row's kind names, else the first
        // filled value column.
        int valueColumn = -1;
        for (int c : std::as_const(layout.values)) {
            if (field(f, c).isEmpty())
                continue;
            if (valueColumn < 0)
                valueColumn = c;
            if (kind.source && layout.columns[c].sourceNamed && layout.columns[c].source == *kind.source) {
                valueColumn = c;
                break;
            }
        }
        if (valueColumn < 0) {
            skip(noValueReason(f, layout));
            continue;
        }
        const Column &column = layout.columns[valueColumn];
        p.reading.text = field(f, valueColumn);
        std::optional<GlucoseUnit> unit;
        switch (readValue(p.reading.text, p.reading.value, unit)) {
        case ValueRead::Word: skip(QStringLiteral("%1 is not a value").arg(quoted(p.reading.text))); continue;
        case ValueRead::NotNumber: skip(QStringLiteral("%1 is not a number").arg(quoted(p.reading.text))); continue;
        case ValueRead::Number: break;
        }
        if (column.unit)
            unit = column.unit;
        else if (layout.unit >= 0 && !unit)
            unit = unitIn(field(f, layout.unit));
        p.unitKnown = unit.has_value();
        if (unit)
            p.reading.unit = *unit;
        p.reading.source = kind.source.value_or(column.source);
        p.sourceNamed = kind.source.has_value() || column.sourceNamed;

        // Meal markers.
        if (layout.marker >= 0) {
            const QString words = field(f, layout.marker);
            if (const std::optional<MealWords> m = mealOf(words)) {
                p.reading.meal = m->meal;
                p.reading.namedKind = m->kind;
                p.reading.marker = words;
            }
        }
        if (p.reading.marker.isEmpty()) {
            for (const auto &[flags, meal] :
                 {std::pair{&layout.beforeFlags, Meal::Before}, std::pair{&layout.afterFlags, Meal::After}}) {
                for (int c : *flags) {
                    if (!field(f, c).isEmpty() && p.reading.marker.isEmpty()) {
                        p.reading.meal = meal;
                        p.reading.marker = layout.columns[c].name;
                    }
                }
            }
        }

        if (p.date.ambiguous && p.date.first != p.date.second) {
            dayFirstSeen = dayFirstSeen || p.date.first > 12;
            monthFirstSeen = monthFirstSeen || p.date.second > 12;
            if (ambiguousSample.isEmpty())
                ambiguousSample = p.dateText;
        }
        pending << std::move(p);
    }

    // Day and month, over the whole column.
    DateOrder order = options.dateOrder;
    if (dayFirstSeen != monthFirstSeen)
        order = dayFirstSeen ? DateOrder::DayFirst : DateOrder::MonthFirst;
    if (!ambiguousSample.isEmpty() && order == DateOrder::Unknown) {
        out.status = FileRead::Status::NeedDateOrder;
        out.dateSample = ambiguousSample;
        return out;
    }

    // The unit of the values that do not say it.
    bool anyOpen = false, above = false, decimals = false;
    for (const Pending &p : std::as_const(pending)) {
        if (p.unitKnown)
            continue;
        anyOpen = true;
        above = above || p.reading.value > 33.3;
        decimals = decimals || hasDecimals(p.reading.text);
    }
    std::optional<GlucoseUnit> valuesUnit;
    if (above)
        valuesUnit = GlucoseUnit::MgPerDl;
    else if (decimals)
        valuesUnit = GlucoseUnit::MmolPerL;
    else
        valuesUnit = options.unit;
    if (anyOpen && !valuesUnit) {
        out.status = FileRead::Status::NeedUnit;
        return out;
    }

    out.unitStated = !anyOpen && !pending.isEmpty();
    // The readings kept, each with whether its source was said (by its
    // column's name or its kind) or only taken for a finger-stick.
    struct Kept {
        Reading reading;
        bool sourceSaid = false;
    };
    QList<Kept> kept;
    kept.reserve(pending.size());
    for (Pending &p : pending) {
        Reading &reading = p.reading;
        const DateParts &d = p.date;
        const bool dayFirst = order != DateOrder::MonthFirst;
        reading.date = !d.ambiguous ? QDate(d.year, d.first, d.second)
            : dayFirst              ? QDate(d.year, d.second, d.first)
                                    : QDate(d.year, d.first, d.second);
        if (!reading.date.isValid()) {
            unused << Unused{reading.line, QStringLiteral("%1 is not a date").arg(quoted(p.dateText))};
            continue;
        }
        if (p.utc) {
            const QDateTime local =
                QDateTime(reading.date, reading.time, QTimeZone::utc()).toTimeZone(options.localZone);
            reading.date = local.date();
            reading.time = local.time();
            out.utc = true;
        }
        if (reading.date.year() < 2000 || reading.date.year() > 2099) {
            unused << Unused{
                reading.line,
                QStringLiteral("%1 is outside the years 2000 to 2099").arg(reading.date.toString(Qt::ISODate))};
            continue;
        }
        if (reading.date > options.today) {
            unused << Unused{reading.line, QStringLiteral("%1 is after today").arg(reading.date.toString(Qt::ISODate))};
            continue;
        }
        if (!p.unitKnown)
            reading.unit = *valuesUnit;
        const bool mg = reading.unit == GlucoseUnit::MgPerDl;
        const double low = mg ? 20 : 1.1, high = mg ? 600 : 33.3;
        if (reading.value < low || reading.value > high) {
            unused << Unused{reading.line,
                             QStringLiteral("%1 %2 is outside %3 to %4")
                                 .arg(reading.text, unitName(reading.unit))
                                 .arg(low)
                                 .arg(high)};
            continue;
        }
        kept << Kept{std::move(reading), p.sourceNamed};
    }
    pending.clear();
    std::stable_sort(kept.begin(), kept.end(), [](const Kept &a, const Kept &b) {
        return a.reading.date != b.reading.date ? a.reading.date < b.reading.date : a.reading.time < b.reading.time;
    });

    // A sensor's file: many readings a day, regularly spaced. Readings whose
    // source nothing said are then the sensor's, unless the file has a
    // column for the kind of each record.
    QList<qint64> gaps;
    qint64 considered = 0, previous = 0, days = 0;
    QDate lastDate;
    for (const Kept &k : std::as_const(kept)) {
        if (k.sourceSaid && k.reading.source != Source::Sensor)
            continue;
        const qint64 at = secondsOf(k.reading);
        if (considered > 0 && at > previous)
            gaps << at - previous;
        if (k.reading.date != lastDate) {
            ++days;
            lastDate = k.reading.date;
        }
        previous = at;
        ++considered;
    }
    if (!gaps.isEmpty() && days > 0 && considered > 24 * days) {
        std::nth_element(gaps.begin(), gaps.begin() + gaps.size() / 2, gaps.end());
        out.sensorFile = gaps[gaps.size() / 2] <= 15 * 60;
    }
    out.readings.reserve(kept.size());
    for (Kept &k : kept) {
        if (out.sensorFile && !k.sourceSaid && layout.kind < 0)
            k.reading.source = Source::Sensor;
        out.sensorReadings += k.reading.source == Source::Sensor;
        out.readings << std::move(k.reading);
    }

    std::stable_sort(unused.begin(), unused.end(), [](const Unused &a, const Unused &b) { return a.line < b.line; });
    out.unused = std::move(unused);
    out.status = FileRead::Status::Read;
    return out;
}

QString sourceName(Source source)
{
    switch (source) {
    case Source::FingerStick: return QStringLiteral("finger-stick");
    case Source::Scan: return QStringLiteral("scan");
    case Source::Sensor: return QStringLiteral("sensor");
    }
    return {};
}

} // namespace meter
