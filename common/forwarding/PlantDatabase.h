#pragma once
// One connection to the plant's PostgreSQL record store: creating its schema, storing a batch of
// station records in one transaction (idempotent by record id), and answering record queries.

#include "records/RecordSource.h"
#include "records/StationOutbox.h"

#include <memory>
#include <string>

struct pg_conn;

namespace ardent::forwarding {

class TPlantDatabase : public records::TRecordSource {
public:
    // Connects to `url` (postgresql://...), waiting at most `connectTimeoutS` for the server.
    // nullptr with `error` set when the server cannot be reached or refuses.
    static std::unique_ptr<TPlantDatabase> Connect(const std::string& url, std::string& error,
                                                   int connectTimeoutS = kDefaultConnectTimeoutS);
    ~TPlantDatabase() override;
    TPlantDatabase(const TPlantDatabase&) = delete;
    TPlantDatabase& operator=(const TPlantDatabase&) = delete;

    // Creates the schema when missing; running it again changes nothing. Refuses a schema newer
    // than this program's.
    bool InitSchema(std::string& error);
    // Stores the batch's records and chip IDs in one transaction; records (and chip IDs) already
    // there are left as they are. True only once the server has committed.
    bool StoreBatch(const records::TUnsentBatch& batch, std::string& error);
    // False once the connection is lost; the caller connects again.
    bool IsConnected() const;

    records::TDialect Dialect() const override { return records::TDialect::Plant; }
    bool Query(const records::TRenderedQuery& query, std::vector<records::TRow>& rows,
               std::string& error) override;

    static constexpr int kDefaultConnectTimeoutS = 10;

private:
    explicit TPlantDatabase(pg_conn* connection) : fConnection(connection) {}
    bool Execute(const std::string& sql, const std::vector<records::TValue>& parameters,
                 std::string& error);
    bool InsertRecords(const records::TUnsentBatch& batch, std::string& error);
    bool InsertChipIds(const records::TUnsentBatch& batch, std::string& error);

    pg_conn* fConnection;
};

} // namespace ardent::forwarding
