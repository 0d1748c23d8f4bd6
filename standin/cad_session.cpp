// The simulated CAD's command line: the input editor, the command interpreter and its commands.
//
// Each command is a chain of requests: a request shows a prompt and names what answers it (a
// typed input, a selection or a point); answering runs its handler, which asks the next request,
// finishes the command, or leaves the request standing to ask again. Requests stack up when a
// command runs transparently inside another.
#include "standin/cad_session.h"

#include "standin/drawing.h"
#include "standin/dxf_writer.h"
#include "standin/scenario.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>
#include <deque>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace standin {

namespace {

constexpr std::string_view kIdlePrompt = "コマンド: ";
constexpr std::string_view kCancelled = "*キャンセル*";
constexpr std::string_view kExporting = "DXF ファイルを書き出しています...";
constexpr std::string_view kReadOnly = "(読み込み専用)";
constexpr size_t kHistoryLimit = 5000;

enum class Mode { Word, Line }; // Word: CR or a blank ends the input; Line: only CR
using Pick = CadSession::Waiting;

struct Request {
    bool active = false;
    std::string prompt;
    Mode mode = Mode::Word;
    Pick pick = Pick::Nothing;
    bool transparentAllowed = true;
    std::function<void(const std::string&)> onText;
    std::function<void(const std::vector<int>&)> onSelect;
    std::function<void(Point)> onPoint;
};

struct SysVar {
    std::string value;
    bool readOnly = false;
};

std::string Fixed(double value, int decimals) {
    if (value == 0) value = 0;
    std::array<char, 400> buffer{};
    auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                std::chars_format::fixed, decimals);
    return std::string(buffer.data(), result.ptr);
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    return s;
}

// A command-line keyword: the input in any case is the keyword or a beginning of it.
bool IsKeyword(std::string_view input, std::string_view keyword) {
    std::string upper = AsciiUpper(Trim(input));
    return !upper.empty() && keyword.substr(0, upper.size()) == upper;
}

bool IsYes(std::string_view input) {
    std::string upper = AsciiUpper(Trim(input));
    return upper == "Y" || upper == "YES" || upper == "はい";
}

bool IsNo(std::string_view input) {
    std::string upper = AsciiUpper(Trim(input));
    return upper == "N" || upper == "NO" || upper == "いいえ";
}

bool WholeNumber(std::string_view text, int& value) {
    text = Trim(text);
    auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// A point as the CAD prints it: x,y,z with the unit precision (LUPREC) in decimals.
std::string PointText(Point p, int decimals) {
    return Fixed(p.x, decimals) + "," + Fixed(p.y, decimals) + "," + Fixed(0, decimals);
}

} // namespace

struct CadSession::Impl {
    SessionOptions options;
    std::unique_ptr<Drawing> drawing;
    std::unique_ptr<Scenario> scenario;
    std::vector<Request> stack; // empty while idle
    std::string typed;
    std::vector<std::string> history;
    std::vector<std::string> log;
    struct Pending {
        std::int64_t due;
        std::string text;
    };
    std::deque<Pending> pending;
    std::map<std::string, SysVar> variables;
    std::vector<int> previous;
    std::int64_t now = 0;
    std::int64_t requestTime = 0;
    std::uint64_t revision = 0;
    double pickTolerance = 0;
    std::string lastVariable;      // SETVAR's default
    std::int64_t busyUntil = -1;   // -1: no input has arrived yet
    struct Exporting {
        std::string path, text;
        std::int64_t until = 0;
    };
    std::optional<Exporting> exporting;
    std::string lastCommand;        // what Enter at the idle prompt repeats
    int failedCopies = 0;           // history copies still to place nothing
    std::string heldPath;           // the export held open until heldUntil
    std::int64_t heldUntil = 0;
    int hangMs = 0;                 // asked of the host, not yet taken

    std::string IdlePrompt() const { return std::string(options.english ? "Command: " : kIdlePrompt); }

    // When an input that arrives now may be taken up.
    std::int64_t DueTime() {
        std::int64_t due = now + options.lagMs;
        if (options.busyMs > 0 && busyUntil < 0) busyUntil = now + options.busyMs;
        if (busyUntil > due) due = busyUntil;
        return due;
    }

    Impl(std::unique_ptr<Drawing> d, std::unique_ptr<Scenario> s, SessionOptions o)
        : options(o), drawing(d ? std::move(d) : std::make_unique<Drawing>()), scenario(std::move(s)),
          failedCopies(o.failedCopies) {
        variables["FILEDIA"] = {"1", false};
        variables["CMDECHO"] = {"1", false};
        variables["LASTPOINT"] = {PointText({0, 0}, 4), false};
        variables["TEXTSIZE"] = {"2.5000", false};
        variables["LUPREC"] = {"4", false};
        variables["ACADVER"] = {"15.0", true};
        variables["DWGNAME"] = {"Drawing1.dwg", true};
        variables["SYSCODEPAGE"] = {"ANSI_932", true};
        variables["UCSORG"] = {PointText({0, 0}, 4), true};
        AddConventionVariables();
        // A CAD's text window is never empty: it shows the idle prompt from the start.
        history.push_back(IdlePrompt());
    }

    // ---- the command line

    std::string Prompt() const {
        if (exporting) return options.emptyPaneWhileWorking ? std::string() : std::string(kExporting);
        if (stack.empty()) return IdlePrompt();
        return (stack.size() > 1 ? ">>" : "") + stack.back().prompt;
    }

    Mode CurrentMode() const { return stack.empty() ? Mode::Word : stack.back().mode; }

    // A blank inside an opening double quote belongs to the input (a file name with blanks).
    bool InOpenQuote() const {
        return !typed.empty() && typed.front() == '"' && typed.find('"', 1) == std::string::npos;
    }

