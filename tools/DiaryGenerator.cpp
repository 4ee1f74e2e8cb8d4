#include "DiaryGenerator.h"

#include "core/Database.h"
#include "core/DateKey.h"

namespace {

// A small, fast mixer: the reading of (day, kind) depends on nothing else.
std::uint32_t mix(std::uint32_t x)
{
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return x;
}

// Fasting readings lie lower than those after a meal.
constexpr int kBase[kReadingKinds] = {95, 140, 100, 150, 105, 145, 110, 100};

} // namespace

ReadingDay generatedDay(const DiaryShape &shape, int index)
{
    ReadingDay day;
    day.key = dateKey(shape.first.addDays(index));
    for (int k = 0; k < kReadingKinds; ++k) {
        const std::uint32_t r = mix(shape.seed ^ mix(std::uint32_t(index) * 8U + std::uint32_t(k)));
        if (r % 100 < 7) { // about one reading in fifteen not taken
            day.readings[size_t(k)] = missingReading();
            continue;
        }
        const int value = kBase[k] - 30 + int((r >> 8) % 91); // base -30 .. +60
        if ((r >> 20) % 4 == 0)                               // a quarter with a tenth
            day.readings[size_t(k)] = QString::number(value) + QLatin1Char('.') + QString::number((r >> 24) % 9 + 1);
        else
            day.readings[size_t(k)] = QString::number(value);
    }
    return day;
}

void writeGeneratedDiary(const QString &path, const DiaryShape &shape)
{
    Database::create(path);
    Database db = Database::open(path);
    Database::Transaction transaction(db);
    Cursor cursor(db);
    for (int i = 0; i < shape.days; ++i)
        cursor.append(generatedDay(shape, i));
    transaction.commit();
}
