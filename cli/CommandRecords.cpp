#include "CommandRecords.h"

#include "ProgramRun.h"
#include "protocol/ProgrammerListing.h"
#include "records/ChannelRecords.h"
#include "records/StationPaths.h"

#include <cstdio>

namespace ardent {

TCommandRecords::TCommandRecords(records::TStationRecorder* recorder, TConsole& warnings)
    : fRecorder(recorder), fWarnings(warnings) {}

records::TBurnRecords TCommandRecords::Common(const char* kind) const {
    records::TBurnRecords burn;
    burn.kind = kind;
    burn.station = records::StationNameFromEnvironment();
    burn.program = std::string(kProgramName);
    burn.programVersion = records::RunningProgramVersion();
    // A line script's run asks the programmer nothing beyond its command: its firmware and
    // stored configuration stay unknown here rather than costing the burn a request.
    burn.programmerSerial = ChosenProgrammer();
    return burn;
}

void TCommandRecords::RecordBurn(const TBurningStatusOverall& status) {
    if (fRecorder == nullptr || !fRecorder->Enabled()) {
        return;
    }
    records::TBurnRecords burn = Common("burn");
    burn.overallError = status.overallErrorCode;
    burn.channels = records::BurnChannelRecords(status, {nullptr, nullptr, nullptr, nullptr},
                                                TTargetFamily::NotRecognised);
    Commit(burn);
}

void TCommandRecords::RecordReadId(const TProcessTargetSendId& reply, TTargetFamily family) {
    if (fRecorder == nullptr || !fRecorder->Enabled()) {
        return;
    }
    records::TBurnRecords read = Common("read-id");
    read.family = std::string(TargetFamilyName(family));
    read.overallError = reply.channelErrorCode;
    read.channels.push_back(records::ReadIdChannelRecord(reply, family));
    Commit(read);
}

void TCommandRecords::Commit(const records::TBurnRecords& burn) {
    if (burn.channels.empty()) {
        return;
    }
    if (const std::string warning = fRecorder->Record(burn); !warning.empty()) {
        fWarnings.WriteLine(ShowableText(warning));
    }
}

void TStdErrConsole::Write(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
}

} // namespace ardent
