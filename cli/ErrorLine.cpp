#include "ErrorLine.h"

#include "utils/Errors.h"
#include "utils/Text.h"

#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>

namespace ardent {

namespace {

// The readable C++ name of an error's dynamic type ("std::bad_alloc").
std::string TypeNameOf(const std::exception& error) {
    if (const auto* own = dynamic_cast<const ArdentError*>(&error)) {
        return own->TypeName();
    }
    const char* mangled = typeid(error).name();
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    return status == 0 && demangled ? std::string(demangled.get()) : std::string(mangled);
}

} // namespace

std::string ErrorLine(const std::exception& error) {
    return TypeNameOf(error) + ": " + ShowableText(error.what());
}

std::string UnknownErrorLine() {
    return "UnknownError: An error of unknown type ended the command.";
}

} // namespace ardent
