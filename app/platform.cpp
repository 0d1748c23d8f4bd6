// The few Windows services the dialog needs beyond its own window.
#include "app/platform.h"

#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "app/error_text.h"
#include "common/win32_raii.h"
#include "common/win32_text.h"

namespace vermiq {

std::string SpecialFolderPath(HWND owner, int folderId) {
    PIDLIST_ABSOLUTE idList = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(owner, folderId, &idList)) || !idList) return {};
    std::unique_ptr<ITEMIDLIST, decltype(&CoTaskMemFree)> owned(idList, &CoTaskMemFree);
    char path[MAX_PATH + 1] = {};
    if (!SHGetPathFromIDListA(idList, path)) return {};
    return path;
}

std::string ExecutablePath() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) return win32::Narrow(std::wstring_view(buffer.data(), n));
        buffer.resize(buffer.size() * 2);
    }
}

LocalTime CurrentLocalTime() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond};
}

void CreateFolderTree(const std::string& folder) {
    SHCreateDirectoryExW(nullptr, win32::Widen(folder).c_str(), nullptr);
}

std::string ReadProfileText(const std::string& file, const char* section, const char* key,
                            const char* fallback) {
    char buffer[2048] = {};
    GetPrivateProfileStringA(section, key, fallback, buffer, sizeof buffer, file.c_str());
    return buffer;
}

bool WriteProfileText(const std::string& file, const char* section, const char* key,
                      const std::string& value) {
    return WritePrivateProfileStringA(section, key, value.c_str(), file.c_str()) != FALSE;
}

bool RemoveProfileKey(const std::string& file, const char* section, const char* key) {
    return WritePrivateProfileStringA(section, key, nullptr, file.c_str()) != FALSE;
}

bool IsExistingFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(win32::Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

FileStamp StampOfFile(const std::string& path) {
    FileStamp stamp;
    if (!IsExistingFile(path)) return stamp;
    // Shared every way: the CAD may still be writing it.
    win32::KernelHandle file(CreateFileW(win32::Widen(path).c_str(), GENERIC_READ,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    FILETIME written{};
    if (file.get() == INVALID_HANDLE_VALUE) {
        // Held open without sharing by another program: there, but not to be read yet.
        stamp.exists = IsExistingFile(path);
        return stamp;
    }
    if (!GetFileSizeEx(file.get(), &size) || !GetFileTime(file.get(), nullptr, nullptr, &written))
        return stamp;
    stamp.exists = true;
    stamp.size = static_cast<std::uint64_t>(size.QuadPart);
    stamp.modified = static_cast<std::int64_t>((static_cast<std::uint64_t>(written.dwHighDateTime) << 32) |
                                               written.dwLowDateTime);
    const auto tailBytes = static_cast<LONGLONG>(std::min<std::uint64_t>(stamp.size, FileStamp::TailBytes));
    LARGE_INTEGER from{};
    from.QuadPart = size.QuadPart - tailBytes;
    stamp.tail.resize(static_cast<std::size_t>(tailBytes));
    DWORD read = 0;
    if (!SetFilePointerEx(file.get(), from, nullptr, FILE_BEGIN) ||
        !ReadFile(file.get(), stamp.tail.data(), static_cast<DWORD>(tailBytes), &read, nullptr))
        read = 0;
    stamp.tail.resize(read);
    return stamp;
}

void ShowErrorBox(HWND owner, std::string_view message) {
    std::wstring text = win32::Widen(WithFullStop(message));
    std::wstring title = win32::Widen(kAppTitle);
    MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}

void ShowNoticeBox(HWND owner, std::string_view message) {
    std::wstring text = win32::Widen(message);
    std::wstring title = win32::Widen(kAppTitle);
    MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONINFORMATION);
}

} // namespace vermiq
