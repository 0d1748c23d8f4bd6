// Names of the per-user work folder, the time-stamped work files and the settings file.
#pragma once

#include <string>
#include <string_view>

namespace vermiq {

// A local date and time, as the clock of the machine gives it.
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The application-data folder (without trailing backslash) followed by "\Tallomir\".
std::string WorkFolderFrom(std::string_view appDataFolder);

// `WorkFolder` + "yymmddhhnnss" + ".scr". Taken once per process, so every run of one process
// uses the same work file names.
std::string WorkBaseNameAt(std::string_view workFolder, const LocalTime& time);

// The path with its extension replaced (or added when it has none); `extension` includes the
// dot. Only the last component's last dot counts, so a dotted folder name is left alone.
std::string ReplaceExtension(std::string_view path, std::string_view extension);

// `WorkFolder` + the executable's file name with ".Ini" for its extension: the settings live
// in the user's folder, never beside the executable.
std::string SettingsFileFor(std::string_view workFolder, std::string_view executablePath);

} // namespace vermiq
