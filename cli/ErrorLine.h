#pragma once
// The one line ArdentCmd prints for an error that ended a command, wherever it was caught (the
// top-level handler or the operation thread): "<error type>: <message>".

#include <exception>
#include <string>

namespace ardent {

// "<error type>: <message>": the type is an ArdentError's own name, else the C++ name of the
// error's type ("std::bad_alloc"). Control bytes of the message are shown as "?": messages
// quote file names and file content.
std::string ErrorLine(const std::exception& error);
// The line for an error that is no std::exception.
std::string UnknownErrorLine();

} // namespace ardent
