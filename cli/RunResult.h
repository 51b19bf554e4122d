#pragma once
// TRunResult: the result of one ArdentCmd run, owned by the run and handed to what writes it: 0
// at start, the reason a programmer wait got no answer (ERROR_CONN_TIMEOUT,
// ERROR_PROG_DISCONNECTED) while the operation runs, finally the command's result. The
// operation thread writes it while the main thread waits, hence atomic.

#include <atomic>
#include <cstdint>

namespace ardent {

class TRunResult {
public:
    int32_t Get() const { return fValue.load(); }
    void Set(int32_t result) { fValue.store(result); }
    // Sets `result` only while the run has none yet (0); true when it did.
    bool SetIfNone(int32_t result) {
        int32_t none = 0;
        return fValue.compare_exchange_strong(none, result);
    }

private:
    std::atomic<int32_t> fValue{0};
};

} // namespace ardent
