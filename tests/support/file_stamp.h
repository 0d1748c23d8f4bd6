// What the run learns of a file between two polls, read with the standard library: the tests'
// dialogs answer the run's StampFile with it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/export_check.h"

namespace vermiq::test {

inline FileStamp StampOfPath(const std::string& path) {
    namespace fs = std::filesystem;
    FileStamp stamp;
    std::error_code error;
    if (!fs::is_regular_file(path, error)) return stamp;
    stamp.exists = true;
    stamp.size = fs::file_size(path, error);
    stamp.modified = fs::last_write_time(path, error).time_since_epoch().count();
    std::ifstream in(path, std::ios::binary);
    const std::uint64_t n = std::min<std::uint64_t>(stamp.size, FileStamp::TailBytes);
    in.seekg(static_cast<std::streamoff>(stamp.size - n));
    stamp.tail.resize(static_cast<std::size_t>(n));
    in.read(stamp.tail.data(), static_cast<std::streamsize>(n));
    stamp.tail.resize(static_cast<std::size_t>(in.gcount()));
    return stamp;
}

} // namespace vermiq::test
