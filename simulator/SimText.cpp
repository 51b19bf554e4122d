#include "SimText.h"

#include <cctype>
#include <charconv>

namespace ardent::sim {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool ParseDigits(std::string_view digits, int base, uint64_t& value) {
    if (digits.empty()) {
        return false;
    }
    uint64_t parsed = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed, base);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return false;
    }
    value = parsed;
    return true;
}

std::string_view WithoutHexPrefix(std::string_view text) {
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    return text;
}

} // namespace

std::string Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return std::string(text);
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower;
}

std::vector<std::string> SplitWords(std::string_view text) {
    std::vector<std::string> words;
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsBlank(text[at])) {
            ++at;
        }
        size_t end = at;
        while (end < text.size() && !IsBlank(text[end])) {
            ++end;
        }
        if (end > at) {
            words.emplace_back(text.substr(at, end - at));
        }
        at = end;
    }
    return words;
}

std::vector<std::string> SplitList(std::string_view text, char separator) {
    std::vector<std::string> items;
    size_t start = 0;
    while (true) {
        size_t end = text.find(separator, start);
        items.push_back(
            Trim(text.substr(start, end == std::string_view::npos ? end : end - start)));
        if (end == std::string_view::npos) {
            return items;
        }
        start = end + 1;
    }
}

bool ParseNumber(const std::string& text, uint64_t& value) {
    std::string_view digits = text;
    if (digits.size() >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        return ParseDigits(digits.substr(2), 16, value);
    }
    return ParseDigits(digits, 10, value);
}

bool ParseNumberUpTo(const std::string& text, uint64_t maxValue, uint64_t& value) {
    uint64_t parsed = 0;
    if (!ParseNumber(text, parsed) || parsed > maxValue) {
        return false;
    }
    value = parsed;
    return true;
}

bool ParseHexBytes(const std::string& text, size_t maxBytes, std::vector<uint8_t>& bytes) {
    std::string_view digits = WithoutHexPrefix(text);
    if (digits.size() % 2 != 0 || digits.size() / 2 > maxBytes) {
        return false;
    }
    std::vector<uint8_t> parsed;
    for (size_t at = 0; at < digits.size(); at += 2) {
        uint64_t byte = 0;
        if (!ParseDigits(digits.substr(at, 2), 16, byte)) {
            return false;
        }
        parsed.push_back(static_cast<uint8_t>(byte));
    }
    bytes = std::move(parsed);
    return true;
}

bool ParseFirmwareVersion(const std::string& text, uint32_t& version) {
    const std::vector<std::string> parts = SplitList(text, '.');
    if (parts.size() == 1) {
        uint64_t number = 0;
        if (!ParseNumberUpTo(text, 0xFFFFFFFF, number)) {
            return false;
        }
        version = static_cast<uint32_t>(number);
        return true;
    }
    if (parts.size() != 3) {
        return false;
    }
    uint32_t parsed = 0;
    for (const std::string& part : parts) {
        uint64_t value = 0;
        if (part.size() > 2 || !ParseDigits(part, 16, value)) {
            return false;
        }
        parsed = (parsed << 8) | static_cast<uint32_t>(value);
    }
    version = parsed;
    return true;
}

} // namespace ardent::sim
