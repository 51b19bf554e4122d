#pragma once
// Loader of .ahex text files (one "aaaaaa:dddd" word per data line) for DP2A and DP2B images.
// The image is a run of segments, each a 16-bit start word address, a 16-bit byte count and the
// data words of consecutive addresses, all little-endian.

#include "input/FileLoader.h"

#include <cstddef>
#include <string_view>

namespace ardent {

class TAHEXLoader : public TFileLoader {
public:
    // Files carry at most this many lines (the programmer's tools count them in 16 bits); a
    // longer file is refused as a whole rather than cut.
    static constexpr size_t kMaxLines = 65535;
    // A larger file is refused from its size, before it is read: room for kMaxLines lines of 256
    // bytes each, line ends included, where a data line takes 13.
    static constexpr size_t kMaxFileSize = 16 * 1024 * 1024;
    // Result of LoadSpecificType and BuildSegmentImage for a file with too many lines.
    static constexpr int kTooManyLines = -2;
    // A segment's byte count is 16-bit: a longer run of consecutive words continues in a new
    // segment that starts at the next address, which describes the same words.
    static constexpr uint32_t kMaxSegmentBytes = 0xFFFE;

    using TFileLoader::TFileLoader;

    // The segment image of the file's data lines; result = image length (0 without data lines),
    // or kTooManyLines (status 2, `output` unchanged). `recordType` is not used. A file that
    // cannot be read, is not a regular file or is larger than kMaxFileSize throws
    // FileSystemError.
    int LoadSpecificType(const std::string& fileName, int recordType, Bytes& output) override;
    // All lines of the file in file order into `strList`; result 1. A file that cannot be read
    // or is refused throws FileSystemError, as above.
    int LoadStrListFromFile(const std::string& fileName, StringList& strList,
                            int recordType) override;

    // One data line: its word address (low 16 bits) and its data word.
    struct TDataWord {
        uint16_t address;
        uint16_t word;
    };
    using DataWords = std::vector<TDataWord>;

    // Entry points for text already in memory (tests, fuzzing, the data objects).
    // Splits at CR LF, LF or CR; a final line end does not start another line.
    static StringList SplitLines(std::string_view text);
    // The data lines among `lines`, in file order.
    static DataWords ParseDataLines(const StringList& lines);
    // The segment image; kTooManyLines (and `output` unchanged) for more than kMaxLines lines.
    static int BuildSegmentImage(const StringList& lines, Bytes& output);
    static int BuildSegmentImage(const DataWords& words, Bytes& output);

    // Address (low 16 bits) and word of a line that matched AhexPattern::DataLine.
    static uint16_t DataLineAddress(std::string_view line);
    static uint16_t DataLineWord(std::string_view line);
};

} // namespace ardent
