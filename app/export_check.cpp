// The test of a finished DXF export.
#include "app/export_check.h"

namespace vermiq {
namespace {

bool IsPadding(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0' || c == '\x1A'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The text without the blanks at both ends.
std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The last line of `text` (which ends before a line break or at its end), and `text` keeps
// what comes before that line's break.
std::string_view TakeLastLine(std::string_view& text) {
    const std::size_t start = text.find_last_of("\r\n");
    std::string_view line = start == std::string_view::npos ? text : text.substr(start + 1);
    text = start == std::string_view::npos ? std::string_view() : text.substr(0, start);
    if (!text.empty() && text.back() == '\r' && start != std::string_view::npos) text.remove_suffix(1);
    return line;
}

} // namespace

bool EndsWithEof(std::string_view tail) {
    while (!tail.empty() && IsPadding(tail.back())) tail.remove_suffix(1);
    std::string_view eof = Trimmed(TakeLastLine(tail));
    if (eof != "EOF" || tail.empty()) return false;
    return Trimmed(TakeLastLine(tail)) == "0";
}

bool IsFinishedExport(const FileStamp& now, const FileStamp& before) {
    return now.exists && before.exists && now.size == before.size && EndsWithEof(now.tail);
}

} // namespace vermiq
