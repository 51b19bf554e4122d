#pragma once
// The simulated programmer's engine inside the test process, behind a scripted transport. The
// engine answers every request, so the programmer the tests talk to is the one the simulator
// runs; this layer only shapes how an answer travels: cut short, lost, or behind reports meant
// for earlier requests. Those are faults of the link, not of the programmer.

#include "ProgrammerEngine.h"
#include "protocol/PacketFormat.h"
#include "utils/Bytes.h"

#include <map>
#include <optional>
#include <vector>

namespace ardent::testing {

class TEngineProgrammer {
public:
    sim::TProgrammerEngine engine;

    // How the reply to a request reaches the transport: after the reports in `ahead` (late
    // replies to earlier requests), and only its first `length` bytes, or not at all when `lost`
    // (the programmer still acted on the request).
    struct TReportShape {
        std::vector<TPacketFormat> ahead;
        size_t length = kPacketSize;
        bool lost = false;
    };
    // Shapes by the index of the request they hit (0 = the first request written).
    std::map<size_t, TReportShape> shapes;

    // The engine's reply to `request`, as the host would receive it whole; nothing when the
    // engine sends none.
    std::optional<TPacketFormat> Answer(const TPacketFormat& request) {
        const TArrayByte bytes = PacketToBytes(request);
        const sim::TEngineOutput output = engine.HandleRequest(bytes);
        if (output.reports.empty())
            return std::nullopt;
        return output.reports.front().packet;
    }

    // The reports that answer the written report: the engine's reply, shaped by `shapes`.
    std::vector<Bytes> AnswerReports(const Bytes& written) {
        const size_t index = fWritten++;
        TReportShape shape;
        if (const auto found = shapes.find(index); found != shapes.end())
            shape = found->second;
        std::vector<Bytes> reports;
        for (const TPacketFormat& late : shape.ahead)
            reports.push_back(ReportBytes(late, kPacketSize));
        const std::optional<TPacketFormat> reply = Answer(PacketFromBytes(written));
        if (reply && !shape.lost)
            reports.push_back(ReportBytes(*reply, shape.length));
        return reports;
    }

    // How many requests were written so far: the index the next one gets in `shapes`.
    size_t Written() const { return fWritten; }

    // The first `length` bytes of `packet` as the transport delivers them.
    static Bytes ReportBytes(const TPacketFormat& packet, size_t length) {
        const TArrayByte bytes = PacketToBytes(packet);
        return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
    }

private:
    size_t fWritten = 0;
};

} // namespace ardent::testing
