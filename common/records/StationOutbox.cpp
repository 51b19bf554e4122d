#include "StationOutbox.h"

#include <sqlite3.h>

#include <charconv>
#include <memory>

namespace ardent::records {

namespace {

struct TStatementDeleter {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using TStatement = std::unique_ptr<sqlite3_stmt, TStatementDeleter>;

TStatement Prepare(sqlite3* handle, const std::string& sql, std::string& error) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(handle, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(handle);
        sqlite3_finalize(statement);
        return nullptr;
    }
    return TStatement(statement);
}

TValue ColumnText(sqlite3_stmt* statement, int column) {
    if (sqlite3_column_type(statement, column) == SQLITE_NULL) {
        return std::nullopt;
    }
    const unsigned char* text = sqlite3_column_text(statement, column);
    return std::string(text != nullptr ? reinterpret_cast<const char*>(text) : "",
                       static_cast<size_t>(sqlite3_column_bytes(statement, column)));
}

// Runs a prepared statement to its end, handing each row to `onRow`.
template <typename OnRow>
bool StepAll(sqlite3* handle, sqlite3_stmt* statement, OnRow onRow, std::string& error) {
    for (;;) {
        const int step = sqlite3_step(statement);
        if (step == SQLITE_DONE) {
            return true;
        }
        if (step != SQLITE_ROW) {
            error = sqlite3_errmsg(handle);
            return false;
        }
        onRow(statement);
    }
}

bool RunQuery(sqlite3* handle, const TRenderedQuery& query, std::vector<TRow>& rows,
              std::string& error) {
    const TStatement statement = Prepare(handle, query.sql, error);
    if (!statement) {
        return false;
    }
    for (size_t i = 0; i < query.parameters.size(); ++i) {
        sqlite3_bind_text(statement.get(), static_cast<int>(i + 1), query.parameters[i].c_str(),
                          static_cast<int>(query.parameters[i].size()), SQLITE_TRANSIENT);
    }
    const int columns = sqlite3_column_count(statement.get());
    return StepAll(
        handle, statement.get(),
        [&](sqlite3_stmt* row) {
            TRow values;
            values.reserve(static_cast<size_t>(columns));
            for (int c = 0; c < columns; ++c) {
                values.push_back(ColumnText(row, c));
            }
            rows.push_back(std::move(values));
        },
        error);
}

} // namespace

long long ToSeq(const TValue& value) {
    long long number = -1;
    if (value) {
        const char* end = value->data() + value->size();
        if (std::from_chars(value->data(), end, number).ptr != end) {
            number = -1;
        }
    }
    return number;
}

bool TStationSource::Query(const TRenderedQuery& query, std::vector<TRow>& rows,
                           std::string& error) {
    if (!RunQuery(fDatabase.Handle(), query, rows, error)) {
        error = fDatabase.Path() + ": " + error;
        return false;
    }
    return true;
}

bool TStationOutbox::LastSentSeq(long long& seq, std::string& error) {
    std::vector<TRow> rows;
    if (!TStationSource(fDatabase).Query(
            {"SELECT value FROM forward_state WHERE key = 'last_sent_seq'", {}}, rows, error)) {
        return false;
    }
    seq = rows.empty() ? 0 : ToSeq(rows[0][0]);
    if (seq < 0) {
        error = fDatabase.Path() + ": the forwarding state holds no valid last_sent_seq";
        return false;
    }
    return true;
}

bool TStationOutbox::ReadUnsent(long long afterSeq, int limit, TUnsentBatch& batch,
                                std::string& error) {
    batch = TUnsentBatch{};
    // A batch's chip IDs are looked up by seq; without this index each batch would scan every
    // chip ID the station ever stored. Created once per station file, kept from then on.
    if (!fChipIdIndexReady) {
        if (!fDatabase.Execute(
                "CREATE INDEX IF NOT EXISTS record_chip_id_seq ON record_chip_id(seq)", error)) {
            return false;
        }
        fChipIdIndexReady = true;
    }
    // One read transaction: the records and their chip IDs come from the same snapshot while
    // burns go on committing beside it (WAL).
    if (!fDatabase.Execute("BEGIN", error)) {
        return false;
    }
    TRecordFilter everything;
    TRenderedQuery records = RenderFind(everything, TDialect::Station);
    records.sql = records.sql.substr(0, records.sql.find(" ORDER BY")) +
                  " WHERE r.seq > ? ORDER BY r.seq LIMIT " + std::to_string(limit);
    records.parameters = {std::to_string(afterSeq)};
    bool ok = TStationSource(fDatabase).Query(records, batch.records, error);
    if (ok && !batch.records.empty()) {
        batch.lastSeq = ToSeq(batch.records.back()[kSeqColumn]);
        std::vector<TRow> ids;
        ok = TStationSource(fDatabase).Query(
            {"SELECT r.id, c.name, c.value FROM record_chip_id c JOIN burn_record r"
             " ON r.seq = c.seq WHERE c.seq > ? AND c.seq <= ? ORDER BY c.seq, c.rowid",
             {std::to_string(afterSeq), std::to_string(batch.lastSeq)}},
            ids, error);
        for (const TRow& id : ids) {
            batch.chipIds.push_back({id[0].value_or(""), id[1].value_or(""), id[2].value_or("")});
        }
    }
    std::string ignored;
    fDatabase.Execute("COMMIT", ignored);
    return ok;
}

bool TStationOutbox::UpsertState(const std::vector<std::pair<std::string, std::string>>& values,
                                 std::string& error) {
    const TStatement statement = Prepare(fDatabase.Handle(),
                                         "INSERT INTO forward_state(key, value) VALUES (?, ?)"
                                         " ON CONFLICT(key) DO UPDATE SET value = excluded.value",
                                         error);
    bool ok = statement != nullptr;
    for (const auto& [key, value] : values) {
        if (!ok) {
            break;
        }
        sqlite3_reset(statement.get());
        sqlite3_bind_text(statement.get(), 1, key.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(statement.get(), 2, value.c_str(), -1, SQLITE_TRANSIENT);
        ok = StepAll(
            fDatabase.Handle(), statement.get(), [](sqlite3_stmt*) {}, error);
    }
    if (!ok) {
        error = fDatabase.Path() + ": " + error;
    }
    return ok;
}

bool TStationOutbox::InWriteTransaction(const std::function<bool(std::string&)>& work,
                                        std::string& error) {
    if (!fDatabase.Execute("BEGIN IMMEDIATE", error)) {
        return false;
    }
    if (!work(error)) {
        std::string ignored;
        fDatabase.Execute("ROLLBACK", ignored);
        return false;
    }
    return fDatabase.Execute("COMMIT", error);
}

bool TStationOutbox::ConfirmSent(long long seq, const std::string& timeUtc, std::string& error) {
    // Ardent and the service may both forward and confirm out of turn; the mark only advances,
    // decided inside the write transaction so that two confirmations cannot interleave.
    return InWriteTransaction(
        [&](std::string& failure) {
            long long current = 0;
            if (!LastSentSeq(current, failure)) {
                return false;
            }
            return seq <= current || UpsertState({{"last_sent_seq", std::to_string(seq)},
                                                  {"last_sent_time", timeUtc}},
                                                 failure);
        },
        error);
}

bool TStationOutbox::RecordError(const std::string& message, const std::string& timeUtc,
                                 std::string& error) {
    return InWriteTransaction(
        [&](std::string& failure) {
            return UpsertState({{"last_error", message}, {"last_error_time", timeUtc}}, failure);
        },
        error);
}

bool TStationOutbox::Status(TForwardStatus& status, std::string& error) {
    status = TForwardStatus{};
    std::vector<TRow> rows;
    if (!TStationSource(fDatabase).Query({"SELECT key, value FROM forward_state", {}}, rows,
                                         error)) {
        return false;
    }
    for (const TRow& row : rows) {
        const std::string key = row[0].value_or("");
        const std::string value = row[1].value_or("");
        if (key == "last_sent_seq") {
            status.lastSentSeq = ToSeq(row[1]);
        } else if (key == "last_sent_time") {
            status.lastSentTime = value;
        } else if (key == "last_error") {
            status.lastError = value;
        } else if (key == "last_error_time") {
            status.lastErrorTime = value;
        }
    }
    rows.clear();
    if (!TStationSource(fDatabase).Query({"SELECT count(*) FROM burn_record WHERE seq > ?",
                                          {std::to_string(status.lastSentSeq)}},
                                         rows, error)) {
        return false;
    }
    status.unsent = rows.empty() ? 0 : ToSeq(rows[0][0]);
    return true;
}

} // namespace ardent::records
