// Whether the CAD's export is a finished file: what the run learns of a file without reading it
// whole, and the test of its end.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vermiq {

// A file as the run sees it between two polls.
struct FileStamp {
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // the last write time, in the platform's own units
    // Its last bytes, at most FileStamp::TailBytes of them. A file that cannot be opened yet (a
    // virus scanner reads it first) exists with no tail: still being written, as far as the run
    // can tell.
    std::string tail;
    static constexpr std::size_t TailBytes = 64;
    bool operator==(const FileStamp&) const = default;
};

// Whether the text ends with the DXF end-of-file pair: a line "0", then a line "EOF". Blanks,
// line breaks, NUL and end-of-file (26) bytes after it, as some writers leave, are allowed.
bool EndsWithEof(std::string_view tail);

// A file that the export has finished: complete, and the same size as at the poll before.
bool IsFinishedExport(const FileStamp& now, const FileStamp& before);

} // namespace vermiq
