#include "RecordsTool.h"

#include "forwarding/Forwarder.h"
#include "forwarding/PlantDatabase.h"
#include "forwarding/PlantSchema.h"
#include "records/RecordQuery.h"
#include "records/StationOutbox.h"

#include <nlohmann/json.hpp>

#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <unistd.h>

namespace ardent::recordstool {

using records::TRow;

namespace {

constexpr char kUsage[] =
    "usage: ardent-records <command> [options]\n"
    "commands:\n"
    "  find      list records                 [filters] [--limit N]\n"
    "  export    write records as CSV or JSON  [filters] --format csv|json [--output FILE]\n"
    "  yield     pass rate per programmer, configuration and channel, and the most frequent\n"
    "            failure codes                 [filters] [--top N]\n"
    "  sync      forward unsent station records to the plant database once\n"
    "            [--follow] keep forwarding (the service)   [--status] what is not sent yet\n"
    "            [--batch N] records per batch\n"
    "  init-db   create the plant database's schema (--url)\n"
    "filters: --chip-id ID --serial TEXT --config NAME --station NAME --programmer SERIAL\n"
    "         --verdict PASS|FAIL|READ --from TIME --to TIME (UTC, 2026-12-11 or\n"
    "         2026-12-11T15:00; from inclusive, to exclusive)\n"
    "databases: --db PATH (station; default ARDENT_RECORDS, else the file the programs write),\n"
    "         --url postgresql://... (plant; sync and init-db also read ARDENT_RECORDS_URL)\n";

struct TToolOptions {
    std::string command;
    records::TRecordFilter filter;
    std::string db;
    std::optional<std::string> url;
    bool follow = false;
    bool status = false;
    std::string format;
    std::string output;
    long long limit = 0;
    long long top = 5;
    long long batch = forwarding::TForwarder::kDefaultBatchSize;
};

bool ParseCount(const std::string& text, long long& value) {
    const char* end = text.data() + text.size();
    return !text.empty() && std::from_chars(text.data(), end, value).ptr == end && value > 0;
}

// false with `error` set on an unknown option or a missing or unusable value.
bool ParseOptions(const std::vector<std::string>& arguments, TToolOptions& options,
                  std::string& error) {
    if (arguments.empty()) {
        error = "no command given";
        return false;
    }
    options.command = arguments[0];
    const std::map<std::string, std::optional<std::string>*> filters = {
        {"--chip-id", &options.filter.chipId},
        {"--serial", &options.filter.serialNumber},
        {"--config", &options.filter.configName},
        {"--station", &options.filter.station},
        {"--programmer", &options.filter.programmer},
        {"--verdict", &options.filter.verdict},
        {"--from", &options.filter.from},
        {"--to", &options.filter.to},
    };
    const std::map<std::string, long long*> counts = {
        {"--limit", &options.limit}, {"--top", &options.top}, {"--batch", &options.batch}};
    for (size_t i = 1; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--follow" || option == "--status") {
            (option == "--follow" ? options.follow : options.status) = true;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            error = option.rfind("--", 0) == 0 ? option + " needs a value"
                                               : "unexpected argument: " + option;
            return false;
        }
        const std::string& value = arguments[++i];
        if (const auto filter = filters.find(option); filter != filters.end()) {
            *filter->second = value;
        } else if (const auto count = counts.find(option); count != counts.end()) {
            if (!ParseCount(value, *count->second)) {
                error = option + ": not a positive number: " + value;
                return false;
            }
        } else if (option == "--db") {
            options.db = value;
        } else if (option == "--url") {
            options.url = value;
        } else if (option == "--format") {
            options.format = value;
        } else if (option == "--output") {
            options.output = value;
        } else {
            error = "unknown option: " + option;
            return false;
        }
    }
    return records::ValidateFilter(options.filter, error);
}

std::optional<std::string> PlantUrl(const TToolOptions& options) {
    if (options.url) {
        return options.url;
    }
    const char* url = std::getenv("ARDENT_RECORDS_URL");
    return url != nullptr && *url != '\0' ? std::optional<std::string>(url) : std::nullopt;
}

// The station database the tool uses: --db, else the programs' own.
std::string StationPath(const TToolOptions& options) {
    return options.db.empty() ? forwarding::StationDatabaseFromEnvironment() : options.db;
}

std::unique_ptr<records::TStationDatabase> OpenStation(const TToolOptions& options,
                                                       std::string& error) {
    const std::string path = StationPath(options);
    if (path.empty()) {
        error = "no station database: give --db PATH or set ARDENT_RECORDS";
        return nullptr;
    }
    return records::TStationDatabase::Open(path, error);
}

// The database a query command reads: the plant with --url, the station otherwise.
class TQueryTarget {
public:
    bool Open(const TToolOptions& options, std::string& error) {
        if (options.url) {
            fPlant = forwarding::TPlantDatabase::Connect(*options.url, error);
            return fPlant != nullptr;
        }
        fStation = OpenStation(options, error);
        if (fStation) {
            fStationSource = std::make_unique<records::TStationSource>(*fStation);
        }
        return fStation != nullptr;
    }
    records::TRecordSource& Source() {
        return fPlant ? static_cast<records::TRecordSource&>(*fPlant) : *fStationSource;
    }

private:
    std::unique_ptr<forwarding::TPlantDatabase> fPlant;
    std::unique_ptr<records::TStationDatabase> fStation;
    std::unique_ptr<records::TStationSource> fStationSource;
};

std::string Text(const records::TValue& value) {
    return value.value_or("");
}

int ColumnIndex(const char* name) {
    for (int i = 0; i < records::kRecordColumnCount; ++i) {
        if (std::string(records::kRecordColumns[i].name) == name) {
            return i;
        }
    }
    return -1;
}

void PrintFound(const std::vector<TRow>& rows, std::ostream& out) {
    static const char* kShown[] = {"time_utc",      "station", "programmer_serial", "config_name",
                                   "channel",       "verdict", "code_name",         "chip_ids",
                                   "serial_number", "id"};
    for (size_t i = 0; i < std::size(kShown); ++i) {
        out << (i == 0 ? "" : "\t") << kShown[i];
    }
    out << '\n';
    for (const TRow& row : rows) {
        for (size_t i = 0; i < std::size(kShown); ++i) {
            out << (i == 0 ? "" : "\t") << Text(row[static_cast<size_t>(ColumnIndex(kShown[i]))]);
        }
        out << '\n';
    }
}

std::string CsvField(const records::TValue& value) {
    const std::string text = Text(value);
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + "\"";
}

void WriteCsv(const std::vector<TRow>& rows, std::ostream& out) {
    for (int c = 0; c < records::kRecordColumnCount; ++c) {
        out << (c == 0 ? "" : ",") << records::kRecordColumns[c].name;
    }
    out << "\r\n";
    for (const TRow& row : rows) {
        for (size_t c = 0; c < row.size(); ++c) {
            out << (c == 0 ? "" : ",") << CsvField(row[c]);
        }
        out << "\r\n";
    }
}

void WriteJson(const std::vector<TRow>& rows, std::ostream& out) {
    nlohmann::json records = nlohmann::json::array();
    for (const TRow& row : rows) {
        nlohmann::json record = nlohmann::json::object();
        for (int c = 0; c < records::kRecordColumnCount; ++c) {
            const records::TValue& value = row[static_cast<size_t>(c)];
            long long number = 0;
            if (!value) {
                record[records::kRecordColumns[c].name] = nullptr;
            } else if (records::kRecordColumns[c].integer &&
                       std::from_chars(value->data(), value->data() + value->size(), number).ptr ==
                           value->data() + value->size()) {
                record[records::kRecordColumns[c].name] = number;
            } else {
                record[records::kRecordColumns[c].name] = *value;
            }
        }
        records.push_back(std::move(record));
    }
    // A comment typed in another encoding must not stop the export: bytes that are not UTF-8
    // become U+FFFD.
    out << records.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

// Writes through a temporary file beside `path` and renames it, so a failed export never
// leaves half a file in place of a good one.
bool WriteFileWhole(const std::string& path, const std::string& content, std::string& error) {
    const std::string temporary = path + ".tmp-" + std::to_string(::getpid());
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << content;
        file.flush();
        if (!file) {
            error = "cannot write " + path;
            file.close();
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path;
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

int Fail(std::ostream& err, const std::string& error) {
    err << "ardent-records: " << error << '\n';
    return kExitFailed;
}

// The records the filter selects, from the station or the plant: what find prints and export
// writes.
bool QueryFound(const TToolOptions& options, std::vector<TRow>& rows, std::string& error) {
    TQueryTarget target;
    return target.Open(options, error) &&
           target.Source().Query(
               records::RenderFind(options.filter, target.Source().Dialect(), options.limit), rows,
               error);
}

int Find(const TToolOptions& options, std::ostream& out, std::ostream& err) {
    std::string error;
    std::vector<TRow> rows;
    if (!QueryFound(options, rows, error)) {
        return Fail(err, error);
    }
    PrintFound(rows, out);
    return kExitOk;
}

int Export(const TToolOptions& options, std::ostream& out, std::ostream& err) {
    if (options.format != "csv" && options.format != "json") {
        err << "ardent-records: export needs --format csv or --format json\n";
        return kExitUsage;
    }
    std::string error;
    std::vector<TRow> rows;
    if (!QueryFound(options, rows, error)) {
        return Fail(err, error);
    }
    std::ostringstream content;
    (options.format == "csv" ? WriteCsv : WriteJson)(rows, content);
    if (options.output.empty()) {
        out << content.str();
        return kExitOk;
    }
    return WriteFileWhole(options.output, content.str(), error) ? kExitOk : Fail(err, error);
}

std::string PassRate(long long burns, long long passed) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f%%",
                  burns > 0 ? 100.0 * static_cast<double>(passed) / static_cast<double>(burns)
                            : 0.0);
    return text;
}

int Yield(const TToolOptions& options, std::ostream& out, std::ostream& err) {
    TQueryTarget target;
    std::string error;
    std::vector<TRow> groups;
    std::vector<TRow> codes;
    if (!target.Open(options, error)) {
        return Fail(err, error);
    }
    const records::TDialect dialect = target.Source().Dialect();
    if (!target.Source().Query(records::RenderYield(options.filter, dialect), groups, error) ||
        !target.Source().Query(
            records::RenderFailureCodes(options.filter, dialect, static_cast<int>(options.top)),
            codes, error)) {
        return Fail(err, error);
    }
    out << "programmer\tconfiguration\tchannel\tburns\tpassed\tpass rate\n";
    for (const TRow& group : groups) {
        out << Text(group[0]) << '\t' << Text(group[1]) << '\t' << Text(group[2]) << '\t'
            << Text(group[3]) << '\t' << Text(group[4]) << '\t'
            << PassRate(records::ToSeq(group[3]), records::ToSeq(group[4])) << '\n';
    }
    out << "most frequent failure codes\ncount\tcode\tname\n";
    for (const TRow& code : codes) {
        out << Text(code[2]) << '\t' << Text(code[0]) << '\t' << Text(code[1]) << '\n';
    }
    return kExitOk;
}

int SyncStatus(const TToolOptions& options, std::ostream& out, std::ostream& err) {
    std::string error;
    const auto station = OpenStation(options, error);
    records::TForwardStatus status;
    if (!station || !records::TStationOutbox(*station).Status(status, error)) {
        return Fail(err, error);
    }
    out << "unsent records: " << status.unsent << '\n';
    out << "last sent: seq " << status.lastSentSeq
        << (status.lastSentTime.empty() ? "" : " at " + status.lastSentTime) << '\n';
    out << "last error: "
        << (status.lastError.empty() ? std::string("none")
                                     : status.lastError + " (at " + status.lastErrorTime + ")")
        << '\n';
    return kExitOk;
}

// The service: forwards until SIGTERM (systemd stopping it) or SIGINT.
int SyncFollow(const TToolOptions& options, const std::string& url, std::ostream& err) {
    std::string error;
    const std::string path = StationPath(options);
    if (path.empty()) {
        return Fail(err, "no station database: give --db PATH or set ARDENT_RECORDS");
    }
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    // Blocked before the service's thread starts, so only sigwait below receives them.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    forwarding::TForwardService service(path, url, {}, [&err](const std::string& reason) {
        err << "ardent-records: " << reason << '\n' << std::flush;
    });
    service.Start();
    int received = 0;
    sigwait(&signals, &received);
    service.Stop();
    pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
    return kExitOk;
}

