#include "record_format.h"
#include "record_storage.h"

#include <cstdint>
#include <cstdlib>

// Any bytes give a record or an error, never a crash; and whatever the format
// can hold reads back exactly as it was written.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const ww::ReadResult result = ww::format::parse(bytes, QStringLiteral("fuzz.dat"));
    if (!result.ok()) {
        if (result.error().message().isEmpty())
            std::abort();
        return 0;
    }
    const ww::Record &record = result.record();
    if (ww::format::check(record).isError())
        return 0;
    const ww::ReadResult again = ww::format::parse(ww::format::encode(record), QStringLiteral("again.dat"));
    if (!again.ok() || !(again.record() == record))
        std::abort();
    return 0;
}
