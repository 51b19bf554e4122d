#pragma once
// The simulated programmer on its local socket: accepts one report link at a time (a host, as a
// USB device serves one), any number of control links and identify queries, moves 64-byte reports
// between the host and the engine, applies the timing model, and runs until told to quit.
// Single-threaded: one poll loop owns every descriptor and the engine.

#include "ProgrammerEngine.h"
#include "UsbTiming.h"
#include "link/SimLink.h"

#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace ardent::sim {

struct TServerOptions {
    std::string socketPath;
    std::string serial = simlink::kDefaultSerial; // what an identify hello is answered with
    bool usbTiming = false;                       // one report per 1 ms frame each way
    bool verbose = false;                         // one line per report on standard error
};

class TSimServer {
public:
    TSimServer(TProgrammerEngine& engine, TServerOptions options);
    ~TSimServer();
    TSimServer(const TSimServer&) = delete;
    TSimServer& operator=(const TSimServer&) = delete;

    // Listens on the socket; false with a reason when it cannot.
    bool Listen(std::string& error);
    // Serves until a "quit" command or Stop(); removes the socket file before it returns.
    void Run();
    // Ends Run() from any thread or from a signal handler.
    void Stop();

private:
    struct TScheduled {
        SimClock::time_point due;
        uint64_t sequence;
        TPacketFormat packet;
    };
    struct TControlLink {
        std::string input;
    };

    void Accept();
    void ReadHello(int fd);
    void ReadReports();
    void ReadControl(int fd);
    void OpenReportLink(int fd);
    void CloseReportLink(const char* why);
    void Process(const TEngineOutput& output, SimClock::time_point at);
    void RunDue(SimClock::time_point now);
    SimClock::time_point NextDue() const;
    void CloseFd(int fd);

    TProgrammerEngine& mEngine;
    TServerOptions mOptions;
    TUsbFrames mFrames;
    int mListenFd = -1;
    int mWakeRead = -1;
    int mWakeWrite = -1;
    std::atomic<bool> mStop{false};

    std::vector<int> mGreeting; // accepted, hello byte not read yet
    std::map<int, TControlLink> mControls;
    int mReportFd = -1;
    uint8_t mReportBuffer[kPacketSize] = {};
    size_t mReportFill = 0;

    std::deque<std::pair<SimClock::time_point, TPacketFormat>> mInbound; // requests to execute
    std::vector<TScheduled> mOutbound;                                   // reports to send
    uint64_t mSequence = 0;
    SimClock::time_point mLastInFrame{};
    SimClock::time_point mLastOutFrame{};
};

} // namespace ardent::sim
