// levelbook-gen: writes a diary of N consecutive days with realistic readings.
//
//   levelbook-gen FILE.bcl [DAYS [FIRST-DATE [SEED]]]
//
// DAYS defaults to 36525 (every date of 2000..2099), FIRST-DATE to 2000-01-01.

#include "DiaryGenerator.h"
#include "core/Database.h"
#include "core/DateKey.h"

#include <QCoreApplication>
#include <QDate>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream err(stderr);
    // "--help" and other options are asked for, not file names to write.
    if (args.size() < 2 || args.size() > 5 || args[1].startsWith(QLatin1Char('-'))) {
        const bool asked = args.size() == 2 && (args[1] == QLatin1String("--help") || args[1] == QLatin1String("-h"));
        QTextStream out(asked ? stdout : stderr);
        out << "usage: levelbook-gen FILE.bcl [DAYS [FIRST-DATE [SEED]]]\n";
        return asked ? 0 : 2;
    }
    DiaryShape shape = largestDiary();
    bool ok = true;
    if (args.size() > 2)
        shape.days = args[2].toInt(&ok);
    if (ok && args.size() > 3) {
        shape.first = QDate::fromString(args[3], Qt::ISODate);
        ok = shape.first.isValid();
    }
    if (ok && args.size() > 4)
        shape.seed = args[4].toUInt(&ok);
    const QDate last = shape.first.addDays(shape.days - 1);
    if (!ok || shape.days < 0 || shape.first < firstAllowedDate() || last > lastAllowedDate()) {
        err << "levelbook-gen: the days must be a count within " << dateKey(firstAllowedDate()) << ".."
            << dateKey(lastAllowedDate()) << '\n';
        return 2;
    }
    try {
        writeGeneratedDiary(args[1], shape);
    } catch (const StoreError &e) {
        err << "levelbook-gen: " << e.message() << '\n';
        return 1;
    }
    return 0;
}
