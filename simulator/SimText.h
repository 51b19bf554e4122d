#pragma once
// Text helpers of the scenario file and the control commands: words, numbers, hex bytes and
// firmware versions as an engineer writes them.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ardent::sim {

std::string Trim(std::string_view text);
std::string Lower(std::string_view text);
// Words separated by blanks or tabs.
std::vector<std::string> SplitWords(std::string_view text);
// Items separated by `separator`, each trimmed; empty items are kept.
std::vector<std::string> SplitList(std::string_view text, char separator);

// A whole unsigned number: decimal, or hexadecimal after "0x"/"0X" (up to 64 bits).
bool ParseNumber(const std::string& text, uint64_t& value);
// A number that must fit into `maxValue`.
bool ParseNumberUpTo(const std::string& text, uint64_t maxValue, uint64_t& value);
// Hexadecimal byte pairs in order, optionally after "0x" ("0102ab" gives 01 02 AB); at most
// `maxBytes`. An empty text is zero bytes.
bool ParseHexBytes(const std::string& text, size_t maxBytes, std::vector<uint8_t>& bytes);
// A firmware version as shown ("1.6.3", each part hexadecimal up to FF) or as a number
// ("0x010603").
bool ParseFirmwareVersion(const std::string& text, uint32_t& version);

} // namespace ardent::sim
