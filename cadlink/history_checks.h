// What the CAD's history and prompt tell about the user's part of a pass: whether the
// selection found an object, and whether the CAD speaks the language the tool reads.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vermiq {

// How the last selection command in the history ended.
enum class SelectionResult {
    Found,         // "N 個を検出" with N of at least 1, and no cancel after it
    Nothing,       // ended with no object found (Enter at an empty selection)
    Cancelled,     // cancelled ("キャンセル" after the command)
    OtherCommand,  // the last command started at the idle prompt is not the selection
};

// `lines` are completed history lines; `command` is the selection command as typed
// ("SELECT"), compared by its first word in any case. Only the lines after the last command
// typed at the idle prompt count: those are this pass's, whatever earlier passes selected.
SelectionResult LastSelectionResult(const std::vector<std::string>& lines, std::string_view command);

// Whether a prompt is in Japanese: it holds at least one double-byte character. Every prompt
// of a Japanese CAD does; an English or other single-byte one does not.
bool IsJapanesePrompt(std::string_view prompt);

} // namespace vermiq
