#include "ImageSummary.h"

#include "SimText.h"
#include "VirtualChip.h"
#include "configuration/Configuration.h"
#include "configuration/ConfigurationLoader.h"
#include "configuration/LittleEndian.h"
#include "input/ParDP2A.h"
#include "targets/DP2BIdTablesModel.h"
#include "targets/DP3BIdTablesModel.h"
#include "utils/Bytes.h"
#include "utils/Crc16.h"

#include <cstring>

namespace ardent::sim {

namespace {

class TSilentMessages final : public IMessageOutput {
public:
    void ShowMessage(const std::string&) override {}
};

// The IDs of one column (0 before burning, 1 after) of the family's ID table block; nothing
// when the block does not hold the family's table.
TAfterBurnIds ReadIdTable(TTargetFamily family, const TConfiguration& configuration, int column) {
    const auto value = [column](const TIdTablesModel& table,
                                const char* row) -> std::optional<uint64_t> {
        const int index = table.GetRowIndex(row);
        if (index < 0 || !table.GetLoaded(index, column)) {
            return std::nullopt;
        }
        return static_cast<uint64_t>(table.GetValueInt(index, column));
    };
    TAfterBurnIds ids;
    const auto narrow16 = [](std::optional<uint64_t> wide) -> std::optional<uint16_t> {
        return wide ? std::optional<uint16_t>(static_cast<uint16_t>(*wide)) : std::nullopt;
    };
    const auto narrow32 = [](std::optional<uint64_t> wide) -> std::optional<uint32_t> {
        return wide ? std::optional<uint32_t>(static_cast<uint32_t>(*wide)) : std::nullopt;
    };
    Bytes block;
    if (!configuration.GetBlockByType(BlockType::IdTable, block)) {
        return ids;
    }
    if (family == TTargetFamily::DP2B) {
        TDP2BIdTablesModel table;
        if (table.FillFromBlock(block)) {
            ids.deviceID = narrow32(value(table, "Device"));
            ids.firmwareID = value(table, "Firwmare");
            ids.customerID = narrow32(value(table, "Customer"));
            ids.patchID = value(table, "Patch");
            ids.parameterID = narrow16(value(table, "Parameters"));
            ids.romID = narrow16(value(table, "Rom"));
        }
    } else if (family == TTargetFamily::DP3B) {
        TDP3BIdTablesModel table;
        if (table.FillFromBlock(block)) {
            ids.patchID = value(table, "Patch");
            ids.parameterID = narrow16(value(table, "Parameters"));
            const int firmware = table.GetRowIndex("Firwmare");
            std::vector<uint8_t> bytes;
            if (table.GetLoaded(firmware, column) &&
                ParseHexBytes(table.GetEntry(firmware, column).GetStringValue(), 16, bytes)) {
                ids.firmwareBytes = std::move(bytes);
            }
        }
    }
    return ids;
}

} // namespace

uint16_t CheckImage(std::span<const uint8_t> image, uint16_t announcedCrc) {
    if (image.size() < kSmallestImage || image.size() > kLargestImage) {
        return kCodeStoreConfig;
    }
    const TConfigurationHeader header = TConfigurationHeader::ReadFrom(image);
    if (header.ConfigSize != image.size()) {
        return kCodeStoreConfig;
    }
    if (header.ConfigVersion != TConfigurationHeader::kVersionTag ||
        header.HeaderSize != TConfigurationHeader::kSize) {
        return kCodeWrongVersion;
    }
    const size_t body = image.size() - TConfiguration::kCrcSize;
    if (ComputeCrc16(image.first(body)) != announcedCrc ||
        le::Read16(image, body) != announcedCrc) {
        return kCodeWrongCrc;
    }
    TConfiguration configuration;
    if (!TConfigurationLoader().loadConfigurationFromBuffer(image, configuration)) {
        return kCodeStoreConfig;
    }
    return 0;
}

TImageSummary SummarizeImage(std::span<const uint8_t> image) {
    TImageSummary summary;
    TConfiguration configuration;
    if (image.size() < kSmallestImage ||
        !TConfigurationLoader().loadConfigurationFromBuffer(image, configuration)) {
        return summary;
    }
    const TConfigurationHeader& header = configuration.GetHeader();
    std::memcpy(summary.rawName, header.ConfigName.data(), sizeof summary.rawName);
    summary.configName = configuration.GetName();
    summary.configSize = static_cast<uint32_t>(image.size());
    summary.channelSelection = header.ChannelSelection;
    summary.targetType = header.TargetType;
    summary.crc = le::Read16(image, image.size() - TConfiguration::kCrcSize);

    if (configuration.GetTargetFamily() == TTargetFamily::DP2A) {
        // A DP2A part carries the checksum of its parameter image as its parameter ID; its ID
        // table block plays no part.
        TSilentMessages messages;
        TParDP2A parameters(messages);
        uint32_t selection = 0;
        parameters.LoadFromConfiguration(configuration, selection);
        if (parameters.loaded()) {
            summary.after.parameterID = parameters.GetCrc();
        }
    } else {
        summary.before = ReadIdTable(configuration.GetTargetFamily(), configuration, 0);
        summary.after = ReadIdTable(configuration.GetTargetFamily(), configuration, 1);
    }
    summary.parameterId = summary.after.parameterID.value_or(0);
    Bytes firmware;
    if (configuration.GetBlockByType(BlockType::Firmware, firmware)) {
        summary.firmwareCrc = ComputeCrc16(firmware);
    }
    return summary;
}

} // namespace ardent::sim
