// The scripted user of the stand-in CAD: what a person would do at each interactive request.
//
// Scenario file format. Text, one action per line; blank lines and lines whose first non-blank
// character is '#' are ignored; verbs may be written in any case.
//
//   select K      selects entity K of the drawing (counted from 1 in the drawing file's order;
//                 the labels that -mtext adds follow the file's entities)
//   select none   presses Enter without selecting or picking anything
//   select K,L,…  selects the entities K, L, … in one pick (as a window would take them), then
//                 presses Enter, as a user ends a selection of several elements
//   window K,L,…  one pick that takes the entities K, L, … (a window), and nothing more
//   enter         presses Enter; at the idle prompt that repeats the last command (taken also
//                 while the CAD is idle, right after the action before it)
//   hang MS       the CAD stops answering messages for MS milliseconds, then takes the next
//                 action at the same request
//   cancel        presses Esc: the active command is cancelled ("*キャンセル*" in the history)
//   click X,Y     clicks the drawing at X,Y: at a point request that is the point; at a
//                 selection request it selects the entity under the point, if any
//   id X,Y        the user's own command: presses Esc (whatever is active is cancelled), runs
//                 ID and clicks X,Y
//   wait MS       the next action comes MS milliseconds after its request (otherwise at once,
//                 at the session's next tick)
//
// The actions are taken in order, one at each interactive request: SELECT's "オブジェクトを選択"
// and ID's "点を指定". Every other answer is typed by the tool. An action that does not fit the
// request (select K at a point request) cancels the command, with a history line saying so.
// When the actions run out, nothing more happens by itself: a person may still click.
#pragma once

#include "standin/drawing.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

struct Action {
    enum class Kind { Select, SelectNone, Cancel, Click, OwnId, SelectSeveral, Window, Enter, Hang };
    Kind kind = Kind::SelectNone;
    int entity = 0;     // Select: counted from 1
    Point point;        // Click, OwnId
    int delayMs = 0;    // from the request to the action
    std::vector<int> entities{}; // SelectSeveral, Window: counted from 1
    int durationMs = 0;          // Hang
    bool operator==(const Action&) const = default;
    // Taken whether or not the CAD asks for anything.
    bool AtAnyMoment() const { return kind == Kind::Enter; }
};

class Scenario {
public:
    Scenario() = default;
    explicit Scenario(std::vector<Action> actions) : actions_(std::move(actions)) {}
    // Throws FormatError (drawing.h) for a line that is none of the forms above.
    static Scenario Parse(std::string_view text);
    static Scenario Load(const std::string& path);

    bool Done() const { return next_ >= actions_.size(); }
    const Action& Next() const { return actions_[next_]; }
    void Pop() { ++next_; }
    const std::vector<Action>& Actions() const { return actions_; }

private:
    std::vector<Action> actions_;
    std::size_t next_ = 0;
};

} // namespace standin
