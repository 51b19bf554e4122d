#pragma once
// Where the input layer's user messages go ("File <name> does not exist"). Each program supplies
// its own: ArdentCmd prints a line on standard output, Ardent shows a message box.

#include <string>

namespace ardent {

class IMessageOutput {
public:
    virtual ~IMessageOutput() = default;
    // Shows one complete message to the user; `text` carries no line end.
    virtual void ShowMessage(const std::string& text) = 0;
};

} // namespace ardent
