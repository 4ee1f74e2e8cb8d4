#pragma once
// One row of table BLOOD: a date key and the eight reading texts.

#include "store/ReadingKind.h"

#include <QString>
#include <array>

// The text stored for a reading the user left empty.
inline const QString &missingReading()
{
    static const QString dash = QStringLiteral("-");
    return dash;
}

struct ReadingDay {
    QString key;                                // "yyyy-MM-dd"
    std::array<QString, kReadingKinds> readings; // in ReadingKind order

    // An empty box is stored as "-".
    static QString storedForm(const QString &typed) { return typed.isEmpty() ? missingReading() : typed; }

    bool operator==(const ReadingDay &) const = default;
};
