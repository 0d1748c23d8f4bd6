// The simulated desktop: fake windows, virtual clock, clipboard, hosted CADs.
#include "tests/support/sim_desktop.h"

#include <iconv.h>

#include <algorithm>
#include <utility>
#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace vermiq::sim {
namespace {

constexpr unsigned kCopyHistory = 32781;

// One iconv conversion, with what the target cannot hold (or the source does not encode)
// replaced and skipped, as the Win32 conversions do.
std::string Convert(const char* to, const char* from, std::string_view input,
                    std::string_view replacement, std::size_t (*skip)(std::string_view)) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("iconv_open failed");
    std::string out;
    std::string in(input);
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char buffer[256];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: one unconvertible character here.
            std::size_t n = std::min(inLeft, skip(std::string_view(inPtr, inLeft)));
            inPtr += n;
            inLeft -= n;
            out.append(replacement);
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

std::size_t SkipUtf16(std::string_view rest) {
    if (rest.size() >= 4) {
        unsigned unit = static_cast<unsigned char>(rest[0]) | static_cast<unsigned char>(rest[1]) << 8;
        unsigned next = static_cast<unsigned char>(rest[2]) | static_cast<unsigned char>(rest[3]) << 8;
        if (unit >= 0xD800 && unit < 0xDC00 && next >= 0xDC00 && next < 0xE000) return 4;
    }
    return 2;
}

std::size_t SkipCp932(std::string_view rest) {
    unsigned char c = static_cast<unsigned char>(rest[0]);
    bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    return lead && rest.size() >= 2 ? 2 : 1;
}

std::string TextUpToNul(const std::vector<unsigned char>& bytes) {
    auto end = std::find(bytes.begin(), bytes.end(), 0);
    return std::string(bytes.begin(), end);
}

} // namespace

// ---- Clock -----------------------------------------------------------------------------------

class SimDesktop::SimClock final : public Waiter {
public:
    explicit SimClock(SimDesktop& desk) : desk_(desk) {}
    void Sleep(int milliseconds) override { desk_.Advance(milliseconds); }
    std::int64_t Milliseconds() override { return desk_.now_; }
    void ProcessMessages() override {
        ++desk_.pumps_;
        if (desk_.messageHook_) desk_.messageHook_();
    }
private:
    SimDesktop& desk_;
};

void SimDesktop::Advance(int milliseconds) {
    now_ += milliseconds;
    for (auto& cad : cads_) {
        if (!cad.running) continue;
        // A hung CAD's time stands still.
        if (now_ < cad.hungUntil) {
            cad.skippedMs += milliseconds;
            continue;
        }
        cad.behaviour->Advance(std::exchange(cad.skippedMs, 0) + milliseconds);
        if (cad.session)
            if (const int hang = cad.session->TakeHang()) cad.hungUntil = now_ + hang;
    }
}

void SimDesktop::WaitForAnswer(const Window* window) {
    if (!window || window->role == Role::Plain) return;
    const HostedCad& cad = cads_[window->cad];
    if (!cad.running || now_ >= cad.hungUntil) return;
    Advance(AnswerTimeoutMs);
    throw WindowNotAnswering();
}

Waiter& SimDesktop::Clock() { return *clock_; }

SimDesktop::SimDesktop() : clock_(std::make_unique<SimClock>(*this)) {}
SimDesktop::~SimDesktop() = default;

// ---- Windows ---------------------------------------------------------------------------------

SimDesktop::Window* SimDesktop::Find(WindowHandle window) {
    auto it = windows_.find(window);
    return it == windows_.end() || !it->second.alive ? nullptr : &it->second;
}

const SimDesktop::Window* SimDesktop::Find(WindowHandle window) const {
    auto it = windows_.find(window);
    return it == windows_.end() || !it->second.alive ? nullptr : &it->second;
}

WindowHandle SimDesktop::AddRole(const WindowTraits& traits, Role role, std::size_t cad) {
    if (traits.parent && !Find(traits.parent)) throw std::logic_error("parent window has gone");
    const WindowHandle handle = nextHandle_;
    nextHandle_ += 4;
    Window window;
    window.traits = traits;
    window.role = role;
    window.cad = cad;
    windows_.emplace(handle, std::move(window));
    if (traits.parent)
        Find(traits.parent)->children.push_back(handle);
    else
        topLevel_.push_back(handle);
    return handle;
}

WindowHandle SimDesktop::AddWindow(const WindowTraits& traits) { return AddRole(traits, Role::Plain, 0); }

void SimDesktop::MoveToFront(WindowHandle window) {
    auto it = std::find(topLevel_.begin(), topLevel_.end(), window);
    if (it == topLevel_.end()) return;
    topLevel_.erase(it);
    topLevel_.insert(topLevel_.begin(), window);
}

