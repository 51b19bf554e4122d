#include "PlantDatabase.h"

#include "PlantSchema.h"

#include <libpq-fe.h>

#include <algorithm>

namespace ardent::forwarding {

using records::kRecordColumnCount;
using records::kRecordColumns;
using records::TRow;
using records::TValue;

namespace {

struct TResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using TResult = std::unique_ptr<PGresult, TResultDeleter>;

std::string Reason(pg_conn* connection) {
    std::string text = PQerrorMessage(connection);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    // libpq's messages may run over several lines; the state keeps one.
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text.empty() ? "the plant database gave no reason" : text;
}

// One statement's rows per insert: far below the protocol's 65535 parameters, large enough that
// a batch costs a few round trips.
constexpr size_t kRowsPerStatement = 500;

} // namespace

std::unique_ptr<TPlantDatabase> TPlantDatabase::Connect(const std::string& url,
                                                        std::string& error,
                                                        int connectTimeoutS) {
    const std::string timeout = std::to_string(connectTimeoutS);
    // Keep-alives and a TCP user time-out: a server that vanishes without closing the
    // connection (a cut cable) fails the batch within a minute instead of hanging the forwarder.
    const char* keywords[] = {"dbname",           "connect_timeout",     "application_name",
                              "keepalives",       "keepalives_idle",     "keepalives_interval",
                              "keepalives_count", "tcp_user_timeout",    nullptr};
    const char* values[] = {url.c_str(), timeout.c_str(), "ardent-records", "1", "30", "10",
                            "3",         "60000",         nullptr};
    pg_conn* connection = PQconnectdbParams(keywords, values, 1);
    if (connection == nullptr) {
        error = "cannot reach the plant database: out of memory";
        return nullptr;
    }
    if (PQstatus(connection) != CONNECTION_OK) {
        error = "cannot reach the plant database: " + Reason(connection);
        PQfinish(connection);
        return nullptr;
    }
    PQsetNoticeProcessor(connection, [](void*, const char*) {}, nullptr);
    return std::unique_ptr<TPlantDatabase>(new TPlantDatabase(connection));
}

TPlantDatabase::~TPlantDatabase() {
    PQfinish(fConnection);
}

bool TPlantDatabase::IsConnected() const {
    return PQstatus(fConnection) == CONNECTION_OK;
}

bool TPlantDatabase::Execute(const std::string& sql, const std::vector<TValue>& parameters,
                             std::string& error) {
    std::vector<const char*> values;
    values.reserve(parameters.size());
    for (const TValue& value : parameters) {
        values.push_back(value ? value->c_str() : nullptr);
    }
    // Without parameters the simple protocol runs several statements (the schema) at once.
    const TResult result(parameters.empty()
                             ? PQexec(fConnection, sql.c_str())
                             : PQexecParams(fConnection, sql.c_str(),
                                            static_cast<int>(values.size()), nullptr,
                                            values.data(), nullptr, nullptr, 0));
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        error = Reason(fConnection);
        return false;
    }
    return true;
}

bool TPlantDatabase::InitSchema(std::string& error) {
    std::string ignored;
    // Several stations may run init-db at once; the advisory lock lets one create the tables.
    bool ok = Execute("BEGIN", {}, error) &&
              Execute("SELECT pg_advisory_xact_lock(7243150401)", {}, error) &&
              Execute(kPlantSchemaV1, {}, error);
    std::vector<TRow> rows;
    ok = ok && Query({"SELECT max(version) FROM ardent_schema", {}}, rows, error);
    if (ok) {
        const long long version = rows.empty() ? 0 : records::ToSeq(rows[0][0]);
        if (version > kPlantSchemaVersion) {
            error = "the plant database's record schema version " + std::to_string(version) +
                    " is newer than this program's (" + std::to_string(kPlantSchemaVersion) + ")";
            ok = false;
        } else if (version < kPlantSchemaVersion) {
            ok = Execute("INSERT INTO ardent_schema(version) VALUES ($1::integer)",
                         {std::to_string(kPlantSchemaVersion)}, error);
        }
    }
    if (!ok) {
        Execute("ROLLBACK", {}, ignored);
        return false;
    }
    return Execute("COMMIT", {}, error);
}