    void Feed(std::string_view text) {
        for (size_t i = 0; i < text.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(text[i]);
            if (IsLeadByte(c) && i + 1 < text.size()) {
                typed += text.substr(i, 2);
                ++i;
            } else if (c == 3) {
                Cancel();
            } else if (c == '\r' || (c == ' ' && CurrentMode() == Mode::Word && !InOpenQuote())) {
                Enter();
            } else if (c == 8) {
                Backspace();
            } else if (c >= 0x20 && c != 0x7F) {
                typed += static_cast<char>(c);
            }
        }
    }

    void Backspace() {
        if (typed.empty()) return;
        size_t last = 0;
        for (size_t i = 0; i < typed.size(); i += IsLeadByte(static_cast<unsigned char>(typed[i])) ? 2 : 1)
            last = i;
        typed.erase(last);
    }

    void AddHistory(std::string line) {
        size_t width = options.historyWidth > 0 ? static_cast<size_t>(options.historyWidth) : 0;
        while (width > 0 && line.size() > width) {
            // The longest head of whole characters that fits, broken after its last blank when
            // that blank lies in the second half.
            size_t end = 0, blank = 0;
            while (end < line.size()) {
                size_t step = IsLeadByte(static_cast<unsigned char>(line[end])) && end + 1 < line.size() ? 2 : 1;
                if (end + step > width) break;
                end += step;
                if (line[end - 1] == ' ') blank = end;
            }
            if (end == 0) end = std::min(line.size(), size_t{2});
            if (blank > width / 2) end = blank;
            PushHistory(line.substr(0, end));
            line.erase(0, end);
        }
        PushHistory(std::move(line));
    }

    void PushHistory(std::string line) {
        history.push_back(std::move(line));
        if (history.size() > kHistoryLimit) history.erase(history.begin());
    }

    void Enter() {
        std::string input = std::move(typed);
        typed.clear();
        if (stack.empty()) {
            if (Trim(input).empty()) {
                // Enter by habit repeats the last command; the line shows only the idle prompt.
                if (lastCommand.empty()) return;
                AddHistory(IdlePrompt());
                StartCommand(lastCommand);
                return;
            }
            AddHistory(IdlePrompt() + input);
            lastCommand = input;
            StartCommand(input);
            return;
        }
        Request& request = stack.back();
        AddHistory(Prompt() + input);
        if (request.mode == Mode::Word && !input.empty() && input.front() == '\'') {
            if (request.transparentAllowed) StartTransparent(input.substr(1));
            return;
        }
        auto handler = request.onText;
        if (handler) handler(input);
        requestTime = now; // every answer is followed by a prompt, the same one or the next
    }

    void Cancel() {
        AddHistory(Prompt() + typed + std::string(options.english ? "*Cancel*" : kCancelled));
        typed.clear();
        stack.clear();
    }

    // ---- requests

    void Ask(Request request) {
        request.active = true;
        stack.back() = std::move(request);
        requestTime = now;
    }

    void Finish() {
        if (!stack.empty()) stack.pop_back();
        requestTime = now;
    }

    void StartCommand(const std::string& input) {
        stack.emplace_back();
        size_t depth = stack.size();
        std::string name = AsciiUpper(Trim(input));
        while (!name.empty() && (name.front() == '_' || name.front() == '.' || name.front() == '\'')) name.erase(0, 1);
        if (name == "SELECT") {
            StartSelect();
        } else if (name == "DXFOUT") {
            StartDxfout();
        } else if (name == "ID") {
            StartId();
        } else if (name == "-MTEXT") {
            StartMtext();
        } else if (name == "SETVAR") {
            StartSetvar();
        } else if (name == "-LAYER") {
            StartLayer();
        } else if (variables.count(name)) {
            SetvarFor(name);
        } else {
            AddHistory("コマンド \"" + std::string(Trim(input)) + "\" は定義されていません。");
        }
        if (stack.size() == depth && !stack.back().active) Finish();
    }

    void StartTransparent(const std::string& input) {
        std::string name = AsciiUpper(Trim(input));
        if (name == "SETVAR" || variables.count(name)) {
            StartCommand(input);
        } else {
            AddHistory("コマンド \"" + std::string(Trim(input)) + "\" は透過的には使えません。");
        }
    }

    // ---- variables

    void StartSetvar() {
        Request r;
        r.prompt = lastVariable.empty() ? "変数名を入力 または [?]: " : "変数名を入力 または [?] <" + lastVariable + ">: ";
        r.onText = [this](const std::string& input) {
            std::string name = AsciiUpper(Trim(input));
            if (name.empty()) {
                Finish();
            } else if (name == "?") {
                for (const auto& [key, variable] : variables)
                    AddHistory(key + " = " + variable.value + (variable.readOnly ? " " + std::string(kReadOnly) : ""));
                Finish();
            } else if (variables.count(name)) {
                SetvarFor(name);
            } else {
                AddHistory("変数名 \"" + name + "\" はありません。");
                Finish();
            }
        };
        Ask(std::move(r));
    }

    void SetvarFor(const std::string& name) {
        lastVariable = name;
        const SysVar& variable = variables[name];
        if (variable.readOnly) {
            AddHistory(name + " = " + ShownValue(name, variable.value) + " " + std::string(kReadOnly));
            Finish();
            return;
        }
        Request r;
        r.prompt = name + " の新しい値を入力 <" + ShownValue(name, variable.value) + ">: ";
        r.onText = [this, name](const std::string& input) {
            if (Trim(input).empty()) {
                Finish();
            } else if (std::string error = Assign(name, std::string(Trim(input))); !error.empty()) {
                AddHistory(error);
            } else {
                Finish();
            }
        };
        Ask(std::move(r));
    }

