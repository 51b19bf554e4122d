#include "targets/ConfigurationDraft.h"

#include "../input/InputTestSupport.h"
#include "TargetTestSupport.h"
#include "targets/TargetDP2A.h"
#include "targets/TargetDP2B.h"
#include "targets/TargetDP3B.h"

#include <gtest/gtest.h>

namespace ardent {
namespace {

using testing::BlockTypes;
using testing::InputFile;
using testing::RecordingOutput;
using Lines = std::vector<std::string>;

// A header that stands against nothing: a file ticked, channel 1, a rate from the list.
TDraftHeader GoodHeader() {
    TDraftHeader header;
    header.name = "Config";
    header.baudRate = 9600;
    header.channels = 1;
    header.parameters = true;
    return header;
}

struct CheckCase {
    const char* what;
    void (*change)(TDraftHeader&);
    int result;
    bool usable;
    Lines lines;
};

TEST(ConfigurationDraft, CheckWritesOneLineGroupPerObjection) {
    const auto keep = [](TDraftHeader&) {};
    const CheckCase cases[] = {
        {"parameters alone", keep, AddResult::Parameters, true, {}},
        {"firmware and patch", keep, AddResult::Firmware | AddResult::Patch, true, {}},
        {"no block in the target's result", keep, 0, false, {}},
        {"parameters object missing", keep, AddResult::ParametersMissing, false, {}},
        {"no file ticked",
         [](TDraftHeader& h) { h.parameters = false; },
         AddResult::Parameters,
         false,
         {"Check files selection.", "At least one input file must be selected."}},
        {"only the patch ticked",
         [](TDraftHeader& h) {
             h.parameters = false;
             h.patch = true;
         },
         AddResult::Patch,
         true,
         {}},
        {"no channel",
         [](TDraftHeader& h) { h.channels = 0; },
         AddResult::Parameters,
         false,
         {"Check channel selection.", "At least one channel must be selected."}},
        {"channel 4 alone",
         [](TDraftHeader& h) { h.channels = 8; },
         AddResult::Parameters,
         true,
         {}},
        {"no IDs read",
         keep,
         AddResult::NoIdsRead,
         false,
         {"You must first read IDs from target device."}},
        {"chip carries a firmware",
         keep,
         AddResult::Firmware | AddResult::FirmwareIdNotZero,
         false,
         {"Before burn FW ID must be 0"}},
        {"firmware ID and parameters object missing",
         keep,
         AddResult::FirmwareIdNotZero | AddResult::ParametersMissing,
         false,
         {"Before burn FW ID must be 0"}},
        {"no rate from the list",
         [](TDraftHeader& h) { h.baudRate.reset(); },
         AddResult::Parameters,
         false,
         {"Select a baud rate from the list."}},
        {"everything wrong, in the screen's order",
         [](TDraftHeader& h) {
             h = TDraftHeader{};
             h.name = "Config";
         },
         AddResult::NoIdsRead,
         false,
         {"Check files selection.", "At least one input file must be selected.",
          "Check channel selection.", "At least one channel must be selected.",
          "You must first read IDs from target device.", "Select a baud rate from the list."}},
    };
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.what);
        TDraftHeader header = GoodHeader();
        c.change(header);
        const TDraftCheck check = CheckConfiguration(header, c.result);
        EXPECT_EQ(check.usable, c.usable);
        EXPECT_EQ(check.lines, c.lines);
    }
}

TEST(ConfigurationDraft, AssemblyWritesTheHeaderAndTheTargetsBlocks) {
    RecordingOutput output;
    TTargetDP2A target{output};
    ASSERT_EQ(target.loadPAR(InputFile("dp2a_par.ahex")), 0);
    target.SetSelection(true, BlockType::Parameters);

    TConfiguration configuration;
    configuration.SetBaudRate(57600);
    TDraftHeader header = GoodHeader();
    header.name = "Line 3";
    header.channels = 0b1010;
    header.baudRate.reset(); // the rate held before stays
    EXPECT_EQ(AssembleConfiguration(configuration, &target, header), AddResult::Parameters);
    EXPECT_EQ(configuration.GetName(), "Line 3");
    EXPECT_EQ(configuration.GetChannel(), 0b1010u);
    EXPECT_EQ(configuration.GetBaudRate(), 57600u);
    EXPECT_EQ(configuration.GetTargetFamily(), TTargetFamily::DP2A);
    EXPECT_EQ(BlockTypes(configuration), std::vector<uint32_t>{3});

    // Built afresh: a second assembly does not add the blocks again.
    header.baudRate = 19200;
    EXPECT_EQ(AssembleConfiguration(configuration, &target, header), AddResult::Parameters);
    EXPECT_EQ(configuration.GetBaudRate(), 19200u);
    EXPECT_EQ(BlockTypes(configuration), std::vector<uint32_t>{3});

    // Without a target only the header is written, and nothing makes it usable.
    EXPECT_EQ(AssembleConfiguration(configuration, nullptr, header), 0);
    EXPECT_TRUE(configuration.GetBlocks().empty());
    EXPECT_FALSE(CheckConfiguration(header, 0).usable);
}

