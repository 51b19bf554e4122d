#include "ProgrammerTable.h"

#include <algorithm>
#include <array>

namespace ardent {

namespace {

std::string Padded(const std::string& text, size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items)
        text += (text.empty() ? "" : ", ") + item;
    return text;
}

} // namespace

TProgrammerTable ProgrammerTable(const TProgrammerListing& listing, const HolderLookup& holder) {
    using EStatus = TProgrammerListing::EStatus;
    switch (listing.status) {
    case EStatus::NoLibrary:
        return {"The transport library could not be loaded (looked for: " +
                    Joined(listing.candidates) + ").\n",
                1};
    case EStatus::NotSupported:
        return {"Listing programmers is not supported by the transport library " + listing.library +
                    ".\n",
                1};
    case EStatus::Failed:
        return {"The transport library " + listing.library + " could not look for programmers.\n",
                1};
    case EStatus::Listed:
        break;
    }
    if (listing.programmers.empty())
        return {"No programmer is connected.\n", 0};

    using Row = std::array<std::string, 4>;
    std::vector<Row> rows = {{"SERIAL", "PATH", "MAY OPEN", "HOLDER"}};
    for (const TProgrammerInfo& programmer : listing.programmers) {
        const auto held = holder(programmer.Key());
        rows.push_back({programmer.serial.empty() ? "-" : programmer.serial, programmer.path,
                        programmer.accessible ? "yes" : "no",
                        held ? DescribeHolder(*held) : "none"});
    }
    std::array<size_t, 3> widths{};
    for (const Row& row : rows) {
        for (size_t column = 0; column < widths.size(); ++column)
            widths[column] = std::max(widths[column], row[column].size());
    }
    std::string text;
    for (const Row& row : rows) {
        for (size_t column = 0; column < widths.size(); ++column)
            text += Padded(row[column], widths[column] + 2);
        text += row[3] + "\n";
    }
    return {text, 0};
}

} // namespace ardent
