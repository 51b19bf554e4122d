#pragma once
// Where ArdentCmd's lines go: standard output in the program, a string in tests and in the fuzzer.
// Every line the tool writes ends in CR LF; standard error gets only the line that says a burn's
// records were lost.

#include "input/MessageOutput.h"
#include "utils/Text.h"

#include <string>
#include <string_view>

namespace ardent {

class TConsole {
public:
    virtual ~TConsole() = default;
    // Writes `text` as it is, with no line break added.
    virtual void Write(std::string_view text) = 0;
    // Writes `line` followed by CR LF.
    void WriteLine(std::string_view line);
};

// The process's standard output. Each write is flushed at once, so the lines keep their order
// with anything the operation thread writes and survive an abrupt end of the process.
class TStdOutConsole : public TConsole {
public:
    void Write(std::string_view text) override;
};

// Collects everything written, for tests and for the fuzzer.
class TStringConsole : public TConsole {
public:
    void Write(std::string_view text) override { fText.append(text); }
    const std::string& Text() const { return fText; }

private:
    std::string fText;
};

// The input layer's user messages ("File <name> does not exist") as lines on a console.
class TConsoleMessages : public IMessageOutput {
public:
    explicit TConsoleMessages(TConsole& console) : fConsole(console) {}
    // Messages quote file names: their control bytes are shown as "?".
    void ShowMessage(const std::string& text) override { fConsole.WriteLine(ShowableText(text)); }

private:
    TConsole& fConsole;
};

} // namespace ardent
