#pragma once
// The station's side of forwarding: the records the plant has not confirmed yet, and the state
// kept in forward_state (the last confirmed seq, the last error). Every write is one short
// transaction, so a burn committing its records at the same time waits at most for that.

#include "RecordColumns.h"
#include "RecordSource.h"
#include "StationDatabase.h"

#include <functional>
#include <string>
#include <vector>

namespace ardent::records {

// A seq or count as stored; -1 when it is missing or not a number.
long long ToSeq(const TValue& value);

// A station database as a source of query answers.
class TStationSource : public TRecordSource {
public:
    explicit TStationSource(TStationDatabase& database) : fDatabase(database) {}
    TDialect Dialect() const override { return TDialect::Station; }
    bool Query(const TRenderedQuery& query, std::vector<TRow>& rows, std::string& error) override;

private:
    TStationDatabase& fDatabase;
};

struct TUnsentBatch {
    std::vector<TRow> records; // every column of kRecordColumns, in seq order
    std::vector<TStoredChipId> chipIds;
    long long lastSeq = 0; // seq of the last record; 0 when the batch is empty
};

struct TForwardStatus {
    long long lastSentSeq = 0;
    long long unsent = 0;
    std::string lastSentTime;
    std::string lastError;
    std::string lastErrorTime;
};

class TStationOutbox {
public:
    explicit TStationOutbox(TStationDatabase& database) : fDatabase(database) {}

    // The seq up to which the plant confirmed every record (0 before the first).
    bool LastSentSeq(long long& seq, std::string& error);
    // Up to `limit` records with seq > `afterSeq`, and their chip IDs, read from one snapshot.
    bool ReadUnsent(long long afterSeq, int limit, TUnsentBatch& batch, std::string& error);
    // Records that the plant has stored everything up to `seq`; never moves backwards.
    bool ConfirmSent(long long seq, const std::string& timeUtc, std::string& error);
    bool RecordError(const std::string& message, const std::string& timeUtc, std::string& error);
    bool Status(TForwardStatus& status, std::string& error);

private:
    bool UpsertState(const std::vector<std::pair<std::string, std::string>>& values,
                     std::string& error);
    bool InWriteTransaction(const std::function<bool(std::string&)>& work, std::string& error);

    TStationDatabase& fDatabase;
    bool fChipIdIndexReady = false;
};

} // namespace ardent::records
