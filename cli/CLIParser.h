#pragma once
// Splits ArdentCmd's argument list into at most one command (an argument with one dash) with its
// value, and the named parameters (arguments with two dashes). It knows no option names.

#include <map>
#include <string>
#include <vector>

namespace ardent {

class TCLIParser {
public:
    using Dictionary = std::map<std::string, std::string>;

    // `arguments`: the list after the program name, in order, quoting already removed.
    explicit TCLIParser(std::vector<std::string> arguments);

    // Fills both dictionaries from the arguments. A second command drops the command: the
    // result then has none, and named parameters given before the second command stay.
    void Parse();

    // True when the parsed command is `name` (lower case).
    bool ContainsCommand(const std::string& name) const;
    // True and the command's value when the parsed command is `command`; false and an empty
    // value otherwise.
    bool GetCommand(const std::string& command, std::string& value) const;
    // The value stored for `command`; empty when it is not the parsed command.
    std::string GetValue(const std::string& command) const;
    const Dictionary& GetNamedParameters() const { return fParsedNamedParameters; }
    // The parsed command's lower-case name; empty when there is none.
    std::string CommandName() const {
        return fParsedCommands.empty() ? std::string() : fParsedCommands.begin()->first;
    }

private:
    enum class Kind { Command, NamedParameter };
    bool Commit(Kind kind, const std::string& name, const std::string& value);

    std::vector<std::string> fArguments;
    Dictionary fParsedCommands;        // empty or one entry: lower-case name -> value
    Dictionary fParsedNamedParameters; // lower-case name -> value (the first one given)
};

// Leading and trailing blanks and control characters removed.
std::string TrimText(const std::string& text);
// ASCII letters lower-cased; other bytes as they are.
std::string LowerText(std::string text);

} // namespace ardent
