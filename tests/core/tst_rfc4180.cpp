// Comma-separated records on their own: what the reader makes of quotes,
// separators and line ends wherever the pieces it is fed happen to break,
// fields written and read back unchanged, and where the reader stops.

#include "core/Rfc4180.h"

#include <QTest>

namespace {

using rfc4180::Fault;
using rfc4180::Reader;

constexpr Reader::Limits kRoomy{1 << 20, 1 << 20};

struct Read {
    QStringList records; // "line:field|field|..."
    Fault fault;
};

// Reads the bytes handed over in pieces of `piece` bytes (all at once for 0).
Read readInPieces(const QByteArray &bytes, char separator, qsizetype piece, Reader::Limits limits = kRoomy)
{
    Read out;
    Reader reader(separator, limits, [&out](qint64 line, QList<QByteArray> &fields) {
        QStringList texts;
        for (const QByteArray &f : fields)
            texts << QString::fromUtf8(f);
        out.records << QStringLiteral("%1:%2").arg(line).arg(texts.join(QLatin1Char('|')));
    });
    const qsizetype step = piece > 0 ? piece : std::max<qsizetype>(bytes.size(), 1);
    bool going = true;
    for (qsizetype at = 0; going && at < bytes.size(); at += step)
        going = reader.feed(bytes.constData() + at, std::min(step, bytes.size() - at));
    if (going)
        reader.finish();
    out.fault = reader.fault();
    return out;
}

// The ways the bytes are cut into pieces: all at once, then one, two and
// three bytes at a time, so that a CR LF, a doubled quote or a multi-byte
// letter falls across two pieces.
const qsizetype kPieces[] = {0, 1, 2, 3};

} // namespace

Q_DECLARE_METATYPE(Fault::Kind)

class TestRfc4180 : public QObject {
    Q_OBJECT

private slots:
    void readsRecordsWhereverThePiecesBreak_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<char>("separator");
        QTest::addColumn<QStringList>("records");

