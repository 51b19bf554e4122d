#pragma once
// A message output for fuzz targets: messages are of no interest there.

#include "input/MessageOutput.h"

namespace ardent::fuzzing {

class SilentOutput : public IMessageOutput {
public:
    void ShowMessage(const std::string&) override {}
};

} // namespace ardent::fuzzing
