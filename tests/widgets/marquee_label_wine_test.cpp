// The label and the marquee with real GDI and real timers: the layered text checked pixel by
// pixel against plain text drawn by the system, and the caption moving with the timer.
#include "widgets/EsMarque.h"

#include <mmsystem.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "tests/support/message_pump.h"

namespace vermiq {
namespace {

// A 32-bit top-down DIB selected into a memory DC.
class Canvas {
public:
    Canvas(int width, int height)
        : width_(width), height_(height), dib_(nullptr, width, height), dc_(nullptr),
          select_(dc_.get(), dib_.bitmap.get()) {}
    HDC dc() const { return dc_.get(); }
    int width() const { return width_; }
    int height() const { return height_; }
    void Fill(COLORREF color) {
        win32::GdiObject<HBRUSH> brush(CreateSolidBrush(color));
        RECT r{0, 0, width_, height_};
        FillRect(dc_.get(), &r, brush.get());
    }
    // As a COLORREF ($BBGGRR), or CLR_INVALID outside.
    COLORREF At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
        GdiFlush();
        const std::uint32_t p = dib_.bits[static_cast<size_t>(y) * width_ + x];
        return RGB(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF);
    }

private:
    int width_, height_;
    EsDibSurface dib_;
    win32::MemoryDC dc_;
    win32::Selection select_;
};

constexpr COLORREF kBackground = RGB(0, 160, 0);
constexpr COLORREF kFace = RGB(128, 128, 128);

TEsFont HardEdgedFont() {
    TEsFont font;
    font.Height = -24;
    font.Weight = FW_BOLD;
    font.Quality = NONANTIALIASED_QUALITY; // exact colours, no smoothing to blur the check
    return font;
}

// Which pixels plain text covers when the system draws it alone.
std::vector<bool> TextMask(const TEsCustomLabel& label, int width, int height, UINT format) {
    Canvas c(width, height);
    c.Fill(RGB(0, 0, 0));
    win32::GdiObject<HFONT> font([&] {
        const TEsFont f = label.Font();
        LOGFONTA lf{};
        lf.lfHeight = f.Height;
        lf.lfWeight = f.Weight;
        lf.lfCharSet = f.Charset;
        lf.lfQuality = f.Quality;
        lstrcpynA(lf.lfFaceName, f.Name.c_str(), LF_FACESIZE);
        return CreateFontIndirectA(&lf);
    }());
    win32::Selection keep(c.dc(), font.get());
    SetBkMode(c.dc(), TRANSPARENT);
    SetTextColor(c.dc(), RGB(255, 255, 255));
    RECT r{0, 0, width, height};
    DrawTextA(c.dc(), label.Caption().c_str(), -1, &r, format);
    std::vector<bool> mask(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) mask[static_cast<size_t>(y) * width + x] = c.At(x, y) != 0;
    return mask;
}

struct Copy {
    int dx, dy;
    COLORREF color;
};

// Paints the expected picture from the mask: copies in drawing order, the last one wins.
void ExpectPicture(const Canvas& got, const std::vector<bool>& mask,
                   const std::vector<Copy>& copies, COLORREF background) {
    const int w = got.width(), h = got.height();
    auto covered = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < w && y < h && mask[static_cast<size_t>(y) * w + x];
    };
    int wrong = 0, textPixels = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            COLORREF want = background;
            for (const Copy& c : copies)
                if (covered(x - c.dx, y - c.dy)) want = c.color;
            if (want != background) ++textPixels;
            if (got.At(x, y) != want && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << got.At(x, y)
                              << " want " << want;
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(textPixels, 50) << "the caption drew almost nothing";
}

struct LabelCase {
    UINT format;
    std::vector<Copy> copies; // shadow, highlight, face
};

TEST(EsLabelPixels, RaisedLookLayersShadowHighlightAndFace) {
    TEsCustomLabel label;
    label.SetFont(HardEdgedFont());
    label.SetCaption("VqH");
    label.SetTransparent(false);
    label.SetColor(kBackground);
    const COLORREF white = RGB(255, 255, 255), black = RGB(0, 0, 0);
    const LabelCase cases[] = {
        {DT_EXPANDTABS, {{2, 2, black}, {0, 0, white}, {1, 1, kFace}}},
        // Centred, the shade extents are split and everything moves one pixel left.
        {DT_EXPANDTABS | DT_CENTER, {{1, 2, black}, {-1, 0, white}, {0, 1, kFace}}},
        {DT_EXPANDTABS | DT_RIGHT, {{0, 2, black}, {-2, 0, white}, {-1, 1, kFace}}},
    };
    for (const LabelCase& c : cases) {
        SCOPED_TRACE(c.format);
        Canvas canvas(120, 40);
        canvas.Fill(RGB(1, 2, 3)); // the opaque label must cover this
        label.RenderTextTo(canvas.dc(), RECT{0, 0, 120, 40}, c.format);
        ExpectPicture(canvas, TextMask(label, 120, 40, c.format), c.copies, kBackground);
    }
}

TEST(EsLabelPixels, ExtrudedShadowAndTransparency) {
    TEsCustomLabel label;
    label.SetFont(HardEdgedFont());
    label.SetCaption("Iq");
    label.SetAppearance(TEsAppearance::apShadow); // no highlight, shadow 2 down-right
    label.CustomSettings().SetShadowStyle(TEsShadeStyle::ssExtrude);
    label.CustomSettings().SetShadowDepth(3);
    label.CustomSettings().SetShadowColor(RGB(0, 0, 200));
    // Transparent (the default): what was there before stays around the text.
    Canvas canvas(80, 40);
    canvas.Fill(kBackground);
    label.RenderTextTo(canvas.dc(), RECT{0, 0, 80, 40}, DT_EXPANDTABS);
    // The highlight of depth 0 is a copy in its colour right under the face.
    const COLORREF shadow = RGB(0, 0, 200);
    ExpectPicture(
        canvas, TextMask(label, 80, 40, DT_EXPANDTABS),
        {{3, 3, shadow}, {2, 2, shadow}, {1, 1, shadow}, {0, 0, RGB(255, 255, 255)}, {0, 0, kFace}},
        kBackground);
}

TEST(EsLabelPixels, HorizontalFaceGradientBands) {
    TEsCustomLabel label;
    label.SetFont(HardEdgedFont());
    label.SetCaption("MMMMMMMM");
    label.SetAppearance(TEsAppearance::apNone);
    label.SetTransparent(false);
    label.SetColor(kBackground);
    label.CustomSettings().SetGraduateStyle(TEsGraduateStyle::gsHorizontal);
    label.CustomSettings().SetGraduateFromColor(RGB(255, 0, 0));
    TEsFont font = label.Font();
    font.Color = RGB(0, 0, 255);
    label.SetFont(font);

    Canvas canvas(240, 40);
    label.RenderTextTo(canvas.dc(), RECT{0, 0, 240, 40}, DT_EXPANDTABS);
    const std::vector<bool> mask = TextMask(label, 240, 40, DT_EXPANDTABS);
    // The bands divide the text's advance width into 16 steps from red to blue; every face
    // pixel takes the colour of the band it lies in, and nothing else changes.
    SIZE extent{};
    {
        Canvas probe(1, 1);
        LOGFONTA lf{};
        const TEsFont f = label.Font();
        lf.lfHeight = f.Height;
        lf.lfWeight = f.Weight;
        lf.lfQuality = f.Quality;
        lstrcpynA(lf.lfFaceName, f.Name.c_str(), LF_FACESIZE);
        win32::GdiObject<HFONT> font(CreateFontIndirectA(&lf));
        win32::Selection keep(probe.dc(), font.get());
        GetTextExtentPoint32A(probe.dc(), "MMMMMMMM", 8, &extent);
    }
    ASSERT_GT(extent.cx, 100);
    const double q = (extent.cx - 1) / 15.0;
    auto bandColor = [&](int x) -> COLORREF {
        for (int i = 15; i >= 0; --i) {
            if (x >= static_cast<int>(RoundHalfEven(i * q))) {
                const int red = 255 - 17 * i;
                return x < static_cast<int>(RoundHalfEven((i + 1) * q)) ? RGB(red, 0, 255 - red)
                                                                        : CLR_INVALID;
            }
        }
        return CLR_INVALID;
    };
    int face = 0, wrong = 0;
    COLORREF leftmost = CLR_INVALID, rightmost = CLR_INVALID;
    for (int x = 0; x < 240; ++x) {
        for (int y = 0; y < 40; ++y) {
            const bool ink = mask[static_cast<size_t>(y) * 240 + x];
            const COLORREF want = ink ? bandColor(x) : kBackground;
            if (canvas.At(x, y) != want && ++wrong <= 5)
                ADD_FAILURE() << x << "," << y << ": " << std::hex << canvas.At(x, y) << " want "
                              << want;
            if (ink) {
                ++face;
                if (leftmost == CLR_INVALID) leftmost = canvas.At(x, y);
                rightmost = canvas.At(x, y);
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(face, 100);
    EXPECT_EQ(leftmost, RGB(255, 0, 0));
    EXPECT_LT(GetRValue(rightmost), 40) << "the right end is near the font colour";
}

// ---- the marquee with its timer ----

LRESULT CALLBACK HostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class Host {
public:
    Host() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = L"VermiqMarqueeTestHost";
        RegisterClassExW(&wc);
        hwnd_ = CreateWindowExW(0, wc.lpszClassName, L"marquee test", WS_OVERLAPPEDWINDOW, 50, 50,
                                300, 120, nullptr, nullptr, wc.hInstance, nullptr);
        ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    }
    ~Host() { DestroyWindow(hwnd_); }
    HWND hwnd() const { return hwnd_; }

private:
    HWND hwnd_;
};

// One host window for all, left to the end of the process: under Wine destroying a
// top-level window takes about two seconds.
HWND SharedHost() {
    static Host* host = new Host;
    return host->hwnd();
}

using test::Pump;

void PrintClient(const TEsCustomLabel& label, Canvas& c) {
    SendMessageW(label.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(c.dc()), PRF_CLIENT);
}

// A window that records what attached labels tell it.
std::vector<std::pair<UINT, LPARAM>> g_told;
LRESULT CALLBACK RecorderProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == AttachLabelMessage || message == PositionLabelMessage)
        g_told.emplace_back(message, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(EsAttachedLabel, TellsItsControlOnAttachAndMoveAndShowsTheParentBehindIt) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = RecorderProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VermiqLabelRecorder";
    RegisterClassExW(&wc);
    HWND control = CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 150, 10, 60, 20,
                                   SharedHost(), nullptr, wc.hInstance, nullptr);
    TEsAttachedLabel label(control);
    EXPECT_EQ(label.Appearance(), TEsAppearance::apNone);
    EXPECT_EQ(label.ColorScheme(), TEsColorScheme::csCustom);
    label.SetCaption("Size:");
    label.SetTransparent(true);
    g_told.clear();
    label.CreateHandle(SharedHost(), 10, 10);
    Pump(50);
    // Creation and the auto-size that follows each tell the control.
    const std::set<std::pair<UINT, LPARAM>> attached = {
        {AttachLabelMessage, reinterpret_cast<LPARAM>(&label)}, {PositionLabelMessage, 0}};
    EXPECT_EQ(std::set(g_told.begin(), g_told.end()), attached);
    g_told.clear();
    label.SetBounds(20, 30, 80, 20);
    Pump(50);
    EXPECT_EQ(g_told.size(), 2u);
    EXPECT_EQ(std::set(g_told.begin(), g_told.end()), attached);

    // Auto-size made room for the text; transparent, it shows the host's class brush
    // (button face) rather than its own colour.
    label.SetColor(RGB(200, 0, 0));
    const RECT r = [&] { RECT c{}; GetClientRect(label.Handle(), &c); return c; }();
    EXPECT_GT(r.right, 20);
    Canvas c(r.right, r.bottom);
    PrintClient(label, c);
    EXPECT_EQ(c.At(r.right - 1, r.bottom - 1), GetSysColor(COLOR_BTNFACE));
    DestroyWindow(control);
}

TEST(EsMarqueeTimer, OffsetAdvancesWithTheTimerAndTheImageIsRenderedOnce) {
    TEsScrollingMarquee marquee;
    marquee.SetFont(HardEdgedFont());
    marquee.SetCaption("Scrolling caption");
    marquee.CreateHandle(SharedHost(), 8, 8, 225, 35, 100);
    EXPECT_EQ(GetDlgItem(SharedHost(), 100), marquee.Handle());
    wchar_t text[40] = {};
    GetWindowTextW(marquee.Handle(), text, 40);
    EXPECT_STREQ(text, L"Scrolling caption");
    EXPECT_GT(marquee.CaptionWidth(), 100);
    EXPECT_EQ(marquee.StepInterval(), 10u);
    // Its colour follows the parent's background, as the parent hands it to static controls.
    EXPECT_EQ(marquee.Color(), GetSysColor(COLOR_BTNFACE));

    marquee.SetActive(true);
    EXPECT_EQ(marquee.OffsetX(), 225);
    Pump(400);
    const int first = marquee.OffsetX();
    // 400 ms at 10 ms a step: a timer that hardly ran or ran wild is a fault.
    EXPECT_LT(first, 225 - 10);
    EXPECT_GT(first, 225 - 80);
    Canvas before(225, 35);
    PrintClient(marquee, before);

    Pump(300);
    const int second = marquee.OffsetX();
    EXPECT_LT(second, first - 5);
    Canvas after(225, 35);
    PrintClient(marquee, after);
    // The same picture, moved left by the distance the offset moved.
    const int moved = first - second;
    int differing = 0, inked = 0;
    for (int y = 0; y < 35; ++y) {
        for (int x = 0; x + moved < 225; ++x) {
            if (after.At(x, y) != before.At(x + moved, y)) ++differing;
            if (after.At(x, y) != after.At(0, 0)) ++inked;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(inked, 100);
    // Steps only move the image: it was rendered when scrolling started, not per step.
    EXPECT_GT(marquee.StepCount(), 40u);
    EXPECT_LE(marquee.RenderCount(), 2u);

    marquee.SetActive(false);
    EXPECT_EQ(marquee.OffsetX(), 0);
    Pump(100);
    EXPECT_EQ(marquee.OffsetX(), 0) << "steps after stopping are dropped";
}

// A thread kept busy for a while (a long run, a modal wait) finds one step waiting, not the
// backlog of every tick it missed: the caption moves on one step per tick of the live timer.
TEST(EsMarqueeTimer, AStalledThreadTakesOneStepNotTheBacklog) {
    TEsScrollingMarquee marquee;
    marquee.SetCaption("Scrolling caption");
    marquee.CreateHandle(SharedHost(), 8, 8, 225, 35, 100);
    marquee.SetActive(true);
    Pump(100);
    for (int stall = 0; stall < 3; ++stall) {
        const unsigned long before = marquee.StepCount();
        Sleep(300);  // 30 ticks at 10 ms
        const ULONGLONG start = GetTickCount64();
        Pump(30);
        const auto ticks = static_cast<unsigned long>((GetTickCount64() - start) / marquee.StepInterval());
        EXPECT_LE(marquee.StepCount() - before, ticks + 2) << "stall " << stall;
    }
}

// Minimised or hidden, nobody sees the banner: no timer, no step. Seen again, it goes on from
// where it stood. Each step draws straight onto the screen what a paint would draw.
TEST(EsMarqueeTimer, StandsStillWhileNobodySeesItAndGoesOnFromThere) {
    HWND dialog = CreateWindowExW(0, L"STATIC", L"banner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                  300, 120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(dialog);
    TEsScrollingMarquee marquee;
    marquee.SetFont(HardEdgedFont());
    marquee.SetCaption("Scrolling caption");
    marquee.CreateHandle(dialog, 8, 8, 225, 35);
    marquee.SetActive(true);
    Pump(200);
    ASSERT_GT(marquee.StepCount(), 5u);

    Canvas screen(225, 35), printed(225, 35);
    {
        win32::WindowDC dc(marquee.Handle());
        BitBlt(screen.dc(), 0, 0, 225, 35, dc.get(), 0, 0, SRCCOPY);
    }
    PrintClient(marquee, printed);
    int differing = 0;
    for (int y = 0; y < 35; ++y)
        for (int x = 0; x < 225; ++x) differing += screen.At(x, y) != printed.At(x, y);
    EXPECT_EQ(differing, 0) << "the screen is not what a paint at this offset shows";

    const struct {
        const char* how;
        void (*hide)(HWND dialog, TEsScrollingMarquee&);
        void (*show)(HWND dialog, TEsScrollingMarquee&);
    } cases[] = {
        {"dialog minimised", [](HWND d, TEsScrollingMarquee&) { ShowWindow(d, SW_MINIMIZE); },
         [](HWND d, TEsScrollingMarquee&) { ShowWindow(d, SW_RESTORE); }},
        {"banner hidden", [](HWND, TEsScrollingMarquee& m) { m.SetVisible(false); },
         [](HWND, TEsScrollingMarquee& m) { m.SetVisible(true); }},
    };
    for (const auto& c : cases) {
        c.hide(dialog, marquee);
        Pump(100);  // the first tick that finds it unseen stops the timer
        const unsigned long steps = marquee.StepCount();
        const int offset = marquee.OffsetX();
        Pump(300);
        EXPECT_EQ(marquee.TimerId(), 0u) << c.how;
        EXPECT_EQ(marquee.StepCount(), steps) << c.how;
        EXPECT_EQ(marquee.OffsetX(), offset) << c.how;
        EXPECT_TRUE(marquee.Active()) << c.how;
        c.show(dialog, marquee);
        Pump(300);
        EXPECT_NE(marquee.TimerId(), 0u) << c.how;
        EXPECT_GT(marquee.StepCount(), steps + 10) << c.how;
        // One pixel per step, counted on from where it stood.
        EXPECT_EQ(marquee.OffsetX(), offset - static_cast<int>(marquee.StepCount() - steps))
            << c.how;
    }
    DestroyWindow(dialog);
}

TEST(EsMarqueeTimer, ChangesRenderAgainAndRemeasureWithoutMoving) {
    TEsScrollingMarquee marquee;
    marquee.SetFont(HardEdgedFont());
    marquee.SetCaption("A rather longer caption than the window");
    marquee.CreateHandle(SharedHost(), 8, 8, 225, 35);
    marquee.SetActive(true);
    Pump(200);
    const int offset = marquee.OffsetX();
    const int width = marquee.CaptionWidth();
    const unsigned long renders = marquee.RenderCount();
    SetWindowTextW(marquee.Handle(), L"Short"); // from outside, as a test tool would
    EXPECT_EQ(marquee.Caption(), "Short");
    EXPECT_EQ(marquee.OffsetX(), offset);
    EXPECT_LT(marquee.CaptionWidth(), width / 3);
    UpdateWindow(marquee.Handle());
    EXPECT_EQ(marquee.RenderCount(), renders + 1);

    // The switch for the old way renders on every paint.
    marquee.RenderOnEveryStep = true;
    const unsigned long steps = marquee.StepCount(), rendersBefore = marquee.RenderCount();
    Pump(200);
    EXPECT_GT(marquee.RenderCount() - rendersBefore, (marquee.StepCount() - steps) / 4);
}

TEST(EsMarqueeTimer, OnceStopsAtTheWrapWithTheRealTimer) {
    TEsScrollingMarquee marquee;
    marquee.SetFont(HardEdgedFont());
    marquee.SetCaption("ab");
    marquee.CreateHandle(SharedHost(), 8, 8, 40, 35);
    marquee.SetScrollSpeed(10); // 2 ms a step
    marquee.SetBehavior(TEsBehaviors::bhOnce);
    int cycles = 0;
    marquee.OnCycle = [&](TEsCustomScrollingMarquee&) { ++cycles; };
    marquee.SetActive(true);
    const ULONGLONG end = GetTickCount64() + 5000;
    while (marquee.Active() && GetTickCount64() < end) Pump(20);
    EXPECT_FALSE(marquee.Active());
    EXPECT_EQ(cycles, 1);
    EXPECT_EQ(marquee.OffsetX(), 0);
}

TEST(EsMarqueeTimer, DestroyedWhileScrolling) {
    for (int i = 0; i < 3; ++i) {
        auto marquee = std::make_unique<TEsScrollingMarquee>();
        marquee->SetCaption("gone");
        marquee->CreateHandle(SharedHost(), 0, 0, 100, 30);
        marquee->SetScrollSpeed(10);
        marquee->SetActive(true);
        Pump(30);
        const unsigned timer = marquee->TimerId();
        const HWND stepWindow = marquee->StepWindow(), window = marquee->Handle();
        ASSERT_NE(timer, 0u);
        ASSERT_GT(marquee->StepCount(), 0u);
        marquee.reset();
        // The timer is gone with the marquee (killing it again fails), and so are both windows.
        EXPECT_NE(timeKillEvent(timer), static_cast<MMRESULT>(TIMERR_NOERROR));
        EXPECT_FALSE(IsWindow(stepWindow));
        EXPECT_FALSE(IsWindow(window));
        Pump(30); // ticks still queued for the dead step window go nowhere
    }
}

} // namespace
} // namespace vermiq
