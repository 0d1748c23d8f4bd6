// The few Windows services the dialog needs beyond its own window: the application-data
// folder, the settings file through the private-profile functions, the error box.
#pragma once
#ifndef _WIN32
#error "Win32 adapters only"
#endif
#include <windows.h>

#include <string>
#include <string_view>

#include "app/export_check.h"
#include "app/work_files.h"

namespace vermiq {

// The file-system path of a shell special folder (CSIDL), without trailing backslash; empty
// when the shell cannot resolve it.
std::string SpecialFolderPath(HWND owner, int folderId);

// The full path of the running executable, in the ANSI code page.
std::string ExecutablePath();

LocalTime CurrentLocalTime();

// Creates the folder and any missing parent; the outcome is not reported.
void CreateFolderTree(const std::string& folder);

// GetPrivateProfileStringA with a 2048-byte buffer.
std::string ReadProfileText(const std::string& file, const char* section, const char* key,
                            const char* fallback);
// WritePrivateProfileStringA; false when the file cannot be written.
bool WriteProfileText(const std::string& file, const char* section, const char* key,
                      const std::string& value);
// Removes the key, so that the file holds nothing of a setting left at its default.
bool RemoveProfileKey(const std::string& file, const char* section, const char* key);

// True only for a file: a folder at the path is no file to read.
bool IsExistingFile(const std::string& path);

// The file's size, last write time and last bytes, read while another program may write it.
FileStamp StampOfFile(const std::string& path);

// The application's error box: title "辺長値を描画する", error icon, OK, full-stop rule.
void ShowErrorBox(HWND owner, std::string_view message);
// What a run tells the user when all went well: the same title, an information icon, OK.
void ShowNoticeBox(HWND owner, std::string_view message);

} // namespace vermiq