void SimDesktop::DestroyWindow(WindowHandle window) {
    Window* w = Find(window);
    if (!w) return;
    w->alive = false;
    for (WindowHandle child : w->children) DestroyWindow(child);
    topLevel_.erase(std::remove(topLevel_.begin(), topLevel_.end(), window), topLevel_.end());
    if (Window* parent = Find(w->traits.parent)) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), window), siblings.end());
    }
}

// ---- Hosted CADs -----------------------------------------------------------------------------

SimCad SimDesktop::Host(CadLayout layout, std::unique_ptr<CadBehaviour> behaviour,
                        CadOptions options) {
    const std::size_t index = cads_.size();
    HostedCad cad;
    cad.behaviour = std::move(behaviour);
    cad.processId = options.processId ? options.processId : (nextProcessId_ += 4);
    const std::uint32_t pid = cad.processId;
    const bool draftSight = layout == CadLayout::DraftSight;
    cads_.push_back(std::move(cad));

    const std::size_t firstTopLevel = topLevel_.size();
    WindowTraits frame{draftSight ? "DraftSight - [Drawing1]" : "AutoCAD LT - [Drawing1.dwg]",
                     draftSight ? "QPopup" : "Afx:00400000:8:00010011:00000000:01B30569", pid,
                     options.unicode, 0};
    const WindowHandle mainFrame = AddRole(frame, Role::MainFrame, index);
    AddWindow({"", "MDIClient", pid, options.unicode, mainFrame});

    WindowTraits text{"AutoCAD テキスト ウィンドウ - Drawing1.dwg",
                    "Afx:00400000:b:00010011:00000006:00000000", pid, options.unicode, 0};
    if (layout == CadLayout::CommandWindow || draftSight) text.title = "コマンド ウィンドウ";
    const WindowHandle textWindow = AddRole(text, Role::TextWindow, index);

    WindowHandle paneParent = 0, commandLine = 0;
    switch (layout) {
    case CadLayout::Docked:
    case CadLayout::DraftSight:
        paneParent = AddWindow({"", "Afx:00400000:8:00010011:00000000:00000000", pid,
                                options.unicode, mainFrame});
        break;
    case CadLayout::Floating:
        commandLine = AddWindow({"コマンド ライン", "Afx:00400000:8:00010011:00000000:00000000",
                                 pid, options.unicode, 0});
        paneParent = commandLine;
        break;
    case CadLayout::TextWindow:
    case CadLayout::CommandWindow:
        paneParent = textWindow;
        break;
    }
    const char* inputTitle = options.inputOutputPanes ? "input" : "Headlands";
    const char* historyTitle = options.inputOutputPanes ? "output" : "MountTam";
    const WindowHandle history =
        AddRole({historyTitle, "Edit", pid, options.unicode, paneParent}, Role::HistoryPane, index);
    const WindowHandle input =
        AddRole({inputTitle, "Edit", pid, options.unicode, paneParent}, Role::InputPane, index);

    // A program just started is in front of the others, its frame first.
    std::vector<WindowHandle> mine(topLevel_.begin() + static_cast<long>(firstTopLevel),
                                   topLevel_.end());
    topLevel_.resize(firstTopLevel);
    topLevel_.insert(topLevel_.begin(), mine.begin(), mine.end());

    HostedCad& hosted = cads_[index];
    hosted.mainFrame = mainFrame;
    hosted.textWindow = textWindow;
    hosted.commandLine = commandLine;
    hosted.input = input;
    hosted.history = history;
    return SimCad(this, index);
}

void SimDesktop::CopyHistory(HostedCad& cad) {
    // The CAD opens the clipboard itself: it cannot while anyone else has it open.
    if (clipboardHeld_ || clipboardOpen_) return;
    if (cad.session && cad.session->TakeFailedCopy()) return;
    std::string text = cad.behaviour->HistoryText();
    ++clipboardSequence_;
    clipboard_.clear();
    clipboard_[kCfText] = std::vector<unsigned char>(text.begin(), text.end());
    clipboard_[kCfText].push_back(0);
}

standin::CadSession& SimCad::Session() const {
    auto* session = desk_->cads_.at(index_).session;
    if (!session) throw std::logic_error("this CAD is scripted, not a stand-in session");
    return *session;
}
CadBehaviour& SimCad::Behaviour() const { return *desk_->cads_.at(index_).behaviour; }
WindowHandle SimCad::MainFrame() const { return desk_->cads_.at(index_).mainFrame; }
WindowHandle SimCad::TextWindow() const { return desk_->cads_.at(index_).textWindow; }
WindowHandle SimCad::CommandLineWindow() const { return desk_->cads_.at(index_).commandLine; }
WindowHandle SimCad::InputPane() const { return desk_->cads_.at(index_).input; }
WindowHandle SimCad::HistoryPane() const { return desk_->cads_.at(index_).history; }
std::uint32_t SimCad::ProcessId() const { return desk_->cads_.at(index_).processId; }
bool SimCad::Running() const { return desk_->cads_.at(index_).running; }

