#include "core/ReadingDay.h"

#include <cstdint>

namespace {

bool isAsciiDigit(QChar c) { return c.unicode() >= '0' && c.unicode() <= '9'; }

} // namespace

double leadingNumber(QStringView text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && text[i] == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }

    // Reports and charts read every stored reading, so the usual short
    // readings are worked out here: a whole number of at most 15 digits and
    // a power of ten are both exact in a double, and one division of exact
    // values rounds as the text would.
    const qsizetype start = i;
    std::uint64_t digitsValue = 0;
    int digits = 0;
    int decimals = 0;
    for (; i < n && isAsciiDigit(text[i]); ++i, ++digits)
        digitsValue = digitsValue * 10 + std::uint64_t(text[i].unicode() - '0');
    qsizetype end = i;
    if (i < n && text[i] == QLatin1Char('.')) {
        for (++i; i < n && isAsciiDigit(text[i]); ++i, ++digits, ++decimals)
            digitsValue = digitsValue * 10 + std::uint64_t(text[i].unicode() - '0');
        if (decimals > 0)
            end = i;
    }
    if (digits == 0)
        return 0;

    double value;
    if (digits <= 15) {
        static constexpr double powers[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        value = double(digitsValue) / powers[decimals];
    } else {
        value = text.mid(start, end - start).toString().toDouble();
    }
    return negative ? -value : value;
}
