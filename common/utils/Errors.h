#pragma once
// The errors that travel to the top of a program: file-system failures and number conversions.
// Everything else that is expected to fail returns a value. Each error names its own type so the
// top-level handler of ArdentCmd can print "<type>: <message>".

#include <stdexcept>
#include <string>

namespace ardent {

class ArdentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    // The name printed before ": " by a top-level handler.
    virtual const char* TypeName() const noexcept { return "ArdentError"; }
};

// A file could not be created, written, replaced or read; the message carries the file name and
// the system's reason.
class FileSystemError : public ArdentError {
public:
    using ArdentError::ArdentError;
    const char* TypeName() const noexcept override { return "FileSystemError"; }
};

// A text that had to be a number was not one.
class NumberConversionError : public ArdentError {
public:
    using ArdentError::ArdentError;
    const char* TypeName() const noexcept override { return "NumberConversionError"; }
};

// An item was read from a list that does not have it.
class IndexOutOfRangeError : public ArdentError {
public:
    using ArdentError::ArdentError;
    const char* TypeName() const noexcept override { return "IndexOutOfRangeError"; }
};

} // namespace ardent
