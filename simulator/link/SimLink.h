#pragma once
// The local stream socket between the simulated programmer and its clients: where it lives, how a
// connection says what it is for, and whole-buffer reads and writes. The daemon, its transport
// library and its control command all use these, so the three can never disagree.
//
// A connection starts with one byte from the client: kHelloReports for a report link (then 64-byte
// reports flow both ways; the daemon first answers kReportLinkAccepted, or closes the connection
// when the programmer is unplugged or another client holds it), kHelloControl for a control link
// (text lines both ways, one reply line per command line), kHelloIdentify to ask who answers
// (the daemon writes the programmer's serial number and a line feed and closes; an unplugged
// programmer closes at once, as a device off the bus is not enumerated).
//
// A line of simulated programmers is a folder (ARDENT_SIM_LINE) holding one socket per
// programmer, named <serial>.sock.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace ardent::simlink {

inline constexpr char kHelloReports = 'R';
inline constexpr char kHelloControl = 'C';
inline constexpr char kReportLinkAccepted = 'A';
inline constexpr char kHelloIdentify = 'I';
inline constexpr size_t kReportSize = 64;
inline constexpr char kDefaultSerial[] = "SIM00000001";
inline constexpr char kLineVariable[] = "ARDENT_SIM_LINE";
inline constexpr char kSocketSuffix[] = ".sock";

// ARDENT_SIM_SOCKET when set and not empty; otherwise $XDG_RUNTIME_DIR/ardent-progsim.sock, or
// /tmp/ardent-progsim-<uid>.sock when there is no runtime folder.
std::string DefaultSocketPath();

// ARDENT_SIM_LINE, or "" when unset or empty.
std::string LineFolder();

// A serial number that may name a socket file in a line folder: 1 to 63 letters, digits, '-' or
// '_' (no '/', no dot, nothing a shell or a file name treats specially).
bool IsValidSerial(const std::string& serial);

// <folder>/<serial>.sock
std::string LineSocketPath(const std::string& folder, const std::string& serial);

// The serial number of the programmer answering at `path`, or "" when none answers there (no
// daemon, unplugged, or no answer within `timeout`).
std::string QuerySerial(const std::string& path, std::chrono::milliseconds timeout);

// A socket connected to `path`, or -1 (errno set) when nobody listens there or the path is too
// long for a local socket. The descriptor is close-on-exec.
int ConnectTo(const std::string& path);

// Listens on `path`, replacing a stale socket file left by a daemon that died; -1 when the path
// is too long, another daemon answers there, or the socket cannot be made.
int ListenOn(const std::string& path);

// Writes all `count` bytes (retrying after signals and short writes); false when the peer is
// gone. Never raises SIGPIPE.
bool WriteAll(int fd, const void* data, size_t count);

// Reads exactly `count` bytes (from a socket or a pipe); false at end of stream or on an error. A
// `timeout` of zero or more gives up after that long without data (false); a negative one waits as
// long as it takes.
bool ReadAll(int fd, void* data, size_t count,
             std::chrono::milliseconds timeout = std::chrono::milliseconds(-1));

// Opens a report link: connects, says hello and waits up to `timeout` for the daemon to accept.
// The connected descriptor, or -1 (nothing listening, unplugged, or busy with another client).
int OpenReportLink(const std::string& path, std::chrono::milliseconds timeout);

} // namespace ardent::simlink