void SimCad::Close() const {
    auto& cad = desk_->cads_.at(index_);
    if (!cad.running) return;
    cad.running = false;
    desk_->DestroyWindow(cad.commandLine);
    desk_->DestroyWindow(cad.textWindow);
    desk_->DestroyWindow(cad.mainFrame);
}

// ---- Clipboard -------------------------------------------------------------------------------

class SimDesktop::SimClipboard final : public Desktop::Clipboard {
public:
    explicit SimClipboard(SimDesktop& desk) : desk_(desk) { desk_.clipboardOpen_ = true; }
    ~SimClipboard() override { desk_.clipboardOpen_ = false; }
    SimClipboard(const SimClipboard&) = delete;
    SimClipboard& operator=(const SimClipboard&) = delete;

    void Empty() override {
        ++desk_.clipboardSequence_;
        desk_.clipboard_.clear();
    }
    std::string Text() override { return desk_.ClipboardText(); }
    void SetText(std::string_view text) override {
        Empty();
        auto& bytes = desk_.clipboard_[kCfText];
        bytes.assign(text.begin(), text.end());
        bytes.push_back(0);
    }
    void SetUnicodeText(std::u16string_view text) override {
        Empty();
        auto& bytes = desk_.clipboard_[kCfUnicodeText];
        for (char16_t unit : text) {
            bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
            bytes.push_back(static_cast<unsigned char>(unit >> 8));
        }
        bytes.insert(bytes.end(), {0, 0});
    }
    ClipboardSnapshot Save() override {
        ClipboardSnapshot snapshot;
        for (const auto& [id, bytes] : desk_.clipboard_) snapshot.formats.push_back({id, bytes});
        return snapshot;
    }
    void Restore(const ClipboardSnapshot& snapshot) override {
        Empty();
        for (const auto& format : snapshot.formats) desk_.clipboard_[format.id] = format.bytes;
    }
private:
    SimDesktop& desk_;
};

std::unique_ptr<Desktop::Clipboard> SimDesktop::OpenClipboard() {
    if (opensBeforeHold_ == 0) clipboardHeld_ = true;
    if (clipboardHeld_) {
        if (clipboardRefused_) clipboardRefused_();
        throw ClipboardError();
    }
    if (clipboardOpen_) throw std::logic_error("clipboard opened twice");
    if (opensBeforeHold_ > 0) --opensBeforeHold_;
    ++clipboardOpens_;
    return std::make_unique<SimClipboard>(*this);
}

void SimDesktop::SetClipboardText(std::string_view text) {
    ++clipboardSequence_;
    clipboard_.clear();
    auto& bytes = clipboard_[kCfText];
    bytes.assign(text.begin(), text.end());
    bytes.push_back(0);
}

void SimDesktop::SetClipboardFormat(unsigned id, std::vector<unsigned char> bytes) {
    ++clipboardSequence_;
    clipboard_[id] = std::move(bytes);
}

std::u16string SimDesktop::ClipboardUnicodeText() const {
    auto it = clipboard_.find(kCfUnicodeText);
    std::u16string text;
    if (it == clipboard_.end()) return text;
    for (std::size_t i = 0; i + 1 < it->second.size() && (it->second[i] || it->second[i + 1]); i += 2)
        text.push_back(static_cast<char16_t>(it->second[i] | it->second[i + 1] << 8));
    return text;
}

std::string SimDesktop::ClipboardText() const {
    auto it = clipboard_.find(kCfText);
    return it == clipboard_.end() ? std::string() : TextUpToNul(it->second);
}

// ---- Records ---------------------------------------------------------------------------------

void SimDesktop::ClearRecords() {
    copyData_.clear();
    nulls_.clear();
    paints_.clear();
    topLevelEnums_ = childEnums_ = textRequests_ = 0;
    foreground_ = 0;
}

// ---- Desktop ---------------------------------------------------------------------------------

void SimDesktop::EnumTopLevelWindows(const EnumCallback& callback) {
    ++topLevelEnums_;
    const std::vector<WindowHandle> order = topLevel_;  // callbacks may not change the z-order
    for (WindowHandle window : order)
        if (Find(window) && !callback(window)) return;
}

