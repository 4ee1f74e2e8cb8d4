#pragma once
// The eight reading slots of a day, in their fixed order: the order of the
// table's fields, of the labels on every reading window, of the Graphs menu
// and of the chart windows.

#include <QString>

#include <array>

struct ReadingKind {
    const char *field;        // field of table BLOOD and name of every box that shows it
    const char *label;        // label on the reading windows
    const char *menuName;     // Graphs menu item
    const char *menuCaption;  // its caption, with the access key
    const char *chartWindow;  // chart window name
    const char *chartCaption; // chart window caption
};

inline constexpr int kReadingKinds = 8;

const std::array<ReadingKind, kReadingKinds> &readingKinds();