    // Sets a writable variable from typed text; the complaint when the text does not fit it.
    std::string Assign(const std::string& name, const std::string& text) {
        std::string value = text;
        if (name == "FILEDIA" || name == "CMDECHO") {
            int n = 0;
            if (!WholeNumber(text, n) || (n != 0 && n != 1)) return "0 または 1 を入力してください。";
            value = std::to_string(n);
        } else if (name == "LUPREC") {
            int n = 0;
            if (!WholeNumber(text, n) || n < 0 || n > 8) return "0 から 8 までの整数を入力してください。";
            value = std::to_string(n);
        } else if (name == "LASTPOINT") {
            Point p;
            if (!ParsePoint(text, p)) return "点を x,y の形で入力してください。";
            value = PointText(p, Decimals());
        } else if (name == "TEXTSIZE") {
            double h = 0;
            if (!ParseNumber(text, h) || !(h > 0)) return "0 より大きな値を入力してください。";
            value = Fixed(h, 4);
        } else if (std::string error = AssignConvention(name, text, value); !error.empty()) {
            return error;
        }
        SetVariable(name, value);
        return {};
    }

    // A typed point is in the user's coordinate system (see ToWorld) unless it begins with "*",
    // which makes it a world point; ID reports in it.
    bool TypedPoint(std::string_view input, Point& p) const {
        std::string_view text = Trim(input);
        bool world = !text.empty() && text.front() == '*';
        if (world) text.remove_prefix(1);
        if (!ParsePoint(text, p)) return false;
        if (!world) p = ToWorld(p);
        return true;
    }

    void SetVariable(const std::string& name, const std::string& value) {
        SysVar& variable = variables[name];
        if (variable.value != value) ++revision;
        variable.value = value;
    }

    // ---- the drawing's conventions: the user's coordinate system (UCSORG, UCSXDIR, UCSYDIR),
    // how a typed angle reads (ANGBASE, ANGDIR, AUNITS; ANGBASE shown with AUPREC decimals in
    // the angle unit) and layers (-LAYER, CLAYER; every label records its layer)

    std::vector<std::string> layers{"0"};

    void AddConventionVariables() {
        variables["UCSXDIR"] = {PointText({1, 0}, 4), true};
        variables["UCSYDIR"] = {PointText({0, 1}, 4), true};
        variables["ANGBASE"] = {"0", false};  // degrees, counter-clockwise from the user's X axis
        variables["ANGDIR"] = {"0", false};
        variables["AUNITS"] = {"0", false};
        variables["AUPREC"] = {"0", false};
        variables["CLAYER"] = {"0", false};
    }

    int IntVariable(std::string_view name) const {
        int value = 0;
        WholeNumber(Variable(name), value);
        return value;
    }

    struct Axes {
        Point origin, x{1, 0}, y{0, 1};
    };
    Axes UserAxes() const {
        Axes a;
        ParsePoint(Variable("UCSORG"), a.origin);
        ParsePoint(Variable("UCSXDIR"), a.x);
        ParsePoint(Variable("UCSYDIR"), a.y);
        return a;
    }
    bool PlainAxes() const {
        const Axes a = UserAxes();
        return a.x == Point{1, 0} && a.y == Point{0, 1};
    }
    Point ToWorld(Point p) const {
        const Axes a = UserAxes();
        return {a.origin.x + p.x * a.x.x + p.y * a.y.x, a.origin.y + p.x * a.x.y + p.y * a.y.y};
    }
    Point ToUser(Point world) const {
        const Axes a = UserAxes();
        const Point d{world.x - a.origin.x, world.y - a.origin.y};
        return {d.x * a.x.x + d.y * a.x.y, d.x * a.y.x + d.y * a.y.y};
    }

    // Degrees, minutes, seconds: 30d, 30d15', 30d15'7.2".
    static std::optional<double> Dms(std::string_view text) {
        const size_t d = text.find('d');
        double degrees = 0, part = 0;
        if (d == std::string_view::npos || !ParseNumber(text.substr(0, d), degrees)) return std::nullopt;
        const double sign = text.front() == '-' ? -1 : 1;
        text.remove_prefix(d + 1);
        double unit = 1.0 / 60;
        for (char mark : {'\'', '"'}) {
            if (text.empty()) break;
            const size_t end = text.find(mark);
            if (end == std::string_view::npos || !ParseNumber(text.substr(0, end), part)) return std::nullopt;
            degrees += sign * part * unit;
            text.remove_prefix(end + 1);
            unit /= 60;
        }
        if (!text.empty()) return std::nullopt;
        return degrees;
    }

    // A bearing's direction, counter-clockwise from the user's X axis: N, S, E, W, N45d0'0"E.
    static std::optional<double> BearingDirection(std::string_view text) {
        const std::string upper = AsciiUpper(text);
        if (upper == "E") return 0.0;
        if (upper == "N") return 90.0;
        if (upper == "W") return 180.0;
        if (upper == "S") return 270.0;
        if (upper.size() < 3 || (upper.front() != 'N' && upper.front() != 'S') ||
            (upper.back() != 'E' && upper.back() != 'W'))
            return std::nullopt;
        std::optional<double> offset = Dms(std::string_view(text).substr(1, text.size() - 2));
        if (!offset) return std::nullopt;
        const double east = upper.back() == 'E' ? 1 : -1;
        return upper.front() == 'N' ? 90 - east * *offset : 270 + east * *offset;
    }

    // A typed angle in the drawing's unit only: a number, or that unit's own form (30d15'7.2",
    // 100g, 1.5r); with surveyor's units only a bearing. In degrees; a bearing as a direction.
    std::optional<double> TypedAngle(std::string_view text, bool& bearing) const {
        text = Trim(text);
        bearing = false;
        double value = 0;
        switch (IntVariable("AUNITS")) {
        case 1:
            if (text.find('d') != std::string_view::npos) return Dms(text);
            break;
        case 2:
        case 3: {
            const bool grads = IntVariable("AUNITS") == 2;
            if (!text.empty() && text.back() == (grads ? 'g' : 'r')) text.remove_suffix(1);
            if (!ParseNumber(text, value)) return std::nullopt;
            return grads ? value * 0.9 : value * 180 / std::numbers::pi;
        }
        case 4:
            bearing = true;
            return BearingDirection(text);
        }
        if (!ParseNumber(text, value)) return std::nullopt;
        return value;
    }

