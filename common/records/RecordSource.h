#pragma once
// A database that answers rendered record queries: the station's SQLite file or the plant's
// PostgreSQL server. The query tool's commands are written once against this.

#include "RecordColumns.h"
#include "RecordQuery.h"

#include <string>
#include <vector>

namespace ardent::records {

class TRecordSource {
public:
    virtual ~TRecordSource() = default;
    virtual TDialect Dialect() const = 0;
    // Appends the result rows (every value as text) to `rows`; false with `error` set.
    virtual bool Query(const TRenderedQuery& query, std::vector<TRow>& rows,
                       std::string& error) = 0;
};

} // namespace ardent::records
