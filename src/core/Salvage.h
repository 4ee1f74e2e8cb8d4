#pragma once
// Reading the days out of a damaged diary file.

#include "core/ReadingDay.h"

#include <QByteArray>
#include <QList>
#include <QString>

// One row of table BLOOD as found in the file.
struct FoundDay {
    qint64 rowid = 0;
    ReadingDay day;
};

struct SalvagedDays {
    QList<FoundDay> days;  // in the order found; one date may come twice
    int unreadable = 0;    // rows the engine gave without a date key
    bool complete = false; // the engine read the whole table without damage
};

// Every day that can still be read from the diary file at `path`. The table is
// read through the engine first; if the engine stops at damage, the pages of
// the file are read one by one and every day on a table page in use is added.
// Empty readings come back as "-".
SalvagedDays salvageDays(const QString &path);

// The days found on the table leaf pages of a diary file's bytes, read without
// the engine. Pages on the file's free list and the schema page are left out;
// only rows of nine text fields whose first is a date key count.
QList<FoundDay> scanTablePages(const QByteArray &file);
