#include "records/BurnRecord.h"

#include "records/RecordQuery.h"

#include "utils/ProgramVersion.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <random>
#include <sys/random.h>

namespace ardent::records {

std::string ChipIdsText(const std::vector<TChipId>& ids) {
    std::string text;
    for (const TChipId& id : ids) {
        if (!text.empty()) {
            text += ';';
        }
        text += id.name + "=0x" + id.hexDigits;
    }
    return text;
}

std::string ChipIdKey(const std::string& text) {
    // The same spelling a look-up normalises to, so that what is stored is what is found.
    return NormaliseChipId(text).value_or(text);
}

std::string UtcTimeText(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto milliseconds = duration_cast<std::chrono::milliseconds>(time.time_since_epoch());
    std::time_t seconds = static_cast<std::time_t>(milliseconds.count() / 1000);
    long millis = static_cast<long>(milliseconds.count() % 1000);
    if (millis < 0) { // before 1970: the second below, plus the rest
        millis += 1000;
        --seconds;
    }
    std::tm parts{};
    ::gmtime_r(&seconds, &parts);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec,
                  millis);
    return text;
}

std::string RunningProgramVersion() {
    const auto version = ProgramVersionResource();
    if (!version) {
        return {};
    }
    return std::to_string(version->major) + "." + std::to_string(version->minor) + "." +
           std::to_string(version->release);
}

std::string NewUuid() {
    std::array<unsigned char, 16> bytes{};
    size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = ::getrandom(bytes.data() + filled, bytes.size() - filled, 0);
        if (got <= 0) {
            break;
        }
        filled += static_cast<size_t>(got);
    }
    if (filled < bytes.size()) {
        // Without the system's source an id must still be unique on this station.
        std::random_device device;
        for (auto& byte : bytes) {
            byte = static_cast<unsigned char>(device());
        }
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40); // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80); // RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text,
                  "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8],
                  bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
}

} // namespace ardent::records
