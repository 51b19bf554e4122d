#pragma once
// The byte buffer every layer passes around: images, reports, file contents.

#include <cstdint>
#include <vector>

namespace ardent {

using Bytes = std::vector<uint8_t>;

} // namespace ardent
