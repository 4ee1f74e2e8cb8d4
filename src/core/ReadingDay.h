#pragma once
// One row of table BLOOD: a date key and the eight reading texts.

#include "core/ReadingKind.h"

#include <QString>

#include <array>

// The text stored for a reading the user left empty.
inline const QString &missingReading()
{
    static const QString dash = QStringLiteral("-");
    return dash;
}

// The number a reading's text starts with: its longest leading part that
// reads as a decimal number after any spaces and one sign; 0 when there is
// none ("120.5" gives 120.5, "1.2.3" gives 1.2, "12." gives 12, "." gives 0).
double leadingNumber(QStringView text);

// Whether a stored reading text counts ("-" is no reading).
inline bool isCountedReading(QStringView text) { return text != missingReading(); }

// The value the summary counts for a reading text: the number it begins with
// in single precision, as the summary keeps its highest and lowest.
inline float readingValue(QStringView text) { return float(leadingNumber(text)); }

struct ReadingDay {
    QString key;                                 // "yyyy-MM-dd"
    std::array<QString, kReadingKinds> readings; // in ReadingKind order

    // An empty box is stored as "-".
    static QString storedForm(const QString &typed) { return typed.isEmpty() ? missingReading() : typed; }

    bool operator==(const ReadingDay &) const = default;
};