bool TPlantDatabase::InsertRecords(const records::TUnsentBatch& batch, size_t first,
                                   size_t count, std::string& error) {
    std::string sql = "INSERT INTO burn_record (station_seq";
    for (int c = 1; c < kRecordColumnCount; ++c) {
        sql += std::string(", ") + kRecordColumns[c].name;
    }
    sql += ") VALUES ";
    std::vector<TValue> parameters;
    parameters.reserve(count * kRecordColumnCount);
    for (size_t r = first; r < first + count; ++r) {
        sql += r == first ? "(" : ", (";
        for (int c = 0; c < kRecordColumnCount; ++c) {
            parameters.push_back(batch.records[r].at(static_cast<size_t>(c)));
            sql += (c == 0 ? "$" : ", $") + std::to_string(parameters.size()) +
                   (kRecordColumns[c].integer ? "::bigint" : "::text");
        }
        sql += ")";
    }
    sql += " ON CONFLICT (id) DO NOTHING";
    return Execute(sql, parameters, error);
}

bool TPlantDatabase::InsertChipIds(const records::TUnsentBatch& batch, size_t first,
                                   size_t count, std::string& error) {
    std::string sql = "INSERT INTO record_chip_id (record_id, name, value) VALUES ";
    std::vector<TValue> parameters;
    for (size_t i = first; i < first + count; ++i) {
        const records::TChipId& id = batch.chipIds[i];
        parameters.insert(parameters.end(), {id.recordId, id.name, id.value});
        const size_t n = parameters.size();
        sql += (i == first ? "($" : ", ($") + std::to_string(n - 2) + "::text, $" +
               std::to_string(n - 1) + "::text, $" + std::to_string(n) + "::text)";
    }
    sql += " ON CONFLICT DO NOTHING";
    return Execute(sql, parameters, error);
}

bool TPlantDatabase::StoreBatch(const records::TUnsentBatch& batch, std::string& error) {
    if (batch.records.empty()) {
        return true;
    }
    bool ok = Execute("BEGIN", {}, error);
    for (size_t first = 0; ok && first < batch.records.size(); first += kRowsPerStatement) {
        ok = InsertRecords(batch, first,
                           std::min(kRowsPerStatement, batch.records.size() - first), error);
    }
    for (size_t first = 0; ok && first < batch.chipIds.size(); first += kRowsPerStatement) {
        ok = InsertChipIds(batch, first,
                           std::min(kRowsPerStatement, batch.chipIds.size() - first), error);
    }
    if (!ok) {
        std::string ignored;
        Execute("ROLLBACK", {}, ignored);
        return false;
    }
    return Execute("COMMIT", {}, error);
}

bool TPlantDatabase::Query(const records::TRenderedQuery& query, std::vector<TRow>& rows,
                           std::string& error) {
    std::vector<const char*> values;
    for (const std::string& value : query.parameters) {
        values.push_back(value.c_str());
    }
    const TResult result(PQexecParams(fConnection, query.sql.c_str(),
                                      static_cast<int>(values.size()), nullptr, values.data(),
                                      nullptr, nullptr, 0));
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
        error = Reason(fConnection);
        return false;
    }
    const int count = PQntuples(result.get());
    const int columns = PQnfields(result.get());
    for (int r = 0; r < count; ++r) {
        TRow row;
        row.reserve(static_cast<size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            row.push_back(PQgetisnull(result.get(), r, c) != 0
                              ? TValue{}
                              : TValue{std::string(PQgetvalue(result.get(), r, c),
                                                   static_cast<size_t>(
                                                       PQgetlength(result.get(), r, c)))});
        }
        rows.push_back(std::move(row));
    }
    return true;
}

} // namespace ardent::forwarding
