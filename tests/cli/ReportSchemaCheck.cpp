#include "ReportSchemaCheck.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <stdexcept>

namespace ardent::testing {

namespace {

using nlohmann::json;

bool HasType(const json& value, const std::string& type) {
    if (type == "object")
        return value.is_object();
    if (type == "array")
        return value.is_array();
    if (type == "string")
        return value.is_string();
    if (type == "integer")
        return value.is_number_integer();
    if (type == "number")
        return value.is_number();
    if (type == "boolean")
        return value.is_boolean();
    if (type == "null")
        return value.is_null();
    throw std::invalid_argument("schema type the checker does not know: " + type);
}

class Checker {
public:
    explicit Checker(const json& root) : fRoot(root) {}

    void Check(const json& value, const json& schema, const std::string& path) {
        static const std::vector<std::string> known = {
            "$schema", "$id",     "title",    "description", "type",
            "const",   "enum",    "required", "properties",  "additionalProperties",
            "items",   "minimum", "maximum",  "pattern",     "$ref",
            "$defs"};
        for (const auto& [key, unused] : schema.items()) {
            if (std::find(known.begin(), known.end(), key) == known.end())
                throw std::invalid_argument("schema keyword the checker does not know: " + key);
        }
        if (schema.contains("$ref")) {
            const std::string ref = schema["$ref"];
            const std::string prefix = "#/$defs/";
            if (!ref.starts_with(prefix))
                throw std::invalid_argument("reference the checker cannot follow: " + ref);
            Check(value, fRoot.at("$defs").at(ref.substr(prefix.size())), path);
        }
        if (schema.contains("type")) {
            const json& types = schema["type"];
            bool matches = false;
            for (const json& type : types.is_array() ? types : json::array({types}))
                matches = matches || HasType(value, type.get<std::string>());
            if (!matches) {
                Fail(path, "is " + std::string(value.type_name()) + ", not " + types.dump());
                return;
            }
        }
        if (schema.contains("const") && value != schema["const"])
            Fail(path, value.dump() + " is not " + schema["const"].dump());
        if (schema.contains("enum")) {
            const json& options = schema["enum"];
            if (std::find(options.begin(), options.end(), value) == options.end())
                Fail(path, value.dump() + " is not one of " + options.dump());
        }
        if (value.is_number()) {
            if (schema.contains("minimum") && value < schema["minimum"])
                Fail(path, value.dump() + " is below " + schema["minimum"].dump());
            if (schema.contains("maximum") && value > schema["maximum"])
                Fail(path, value.dump() + " is above " + schema["maximum"].dump());
        }
        if (value.is_string() && schema.contains("pattern") &&
            !std::regex_search(value.get<std::string>(),
                               std::regex(schema["pattern"].get<std::string>())))
            Fail(path, value.dump() + " does not match " + schema["pattern"].dump());
        if (value.is_object())
            CheckObject(value, schema, path);
        if (value.is_array() && schema.contains("items")) {
            for (size_t i = 0; i < value.size(); ++i)
                Check(value[i], schema["items"], path + "[" + std::to_string(i) + "]");
        }
    }

    std::vector<std::string> violations;

private:
    void CheckObject(const json& value, const json& schema, const std::string& path) {
        if (schema.contains("required")) {
            for (const json& key : schema["required"]) {
                if (!value.contains(key.get<std::string>()))
                    Fail(path, "lacks " + key.dump());
            }
        }
        const json properties = schema.value("properties", json::object());
        for (const auto& [key, member] : value.items()) {
            const std::string memberPath = path + "." + key;
            if (properties.contains(key)) {
                Check(member, properties[key], memberPath);
            } else if (schema.contains("additionalProperties")) {
                const json& extra = schema["additionalProperties"];
                if (extra.is_boolean()) {
                    if (!extra.get<bool>())
                        Fail(memberPath, "is not in the schema");
                } else {
                    Check(member, extra, memberPath);
                }
            }
        }
    }

    void Fail(const std::string& path, const std::string& what) {
        violations.push_back(path + ": " + what);
    }

    const json& fRoot;
};

} // namespace

const nlohmann::json& ReportSchema() {
    static const json schema = [] {
        std::ifstream in(std::string(ARDENT_SOURCE_DIR) +
                         "/packaging/doc/ardentcmd-report.schema.json");
        return json::parse(in);
    }();
    return schema;
}

std::vector<std::string> SchemaViolations(const nlohmann::json& document,
                                          const nlohmann::json& schema) {
    Checker checker(schema);
    checker.Check(document, schema, "$");
    return checker.violations;
}

} // namespace ardent::testing