TEST(ConfigurationDraft, OnlyATakenOverConfigurationReadsAsSuccess) {
    using Outcome = TDraftReload::Outcome;
    struct Case {
        const char* what;
        TDraftReload reload;
        Outcome outcome;
        Lines lines;
    };
    const Case cases[] = {
        {"taken over",
         TDraftReload::FromTakeOver(TConfigurationTakeOver::TakenOver(TTargetFamily::DP2B)),
         Outcome::TakenOver,
         {"Config file is ok!"}},
        {"DP2A's",
         TDraftReload::FromTakeOver(TConfigurationTakeOver::Foreign(TTargetFamily::DP2A)),
         Outcome::OtherFamily,
         {"Please select DP2A as target device and reload CFG file"}},
        {"DP2B's",
         TDraftReload::FromTakeOver(TConfigurationTakeOver::Foreign(TTargetFamily::DP2B)),
         Outcome::OtherFamily,
         {"Please select DP2B as target device and reload CFG file"}},
        {"DP3B's",
         TDraftReload::FromTakeOver(TConfigurationTakeOver::Foreign(TTargetFamily::DP3B)),
         Outcome::OtherFamily,
         {"Please select DP3B as target device and reload CFG file"}},
        {"family 7",
         TDraftReload::FromTakeOver(TConfigurationTakeOver::Foreign(uint32_t{7})),
         Outcome::NotRecognized,
         {"Target type is not recognized."}},
        {"family 0",
         TDraftReload::FromTakeOver(TConfigurationTakeOver::Foreign(uint32_t{0})),
         Outcome::NotRecognized,
         {"Target type is not recognized."}},
        {"unusable table",
         TDraftReload::FromTakeOver(TConfigurationTakeOver::Unusable()),
         Outcome::NotRecognized,
         {"Target type is not recognized."}},
        {"damaged image",
         TDraftReload::Refused(TLoadVerdict::CrcMismatch),
         Outcome::LoadFailed,
         {"Config file /cfg/a b.cfg is not usable: its CRC does not match its contents (the image "
          "is damaged).",
          "The configuration shown is still the previous one."}},
        {"unreadable file",
         TDraftReload::Refused(TLoadVerdict::Unreadable),
         Outcome::LoadFailed,
         {"Config file /cfg/a b.cfg is not usable: the file cannot be read (missing, not a regular "
          "file, or too large).",
          "The configuration shown is still the previous one."}},
        // A loaded image is no refusal, and without the target's answer it is no success either.
        {"refusal without a reason",
         TDraftReload::Refused(TLoadVerdict::Loaded),
         Outcome::NotRecognized,
         {"Target type is not recognized."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.reload.outcome(), c.outcome);
        EXPECT_EQ(c.reload.IsTakenOver(), c.outcome == Outcome::TakenOver);
        EXPECT_EQ(c.reload.Lines("Config file /cfg/a b.cfg"), c.lines);
    }
}

TEST(ConfigurationDraft, TakeOverAsksTheTarget) {
    RecordingOutput output;
    TTargetDP2B target{output};
    TConfiguration configuration;
    configuration.SetTargetType(TTargetFamily::DP3B);
    const TDraftReload foreign = TakeOverConfiguration(configuration, &target);
    EXPECT_EQ(foreign.outcome(), TDraftReload::Outcome::OtherFamily);
    EXPECT_EQ(foreign.family(), 3u);
    EXPECT_EQ(TakeOverConfiguration(configuration, nullptr).outcome(),
              TDraftReload::Outcome::NotRecognized);
}

TEST(ConfigurationDraft, XmlInputLoadsBothRecordsOrSaysWhyNot) {
    struct Case {
        const char* file;
        std::string message;
        bool parameters; // selected afterwards
        bool patch;
    };
    const Case cases[] = {
        {"dp3b_patch_par.xml", "", true, true},
        // No patch record: the parameters alone are loaded, without a word.
        {"dp3b_par.xml", "", true, false},
        // Neither record can be parsed: the one message, and nothing stays.
        {"dp3b_broken.xml", "Fail parsing XML file.", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        RecordingOutput output;
        TTargetDP3B target{output};
        // What was loaded before goes whatever the file holds.
        ASSERT_EQ(target.loadPAR(InputFile("dp3b_patch_par.xml")), 0);
        ASSERT_EQ(target.loadPATCH(InputFile("dp3b_patch_par.xml")), 0);
        EXPECT_EQ(LoadXmlInputFile(target, InputFile(c.file)), c.message);
        EXPECT_EQ(target.CheckSelection(BlockType::Parameters), c.parameters);
        EXPECT_EQ(target.CheckSelection(BlockType::Patch), c.patch);
    }
}

} // namespace
} // namespace ardent
