#include "CreateConfigurationFile.h"

#include "ResultCodes.h"
#include "input/DP3BMessages.h"
#include "targets/TargetDP3B.h"
#include "utils/NumberChecks.h"

#include <algorithm>
#include <array>

namespace ardent {

namespace {

constexpr std::array<uint16_t, 4> kBaudRates = {9600, 19200, 38400, 57600};

} // namespace

TCreateConfigurationFile::TCreateConfigurationFile(const TCLIParser::Dictionary& parameters,
                                                   TConsole& console)
    : fConsole(console), fMessages(console) {
    fillParameter(parameters);
}

std::string TCreateConfigurationFile::getParameter(const TCLIParser::Dictionary& parameters,
                                                   const std::string& key) {
    const auto it = parameters.find(key);
    return it == parameters.end() ? std::string() : it->second;
}

uint16_t TCreateConfigurationFile::getWordParameter(const std::string& text) {
    // The whole number is judged: 75136 is not 9600, though its low 16 bits are.
    int32_t value = 0;
    if (!StrToIntChecked(LowerText(text), value) || value < 0 || value > 0xFFFF) {
        return 0;
    }
    return static_cast<uint16_t>(value);
}

void TCreateConfigurationFile::fillParameter(const TCLIParser::Dictionary& parameters) {
    mFamily = TargetFamilyFromName(getParameter(parameters, "device"));
    // File names keep their case: names that differ only in case name different files.
    mFirmware = getParameter(parameters, "fw");
    mParameter = getParameter(parameters, "par");
    mPatch = getParameter(parameters, "patch");
    mBaudRate = getWordParameter(getParameter(parameters, "baud"));
    mChannel = getWordParameter(getParameter(parameters, "channel"));
    mOutput = getParameter(parameters, "output");
}

int32_t TCreateConfigurationFile::CreateConfiguration() {
    if (!createTarget() || !setBaudrate() || !setName() || !setChannel() || !loadFiles()) {
        return ERROR_INVALID_PARAMETERS;
    }
    return writeConfigurationToFile();
}

bool TCreateConfigurationFile::createTarget() {
    if (mFamily != TTargetFamily::DP3B) {
        return false;
    }
    mTarget = std::make_unique<TTargetDP3B>(fMessages);
    return true;
}

bool TCreateConfigurationFile::setBaudrate() {
    if (std::find(kBaudRates.begin(), kBaudRates.end(), mBaudRate) == kBaudRates.end()) {
        return false;
    }
    mConfiguration.SetBaudRate(mBaudRate);
    return true;
}

bool TCreateConfigurationFile::setName() {
    const auto slash = mOutput.find_last_of('/');
    const std::string fileName = slash == std::string::npos ? mOutput : mOutput.substr(slash + 1);
    const auto dot = fileName.find_last_of('.');
    if (dot == std::string::npos || fileName.substr(dot) != ".cfg") {
        return false;
    }
    mConfiguration.SetName(fileName.substr(0, dot));
    return true;
}

bool TCreateConfigurationFile::setChannel() {
    if (mChannel < 1 || mChannel > 15) {
        return false;
    }
    mConfiguration.SetChannel(mChannel);
    return true;
}

bool TCreateConfigurationFile::acceptLoadCode(int code) {
    if (code > 0) {
        fConsole.WriteLine(GetDP3BMessage(code));
        return false;
    }
    return true;
}

bool TCreateConfigurationFile::loadFiles() {
    if (mFirmware.empty() && mPatch.empty() && mParameter.empty()) {
        return false;
    }
    if (!mFirmware.empty()) {
        // DP3B has no firmware image: its loadFW throws, and the run ends through the top-level
        // handler.
        mTarget->loadFW(mFirmware);
        mTarget->SetSelection(true, BlockType::Firmware);
    }
    // The patch before the parameters.
    if (!mPatch.empty()) {
        const int code = mTarget->loadPATCH(mPatch);
        mTarget->SetSelection(true, BlockType::Patch);
        if (!acceptLoadCode(code)) {
            return false;
        }
    }
    if (!mParameter.empty()) {
        const int code = mTarget->loadPAR(mParameter);
        mTarget->SetSelection(true, BlockType::Parameters);
        if (!acceptLoadCode(code)) {
            return false;
        }
    }
    // A patch and parameters built for different firmware must not be burned together. The
    // target compares the two only when the parameters are loaded first; here the patch comes
    // first, so the pair is compared once both are in.
    if (!mPatch.empty() && !mParameter.empty() &&
        mTarget->GetPatch().GetFirmwareVersion() != mTarget->GetParameters().GetFirmwareVersion()) {
        return acceptLoadCode(DP3BCode::FirmwareVersionsDiffer);
    }
    const int added = mTarget->addTargetDataToConfiguration(mConfiguration);
    return (added & (AddResult::Firmware | AddResult::Patch | AddResult::Parameters)) != 0;
}

int32_t TCreateConfigurationFile::writeConfigurationToFile() {
    mConfiguration.SetTargetType(mTarget->getFamily());
    if (!mConfiguration.WriteConfigurationToFile(mOutput)) {
        return ERROR_CFG_NOT_LOADED;
    }
    fConsole.WriteLine(kOperationSucceeded);
    return 0;
}

} // namespace ardent
