#pragma once
// Checks both configuration fuzz targets share: what a loaded configuration must carry.

#include "configuration/Configuration.h"

#include <cstdlib>

namespace ardent::fuzzing {

inline void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

// Everything an image carries over a build and a load: header values and blocks in order.
inline bool SameContent(const TConfiguration& a, const TConfiguration& b) {
    const TConfigurationHeader& ha = a.GetHeader();
    const TConfigurationHeader& hb = b.GetHeader();
    return ha.ConfigVersion == hb.ConfigVersion && ha.HeaderSize == hb.HeaderSize &&
           ha.ConfigName == hb.ConfigName && ha.BaudRate == hb.BaudRate &&
           ha.ChannelSelection == hb.ChannelSelection && ha.TargetType == hb.TargetType &&
           a.GetBlocks() == b.GetBlocks();
}

} // namespace ardent::fuzzing