    // The world direction of a typed rotation.
    std::optional<double> TypedRotation(std::string_view text) const {
        bool bearing = false;
        std::optional<double> angle = TypedAngle(text, bearing);
        if (!angle) return std::nullopt;
        double base = 0;
        ParseNumber(Variable("ANGBASE"), base);
        const double user = bearing ? *angle : IntVariable("ANGDIR") == 1 ? base - *angle : base + *angle;
        if (PlainAxes()) return user;
        const Axes a = UserAxes();
        const double c = std::cos(user * std::numbers::pi / 180), s = std::sin(user * std::numbers::pi / 180);
        return std::atan2(c * a.x.y + s * a.y.y, c * a.x.x + s * a.y.x) * 180 / std::numbers::pi;
    }

    // An angle as the CAD shows it: in AUNITS with AUPREC decimals.
    std::string ShownAngle(double degrees) const {
        const int decimals = std::clamp(IntVariable("AUPREC"), 0, 8);
        degrees = std::fmod(std::fmod(degrees, 360) + 360, 360);
        auto dms = [&](double value) {
            const double whole = std::floor(value + 0.5 / 3600);
            const double minutes = std::floor((value - whole) * 60 + 0.5 / 60);
            const double seconds = std::round(((value - whole) * 60 - minutes) * 60);
            if (decimals == 0) return Fixed(std::round(value), 0) + "d";
            if (decimals <= 2) return Fixed(whole, 0) + "d" + Fixed(std::round((value - whole) * 60), 0) + "'";
            return Fixed(whole, 0) + "d" + Fixed(minutes, 0) + "'" + Fixed(seconds, 0) + "\"";
        };
        switch (IntVariable("AUNITS")) {
        case 1: return dms(degrees);
        case 2: return Fixed(degrees / 0.9, decimals) + "g";
        case 3: return Fixed(degrees * std::numbers::pi / 180, decimals) + "r";
        case 4: {
            if (degrees == 0) return "E";
            if (degrees == 90) return "N";
            if (degrees == 180) return "W";
            if (degrees == 270) return "S";
            const bool north = degrees < 180;
            const double offset = north ? std::abs(90 - degrees) : std::abs(270 - degrees);
            const bool east = degrees < 90 || degrees > 270;
            return std::string(north ? "N " : "S ") + dms(offset) + (east ? " E" : " W");
        }
        }
        return Fixed(degrees, decimals);
    }

    // A variable's value as its prompt and its read-only answer show it.
    std::string ShownValue(const std::string& name, const std::string& value) const {
        Point p;
        if (name == "ANGBASE") {
            double degrees = 0;
            ParseNumber(value, degrees);
            return ShownAngle(degrees);
        }
        if ((name == "UCSXDIR" || name == "UCSYDIR") && ParsePoint(value, p))
            return PointText(p, Decimals());
        return value;
    }

    std::string AssignConvention(const std::string& name, const std::string& text, std::string& value) {
        int n = 0;
        if (name == "ANGBASE") {
            bool bearing = false;
            std::optional<double> angle = TypedAngle(text, bearing);
            if (!angle) return "角度を入力してください。";
            value = FormatNumber(*angle);
        } else if (name == "ANGDIR" || name == "AUNITS" || name == "AUPREC") {
            const int most = name == "ANGDIR" ? 1 : name == "AUNITS" ? 4 : 8;
            if (!WholeNumber(text, n) || n < 0 || n > most) return "0 から " + std::to_string(most) + " までの整数を入力してください。";
            value = std::to_string(n);
        } else if (name == "CLAYER") {
            const std::string* layer = FindLayer(text);
            if (!layer) return "画層 \"" + text + "\" はありません。";
            value = *layer;
        }
        return {};
    }

    const std::string* FindLayer(std::string_view name) const {
        for (const std::string& layer : layers)
            if (AsciiUpper(layer) == AsciiUpper(name)) return &layer;
        return nullptr;
    }

    static bool ValidLayerName(std::string_view name) {
        for (size_t i = 0; i < name.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(name[i]);
            if (IsLeadByte(c)) ++i;
            else if (c < ' ' || std::string_view("<>/\\\":;?*|,=`'").find(static_cast<char>(c)) != std::string_view::npos)
                return false;
        }
        return !name.empty();
    }

    // -LAYER: options M(ake: created if missing, made current), S(et current), N(ew); Enter ends.
    void StartLayer() {
        Request r;
        r.prompt = "オプションを入力 [作成(M)/現在に設定(S)/新規作成(N)]: ";
        r.onText = [this](const std::string& input) {
            std::string word = AsciiUpper(Trim(input));
            if (!word.empty() && word.front() == '_') word.erase(0, 1);
            if (word.empty()) Finish();
            else if (word == "M" || word == "MAKE") AskLayerName("現在にする画層の名前を入力 <" + Variable("CLAYER") + ">: ", true, true);
            else if (word == "S" || word == "SET") AskLayerName("現在にする画層の名前を入力: ", false, true);
            else if (word == "N" || word == "NEW") AskLayerName("新しい画層の名前を入力: ", true, false);
            else AddHistory("オプション (M, S, N) を入力してください。");
        };
        Ask(std::move(r));
    }

    void AskLayerName(std::string prompt, bool create, bool makeCurrent) {
        Request r;
        r.prompt = std::move(prompt);
        r.onText = [this, create, makeCurrent](const std::string& input) {
            const std::string name(Trim(input));
            const std::string* known = name.empty() ? nullptr : FindLayer(name);
            if (name.empty()) {
            } else if (!ValidLayerName(name)) {
                AddHistory("画層名 \"" + name + "\" は使えません。");
            } else if (!known && !create) {
                AddHistory("画層 \"" + name + "\" が見つかりません。");
            } else {
                if (!known) {
                    layers.push_back(name);
                    ++revision;
                }
                if (makeCurrent) SetVariable("CLAYER", known ? *known : name);
            }
            StartLayer();
        };
        Ask(std::move(r));
    }

