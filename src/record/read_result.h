#pragma once

#include "record.h"
#include "record_error.h"

#include <optional>

namespace ww {

// Either a whole record or the reason there is none.
class ReadResult
{
public:
    ReadResult(Record record) : m_record(std::move(record)) {}
    ReadResult(RecordError error) : m_error(std::move(error)) {}

    bool ok() const { return m_record.has_value(); }
    const Record &record() const { return *m_record; }
    const RecordError &error() const { return m_error; }

private:
    std::optional<Record> m_record;
    RecordError m_error;
};

} // namespace ww
