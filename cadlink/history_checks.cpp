// Reading the outcome of the user's selection and the CAD's language from its command line.
#include "cadlink/history_checks.h"

#include "cadlink/cad_link.h"
#include "common/cp932.h"

namespace vermiq {
namespace {

constexpr std::string_view kFound = "個を検出";
constexpr std::string_view kCancelled = "キャンセル";

// The count in "… N 個を検出": the digits right before the blank before the mark; 0 when
// there are none.
long FoundCount(std::string_view line) {
    const std::size_t mark = line.find(kFound);
    if (mark == std::string_view::npos) return 0;
    std::size_t end = mark;
    while (end > 0 && line[end - 1] == ' ') --end;
    std::size_t begin = end;
    while (begin > 0 && line[begin - 1] >= '0' && line[begin - 1] <= '9') --begin;
    long count = 0;
    for (std::size_t i = begin; i < end && count < 1000000; ++i) count = count * 10 + (line[i] - '0');
    return count;
}

} // namespace

SelectionResult LastSelectionResult(const std::vector<std::string>& lines, std::string_view command) {
    if (!CadLink::CommandTakenUp(lines, command)) return SelectionResult::OtherCommand;
    // The command's own line: the last one typed at the idle prompt that started something.
    std::size_t start = lines.size();
    while (start > 0) {
        const std::string& line = lines[--start];
        if (line.rfind(CadLink::IdlePrompt, 0) != 0) continue;
        const std::string_view typed = std::string_view(line).substr(CadLink::IdlePrompt.size());
        if (!typed.empty() && typed.find(kCancelled) == std::string_view::npos) break;
    }
    bool found = false;
    for (std::size_t i = start + 1; i < lines.size(); ++i) {
        if (lines[i].find(kCancelled) != std::string::npos) return SelectionResult::Cancelled;
        if (FoundCount(lines[i]) > 0) found = true;
    }
    return found ? SelectionResult::Found : SelectionResult::Nothing;
}

bool IsJapanesePrompt(std::string_view prompt) {
    for (std::size_t i = 0; i + 1 < prompt.size(); ++i)
        if (IsCp932LeadByte(static_cast<unsigned char>(prompt[i]))) return true;
    return false;
}

} // namespace vermiq