    // ---- selection

    using FoundForm = SessionOptions::FoundForm;

    // The count of one pick. Only the English form and the Japanese "認識された数: N" have a
    // source; the Japanese total and the unseen form are the stand-in's own.
    std::string FoundText(size_t found, size_t total) const {
        const std::string n = std::to_string(found);
        if (options.english) return n + " found" + (total != found ? ", " + std::to_string(total) + " total" : "");
        std::string text = options.foundForm == FoundForm::Older    ? n + " 個を検出"
                           : options.foundForm == FoundForm::Unseen ? "《" + n + "》"
                                                                    : "認識された数: " + n;
        if (total != found) text += "、合計 " + std::to_string(total) + " 個";
        return text;
    }

    bool Locked(int index) const {
        const auto& locked = options.lockedEntities;
        return std::find(locked.begin(), locked.end(), index + 1) != locked.end();
    }

    // "オブジェクトを選択: " until Enter, or, in single mode, until something is selected.
    // `allowSingle` offers the SI option (SELECT); `done` runs when the selection ends.
    void AskObjects(std::shared_ptr<std::vector<int>> set, std::shared_ptr<bool> single, bool allowSingle,
                    std::function<void()> done) {
        auto add = [this, set, single, done](const std::vector<int>& picked, bool typedEcho) {
            size_t refused = 0;
            for (int index : picked) {
                if (Locked(index)) ++refused;
                else if (std::find(set->begin(), set->end(), index) == set->end()) set->push_back(index);
            }
            std::string found = FoundText(picked.size(), set->size() + refused);
            if (typedEcho) {
                AddHistory(found);
            } else if (options.foundForm == FoundForm::Older && !options.english) {
                AddHistory(Prompt());
                AddHistory(found);
            } else {
                AddHistory(Prompt() + found);
            }
            // The Japanese wording of the refusal has no source; the tool must not need it.
            if (refused > 0)
                AddHistory(std::to_string(refused) +
                           (options.english ? (refused == 1 ? " was on a locked layer." : " were on a locked layer.")
                                            : " 個はロックされた画層上にあります。"));
            if (*single && !picked.empty()) done();
        };
        Request r;
        r.prompt = options.english ? "Select objects: " : "オブジェクトを選択: ";
        r.pick = Pick::Selection;
        r.onText = [this, set, single, allowSingle, done, add](const std::string& input) {
            std::string word = AsciiUpper(Trim(input));
            int count = static_cast<int>(drawing->Entities().size());
            Point p;
            if (word.empty()) {
                done();
            } else if (allowSingle && word == "SI") {
                *single = true;
            } else if (word == "P" || word == "PREV" || word == "PREVIOUS") {
                add(previous, true);
            } else if (word == "ALL") {
                std::vector<int> all(static_cast<size_t>(count));
                for (int i = 0; i < count; ++i) all[static_cast<size_t>(i)] = i;
                add(all, true);
            } else if (word == "L" || word == "LAST") {
                add(count > 0 ? std::vector<int>{count - 1} : std::vector<int>{}, true);
            } else if (TypedPoint(word, p)) {
                int hit = drawing->HitTest(p, Tolerance());
                add(hit >= 0 ? std::vector<int>{hit} : std::vector<int>{}, true);
            } else {
                AddHistory("オブジェクトを選択するか、オプション (P, ALL, L" + std::string(allowSingle ? ", SI" : "") +
                           ") を入力してください。");
            }
        };
        r.onSelect = [add](const std::vector<int>& picked) { add(picked, false); };
        Ask(std::move(r));
    }

    void StartSelect() {
        auto set = std::make_shared<std::vector<int>>();
        AskObjects(set, std::make_shared<bool>(false), true, [this, set] {
            if (!set->empty()) previous = *set;
            Finish();
        });
    }

    double Tolerance() const {
        if (pickTolerance > 0) return pickTolerance;
        Extents e = drawing->Bounds();
        double span = e.empty ? 0 : std::max(e.max.x - e.min.x, e.max.y - e.min.y);
        return span > 0 ? span / 100 : 1;
    }

    // ---- ID

    int Decimals() const {
        int decimals = 4;
        WholeNumber(Variable("LUPREC"), decimals);
        return std::clamp(decimals, 0, 8);
    }

    void StartId() {
        auto answer = [this](Point world) {
            Point p = ToUser(world);
            int decimals = Decimals();
            AddHistory("X = " + Fixed(p.x, decimals) + "  Y = " + Fixed(p.y, decimals) + "  Z = " + Fixed(0, decimals));
            SetVariable("LASTPOINT", PointText(p, decimals));
            Finish();
        };
        Request r;
        r.prompt = options.english ? "Specify point: " : "点を指定: ";
        r.pick = Pick::Point;
        r.onText = [this, answer](const std::string& input) {
            Point p;
            if (Trim(input).empty()) Finish();
            else if (TypedPoint(input, p)) answer(p);
            else AddHistory("点を x,y の形で指定してください。");
        };
        r.onPoint = [this, answer](Point p) {
            AddHistory(Prompt());
            answer(p);
        };
        Ask(std::move(r));
    }

    // ---- DXFOUT

    struct Export {
        std::string path;
        bool hasObjects = false;
        std::shared_ptr<std::vector<int>> objects = std::make_shared<std::vector<int>>();
        int decimals = 16;
    };