void SimDesktop::VisitDescendants(const Window& parent, const EnumCallback& callback, bool& stop) {
    const std::vector<WindowHandle> children = parent.children;
    for (WindowHandle child : children) {
        const Window* w = Find(child);
        if (!w) continue;
        if (!callback(child)) { stop = true; return; }
        VisitDescendants(*w, callback, stop);
        if (stop) return;
    }
}

void SimDesktop::EnumChildWindows(WindowHandle parent, const EnumCallback& callback) {
    ++childEnums_;
    if (parent == 0) {
        // The desktop as parent: the top-level windows, as EnumWindows would visit them.
        const std::vector<WindowHandle> order = topLevel_;
        for (WindowHandle window : order)
            if (Find(window) && !callback(window)) return;
        return;
    }
    const Window* w = Find(parent);
    if (!w) return;
    bool stop = false;
    VisitDescendants(*w, callback, stop);
}

std::string SimDesktop::WindowTitle(WindowHandle window) {
    const Window* w = Find(window);
    return w ? w->traits.title.substr(0, 255) : std::string();
}

std::string SimDesktop::WindowClass(WindowHandle window) {
    const Window* w = Find(window);
    return w ? w->traits.cls.substr(0, 255) : std::string();
}

std::uint32_t SimDesktop::WindowProcessId(WindowHandle window) {
    const Window* w = Find(window);
    return w ? w->traits.processId : 0;
}

bool SimDesktop::IsWindow(WindowHandle window) { return Find(window) != nullptr; }

bool SimDesktop::IsWindowUnicode(WindowHandle window) {
    const Window* w = Find(window);
    return w && w->traits.unicode;
}

bool SimDesktop::SetForegroundWindow(WindowHandle window) {
    if (!Find(window)) return false;
    foreground_ = window;
    return true;
}

void SimDesktop::SendCopyData(WindowHandle window, std::uintptr_t dwData, const void* data,
                              std::uint32_t cbData) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    copyData_.push_back({window, dwData, cbData, {bytes, bytes + cbData}, now_});
    Window* w = Find(window);
    if (!w || w->role != Role::MainFrame || dwData != 1) return;
    HostedCad& cad = cads_[w->cad];
    if (!cad.running) return;
    WaitForAnswer(w);
    const auto& received = copyData_.back().bytes;
    std::string text;
    if (w->traits.unicode) {
        std::u16string wide;
        for (std::size_t i = 0; i + 1 < received.size(); i += 2) {
            char16_t unit = static_cast<char16_t>(received[i] | received[i + 1] << 8);
            if (unit == 0) break;
            wide.push_back(unit);
        }
        text = WideToAnsi(wide);
    } else {
        text = TextUpToNul(received);
    }
    cad.behaviour->Type(text);
}

void SimDesktop::PostNull(WindowHandle window) { nulls_.push_back(window); }

long SimDesktop::GetTextLength(WindowHandle window) {
    ++textRequests_;
    const Window* w = Find(window);
    if (!w) return 0;
    WaitForAnswer(w);
    if (w->role == Role::InputPane)
        return static_cast<long>(cads_[w->cad].behaviour->InputPaneText().size());
    return static_cast<long>(w->traits.title.size());
}

std::string SimDesktop::GetText(WindowHandle window, long capacity) {
    ++textRequests_;
    const Window* w = Find(window);
    if (!w || capacity <= 0) return {};
    WaitForAnswer(w);
    std::string text = w->role == Role::InputPane ? cads_[w->cad].behaviour->InputPaneText()
                                                  : w->traits.title;
    text = text.substr(0, std::min(text.find('\0'), static_cast<std::size_t>(capacity - 1)));
    return text;
}

void SimDesktop::SendCommand(WindowHandle window, unsigned id) {
    Window* w = Find(window);
    if (!w || w->role != Role::TextWindow || id != kCopyHistory) return;
    WaitForAnswer(w);
    HostedCad& cad = cads_[w->cad];
    if (cad.running) CopyHistory(cad);
}

bool SimDesktop::LocaleEqual(std::string_view a, std::string_view b) { return a == b; }

std::u16string SimDesktop::AnsiToWide(std::string_view text) {
    std::string bytes = Convert("UTF-16LE", "CP932", text, std::string_view("\xFB\x30", 2), SkipCp932);
    std::u16string wide;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                             static_cast<unsigned char>(bytes[i + 1]) << 8));
    return wide;
}

std::string SimDesktop::WideToAnsi(std::u16string_view text) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<char>(unit & 0xFF));
        bytes.push_back(static_cast<char>(unit >> 8));
    }
    return Convert("CP932", "UTF-16LE", bytes, "?", SkipUtf16);
}

void SimDesktop::PaintText(WindowHandle window, std::string_view text, std::uint32_t background,
                           std::uint32_t foreground) {
    paints_.push_back({window, std::string(text), background, foreground});
}

} // namespace vermiq::sim
