#include "input/DP3BMessages.h"
#include "input/ParDP3B.h"
#include "input/PatchDP3B.h"
#include "utils/Errors.h"

#include "InputTestSupport.h"

#include <gtest/gtest.h>

namespace ardent {
namespace {

using testing::InputFile;
using testing::RecordingOutput;
using testing::ScratchFolder;
using testing::XmlDocument;
using testing::XmlRecord;

class DP3BObjects : public ::testing::Test {
protected:
    std::string Write(const std::string& records) {
        return folder.Write("file" + std::to_string(++count) + ".xml", XmlDocument(records));
    }
    RecordingOutput output;
    ScratchFolder folder;
    TParDP3B par{output};
    TPatchDP3B patch{output};
    int count = 0;
};

TEST_F(DP3BObjects, ExampleFileLoadsBothRecords) {
    EXPECT_EQ(par.storeBuff(InputFile("dp3b_patch_par.xml")), 0);
    EXPECT_TRUE(par.loaded());
    EXPECT_EQ(par.GetParamID(), 0x29B1); // CRC-16/CCITT-FALSE of "123456789"
    EXPECT_EQ(par.GetFirmwareVersion(), "0x01020304");
    EXPECT_EQ(par.getSize(), 9u);

    EXPECT_EQ(patch.storeBuff(InputFile("dp3b_patch_par.xml")), 0);
    EXPECT_TRUE(patch.loaded());
    EXPECT_EQ(patch.GetPatchID(), 16u);
    EXPECT_EQ(patch.GetFirmwareVersion(), "0x01020304");
    EXPECT_EQ(patch.getBuff(), (Bytes{8, 0, 0, 0, 0xA5, 0x5A, 1, 2, 0xFF, 0x00, 0xFF, 0x10}));
}

TEST_F(DP3BObjects, ParameterChecksum) {
    const std::string text = "123456789";
    EXPECT_EQ(TParDP3B::CrcCcittFalse({reinterpret_cast<const uint8_t*>(text.data()), 9}), 0x29B1);
    EXPECT_EQ(par.getCrc(), 0xFFFF); // no payload
}

TEST_F(DP3BObjects, VersionIsNormalisedAndFoundWithoutRegardToCase) {
    struct Case {
        const char* attributes;
        const char* version;
    };
    for (const Case& c :
         {Case{"version=\"0x04030201\"", "0x01020304"}, Case{"version=\"04030201\"", "0x01020304"},
          Case{"VERSION=\"0X04030201\"", "0x01020304"}}) {
        EXPECT_EQ(par.storeBuff(Write(XmlRecord(3, c.attributes, {"1"}))), 0) << c.attributes;
        EXPECT_EQ(par.GetFirmwareVersion(), c.version) << c.attributes;
    }
}

TEST_F(DP3BObjects, ParameterCodes) {
    struct Case {
        const char* name;
        std::string records;
        int code;
    };
    const std::vector<Case> cases = {
        {"NoVersion", XmlRecord(3, "crc=\"1\"", {"1"}), 2},
        {"OnlyPatchRecord", XmlRecord(1, "version=\"1\" patch_version=\"1\"", {"1"}), 3},
        {"EmptyRecord", XmlRecord(3, "version=\"1\"", {}), 3},
        {"VersionLongerThan16Bytes",
         XmlRecord(3, "version=\"0x000102030405060708090A0B0C0D0E0F10\"", {"1"}), 2},
        {"VersionNotHex", XmlRecord(3, "version=\"1.2.3.4\"", {"1"}), 2},
        {"Version16BytesFits",
         XmlRecord(3, "version=\"0x000102030405060708090A0B0C0D0E0F\"", {"1"}), 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(par.storeBuff(Write(c.records)), c.code) << c.name;
        EXPECT_EQ(par.loaded(), c.code == 0) << c.name;
    }
    EXPECT_EQ(par.storeBuff(InputFile("dp3b_broken.xml")), 1);
    EXPECT_EQ(par.storeBuff(InputFile("dp3b_no_configuration.xml")), 1);
    EXPECT_FALSE(par.loaded());
    EXPECT_TRUE(output.messages.empty());
    EXPECT_EQ(par.storeBuff(folder.PathOf("missing.xml")), 1);
    EXPECT_EQ(output.messages,
              StringList{"File " + folder.PathOf("missing.xml") + " does not exist"});
}

TEST_F(DP3BObjects, PatchCodes) {
    struct Case {
        const char* name;
        std::string records;
        int code;
    };
    const std::vector<Case> cases = {
        {"Both", XmlRecord(1, "patch_version=\"0x10\" version=\"1\"", {"1"}), 0},
        {"OnlyVersion", XmlRecord(1, "version=\"1\"", {"1"}), 5},
        {"OnlyPatchVersion", XmlRecord(1, "patch_version=\"1\"", {"1"}), 2},
        {"Neither", XmlRecord(1, "", {"1"}), 2},
        {"OnlyParameterRecord", XmlRecord(3, "version=\"1\"", {"1"}), 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(patch.storeBuff(Write(c.records)), c.code) << c.name;
        EXPECT_EQ(patch.loaded(), c.code == 0) << c.name;
    }
    EXPECT_EQ(patch.storeBuff(InputFile("dp3b_par.xml")), 3);
    EXPECT_EQ(par.storeBuff(InputFile("dp3b_par.xml")), 0);
}

TEST_F(DP3BObjects, PatchIdIs64BitAndMustBeAnInteger) {
    EXPECT_EQ(patch.storeBuff(
                  Write(XmlRecord(1, "patch_version=\"0xFEDCBA9876543210\" version=\"1\"", {"1"}))),
              0);
    EXPECT_EQ(patch.GetPatchID(), 0xFEDCBA9876543210u);
    EXPECT_THROW(patch.storeBuff(Write(XmlRecord(1, "patch_version=\"x1\" version=\"1\"", {"1"}))),
                 NumberConversionError);
}

TEST(DP3BMessages, SixFixedTexts) {
    EXPECT_EQ(GetDP3BMessage(1), "Fail parsing XML file.");
    EXPECT_EQ(GetDP3BMessage(2), "missing firmware version.");
    EXPECT_EQ(GetDP3BMessage(3), "File does not contain patch and parameters.");
    EXPECT_EQ(GetDP3BMessage(4), "missing \"crc\".");
    EXPECT_EQ(GetDP3BMessage(5), "missing \"patch version\".");
    EXPECT_EQ(GetDP3BMessage(6), "Firmware version for patch and parameters are different.");
    EXPECT_EQ(GetDP3BMessage(0), "");
    EXPECT_EQ(GetDP3BMessage(7), "");
}

} // namespace
} // namespace ardent