    void StartDxfout() {
        if (Variable("FILEDIA") != "0") {
            AddHistory("ファイル ダイアログはありません。FILEDIA を 0 にするとファイル名を入力できます。");
            return;
        }
        std::string defaultName = Variable("DWGNAME");
        defaultName = defaultName.substr(0, defaultName.rfind('.')) + ".dxf";
        Request r;
        r.prompt = "ファイル名を入力 <" + defaultName + ">: ";
        r.onText = [this, defaultName](const std::string& input) {
            std::string name(Trim(input));
            if (!name.empty() && name.front() == '"') name.erase(0, 1);
            if (!name.empty() && name.back() == '"') name.pop_back();
            if (name.empty()) name = defaultName;
            size_t slash = name.find_last_of("\\/");
            size_t dot = name.rfind('.');
            if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) name += ".dxf";
            auto state = std::make_shared<Export>();
            state->path = name;
            AskExportOptions(state);
        };
        Ask(std::move(r));
    }

    void AskExportOptions(std::shared_ptr<Export> state) {
        Request r;
        r.prompt = state->hasObjects
                       ? "オプションを入力 [バージョン(V)/バイナリ(B)] または 小数点以下の桁数 (0-16) <16>: "
                       : "オプションを入力 [バージョン(V)/オブジェクト(O)/バイナリ(B)] または 小数点以下の桁数 (0-16) <16>: ";
        r.onText = [this, state](const std::string& input) {
            int decimals = 0;
            if (Trim(input).empty()) {
                state->decimals = 16;
                AskExportQuestions(state);
            } else if (WholeNumber(input, decimals)) {
                if (decimals < 0 || decimals > 16) {
                    AddHistory("桁数は 0 から 16 までです。");
                    return;
                }
                state->decimals = decimals;
                AskExportQuestions(state);
            } else if (IsKeyword(input, "VERSION")) {
                AskExportVersion(state);
            } else if (!state->hasObjects && IsKeyword(input, "OBJECTS")) {
                AskObjects(state->objects, std::make_shared<bool>(false), false, [this, state] {
                    state->hasObjects = true;
                    if (!state->objects->empty()) previous = *state->objects;
                    AskExportOptions(state);
                });
            } else if (IsKeyword(input, "BINARY")) {
                AddHistory("バイナリ形式では書き出せません。");
            } else {
                AddHistory("オプションか桁数を入力してください。");
            }
        };
        Ask(std::move(r));
    }

    void AskExportVersion(std::shared_ptr<Export> state) {
        Request r;
        r.prompt = "バージョンを入力 [2000] <2000>: ";
        r.onText = [this, state](const std::string& input) {
            std::string version = AsciiUpper(Trim(input));
            if (version.empty() || version == "2000" || version == "R2000") AskExportOptions(state);
            else AddHistory("書き出せるのはバージョン 2000 だけです。");
        };
        Ask(std::move(r));
    }

    void AskExportQuestions(std::shared_ptr<Export> state) {
        if (state->hasObjects && state->objects->empty()) {
            AddHistory("オブジェクトが選択されていません。");
            Finish();
            return;
        }
        if (options.askExport) {
            AskYesNo("選択したオブジェクトを DXF ファイルに書き出しますか? [はい(Y)/いいえ(N)] <Y>: ", true,
                     [this, state] { AskReplace(state); });
        } else {
            AskReplace(state);
        }
    }

    void AskReplace(std::shared_ptr<Export> state) {
        if (std::ifstream(state->path, std::ios::binary).good()) {
            AskYesNo("ファイル \"" + state->path + "\" は既にあります。置き換えますか? [はい(Y)/いいえ(N)] <N>: ",
                     false, [this, state] { WriteExport(*state); });
        } else {
            WriteExport(*state);
        }
    }

    void AskYesNo(std::string prompt, bool enterMeansYes, std::function<void()> yes) {
        Request r;
        r.prompt = std::move(prompt);
        r.onText = [this, enterMeansYes, yes](const std::string& input) {
            if (IsYes(input) || (enterMeansYes && Trim(input).empty())) {
                yes();
            } else if (IsNo(input) || Trim(input).empty()) {
                AddHistory("書き出しを取りやめました。");
                Finish();
            } else {
                AddHistory("Y か N を入力してください。");
            }
        };
        Ask(std::move(r));
    }

    void WriteExport(const Export& state) {
        std::vector<const Entity*> entities;
        std::vector<int> objects;
        const auto& all = drawing->Entities();
        if (state.hasObjects) objects = *state.objects;
        else
            for (int index = 0; index < static_cast<int>(all.size()); ++index) objects.push_back(index);
        for (int index : objects) entities.push_back(&all[static_cast<size_t>(index)]);
        std::string text = WriteDxf(entities, state.decimals, objects);
        if (options.exportMs > 0) {
            // A large export: the first part is on disk at once, the rest when it ends.
            WriteFile(state.path, std::string_view(text).substr(0, text.size() / 2));
            exporting = Exporting{state.path, std::move(text), now + options.exportMs};
            return;
        }
        EndExport(state.path, text);
    }

    bool WriteFile(const std::string& path, std::string_view text) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        return static_cast<bool>(out);
    }

    void EndExport(const std::string& path, const std::string& text) {
        if (!WriteFile(path, text)) {
            AddHistory("ファイル \"" + path + "\" に書き込めません。");
        } else {
            AddHistory("DXF ファイル \"" + path + "\" を書き出しました。");
            if (options.exportHeldMs > 0) {
                heldPath = path;
                heldUntil = now + options.exportHeldMs;
            }
        }
        Finish();
    }

    // ---- -MTEXT

    struct Label {
        Entity entity;
        std::vector<std::string> lines;
    };

    void StartMtext() {
        auto label = std::make_shared<Label>();
        label->entity.kind = EntityKind::Mtext;
        label->entity.layer = Variable("CLAYER");
        ParseNumber(Variable("TEXTSIZE"), label->entity.height);
        Request r;
        r.prompt = "最初のコーナーを指定: ";
        r.onText = [this, label](const std::string& input) {
            if (Trim(input).empty()) Finish();
            else if (TypedPoint(input, label->entity.position)) AskMtextOption(label);
            else AddHistory("点を x,y の形で指定してください。");
        };
        Ask(std::move(r));
    }

    // One option's value; then back to the options, or, after the width, on to the text.
    void AskMtextValue(std::shared_ptr<Label> label, std::string prompt, bool thenText,
                       std::function<std::string(Entity&, const std::string&)> take) {
        Request r;
        r.prompt = std::move(prompt);
        r.onText = [this, label, thenText, take](const std::string& input) {
            if (Trim(input).empty() && !thenText) {
                AskMtextOption(label);
            } else if (std::string error = take(label->entity, std::string(Trim(input))); !error.empty()) {
                AddHistory(error);
            } else if (thenText) {
                AskMtextLine(label);
            } else {
                AskMtextOption(label);
            }
        };
        Ask(std::move(r));
    }

    void AskMtextOption(std::shared_ptr<Label> label) {
        Request r;
        r.prompt = "もう一方のコーナーを指定 または [高さ(H)/位置合わせ(J)/回転角度(R)/文字スタイル(S)/幅(W)]: ";
        r.onText = [this, label](const std::string& input) {
            const Entity& e = label->entity;
            Point corner;
            if (TypedPoint(input, corner)) {
                label->entity.width = std::abs(corner.x - e.position.x);
                AskMtextLine(label);
            } else if (IsKeyword(input, "HEIGHT")) {
                AskMtextValue(label, "文字の高さを指定 <" + Fixed(e.height, 4) + ">: ", false,
                              [this](Entity& entity, const std::string& v) {
                                  double h = 0;
                                  if (!ParseNumber(v, h) || !(h > 0)) return std::string("0 より大きな値を入力してください。");
                                  entity.height = h;
                                  SetVariable("TEXTSIZE", Fixed(h, 4));
                                  return std::string();
                              });
            } else if (IsKeyword(input, "JUSTIFY")) {
                AskMtextValue(label,
                              "位置合わせを入力 [左上(TL)/上中心(TC)/右上(TR)/左中央(ML)/中央(MC)/右中央(MR)/左下(BL)/下中心(BC)/右下(BR)] <" +
                                  std::string(JustificationName(e.attachment)) + ">: ",
                              false, [](Entity& entity, const std::string& v) {
                                  int attachment = JustificationFromName(v);
                                  if (attachment == 0) return std::string("TL から BR までの位置合わせを入力してください。");
                                  entity.attachment = attachment;
                                  return std::string();
                              });
            } else if (IsKeyword(input, "ROTATION")) {
                AskMtextValue(label, "回転角度を指定 <" + FormatNumber(e.rotation) + ">: ", false,
                              [this](Entity& entity, const std::string& v) {
                                  std::optional<double> angle = TypedRotation(v);
                                  if (!angle) return std::string("角度を数値で入力してください。");
                                  entity.rotation = *angle;
                                  return std::string();
                              });
            } else if (IsKeyword(input, "STYLE")) {
                AskMtextValue(label, "文字スタイル名を入力 <Standard>: ", false, [](Entity&, const std::string& v) {
                    return AsciiUpper(v) == "STANDARD" ? std::string() : "文字スタイル \"" + v + "\" はありません。";
                });
            } else if (IsKeyword(input, "WIDTH")) {
                AskMtextValue(label, "幅を指定: ", true, [](Entity& entity, const std::string& v) {
                    double width = 0;
                    if (!ParseNumber(v, width) || width < 0) return std::string("0 以上の値を入力してください。");
                    entity.width = width;
                    return std::string();
                });
            } else {
                AddHistory("点かオプション (H, J, R, S, W) を入力してください。");
            }
        };
        Ask(std::move(r));
    }

    void AskMtextLine(std::shared_ptr<Label> label) {
        Request r;
        r.prompt = "マルチ テキスト: ";
        r.mode = Mode::Line;
        r.transparentAllowed = false;
        r.onText = [this, label](const std::string& input) {
            if (!input.empty()) {
                label->lines.push_back(input);
                return;
            }
            if (!label->lines.empty()) {
                std::string text;
                for (size_t i = 0; i < label->lines.size(); ++i) text += (i ? "\\P" : "") + label->lines[i];
                label->entity.text = std::move(text);
                drawing->Add(label->entity);
                ++revision;
            }
            Finish();
        };
        Ask(std::move(r));
    }

    // ---- the user

    std::string Variable(std::string_view name) const {
        auto it = variables.find(AsciiUpper(name));
        return it == variables.end() ? std::string() : it->second.value;
    }

    Pick Waiting() const { return stack.empty() || !stack.back().active ? Pick::Nothing : stack.back().pick; }

    void Select(const std::vector<int>& picked) {
        if (Waiting() != Pick::Selection) return;
        typed.clear();
        auto handler = stack.back().onSelect;
        handler(picked);
        requestTime = now;
    }

    void Click(Point p) {
        if (Waiting() == Pick::Point) {
            typed.clear();
            auto handler = stack.back().onPoint;
            handler(p);
            requestTime = now;
        } else if (Waiting() == Pick::Selection) {
            int hit = drawing->HitTest(p, Tolerance());
            Select(hit >= 0 ? std::vector<int>{hit} : std::vector<int>{});
        }
    }

    void PressEnter() {
        if (Waiting() == Pick::Nothing) return;
        typed.clear();
        Enter();
    }

    void Perform(const Action& action) {
        switch (action.kind) {
        case Action::Kind::Cancel:
            Cancel();
            break;
        case Action::Kind::SelectNone:
            PressEnter();
            break;
        case Action::Kind::Click:
            Click(action.point);
            break;
        case Action::Kind::OwnId:
            Cancel();
            Feed("ID\r");
            Click(action.point);
            break;
        case Action::Kind::Enter:
            typed.clear();
            Enter();
            break;
        case Action::Kind::Hang:
            hangMs += action.durationMs;
            break;
        case Action::Kind::Select:
        case Action::Kind::Window:
        case Action::Kind::SelectSeveral: {
            if (Waiting() != Pick::Selection) {
                AddHistory("(シナリオ: select " + std::to_string(action.entity) + " は点の指定に使えません)");
                Cancel();
                break;
            }
            std::vector<int> picked;
            const bool several = action.kind == Action::Kind::SelectSeveral;
            for (int entity : action.kind == Action::Kind::Select ? std::vector<int>{action.entity} : action.entities)
                if (entity - 1 < static_cast<int>(drawing->Entities().size()) &&
                    std::find(picked.begin(), picked.end(), entity - 1) == picked.end())
                    picked.push_back(entity - 1);
            Select(picked);
            // Several elements make a selection that the user ends with Enter.
            if (several) PressEnter();
            break;
        }
        }
    }

    // When the scripted user will next act, if it is waiting to.
    bool NextScenarioTime(std::int64_t& at) const {
        if (!scenario || scenario->Done() || (Waiting() == Pick::Nothing && !scenario->Next().AtAnyMoment()))
            return false;
        at = requestTime + scenario->Next().delayMs;
        return true;
    }

    // Moves the clock to `target`, taking lagging input up and letting the scripted user act in
    // the order their moments come, so that a long step plays out as many short ones would.
    void AdvanceTo(std::int64_t target) {
        for (;;) {
            // Input that is due goes before the user: the CAD takes what waits in its queue up
            // before anyone can act on the prompt it shows in between.
            if (exporting || pending.empty() || pending.front().due > now) Serve();
            // A hang asked for stops the session here: the host answers nothing until it is over.
            if (hangMs > 0) {
                now = std::max(now, target);
                return;
            }
            if (exporting && exporting->until <= target) {
                now = std::max(now, exporting->until);
                Exporting done = std::move(*exporting);
                exporting.reset();
                EndExport(done.path, done.text);
                continue;
            }
            std::int64_t userAt = 0;
            bool user = !exporting && NextScenarioTime(userAt) && userAt <= target;
            // Typed input waits while an export runs.
            bool input = !exporting && !pending.empty() && pending.front().due <= target;
            if (!user && !input) break;
            if (input && (!user || pending.front().due <= userAt)) {
                now = std::max(now, pending.front().due);
                std::string text = std::move(pending.front().text);
                pending.pop_front();
                Feed(text);
            } else {
                now = std::max(now, userAt);
            }
        }
        now = std::max(now, target);
        Serve();
    }

    void Serve() {
        // Each action answers one request; a request is new after every answer, so the guard
        // only stops a scenario that would loop on one request forever.
        for (int guard = 0; guard < 10000 && scenario && !scenario->Done(); ++guard) {
            Action action = scenario->Next();
            if (Waiting() == Pick::Nothing && !action.AtAnyMoment()) return;
            if (now < requestTime + action.delayMs) return;
            scenario->Pop();
            Perform(action);
            if (hangMs > 0) return;
        }
    }
};

