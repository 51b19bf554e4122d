#pragma once
// A private PostgreSQL server for one test: a temporary cluster (initdb) in a temporary folder,
// reached only through a socket in that folder, stopped and removed at the end. PostgreSQL
// refuses to run as root, so under root the cluster belongs to the unprivileged user postgres
// and its programs run as that user.

#include <string>

namespace ardent::testing {

class TPostgresServer {
public:
    TPostgresServer() = default;
    ~TPostgresServer();
    TPostgresServer(const TPostgresServer&) = delete;
    TPostgresServer& operator=(const TPostgresServer&) = delete;

    // Empty when the server's programs are installed; otherwise why the tests are skipped.
    static std::string MissingReason();
    // Creates and starts the cluster; false with `error` (including the server's log) set.
    bool Create(std::string& error);
    bool Stop();
    bool Start();
    // postgresql:///ardent?host=<socket folder>&port=<port>
    std::string Url() const;
    const std::string& Folder() const { return fFolder; }

private:
    bool Run(const std::string& command) const;
    std::string Log() const;

    std::string fFolder;
    bool fRunning = false;
};

} // namespace ardent::testing
