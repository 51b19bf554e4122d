#pragma once
// The forwarder: sends the station's unsent records to the plant's PostgreSQL database, in seq
// order, in batches. A batch is committed on the server first and only then marked sent at the
// station, so a forwarder killed between the two sends that batch again, and the server, keyed
// by record id, stores it once. It has its own connections to both databases and only short
// station transactions, so a burn never waits for it.

#include "PlantDatabase.h"
#include "records/StationDatabase.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace ardent::forwarding {

// The current UTC time as the records store it: 2026-12-11T15:04:05.123Z.
std::string UtcNowText();

// The station database the forwarder and the query tool use when none is named: the one both
// programs write (ARDENT_RECORDS, else the station's default place); empty when records are off.
std::string StationDatabaseFromEnvironment();

class TForwarder {
public:
    TForwarder(records::TStationDatabase& station, std::string url,
               int batchSize = kDefaultBatchSize);

    // Sends the next batch: `sent` is the number of records in it (0 when nothing is unsent).
    // On failure the error is kept in the station's forward_state as well.
    bool ForwardBatch(long long& sent, std::string& error);
    // Sends batches until nothing is left; `sent` counts the records of all of them.
    bool ForwardAll(long long& sent, std::string& error);

    static constexpr int kDefaultBatchSize = 500;

private:
    bool EnsureConnected(std::string& error);

    records::TStationOutbox fOutbox;
    std::string fUrl;
    int fBatchSize;
    std::unique_ptr<TPlantDatabase> fPlant;
};

// The wait after a failed attempt: doubling from `first`, capped at `cap`; a success starts over.
class TRetryDelay {
public:
    TRetryDelay(std::chrono::milliseconds first, std::chrono::milliseconds cap)
        : fFirst(first), fCap(cap), fNext(first) {}
    std::chrono::milliseconds Next();
    void Reset() { fNext = fFirst; }

private:
    std::chrono::milliseconds fFirst;
    std::chrono::milliseconds fCap;
    std::chrono::milliseconds fNext;
};

struct TForwardTiming {
    std::chrono::milliseconds idlePoll{2000}; // between looks for new records
    std::chrono::milliseconds firstRetry{1000};
    std::chrono::milliseconds retryCap{60000}; // a server away for hours is tried once a minute
};

// The forwarder as a service: on its own thread, forwards whatever appears, retries with
// back-off while the server is away, and stops promptly when asked (sync --follow, and Ardent
// while it runs).
class TForwardService {
public:
    // `onError` (optional) hears each failed attempt's reason, from the service's thread.
    TForwardService(std::string stationPath, std::string url, TForwardTiming timing = {},
                    std::function<void(const std::string&)> onError = {});
    ~TForwardService();
    TForwardService(const TForwardService&) = delete;
    TForwardService& operator=(const TForwardService&) = delete;

    void Start();
    // Wakes the service to forward now (after a burn).
    void Nudge();
    // Stops and joins the thread; a batch under way finishes or fails first.
    void Stop();

private:
    void Run();
    // Waits up to `delay`, returning early on Nudge or Stop; false when stopping.
    bool WaitFor(std::chrono::milliseconds delay);

    std::string fStationPath;
    std::string fUrl;
    TForwardTiming fTiming;
    std::function<void(const std::string&)> fOnError;
    std::mutex fMutex; // guards fStopping, fNudged
    std::condition_variable fWake;
    bool fStopping = false;
    bool fNudged = false;
    std::thread fThread;
};

} // namespace ardent::forwarding