CadSession::CadSession(std::unique_ptr<Drawing> drawing, std::unique_ptr<Scenario> scenario,
                       SessionOptions options)
    : impl_(std::make_unique<Impl>(std::move(drawing), std::move(scenario), options)) {}

CadSession::~CadSession() = default;

void CadSession::Type(std::string_view text) {
    impl_->log.emplace_back(text);
    const std::int64_t due = impl_->DueTime();
    if (due > impl_->now || impl_->exporting || !impl_->pending.empty())
        impl_->pending.push_back({due, std::string(text)});
    else
        impl_->Feed(text);
}

std::size_t CadSession::PendingInputs() const { return impl_->pending.size(); }

bool CadSession::TakeFailedCopy() {
    if (impl_->failedCopies <= 0) return false;
    --impl_->failedCopies;
    return true;
}

std::string CadSession::HeldExport() const { return impl_->now < impl_->heldUntil ? impl_->heldPath : std::string(); }

int CadSession::TakeHang() { return std::exchange(impl_->hangMs, 0); }

void CadSession::TypeKeys(std::string_view text) { impl_->Feed(text); }

std::string CadSession::InputPaneText() const { return impl_->Prompt() + impl_->typed; }

std::string CadSession::HistoryText() const {
    std::string text;
    for (const std::string& line : impl_->history) text += line + "\r\n";
    if (impl_->options.promptInHistory) text += InputPaneText() + "\r\n";
    return text;
}

