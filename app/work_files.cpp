// Names of the per-user work folder, the time-stamped work files and the settings file.
#include "app/work_files.h"

#include "common/cp932.h"

#include <cstdio>

namespace vermiq {
namespace {

bool IsPathDelimiter(char c) { return c == '\\' || c == '/' || c == ':'; }

// Start of the last path component. Code-page-932 trail bytes can equal '\\' (0x5C), so the
// scan steps over double-byte characters instead of looking at single bytes.
size_t FileNameStart(std::string_view path) {
    size_t start = 0;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsCp932LeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (IsPathDelimiter(path[i])) start = i + 1;
    }
    return start;
}

} // namespace

std::string WorkFolderFrom(std::string_view appDataFolder) {
    return std::string(appDataFolder) + "\\Tallomir\\";
}

std::string WorkBaseNameAt(std::string_view workFolder, const LocalTime& t) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02d%02d%02d%02d%02d%02d", t.year % 100, t.month, t.day,
                  t.hour, t.minute, t.second);
    return std::string(workFolder) + stamp + ".scr";
}

std::string ReplaceExtension(std::string_view path, std::string_view extension) {
    size_t nameStart = FileNameStart(path);
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart) dot = path.size();
    return std::string(path.substr(0, dot)) + std::string(extension);
}

std::string SettingsFileFor(std::string_view workFolder, std::string_view executablePath) {
    std::string_view name = executablePath.substr(FileNameStart(executablePath));
    return std::string(workFolder) + ReplaceExtension(name, ".Ini");
}

} // namespace vermiq
