#include "Forwarder.h"

#include "records/StationPaths.h"

#include <cstdlib>
#include <ctime>

namespace ardent::forwarding {

std::string UtcNowText() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    const size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    return std::string(text, length) + "." + std::to_string(1000 + millis).substr(1) + "Z";
}

std::string StationDatabaseFromEnvironment() {
    return records::DefaultStationDatabasePath();
}

TForwarder::TForwarder(records::TStationDatabase& station, std::string url, int batchSize)
    : fOutbox(station), fUrl(std::move(url)),
      fBatchSize(batchSize > 0 ? batchSize : kDefaultBatchSize) {}

bool TForwarder::EnsureConnected(std::string& error) {
    if (fPlant && !fPlant->IsConnected()) {
        fPlant.reset();
    }
    if (!fPlant) {
        fPlant = TPlantDatabase::Connect(fUrl, error);
    }
    return fPlant != nullptr;
}

bool TForwarder::ForwardBatch(long long& sent, std::string& error) {
    sent = 0;
    long long after = 0;
    records::TUnsentBatch batch;
    if (!fOutbox.LastSentSeq(after, error) ||
        !fOutbox.ReadUnsent(after, fBatchSize, batch, error)) {
        return false;
    }
    if (batch.records.empty()) {
        return true;
    }
    // The server's commit comes first: until the station marks the batch sent, a crash only
    // means sending it again.
    if (!EnsureConnected(error) || !fPlant->StoreBatch(batch, error)) {
        std::string ignored;
        fOutbox.RecordError(error, UtcNowText(), ignored);
        return false;
    }
    if (!fOutbox.ConfirmSent(batch.lastSeq, UtcNowText(), error)) {
        return false;
    }
    sent = static_cast<long long>(batch.records.size());
    return true;
}

bool TForwarder::ForwardAll(long long& sent, std::string& error) {
    sent = 0;
    for (;;) {
        long long batch = 0;
        if (!ForwardBatch(batch, error)) {
            return false;
        }
        if (batch == 0) {
            return true;
        }
        sent += batch;
    }
}

std::chrono::milliseconds TRetryDelay::Next() {
    const std::chrono::milliseconds delay = fNext;
    fNext = std::min(fNext * 2, fCap);
    return std::min(delay, fCap);
}

TForwardService::TForwardService(std::string stationPath, std::string url, TForwardTiming timing,
                                 std::function<void(const std::string&)> onError)
    : fStationPath(std::move(stationPath)), fUrl(std::move(url)), fTiming(timing),
      fOnError(std::move(onError)) {}

TForwardService::~TForwardService() {
    Stop();
}

void TForwardService::Start() {
    if (!fThread.joinable()) {
        fThread = std::thread([this] { Run(); });
    }
}

void TForwardService::Nudge() {
    {
        std::lock_guard<std::mutex> lock(fMutex);
        fNudged = true;
    }
    fWake.notify_all();
}

void TForwardService::Stop() {
    {
        std::lock_guard<std::mutex> lock(fMutex);
        fStopping = true;
    }
    fWake.notify_all();
    if (fThread.joinable()) {
        fThread.join();
    }
}

bool TForwardService::WaitFor(std::chrono::milliseconds delay) {
    std::unique_lock<std::mutex> lock(fMutex);
    fWake.wait_for(lock, delay, [this] { return fStopping || fNudged; });
    fNudged = false;
    return !fStopping;
}

void TForwardService::Run() {
    TRetryDelay retry(fTiming.firstRetry, fTiming.retryCap);
    std::unique_ptr<records::TStationDatabase> station;
    std::unique_ptr<TForwarder> forwarder;
    const auto stopping = [this] {
        std::lock_guard<std::mutex> lock(fMutex);
        return fStopping;
    };
    while (!stopping()) {
        std::string error;
        if (!station) {
            station = records::TStationDatabase::Open(fStationPath, error);
            if (station) {
                forwarder = std::make_unique<TForwarder>(*station, fUrl);
            }
        }
        bool ok = forwarder != nullptr;
        long long sent = 1;
        // Batch by batch, so that Stop is heard between two batches of a long backlog.
        while (ok && sent > 0 && !stopping()) {
            ok = forwarder->ForwardBatch(sent, error);
        }
        if (ok) {
            retry.Reset();
            if (!WaitFor(fTiming.idlePoll)) {
                break;
            }
            continue;
        }
        if (fOnError) {
            fOnError(error);
        }
        if (!WaitFor(retry.Next())) {
            break;
        }
    }
}

} // namespace ardent::forwarding
