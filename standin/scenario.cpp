// The scripted user's file: parsing the actions.
#include "standin/scenario.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <sstream>

namespace standin {

namespace {

[[noreturn]] void Fail(int lineNumber, const std::string& what) {
    throw FormatError("scenario line " + std::to_string(lineNumber) + ": " + what);
}

int Whole(int lineNumber, const std::string& text, int minimum) {
    int value = 0;
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < minimum)
        Fail(lineNumber, "expected a whole number of at least " + std::to_string(minimum) + ": " + text);
    return value;
}

} // namespace

Scenario Scenario::Parse(std::string_view text) {
    std::vector<Action> actions;
    std::istringstream in{std::string(text)};
    std::string line;
    int lineNumber = 0, delay = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string verb, argument, extra;
        if (!(words >> verb) || verb.front() == '#') continue;
        words >> argument;
        if (words >> extra) Fail(lineNumber, "too many words");
        verb = AsciiUpper(verb);
        Action action;
        if (verb == "WAIT") {
            delay = Whole(lineNumber, argument, 0);
            continue;
        } else if (verb == "SELECT" && AsciiUpper(argument) == "NONE") {
            action.kind = Action::Kind::SelectNone;
        } else if ((verb == "SELECT" && argument.find(',') != std::string::npos) || verb == "WINDOW") {
            action.kind = verb == "WINDOW" ? Action::Kind::Window : Action::Kind::SelectSeveral;
            for (std::size_t at = 0; at <= argument.size();) {
                std::size_t comma = std::min(argument.find(',', at), argument.size());
                action.entities.push_back(Whole(lineNumber, argument.substr(at, comma - at), 1));
                at = comma + 1;
            }
        } else if (verb == "SELECT") {
            action.kind = Action::Kind::Select;
            action.entity = Whole(lineNumber, argument, 1);
        } else if (verb == "ENTER" && argument.empty()) {
            action.kind = Action::Kind::Enter;
        } else if (verb == "HANG") {
            action.kind = Action::Kind::Hang;
            action.durationMs = Whole(lineNumber, argument, 1);
        } else if (verb == "CANCEL" && argument.empty()) {
            action.kind = Action::Kind::Cancel;
        } else if (verb == "CLICK" && ParsePoint(argument, action.point)) {
            action.kind = Action::Kind::Click;
        } else if (verb == "ID" && ParsePoint(argument, action.point)) {
            action.kind = Action::Kind::OwnId;
        } else {
            Fail(lineNumber, "expected select K, select K,L,…, select none, window K,L,…, enter, cancel, click X,Y, id X,Y, hang MS or wait MS");
        }
        action.delayMs = delay;
        delay = 0;
        actions.push_back(action);
    }
    return Scenario(std::move(actions));
}

Scenario Scenario::Load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw FormatError("cannot read " + path);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return Parse(text);
}

} // namespace standin
