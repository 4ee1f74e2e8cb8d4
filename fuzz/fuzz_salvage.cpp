// Any bytes given to the repair's page scan, which reads the days out of a
// damaged diary without the engine. It must stay inside the bytes it is given
// and only ever return whole days with a real date.

#include "core/DateKey.h"
#include "core/Salvage.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The input's own bytes, which libFuzzer keeps in a block of exactly their
    // length: a read past the end is caught by the address sanitizer.
    const QByteArray file = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const FoundDay &found : scanTablePages(file)) {
        if (!dateFromKey(found.day.key).isValid())
            std::abort();
        for (const QString &r : found.day.readings)
            if (r.isEmpty())
                std::abort();
    }
    return 0;
}