int Sync(const TToolOptions& options, std::ostream& out, std::ostream& err) {
    if (options.status) {
        return SyncStatus(options, out, err);
    }
    const std::optional<std::string> url = PlantUrl(options);
    if (!url) {
        err << "ardent-records: no plant database: give --url or set ARDENT_RECORDS_URL\n";
        return kExitUsage;
    }
    if (options.follow) {
        return SyncFollow(options, *url, err);
    }
    std::string error;
    const auto station = OpenStation(options, error);
    if (!station) {
        return Fail(err, error);
    }
    forwarding::TForwarder forwarder(*station, *url, static_cast<int>(options.batch));
    long long sent = 0;
    const bool ok = forwarder.ForwardAll(sent, error);
    out << "forwarded " << sent << " records\n";
    return ok ? kExitOk : Fail(err, error);
}

int InitDb(const TToolOptions& options, std::ostream& out, std::ostream& err) {
    const std::optional<std::string> url = PlantUrl(options);
    if (!url) {
        err << "ardent-records: init-db needs --url or ARDENT_RECORDS_URL\n";
        return kExitUsage;
    }
    std::string error;
    const auto plant = forwarding::TPlantDatabase::Connect(*url, error);
    if (!plant || !plant->InitSchema(error)) {
        return Fail(err, error);
    }
    out << "plant database ready (record schema version " << forwarding::kPlantSchemaVersion
        << ")\n";
    return kExitOk;
}

} // namespace

int RunRecordsTool(const std::vector<std::string>& arguments, std::ostream& out,
                   std::ostream& err) {
    if (!arguments.empty() &&
        (arguments[0] == "--help" || arguments[0] == "-h" || arguments[0] == "help")) {
        out << kUsage;
        return kExitOk;
    }
    TToolOptions options;
    std::string error;
    if (!ParseOptions(arguments, options, error)) {
        err << "ardent-records: " << error << '\n' << kUsage;
        return kExitUsage;
    }
    using TCommand = int (*)(const TToolOptions&, std::ostream&, std::ostream&);
    const std::map<std::string, TCommand> commands = {
        {"find", Find}, {"export", Export}, {"yield", Yield}, {"sync", Sync}, {"init-db", InitDb}};
    const auto command = commands.find(options.command);
    if (command == commands.end()) {
        err << "ardent-records: unknown command: " << options.command << '\n' << kUsage;
        return kExitUsage;
    }
    return command->second(options, out, err);
}

} // namespace ardent::recordstool
