#include "ConfigurationHandler.h"

#include "CreateConfigurationFile.h"
#include "ResultCodes.h"
#include "configuration/ConfigurationLoader.h"
#include "targets/TargetFactory.h"
#include "utils/Text.h"

#include <cctype>
#include <cstdio>
#include <utility>

namespace ardent {

namespace {

// Where the handler's own console goes when its caller prints nothing of it.
TConsole& DiscardingConsole() {
    class TDiscard : public TConsole {
    public:
        void Write(std::string_view) override {}
    };
    static TDiscard console;
    return console;
}

} // namespace

TConfigurationHandler::TConfigurationHandler(std::string fileName, TConsole& console)
    : mFileName(std::move(fileName)), fConsole(console) {}

TConfigurationHandler::TConfigurationHandler(std::string fileName)
    : TConfigurationHandler(std::move(fileName), DiscardingConsole()) {}

bool TConfigurationHandler::LoadConfiguration() {
    return TConfigurationLoader().loadConfigurationFromFile(mFileName, mConfigurationFile);
}

bool TConfigurationHandler::LoadTarget() {
    if (!LoadConfiguration()) {
        return false;
    }
    TConsoleMessages messages(fConsole);
    mTarget = CreateTarget(mConfigurationFile.GetTargetFamily(), messages);
    // A family the tool does not know has no ID table to show.
    return mTarget && mTarget->LoadConfigurationFile(mConfigurationFile).IsTakenOver();
}

std::string TConfigurationHandler::GetNameText() {
    if (!LoadConfiguration()) {
        mShownUnreadable = true;
        return {};
    }
    return ShowableText(mConfigurationFile.GetName());
}

std::string TConfigurationHandler::GetChannelText() {
    // A file that cannot be read shows the selection of the empty configuration.
    if (!LoadConfiguration()) {
        mShownUnreadable = true;
    }
    const uint32_t channel = mConfigurationFile.GetChannel();
    std::string text;
    for (int bit = 0; bit < 4; ++bit) {
        if (bit > 0) {
            text += ',';
        }
        text += ((channel >> bit) & 1) ? '1' : '0';
    }
    return text;
}

std::string TConfigurationHandler::GetIdText(const std::string& rowName) {
    if (!LoadTarget()) {
        mShownUnreadable = true;
        return "Error";
    }
    const TIdTablesModel& model = mTarget->GetIDModel();
    const int row = model.GetRowIndex(rowName);
    if (row < 0) {
        return "-";
    }
    char text[24];
    std::snprintf(text, sizeof text, "0x%04llX",
                  static_cast<unsigned long long>(model.GetValueInt(row, 1)));
    return text;
}

int32_t TConfigurationHandler::OutputResult() {
    const bool unreadable = mShownUnreadable;
    mShownUnreadable = false;
    return unreadable ? ERROR_CFG_NOT_LOADED : 0;
}

int32_t TConfigurationHandler::writeNameToSTDout() {
    fConsole.WriteLine(GetNameText());
    return OutputResult();
}

int32_t TConfigurationHandler::writeChannelToSTDout() {
    fConsole.WriteLine(GetChannelText());
    return OutputResult();
}

int32_t TConfigurationHandler::writeParametersToSTDOut() {
    fConsole.WriteLine(GetIdText("Parameters"));
    return OutputResult();
}

int32_t TConfigurationHandler::writePatchToSTDOut() {
    fConsole.WriteLine(GetIdText("Patch"));
    return OutputResult();
}

int32_t TConfigurationHandler::writeAllParameters() {
    fConsole.WriteLine("NAME : " + GetNameText());
    fConsole.WriteLine("CHANNEL : " + GetChannelText());
    fConsole.WriteLine("APARAM CHECKSUM : " + GetIdText("Parameters"));
    fConsole.WriteLine("FW PATCH ID : " + GetIdText("Patch"));
    return OutputResult();
}

int32_t TConfigurationHandler::ParseChannelSelection(const std::string& text, uint32_t& value) {
    size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    int base = 10;
    if (pos < text.size() && text[pos] == '$') {
        base = 16;
        pos += 1;
    } else if (pos < text.size() && (text[pos] == 'x' || text[pos] == 'X')) {
        base = 16;
        pos += 1;
    } else if (pos + 1 < text.size() && text[pos] == '0' &&
               (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    if (pos == text.size()) {
        return ERROR_UNEX_INPUT;
    }
    // Decimal texts hold a signed 32-bit number, hexadecimal ones a 32-bit pattern.
    const uint64_t limit = base == 16 ? 0xFFFFFFFFull : 0x7FFFFFFFull + (negative ? 1 : 0);
    uint64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const auto c = static_cast<unsigned char>(text[pos]);
        int digit = -1;
        if (std::isdigit(c)) {
            digit = c - '0';
        } else if (base == 16 && std::isxdigit(c)) {
            digit = std::tolower(c) - 'a' + 10;
        }
        if (digit < 0) {
            return ERROR_UNEX_INPUT;
        }
        magnitude = magnitude * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
        if (magnitude > limit) {
            return ERROR_UNEX_INPUT;
        }
    }
    const auto low = static_cast<uint32_t>(negative ? 0 - magnitude : magnitude);
    if (low < 1 || low > 15) {
        return ERROR_UNEX_INPUT;
    }
    value = low;
    return 0;
}

int32_t TConfigurationHandler::updateChannel(const std::string& fileName,
                                             const std::string& channelSelection) {
    if (!LoadConfiguration()) {
        return ERROR_CFG_NOT_LOADED;
    }
    uint32_t channel = 0;
    if (ParseChannelSelection(channelSelection, channel) != 0) {
        return ERROR_CFG_NOT_LOADED;
    }
    mConfigurationFile.SetChannel(channel);
    if (!mConfigurationFile.WriteConfigurationToFile(fileName)) {
        return ERROR_CFG_NOT_LOADED;
    }
    fConsole.WriteLine(kOperationSucceeded);
    return 0;
}

int32_t TConfigurationHandler::createConfiguration(const TCLIParser::Dictionary& parameters) {
    return TCreateConfigurationFile(parameters, fConsole).CreateConfiguration();
}

std::optional<TConfigurationFacts> TConfigurationHandler::Facts() {
    if (!LoadConfiguration()) {
        return std::nullopt;
    }
    std::optional<TConfigurationFacts> facts =
        ConfigurationFacts(mConfigurationFile, "file", mFileName);
    if (facts) {
        // The ID texts load the file again through its target, whose messages must not reach
        // the run's output.
        TConfigurationHandler quiet(mFileName);
        facts->aparamChecksum = quiet.GetIdText("Parameters");
        facts->patchId = quiet.GetIdText("Patch");
    }
    mShownUnreadable = false;
    return facts;
}

bool TConfigurationHandler::prepareConfigurationForSend(Bytes& buffer, uint16_t& crc) {
    return LoadConfiguration() && mConfigurationFile.GetBufferForSend(crc, buffer);
}

} // namespace ardent