const std::vector<std::string>& CadSession::HistoryLines() const { return impl_->history; }

void CadSession::Advance(int milliseconds) {
    impl_->AdvanceTo(impl_->now + std::max(0, milliseconds));
}

std::int64_t CadSession::Now() const { return impl_->now; }

CadSession::Waiting CadSession::WaitingFor() const { return impl_->Waiting(); }

void CadSession::UserSelects(int entityIndex) {
    if (entityIndex < 0) {
        impl_->PressEnter();
        return;
    }
    if (entityIndex < static_cast<int>(impl_->drawing->Entities().size())) impl_->Select({entityIndex});
}

void CadSession::UserClicks(double x, double y) { impl_->Click({x, y}); }

void CadSession::UserCancels() { impl_->Cancel(); }

void CadSession::SetPickTolerance(double tolerance) { impl_->pickTolerance = tolerance; }

const std::vector<std::string>& CadSession::ReceivedLog() const { return impl_->log; }

std::string CadSession::Variable(std::string_view name) const { return impl_->Variable(name); }

void CadSession::SetVariable(std::string_view name, std::string_view value, bool readOnly) {
    std::string key = AsciiUpper(name);
    impl_->SetVariable(key, std::string(value));
    impl_->variables[key].readOnly = readOnly;
}

const Drawing& CadSession::GetDrawing() const { return *impl_->drawing; }

const std::vector<int>& CadSession::PreviousSelection() const { return impl_->previous; }

std::uint64_t CadSession::Revision() const { return impl_->revision; }

std::string CadSession::StateText() const {
    return "VAR FILEDIA " + Variable("FILEDIA") + "\nVAR LASTPOINT " + Variable("LASTPOINT") + "\n" +
           impl_->drawing->Format();
}

} // namespace standin
