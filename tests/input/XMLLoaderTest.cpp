#include "input/XMLLoader.h"
#include "configuration/BlockType.h"
#include "utils/Errors.h"

#include "InputTestSupport.h"

#include <gtest/gtest.h>

namespace ardent {
namespace {

using testing::InputFile;
using testing::RecordingOutput;
using testing::XmlDocument;
using testing::XmlRecord;

std::span<const uint8_t> AsBytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

class XMLLoaderTest : public ::testing::Test {
protected:
    RecordingOutput output;
    TXMLLoader loader{output};
};

TEST_F(XMLLoaderTest, RecordImageIsCountZeroAndLowBytesOfValues) {
    const std::string doc =
        XmlDocument(XmlRecord(1, "", {"7"}) + XmlRecord(3, "version=\"1\"", {"1", "0x10", "300"}));
    Bytes image;
    EXPECT_EQ(loader.LoadSpecificTypeFromBuffer(AsBytes(doc), 3, image), 3);
    EXPECT_EQ(image, (Bytes{0x03, 0x00, 0x00, 0x00, 0x01, 0x10, 0x2C}));
    EXPECT_EQ(loader.GetStatus(), TFileLoader::kStatusOk);
}

TEST_F(XMLLoaderTest, DollarAndNegativeValuesKeepLowByte) {
    const std::string doc = XmlDocument(XmlRecord(3, "", {"$1FF", "-1", "0X0A"}));
    Bytes image;
    EXPECT_EQ(loader.LoadSpecificTypeFromBuffer(AsBytes(doc), 3, image), 3);
    EXPECT_EQ(image, (Bytes{0x03, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x0A}));
}

TEST_F(XMLLoaderTest, FirstMatchingRecordWinsAndOtherNodesArePassedOver) {
    const std::string doc =
        XmlDocument("<Info/>\n" + XmlRecord(3, "", {"1"}) + "<Other RecordTypeID=\"3\"/>\n" +
                    "<PayloadGroup/>\n" + XmlRecord(3, "", {"2", "3"}));
    Bytes image;
    EXPECT_EQ(loader.LoadSpecificTypeFromBuffer(AsBytes(doc), 3, image), 1);
    EXPECT_EQ(image, (Bytes{0x01, 0x00, 0x00, 0x00, 0x01}));
}

TEST_F(XMLLoaderTest, FailuresSetStatusAndKeepOutput) {
    struct Case {
        const char* name;
        std::string document;
        int32_t status;
    };
    const std::vector<Case> cases = {
        {"NoRecordOfType", XmlDocument(XmlRecord(1, "", {"1"})), TFileLoader::kStatusNoRecord},
        {"NotWellFormed", "<Configuration><PayloadGroup RecordTypeID=\"3\">",
         TFileLoader::kStatusFailed},
        {"Empty", "", TFileLoader::kStatusFailed},
        {"NoConfigurationElement", "<Settings>" + XmlRecord(3, "", {"1"}) + "</Settings>",
         TFileLoader::kStatusFailed},
    };
    for (const Case& c : cases) {
        Bytes kept{0x42};
        EXPECT_EQ(loader.LoadSpecificTypeFromBuffer(AsBytes(c.document), 3, kept), 0) << c.name;
        EXPECT_EQ(loader.GetStatus(), c.status) << c.name;
        EXPECT_EQ(kept, Bytes{0x42}) << c.name;
        StringList attributes;
        EXPECT_EQ(loader.LoadStrListFromBuffer(AsBytes(c.document), attributes, 3), 0) << c.name;
        EXPECT_TRUE(attributes.empty()) << c.name;
    }
}

TEST_F(XMLLoaderTest, RecordWithoutChildrenGivesHeaderOnly) {
    Bytes image;
    EXPECT_EQ(
        loader.LoadSpecificTypeFromBuffer(AsBytes(XmlDocument(XmlRecord(3, "", {}))), 3, image), 0);
    EXPECT_EQ(loader.GetStatus(), TFileLoader::kStatusOk);
    EXPECT_EQ(image, (Bytes{0, 0, 0, 0}));
}

TEST_F(XMLLoaderTest, RecordWithMoreChildrenThanSixteenBitsIsRefused) {
    std::string children;
    for (size_t i = 0; i < TXMLLoader::kMaxChildren + 1; ++i) {
        children += "<v value=\"1\"/>";
    }
    const std::string doc =
        XmlDocument("<PayloadGroup RecordTypeID=\"3\">" + children + "</PayloadGroup>");
    Bytes kept{0x42};
    EXPECT_EQ(loader.LoadSpecificTypeFromBuffer(AsBytes(doc), 3, kept), 0);
    EXPECT_EQ(loader.GetStatus(), TFileLoader::kStatusFailed);
    EXPECT_EQ(kept, Bytes{0x42});
}

TEST_F(XMLLoaderTest, NonIntegerTextsRaiseConversionErrors) {
    Bytes image;
    for (const std::string& doc :
         {XmlDocument(XmlRecord(3, "", {"1", "abc"})), XmlDocument(XmlRecord(3, "", {""})),
          XmlDocument("<PayloadGroup RecordTypeID=\"three\"/>")}) {
        EXPECT_THROW(loader.LoadSpecificTypeFromBuffer(AsBytes(doc), 3, image),
                     NumberConversionError)
            << doc;
    }
}

TEST_F(XMLLoaderTest, AttributeListHoldsNamesAndValuesInDocumentOrder) {
    const std::string doc =
        XmlDocument(XmlRecord(1, "patch_version=\"0x10\" version=\"0x04030201\"", {"1"}));
    StringList attributes{"kept"};
    EXPECT_EQ(loader.LoadStrListFromBuffer(AsBytes(doc), attributes, 1), 1);
    EXPECT_EQ(attributes, (StringList{"kept", "RecordTypeID", "1", "patch_version", "0x10",
                                      "version", "0x04030201"}));
}

TEST(XMLAttributeLookup, FindsFirstEntryWithoutRegardToCaseAndTakesTheNext) {
    const StringList list{"RecordTypeID", "3", "VERSION", "0x01", "version", "0x02"};
    std::string value;
    EXPECT_TRUE(TXMLLoader::FindAttributeValue(list, "version", value));
    EXPECT_EQ(value, "0x01");
    EXPECT_FALSE(TXMLLoader::FindAttributeValue(list, "patch_version", value));
    // A key that is the last entry has no value after it.
    EXPECT_FALSE(TXMLLoader::FindAttributeValue({"a", "version"}, "version", value));
}

TEST_F(XMLLoaderTest, ImageAndAttributesComeFromOneReadingOfTheFile) {
    testing::ScratchFolder folder;
    const std::string file =
        folder.Write("a.xml", XmlDocument(XmlRecord(3, "version=\"0x01\"", {"1"})));
    Bytes image;
    ASSERT_EQ(loader.LoadFile(file, BlockType::Parameters, image), 1);
    folder.Write("a.xml", XmlDocument(XmlRecord(3, "version=\"0x02\"", {"1"})));
    StringList first;
    EXPECT_EQ(loader.LoadStrListFromFile(file, first, BlockType::Parameters), 1);
    EXPECT_EQ(first, (StringList{"RecordTypeID", "3", "version", "0x01"}));
    // Only once: a later call reads the file again.
    StringList second;
    EXPECT_EQ(loader.LoadStrListFromFile(file, second, BlockType::Parameters), 1);
    EXPECT_EQ(second, (StringList{"RecordTypeID", "3", "version", "0x02"}));
}

TEST_F(XMLLoaderTest, FilesLoadAndMissingFileIsReported) {
    Bytes image;
    EXPECT_EQ(loader.LoadFile(InputFile("dp3b_patch_par.xml"), 3, image), 9);
    EXPECT_EQ(image, (Bytes{9, 0, 0, 0, '1', '2', '3', '4', '5', '6', '7', '8', '9'}));
    EXPECT_EQ(loader.LoadFile(InputFile("dp3b_broken.xml"), 3, image), 0);
    EXPECT_EQ(loader.GetStatus(), TFileLoader::kStatusFailed);
    EXPECT_EQ(loader.LoadFile(InputFile("dp3b_no_configuration.xml"), 3, image), 0);
    EXPECT_EQ(loader.GetStatus(), TFileLoader::kStatusFailed);
    EXPECT_EQ(loader.LoadFile("/nonexistent/a.xml", 3, image), -1);
    EXPECT_EQ(output.messages, StringList{"File /nonexistent/a.xml does not exist"});
}

TEST_F(XMLLoaderTest, FilesLargerThanTheBoundOrNotRegularAreRefusedLikeUnreadableOnes) {
    testing::ScratchFolder folder;
    // A good document padded with blanks to the bound loads; one blank more is refused from the
    // file's size alone.
    std::string document = XmlDocument(XmlRecord(3, "", {"1", "2"}));
    document.resize(TXMLLoader::kMaxFileSize, ' ');
    const std::string atBound = folder.Write("bound.xml", document);
    const std::string overBound = folder.Write("over.xml", document + " ");
    Bytes image;
    EXPECT_EQ(loader.LoadFile(atBound, 3, image), 2);
    EXPECT_EQ(loader.GetStatus(), TFileLoader::kStatusOk);
    for (const std::string& name : {overBound, std::string("/dev/zero"), folder.PathOf("")}) {
        Bytes kept{0x42};
        EXPECT_EQ(loader.LoadFile(name, 3, kept), 0) << name;
        EXPECT_EQ(loader.GetStatus(), TFileLoader::kStatusFailed) << name;
        EXPECT_EQ(kept, Bytes{0x42}) << name;
        StringList attributes;
        EXPECT_EQ(loader.LoadStrListFromFile(name, attributes, 3), 0) << name;
        EXPECT_TRUE(attributes.empty()) << name;
    }
    EXPECT_TRUE(output.messages.empty());
}

} // namespace
} // namespace ardent
