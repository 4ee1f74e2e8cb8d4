#pragma once
// The arrangement the add and edit windows share: the date row at the top,
// the reading boxes below it, the two buttons side by side at the bottom.

class QLabel;
class QPushButton;
class QWidget;
class DatePicker;
class ReadingEntryPanel;

void layOutEntryWindow(QWidget *window, QLabel *dateLabel, DatePicker *picker, ReadingEntryPanel *readings,
                       QPushButton *save, QPushButton *cancel);

// The picker with the buttons below it, the explanation above: the search
// and delete-before windows.
void layOutPickWindow(QWidget *window, QLabel *explanation, DatePicker *picker, QPushButton *act, QPushButton *cancel);
