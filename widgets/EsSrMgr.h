// The reader of the widget set's "STR0" string tables: RT_RCDATA resources in the program file
// that hold UTF-16 texts under integer ids, returned in the ANSI code page.
#pragma once
#ifndef _WIN32
#error "Win32 adapters only"
#endif
#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "widgets/str0_table.h"

namespace vermiq {

// Resource names of the two tables linked into the program.
inline constexpr char kReaderMessagesResource[] = "ESSRMGR_STRINGS";
inline constexpr char kWidgetTextsResource[] = "ESWIDGET_TEXTS";

class TEsStringResource {
public:
    // Opens the table `name` of `instance` (falling back to the program's own module).
    // Throws EStringResourceError when it is missing, cannot be loaded or is no "STR0" table.
    TEsStringResource(HINSTANCE instance, std::string_view name);
    TEsStringResource(const TEsStringResource&) = delete;
    TEsStringResource& operator=(const TEsStringResource&) = delete;
    ~TEsStringResource();

    // With ReportMissing an id that the table lacks raises "String not found: <id>"; without,
    // it gives the empty string.
    bool ReportMissing = false;

    void OpenStringResource(HINSTANCE instance, std::string_view name);
    void CloseStringResource();
    // The text of `id` in the ANSI code page.
    std::string GetResString(std::int32_t id);

private:
    friend class ReaderWordingAccess;
    std::string GetResStringQuietly(std::int32_t id);
    std::string ReadString(std::int32_t id, bool reportMissing);
    void LockStringResource();
    void UnlockStringResource();
    Str0Table Table() const;

    HGLOBAL resource_ = nullptr;
    DWORD size_ = 0;
    const std::uint8_t* data_ = nullptr; // set only while locked
};

// The two process-wide readers, opened on first use over the program's module and kept until
// the process ends. Call both once at start-up so that a broken table shows there.
TEsStringResource& ReaderMessages();
TEsStringResource& WidgetTexts();

} // namespace vermiq
