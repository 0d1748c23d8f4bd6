// The "STR0" string-table reader over module resources; see EsSrMgr.h.
#include "widgets/EsSrMgr.h"

namespace vermiq {

namespace {

// Set once the reader's own message table is open; until then errors use the built-in wording.
TEsStringResource* g_messages = nullptr;

std::string ToAnsi(std::u16string_view text) {
    if (text.empty()) return {};
    std::wstring wide(text.begin(), text.end());
    int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string ansi(static_cast<std::size_t>(n), '\0');
    n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), n, nullptr, nullptr);
    ansi.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return ansi;
}

} // namespace

// Words one of the reader's messages. Reads the message table without ReportMissing, so a
// message table that lacks a text cannot send the wording round in circles.
class ReaderWordingAccess {
public:
    static std::string Word(ReaderText text, std::string_view argument) {
        std::string pattern;
        if (g_messages) {
            try {
                pattern = g_messages->GetResStringQuietly(static_cast<std::int32_t>(text));
            } catch (const EStringResourceError&) {
            }
        }
        if (pattern.empty()) pattern = FallbackReaderText(text);
        return FormatReaderText(pattern, argument);
    }
};

namespace {
[[noreturn]] void Fail(ReaderText text, std::string_view argument = {}) {
    throw EStringResourceError(ReaderWordingAccess::Word(text, argument));
}
} // namespace

TEsStringResource::TEsStringResource(HINSTANCE instance, std::string_view name) { OpenStringResource(instance, name); }

TEsStringResource::~TEsStringResource() { CloseStringResource(); }

void TEsStringResource::OpenStringResource(HINSTANCE instance, std::string_view name) {
    CloseStringResource();
    if (name.empty()) return;
    std::string cut(name.substr(0, 255));
    HMODULE program = GetModuleHandleA(nullptr);
    HMODULE module = instance ? instance : program;
    HRSRC info = FindResourceA(module, cut.c_str(), MAKEINTRESOURCEA(10)); // RT_RCDATA
    if (!info && module != program) {
        module = program;
        info = FindResourceA(module, cut.c_str(), MAKEINTRESOURCEA(10));
    }
    if (!info) Fail(ReaderText::ResourceNotFound, cut);
    resource_ = LoadResource(module, info);
    if (!resource_) Fail(ReaderText::CannotOpen, cut);
    size_ = SizeofResource(module, info);
    LockStringResource();
    bool valid = Table().Check();
    UnlockStringResource();
    if (!valid) {
        CloseStringResource();
        Fail(ReaderText::InvalidResource);
    }
}

void TEsStringResource::CloseStringResource() {
    if (data_) UnlockStringResource();
    if (resource_) {
        FreeResource(resource_);
        resource_ = nullptr;
    }
    size_ = 0;
}

void TEsStringResource::LockStringResource() {
    data_ = resource_ ? static_cast<const std::uint8_t*>(LockResource(resource_)) : nullptr;
    if (!data_) Fail(ReaderText::CannotLock);
}

void TEsStringResource::UnlockStringResource() { data_ = nullptr; }

Str0Table TEsStringResource::Table() const { return Str0Table(std::span<const std::uint8_t>(data_, size_)); }

std::string TEsStringResource::GetResString(std::int32_t id) { return ReadString(id, ReportMissing); }

std::string TEsStringResource::GetResStringQuietly(std::int32_t id) { return ReadString(id, false); }

std::string TEsStringResource::ReadString(std::int32_t id, bool reportMissing) {
    LockStringResource();
    struct Unlock {
        TEsStringResource* reader;
        ~Unlock() { reader->UnlockStringResource(); }
    } unlock{this};
    return LookUpString(Table(), id, reportMissing, ToAnsi, &ReaderWordingAccess::Word);
}

TEsStringResource& ReaderMessages() {
    static TEsStringResource messages(GetModuleHandleA(nullptr), kReaderMessagesResource);
    g_messages = &messages;
    return messages;
}

TEsStringResource& WidgetTexts() {
    ReaderMessages(); // the general table's errors are worded from the message table
    static TEsStringResource texts(GetModuleHandleA(nullptr), kWidgetTextsResource);
    return texts;
}

} // namespace vermiq
