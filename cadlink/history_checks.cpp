// Reading the outcome of the tool's selection and the CAD's language from its command line.
#include "cadlink/history_checks.h"

#include <cstddef>

#include "cadlink/cad_link.h"
#include "common/cp932.h"

namespace vermiq {
namespace {

using Result = SelectionOutcome::Result;

constexpr std::string_view kCancelled = "キャンセル";
// The sourced forms of a count (cadlink/cad_texts.md).
constexpr std::string_view kRecognised = "認識された数:";
constexpr std::string_view kFoundEnglish = " found";
constexpr std::string_view kFoundOlder = "個を検出";

bool Contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

std::optional<long> DigitsAt(std::string_view text, std::size_t begin, std::size_t end) {
    if (begin >= end) return std::nullopt;
    long n = 0;
    for (std::size_t i = begin; i < end; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        if (n < 1000000) n = n * 10 + (text[i] - '0');
    }
    return n;
}

// The number right after `at`, blanks skipped.
std::optional<long> NumberAfter(std::string_view text, std::size_t at) {
    while (at < text.size() && text[at] == ' ') ++at;
    std::size_t end = at;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    return DigitsAt(text, at, end);
}

// The number that ends right before `at`, blanks skipped.
std::optional<long> NumberBefore(std::string_view text, std::size_t at) {
    while (at > 0 && text[at - 1] == ' ') --at;
    std::size_t begin = at;
    while (begin > 0 && text[begin - 1] >= '0' && text[begin - 1] <= '9') --begin;
    return DigitsAt(text, begin, at);
}

std::string FirstWordUpper(std::string_view typed) {
    std::size_t begin = 0;
    while (begin < typed.size() && (typed[begin] == ' ' || typed[begin] == '_' || typed[begin] == '.')) ++begin;
    std::string word(typed.substr(begin, typed.find(' ', begin) - begin));
    for (char& c : word)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return word;
}

bool AtIdlePrompt(const std::string& line) { return line.rfind(CadLink::IdlePrompt, 0) == 0; }

std::string_view Typed(const std::string& line) {
    return std::string_view(line).substr(CadLink::IdlePrompt.size());
}

// What the lines of one selection prompt, from `begin` to `end`, show. `prompt` is the
// selection prompt as the CAD writes it, up to and with its ": ".
struct Picks {
    bool found = false, cancelled = false, unreadable = false;
    std::optional<long> count;
};

Picks ReadPicks(const std::vector<std::string>& lines, std::size_t begin, std::size_t end,
                std::string_view prompt) {
    Picks picks;
    for (std::size_t i = begin; i < end; ++i) {
        const std::string& line = lines[i];
        if (Contains(line, kCancelled)) {
            picks.cancelled = true;
            continue;
        }
        const std::optional<long> count = KnownCount(line);
        if (count) {
            picks.count = picks.count.value_or(0) + *count;
            picks.found = picks.found || *count > 0;
        } else if (!prompt.empty() && line.rfind(prompt, 0) == 0) {
            // A completed prompt line in a form the tool does not know: something was picked.
            if (line.size() > prompt.size()) picks.found = true;
        } else {
            picks.unreadable = true;
        }
    }
    return picks;
}

// The selection prompt of a completed line "PROMPT: answer": up to and with the first ": ".
std::string_view PromptOf(std::string_view line) {
    const std::size_t colon = line.find(": ");
    return colon == std::string_view::npos ? std::string_view() : line.substr(0, colon + 2);
}

} // namespace

std::optional<long> KnownCount(std::string_view line) {
    if (std::size_t at = line.find(kRecognised); at != std::string_view::npos)
        return NumberAfter(line, at + kRecognised.size());
    if (std::size_t at = line.find(kFoundOlder); at != std::string_view::npos) return NumberBefore(line, at);
    if (std::size_t at = line.find(kFoundEnglish); at != std::string_view::npos) {
        const std::size_t after = at + kFoundEnglish.size();
        if (after == line.size() || line[after] == ',') return NumberBefore(line, at);
    }
    return std::nullopt;
}

SelectionOutcome ReadToolSelection(const std::vector<std::string>& lines, bool single) {
    SelectionOutcome outcome;
    // The pass's first command, then the first command after it: the tool's selection.
    std::size_t start = lines.size();
    for (std::size_t i = lines.size(); i-- > 0;)
        if (AtIdlePrompt(lines[i]) && FirstWordUpper(Typed(lines[i])) == "FILEDIA") {
            start = i;
            break;
        }
    std::size_t command = lines.size();
    for (std::size_t i = start + 1; i < lines.size(); ++i) {
        if (!AtIdlePrompt(lines[i])) continue;
        const std::string_view typed = Typed(lines[i]);
        if (typed.empty() || Contains(typed, kCancelled)) continue;  // Ctrl+C at the idle prompt
        if (FirstWordUpper(typed) != "SELECT") return outcome;
        command = i;
        break;
    }
    if (command >= lines.size()) return outcome;

    // The selection's own lines: after the command (and its "SI" answer) up to the next idle
    // prompt line.
    std::size_t begin = command + 1;
    std::string_view prompt;
    if (single) {
        if (begin >= lines.size() || FirstWordUpper(lines[begin].substr(PromptOf(lines[begin]).size())) != "SI")
            return outcome;
        prompt = PromptOf(lines[begin]);
        ++begin;
    } else if (begin < lines.size()) {
        prompt = PromptOf(lines[begin]);
    }
    std::size_t end = begin;
    while (end < lines.size() && !AtIdlePrompt(lines[end])) ++end;

    // A single selection ends at its first pick that the CAD took: only the last prompt line and
    // what follows it tell how it ended.
    std::size_t decisive = begin;
    if (single)
        for (std::size_t i = begin; i < end; ++i)
            if (!prompt.empty() && lines[i].rfind(prompt, 0) == 0) decisive = i;
    const Picks picks = ReadPicks(lines, decisive, end, prompt);
    if (picks.cancelled || ReadPicks(lines, begin, decisive, prompt).cancelled) {
        outcome.result = Result::Cancelled;
        return outcome;
    }
    outcome.result = picks.found ? Result::Found : Result::Nothing;
    outcome.count = picks.count;
    outcome.certain = !picks.unreadable;

    // After it: only the CAD's idle prompt, a Ctrl+C there, or the selection repeated by an
    // Enter of habit and ended without a pick keep the pass's selection the previous set.
    for (std::size_t i = end; i < lines.size();) {
        const std::string_view typed = Typed(lines[i]);
        std::size_t next = i + 1;
        while (next < lines.size() && !AtIdlePrompt(lines[next])) ++next;
        const bool repeat = typed.empty() || FirstWordUpper(typed) == "SELECT";
        if (!Contains(typed, kCancelled)) {
            const Picks again = ReadPicks(lines, i + 1, next, prompt);
            if (!repeat || again.found || again.unreadable) {
                outcome.result = Result::OtherCommand;
                return outcome;
            }
        }
        i = next;
    }
    return outcome;
}

bool IsJapanesePrompt(std::string_view prompt) {
    for (std::size_t i = 0; i + 1 < prompt.size(); ++i)
        if (IsCp932LeadByte(static_cast<unsigned char>(prompt[i]))) return true;
    return false;
}

} // namespace vermiq
