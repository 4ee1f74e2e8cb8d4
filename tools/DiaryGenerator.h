#pragma once
// Writes diaries of any length with readings such as a person keeps them:
// whole numbers mostly, some with a tenth ("120.5"), and now and then a
// reading not taken ("-"). The same seed always gives the same diary.

#include "core/DateKey.h"
#include "core/ReadingDay.h"

#include <QDate>
#include <QString>

#include <cstdint>

struct DiaryShape {
    int days = 100;                   // consecutive dates
    QDate first = firstAllowedDate(); // the first of them
    std::uint32_t seed = 20000101;
};

// The day at `index` (0 = shape.first) of the diary the shape describes.
ReadingDay generatedDay(const DiaryShape &shape, int index);

// Creates the diary file at `path` holding every day of the shape; throws
// StoreError when the file exists or cannot be written.
void writeGeneratedDiary(const QString &path, const DiaryShape &shape);

// The largest diary the program allows: every date it offers (36,525 days).
inline DiaryShape largestDiary()
{
    return DiaryShape{int(firstAllowedDate().daysTo(lastAllowedDate())) + 1, firstAllowedDate(), 20000101};
}
