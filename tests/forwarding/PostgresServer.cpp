#include "PostgresServer.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace ardent::testing {

namespace {

constexpr char kBin[] = "/usr/lib/postgresql/15/bin";
constexpr int kPort = 5432; // the socket is private to the folder, so no port is shared

std::string AsServerUser(const std::string& command) {
    return ::geteuid() == 0 ? "runuser -u postgres -- " + command : command;
}

} // namespace

std::string TPostgresServer::MissingReason() {
    for (const char* program : {"initdb", "pg_ctl", "postgres"}) {
        if (!std::filesystem::exists(std::string(kBin) + "/" + program)) {
            return std::string("PostgreSQL server programs not installed (") + kBin + "/" +
                   program + "); scripts/install-deps.sh installs them";
        }
    }
    if (::geteuid() == 0 && std::system("id -u postgres >/dev/null 2>&1") != 0) {
        return "running as root and there is no user postgres to run the server as";
    }
    return {};
}

TPostgresServer::~TPostgresServer() {
    if (fRunning) {
        Run(std::string(kBin) + "/pg_ctl -D " + fFolder + "/data -m immediate -w stop");
    }
    if (!fFolder.empty()) {
        std::filesystem::remove_all(fFolder);
    }
}

bool TPostgresServer::Run(const std::string& command) const {
    return std::system((AsServerUser(command) + " >>" + fFolder + "/commands.log 2>&1").c_str()) ==
           0;
}

std::string TPostgresServer::Log() const {
    std::ostringstream text;
    for (const char* name : {"/commands.log", "/server.log"}) {
        std::ifstream file(fFolder + name);
        text << file.rdbuf();
    }
    return text.str();
}

bool TPostgresServer::Create(std::string& error) {
    std::string pattern = (std::filesystem::temp_directory_path() / "ardent-pg-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        error = "cannot create a temporary folder";
        return false;
    }
    fFolder = pattern;
    if (::geteuid() == 0 && std::system(("chown postgres: " + fFolder).c_str()) != 0) {
        error = "cannot hand " + fFolder + " to the user postgres";
        return false;
    }
    // No fsync: a test's server is thrown away; its crashes are process kills, which lose no
    // committed data without it either.
    if (!Run(std::string(kBin) + "/initdb -D " + fFolder +
             "/data -U ardent --auth=trust --no-sync -E UTF8 --locale=C") ||
        !Start() ||
        !Run(std::string(kBin) + "/psql -h " + fFolder + " -p " + std::to_string(kPort) +
             " -U ardent -d postgres -q -c 'CREATE DATABASE ardent'")) {
        error = "cannot start a private PostgreSQL server:\n" + Log();
        return false;
    }
    return true;
}

bool TPostgresServer::Start() {
    fRunning = Run(std::string(kBin) + "/pg_ctl -D " + fFolder + "/data -l " + fFolder +
                   "/server.log -w -o \"-k " + fFolder + " -p " + std::to_string(kPort) +
                   " -c listen_addresses= -c fsync=off -c full_page_writes=off\" start");
    return fRunning;
}

bool TPostgresServer::Stop() {
    // Immediate: the server goes away as it would on a crash or a cut cable.
    const bool stopped =
        Run(std::string(kBin) + "/pg_ctl -D " + fFolder + "/data -m immediate -w stop");
    fRunning = !stopped;
    return stopped;
}

std::string TPostgresServer::Url() const {
    return "postgresql:///ardent?host=" + fFolder + "&port=" + std::to_string(kPort) +
           "&user=ardent";
}

} // namespace ardent::testing
