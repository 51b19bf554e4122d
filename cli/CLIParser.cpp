#include "CLIParser.h"

#include <optional>

namespace ardent {

std::string TrimText(const std::string& text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') {
        ++first;
    }
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') {
        --last;
    }
    return text.substr(first, last - first);
}

std::string LowerText(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

TCLIParser::TCLIParser(std::vector<std::string> arguments) : fArguments(std::move(arguments)) {}

bool TCLIParser::Commit(Kind kind, const std::string& name, const std::string& value) {
    const std::string key = LowerText(TrimText(name));
    const std::string trimmedValue = TrimText(value);
    if (kind == Kind::Command) {
        if (!fParsedCommands.empty()) {
            return false;
        }
        fParsedCommands.emplace(key, trimmedValue);
        return true;
    }
    // A repeated named parameter keeps its first value.
    fParsedNamedParameters.emplace(key, trimmedValue);
    return true;
}

void TCLIParser::Parse() {
    fParsedCommands.clear();
    fParsedNamedParameters.clear();

    struct Pending {
        Kind kind;
        std::string name;
        std::string value;
    };
    std::optional<Pending> pending;
    bool failed = false;

    for (const std::string& argument : fArguments) {
        if (argument.starts_with("-")) {
            const bool named = argument.starts_with("--");
            if (pending && !Commit(pending->kind, pending->name, pending->value)) {
                failed = true;
                break;
            }
            pending = Pending{
                named ? Kind::NamedParameter : Kind::Command, argument.substr(named ? 2 : 1), {}};
        } else if (pending) {
            // Values of one option are joined with commas; values before the first option are
            // dropped.
            pending->value = pending->value.empty() ? argument : pending->value + "," + argument;
        }
    }
    if (!failed && pending && !Commit(pending->kind, pending->name, pending->value)) {
        failed = true;
    }
    if (failed) {
        fParsedCommands.clear();
    }
}

bool TCLIParser::ContainsCommand(const std::string& name) const {
    return fParsedCommands.contains(name);
}

bool TCLIParser::GetCommand(const std::string& command, std::string& value) const {
    const auto it = fParsedCommands.find(command);
    if (it == fParsedCommands.end()) {
        value.clear();
        return false;
    }
    value = it->second;
    return true;
}

std::string TCLIParser::GetValue(const std::string& command) const {
    std::string value;
    GetCommand(command, value);
    return value;
}

} // namespace ardent
