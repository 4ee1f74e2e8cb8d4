// The one routine of the date picker's source that the date-key source calls
// (for the short form of a date, which no fuzz target shows). Defined here so
// that the targets link without the widgets.

#include "platform/DatePicker.h"

QString shortDatePattern(const QLocale &locale) { return locale.dateFormat(QLocale::ShortFormat); }
