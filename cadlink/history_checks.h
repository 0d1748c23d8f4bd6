// What the CAD's history and prompt tell about the user's part of a pass: how the tool's own
// selection ended, and whether the CAD speaks the language the tool reads.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vermiq {

// How the tool's own selection ended, read from the structure of the history rather than from
// its words: the line of the selection prompt that ended it, empty or not, and what came after.
struct SelectionOutcome {
    enum class Result {
        Found,         // the prompt's line was completed: something was picked
        Nothing,       // ended with an empty answer (Enter at an empty selection)
        Cancelled,     // cancelled ("キャンセル" in the selection)
        OtherCommand,  // no selection of the tool's own, or a command of the user's since, one
                       // that is not a mere repeat of the selection that picked nothing
    };
    Result result = Result::OtherCommand;
    // The CAD's count where it is written in a known form; none where the form is unknown.
    std::optional<long> count;
    // False when a line that the tool cannot read stands between the pick and the end of the
    // selection (the CAD may have refused what it counted): the words give no certainty.
    bool certain = true;
};

// `lines` are completed history lines. The tool's own selection is the first SELECT typed at the
// idle prompt after the last FILEDIA typed there (the pass's first command); with `single`, its
// answer "SI" follows it. After the selection, a bare idle prompt line or a repeated SELECT
// (Enter by habit) that picked nothing counts as nothing of the user's own.
SelectionOutcome ReadToolSelection(const std::vector<std::string>& lines, bool single);

// The count of a pick where the CAD writes it in a form that has a source: "認識された数: N",
// English "N found", and the older "N 個を検出". None for any other line.
std::optional<long> KnownCount(std::string_view line);

// Whether a prompt is in Japanese: it holds at least one double-byte character. Every prompt
// of a Japanese CAD does; an English or other single-byte one does not.
bool IsJapanesePrompt(std::string_view prompt);

} // namespace vermiq