        QTest::newRow("CR LF") << QByteArray("a,b\r\nc,d\r\n") << ',' << QStringList{"1:a|b", "2:c|d"};
        QTest::newRow("LF") << QByteArray("a,b\nc,d\n") << ',' << QStringList{"1:a|b", "2:c|d"};
        QTest::newRow("CR") << QByteArray("a,b\rc,d\r") << ',' << QStringList{"1:a|b", "2:c|d"};
        QTest::newRow("LF CR is two line ends") << QByteArray("a\n\rb") << ',' << QStringList{"1:a", "2:", "3:b"};
        QTest::newRow("no last line end") << QByteArray("a,b\r\nc,d") << ',' << QStringList{"1:a|b", "2:c|d"};
        QTest::newRow("empty fields") << QByteArray(",,\r\n\r\nx") << ',' << QStringList{"1:||", "2:", "3:x"};
        QTest::newRow("quoted separator and quote")
            << QByteArray("\"a,b\",\"say \"\"hi\"\"\"\r\n") << ',' << QStringList{"1:a,b|say \"hi\""};
        QTest::newRow("quoted line ends count as lines")
            << QByteArray("\"a\r\nb\",\"c\rd\ne\"\r\nf\r\n") << ',' << QStringList{"1:a\r\nb|c\rd\ne", "5:f"};
        QTest::newRow("a quoted field ending a record")
            << QByteArray("x,\"y\"\r\nz,\"\"\r\n") << ',' << QStringList{"1:x|y", "2:z|"};
        QTest::newRow("a quote inside an unquoted field")
            << QByteArray("5\"6,x\"\r\n") << ',' << QStringList{"1:5\"6|x\""};
        QTest::newRow("text after a closing quote") << QByteArray("\"ab\"cd,e\r\n") << ',' << QStringList{"1:abcd|e"};
        QTest::newRow("semicolons keep commas") << QByteArray("5,6;\"a;b\"\r\n") << ';' << QStringList{"1:5,6|a;b"};
        QTest::newRow("tabs") << QByteArray("a\tb c\t\r\n") << '\t' << QStringList{"1:a|b c|"};
        QTest::newRow("UTF-8 passes through")
            << QByteArray("Zo\xc3\xab,\"\xc3\x85\"\r\n") << ',' << QStringList{QStringLiteral("1:Zoë|Å")};
    }

    void readsRecordsWhereverThePiecesBreak()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(char, separator);
        QFETCH(QStringList, records);
        for (const qsizetype piece : kPieces) {
            const Read read = readInPieces(bytes, separator, piece);
            QCOMPARE(read.fault.kind, Fault::Kind::None);
            QCOMPARE(read.records, records);
        }
    }

    void writtenFieldsReadBackUnchanged_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<char>("separator");
        QTest::addColumn<bool>("quoted"); // whether any field needs quotes

        QTest::newRow("plain") << QStringList{"2013-09-17", "95", "", "120.5"} << ',' << false;
        QTest::newRow("separator") << QStringList{"5,6", "7"} << ',' << true;
        QTest::newRow("another separator's comma") << QStringList{"5,6", "7"} << ';' << false;
        QTest::newRow("its own separator") << QStringList{"a;b", "a\tb"} << ';' << true;
        QTest::newRow("quotes") << QStringList{"say \"hi\"", "\"", "\"\"", "\"lead"} << ',' << true;
        QTest::newRow("line ends") << QStringList{"a\r\nb", "c\nd", "e\r", "\rf", "\n"} << ',' << true;
        QTest::newRow("everything at once") << QStringList{"\",\r\n\""} << ',' << true;
        QTest::newRow("blanks and letters") << QStringList{" ", QStringLiteral("Zoë Ångström"), "x"} << '\t' << false;
    }

    void writtenFieldsReadBackUnchanged()
    {
        QFETCH(QStringList, fields);
        QFETCH(char, separator);
        QFETCH(bool, quoted);

        QByteArray bytes;
        QStringList expected;
        for (int record = 1; record <= 3; ++record) {
            QByteArray line;
            for (qsizetype i = 0; i < fields.size(); ++i) {
                if (i > 0)
                    line += separator;
                rfc4180::appendField(line, fields[i], separator);
            }
            QCOMPARE(line.contains('"'), quoted);
            bytes += line + rfc4180::kRecordEnd;
            expected << fields.join(QLatin1Char('|'));
        }
        for (const qsizetype piece : kPieces) {
            const Read read = readInPieces(bytes, separator, piece);
            QCOMPARE(read.fault.kind, Fault::Kind::None);
            QStringList got;
            for (const QString &r : read.records)
                got << r.section(QLatin1Char(':'), 1);
            QCOMPARE(got, expected);
        }
    }

    void stopsWhereNoRecordsCanFollow_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<qsizetype>("recordBytes");
        QTest::addColumn<qint64>("maxRecords");
        QTest::addColumn<Fault::Kind>("fault");
        QTest::addColumn<qint64>("line");
        QTest::addColumn<int>("handedOn"); // records handed on before the stop

        QTest::newRow("a quote never closed") << QByteArray("a\r\n\"b\r\nc,d\r\n") << qsizetype(100) << qint64(100)
                                              << Fault::Kind::QuoteNeverClosed << qint64(2) << 1;
        QTest::newRow("a quote opened late in its record")
            << QByteArray("a\r\nb,\r\nc,\"d\r\n\r\n") << qsizetype(100) << qint64(100) << Fault::Kind::QuoteNeverClosed
            << qint64(3) << 2;
        QTest::newRow("a quote not closed in time") << QByteArray("a\r\n\"b\r\nc\r\nd\r\ne\r\n") << qsizetype(6)
                                                    << qint64(100) << Fault::Kind::QuoteTooLong << qint64(2) << 1;
        QTest::newRow("a closed quote at the very end")
            << QByteArray("a,\"b\"") << qsizetype(100) << qint64(100) << Fault::Kind::None << qint64(0) << 1;
        QTest::newRow("a record too long") << QByteArray("abc\r\nabcdefgh\r\n") << qsizetype(6) << qint64(100)
                                           << Fault::Kind::RecordTooLong << qint64(2) << 1;
        QTest::newRow("a record just long enough, CR LF counted once")
            << QByteArray("abcd\r\nabcd\r\n") << qsizetype(5) << qint64(100) << Fault::Kind::None << qint64(0) << 2;
        QTest::newRow("a byte no text holds") << QByteArray("a\r\nb\r\nc\x01\r\n") << qsizetype(100) << qint64(100)
                                              << Fault::Kind::Binary << qint64(3) << 2;
        QTest::newRow("a NUL inside quotes") << QByteArray("\"a\r\n\0\"\r\n", 8) << qsizetype(100) << qint64(100)
                                             << Fault::Kind::Binary << qint64(1) << 0;
        QTest::newRow("one record too many") << QByteArray("a\r\nb\r\nc\r\n") << qsizetype(100) << qint64(2)
                                             << Fault::Kind::TooManyRecords << qint64(3) << 2;
        QTest::newRow("the last record without a line end is counted")
            << QByteArray("a\r\nb\r\nc") << qsizetype(100) << qint64(2) << Fault::Kind::TooManyRecords << qint64(3)
            << 2;
    }

    void stopsWhereNoRecordsCanFollow()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(qsizetype, recordBytes);
        QFETCH(qint64, maxRecords);
        QFETCH(Fault::Kind, fault);
        QFETCH(qint64, line);
        QFETCH(int, handedOn);
        for (const qsizetype piece : kPieces) {
            const Read read = readInPieces(bytes, ',', piece, Reader::Limits{recordBytes, maxRecords});
            QCOMPARE(read.fault.kind, fault);
            QCOMPARE(read.fault.line, line);
            QCOMPARE(read.records.size(), handedOn);
        }
    }
};

QTEST_MAIN(TestRfc4180)
#include "tst_rfc4180.moc"
