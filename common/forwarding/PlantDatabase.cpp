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


} // namespace

std::unique_ptr<TPlantDatabase> TPlantDatabase::Connect(const std::string& url, std::string& error,
                                                        int connectTimeoutS) {
    const std::string timeout = std::to_string(connectTimeoutS);
    // Keep-alives and a TCP user time-out: a server that vanishes without closing the
    // connection (a cut cable) fails the batch within a minute instead of hanging the forwarder.
    const char* keywords[] = {"dbname",           "connect_timeout",  "application_name",
                              "keepalives",       "keepalives_idle",  "keepalives_interval",
                              "keepalives_count", "tcp_user_timeout", nullptr};
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
    PQsetNoticeProcessor(
        connection, [](void*, const char*) {}, nullptr);
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
    const TResult result(parameters.empty() ? PQexec(fConnection, sql.c_str())
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

namespace {

// A PostgreSQL array literal of text elements: {"a","b\"c",NULL}.
std::string ArrayLiteral(const std::vector<TValue>& values) {
    std::string literal = "{";
    for (size_t i = 0; i < values.size(); ++i) {
        literal += i == 0 ? "" : ",";
        if (!values[i]) {
            literal += "NULL";
            continue;
        }
        literal += '"';
        for (const char c : *values[i]) {
            if (c == '"' || c == '\\') {
                literal += '\\';
            }
            literal += c;
        }
        literal += '"';
    }
    return literal + "}";
}

} // namespace

// A whole column per parameter, unnested on the server: one short statement per batch, however
// large, instead of one parameter per value.
bool TPlantDatabase::InsertRecords(const records::TUnsentBatch& batch, std::string& error) {
    std::string sql = "INSERT INTO burn_record (station_seq";
    std::string unnest;
    std::vector<TValue> parameters;
    for (int c = 0; c < kRecordColumnCount; ++c) {
        if (c > 0) {
            sql += std::string(", ") + kRecordColumns[c].name;
        }
        std::vector<TValue> column;
        column.reserve(batch.records.size());
        for (const TRow& record : batch.records) {
            column.push_back(record.at(static_cast<size_t>(c)));
        }
        parameters.push_back(ArrayLiteral(column));
        unnest += (c == 0 ? "$" : ", $") + std::to_string(c + 1) +
                  (kRecordColumns[c].integer ? "::bigint[]" : "::text[]");
    }
    sql += ") SELECT * FROM unnest(" + unnest + ") ON CONFLICT (id) DO NOTHING";
    return Execute(sql, parameters, error);
}

bool TPlantDatabase::InsertChipIds(const records::TUnsentBatch& batch, std::string& error) {
    std::vector<TValue> ids;
    std::vector<TValue> names;
    std::vector<TValue> values;
    for (const records::TStoredChipId& id : batch.chipIds) {
        ids.emplace_back(id.recordId);
        names.emplace_back(id.name);
        values.emplace_back(id.value);
    }
    return Execute("INSERT INTO record_chip_id (record_id, name, value)"
                   " SELECT * FROM unnest($1::text[], $2::text[], $3::text[])"
                   " ON CONFLICT DO NOTHING",
                   {ArrayLiteral(ids), ArrayLiteral(names), ArrayLiteral(values)}, error);
}

bool TPlantDatabase::StoreBatch(const records::TUnsentBatch& batch, std::string& error) {
    if (batch.records.empty()) {
        return true;
    }
    bool ok = Execute("BEGIN", {}, error) && InsertRecords(batch, error) &&
              (batch.chipIds.empty() || InsertChipIds(batch, error));
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
            row.push_back(
                PQgetisnull(result.get(), r, c) != 0
                    ? TValue{}
                    : TValue{std::string(PQgetvalue(result.get(), r, c),
                                         static_cast<size_t>(PQgetlength(result.get(), r, c)))});
        }
        rows.push_back(std::move(row));
    }
    return true;
}

} // namespace ardent::forwarding
