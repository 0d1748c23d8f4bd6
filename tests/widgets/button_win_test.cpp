// The gradient push button as a real window: painted into a memory DC and checked pixel by
// pixel, its window region, and clicks from real mouse input, keys and messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

#include "common/win32_raii.h"
#include "tests/widgets/button_dialog.h"
#include "widgets/plButton.h"

namespace vermiq {
namespace {

constexpr int kRunId = 106;
constexpr COLORREF kMoneyGreen = RGB(0xC0, 0xDC, 0xC0);
constexpr COLORREF kUnpainted = RGB(255, 0, 255);

// The pixels of one paint of a button, as COLORREFs.
struct Pixels {
    int width = 0, height = 0;
    std::vector<COLORREF> px;
    COLORREF At(int x, int y) const { return px[static_cast<std::size_t>(y * width + x)]; }
};

Pixels Capture(const TplButton& button) {
    RECT r{};
    GetClientRect(button.Handle(), &r);
    Pixels p{r.right, r.bottom, {}};
    win32::WindowDC screen(nullptr);
    win32::MemoryDC memory(screen.get());
    void* bits = nullptr;
    win32::GdiObject<HBITMAP> dib = win32::TopDownDib(screen.get(), p.width, p.height, 32, &bits);
    win32::Selection select(memory.get(), dib.get());
    win32::GdiObject<HBRUSH> magenta(CreateSolidBrush(kUnpainted));
    FillRect(memory.get(), &r, magenta.get());
    SendMessageW(button.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory.get()), PRF_CLIENT);
    GdiFlush();
    auto* raw = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < p.width * p.height; ++i) {
        std::uint32_t v = raw[i]; // 0x00RRGGBB
        p.px.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    }
    return p;
}

COLORREF Row(COLORREF begin, COLORREF end, int y, int height) {
    auto ch = [&](int shift) {
        int b = (begin >> shift) & 0xFF, e = (end >> shift) & 0xFF;
        return b + (e - b) * y / (height - 1);
    };
    return RGB(ch(0), ch(8), ch(16));
}

// Bounding box of the pixels that differ from the gradient of their row, inside the frame.
struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1, count = 0;
};
Box InkBox(const Pixels& p, COLORREF begin, COLORREF end, int inset = 2) {
    Box b;
    for (int y = inset; y < p.height - inset; ++y)
        for (int x = inset; x < p.width - inset; ++x)
            if (p.At(x, y) != Row(begin, end, y, p.height)) {
                b.left = std::min(b.left, x);
                b.right = std::max(b.right, x);
                b.top = std::min(b.top, y);
                b.bottom = std::max(b.bottom, y);
                ++b.count;
            }
    return b;
}

// Runs the thread's messages for a while, or until `done`; with `dialog`, through the buttons'
// dialog keys and IsDialogMessage as the tool's message loop does.
void Pump(int milliseconds, const std::function<bool()>& done = {}, HWND dialog = nullptr) {
    DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    while (static_cast<int>(end - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (dialog && (TplButton::OfferDialogKey(msg) || IsDialogMessageW(dialog, &msg))) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done && done()) return;
        Sleep(5);
    }
}

// A top-level window standing in for the dialog; it records the modal results it is handed.
struct Host {
    HWND hwnd = nullptr;
    std::vector<WPARAM> modalResults;
    std::vector<WPARAM> commands; // WM_COMMAND: control id and notification code
    win32::GdiObject<HBRUSH> buttonBrush; // the answer to WM_CTLCOLORBTN, when set

    static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<Host*>(GetWindowLongPtrW(h, GWLP_USERDATA));
        if (self && msg == TplButton::ModalResultMessage()) {
            self->modalResults.push_back(w);
            return 0;
        }
        if (self && msg == WM_COMMAND) {
            self->commands.push_back(w);
            return 0;
        }
        if (self && msg == WM_CTLCOLORBTN && self->buttonBrush) return reinterpret_cast<LRESULT>(self->buttonBrush.get());
        return DefWindowProcW(h, msg, w, l);
    }
    Host() {
        static ATOM atom = [] {
            WNDCLASSW wc{};
            wc.lpfnWndProc = &Host::Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
            wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
            wc.lpszClassName = L"ButtonTestHost";
            return RegisterClassW(&wc);
        }();
        (void)atom;
        hwnd = CreateWindowExW(WS_EX_TOPMOST, L"ButtonTestHost", L"button test", WS_POPUP | WS_VISIBLE, 100, 100,
                               300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetForegroundWindow(hwnd);
        Pump(50);
    }
    ~Host() { DestroyWindow(hwnd); }
};

class ButtonTest : public ::testing::Test {
protected:
    // One host for all: hiding a top-level window costs Wine two seconds on a display without
    // a window manager.
    static void SetUpTestSuite() { hostWindow_ = new Host(); }
    static void TearDownTestSuite() {
        delete hostWindow_;
        hostWindow_ = nullptr;
    }
    void SetUp() override {
        host_ = hostWindow_;
        host_->modalResults.clear();
        host_->commands.clear();
        SetForegroundWindow(host_->hwnd);
        SetFocus(host_->hwnd);
        // The dialog's font, without smoothing so that text pixels carry exactly the text colour.
        font_.reset(CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH,
                                L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF")); // "ＭＳ Ｐゴシック"
        ASSERT_TRUE(font_);
    }
    void TearDown() override { TplButton::SetErrorHandler({}); }
    // A button set up as the dialog's execute button, at its dialog position.
    std::unique_ptr<TplButton> DialogButton(const char* caption = "実　行") {
        return MakeDialogButton(host_->hwnd, "plButton1", 160, caption, font_.get(), kRunId);
    }
    // A frameless button for looking at the picture, with the focus (and its mark) elsewhere.
    std::unique_ptr<TplButton> PictureButton(const char* caption = "") {
        auto b = DialogButton(caption);
        b->SetButtonStyle(TplButtonStyle::bsFlatNoFrame);
        other_ = std::make_unique<TplButton>(host_->hwnd, "", 0, 0);
        SetFocus(other_->Handle());
        return b;
    }

    static inline Host* hostWindow_ = nullptr;
    Host* host_ = nullptr;
    win32::GdiObject<HFONT> font_;
    std::unique_ptr<TplButton> other_;
};

TEST_F(ButtonTest, NewButtonHasItsDefaultsAndItsNameAsCaption) {
    TplButton b(host_->hwnd, "plButton7", 0, 0);
    RECT r{};
    GetClientRect(b.Handle(), &r);
    EXPECT_EQ(r.right, 75);
    EXPECT_EQ(r.bottom, 26);
    EXPECT_EQ(b.CaptionA().Caption(), "plButton7");
    EXPECT_EQ(b.CaptionB().Caption(), "");
    EXPECT_EQ(b.GradBeginColor(), pl_colors::clWhite);
    EXPECT_EQ(b.GradEndColor(), pl_colors::clSilver);
    EXPECT_TRUE(b.TabStop());
    EXPECT_TRUE(b.HasFocus());
    EXPECT_EQ(b.RoundCorner(), 7);
    EXPECT_EQ(b.Image().Left(), 10);
    EXPECT_TRUE(b.Image().VertCenter());
}

TEST_F(ButtonTest, GradientRunsFromWhiteToMoneyGreen) {
    auto b = DialogButton();
    b->SetButtonStyle(TplButtonStyle::bsFlatNoFrame); // no frame over the first and last rows
    Pixels p = Capture(*b);
    ASSERT_EQ(p.height, 26);
    for (int x = 0; x < p.width; ++x) {
        ASSERT_EQ(p.At(x, 0), RGB(255, 255, 255)) << x;
        ASSERT_EQ(p.At(x, 25), kMoneyGreen) << x;
    }
    for (int y = 0; y < 26; ++y) EXPECT_EQ(p.At(1, y), Row(RGB(255, 255, 255), kMoneyGreen, y, 26)) << y;

    // The dialog's own style: the raised edge around, the gradient inside it.
    b->SetButtonStyle(TplButtonStyle::bsNormal);
    Pixels q = Capture(*b);
    for (int y = 2; y < 24; ++y) EXPECT_EQ(q.At(3, y), Row(RGB(255, 255, 255), kMoneyGreen, y, 26)) << y;
    EXPECT_NE(q.At(0, 25), kMoneyGreen);
}

TEST_F(ButtonTest, GradientOfOneRowAndFlatColour) {
    TplButton b(host_->hwnd, "", 0, 0, 40, 1);
    b.SetButtonStyle(TplButtonStyle::bsFlatNoFrame);
    b.SetGradBeginColor(RGB(10, 20, 30));
    Pixels p = Capture(b);
    for (int x = 0; x < 40; ++x) ASSERT_EQ(p.At(x, 0), RGB(10, 20, 30));

    TplButton flat(host_->hwnd, "", 0, 0, 20, 10);
    flat.SetButtonStyle(TplButtonStyle::bsFlatNoFrame);
    flat.SetGradation(false);
    flat.SetColor(RGB(1, 2, 3));
    Pixels f = Capture(flat);
    EXPECT_EQ(f.At(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(f.At(19, 9), RGB(1, 2, 3));
}

TEST_F(ButtonTest, CaptionIsCentredBelowCaptionTop) {
    auto b = DialogButton();
    Pixels p = Capture(*b);
    Box ink = InkBox(p, RGB(255, 255, 255), kMoneyGreen);
    ASSERT_GT(ink.count, 30) << "no caption drawn";
    EXPECT_GE(ink.top, 8);
    EXPECT_LE(ink.bottom, 8 + 13);
    int centre2 = ink.left + ink.right; // twice the centre
    EXPECT_NEAR(centre2, 2 * 37, 4) << ink.left << ".." << ink.right;
    int textPixels = 0;
    for (int y = ink.top; y <= ink.bottom; ++y)
        for (int x = ink.left; x <= ink.right; ++x) textPixels += p.At(x, y) == GetSysColor(COLOR_WINDOWTEXT);
    EXPECT_EQ(textPixels, ink.count); // unsmoothed text in the window-text colour, nothing else
    EXPECT_EQ(b->CaptionTop(), 8);
    EXPECT_FALSE(b->CaptionVertCenter());
}

TEST_F(ButtonTest, CaptionAlignments) {
    auto b = DialogButton("ABCD");
    b->SetButtonStyle(TplButtonStyle::bsFlatNoFrame);
    SIZE text{};
    {
        win32::WindowDC dc(b->Handle());
        win32::Selection s(dc.get(), font_.get());
        GetTextExtentPoint32A(dc.get(), "ABCD", 4, &text);
    }
    auto box = [&] { return InkBox(Capture(*b), RGB(255, 255, 255), kMoneyGreen, 0); };

    b->CaptionA().SetAlignment(TplBtnAlignment::taLeft);
    b->CaptionA().SetLeft(5);
    Box left = box();
    EXPECT_GE(left.left, 7);
    EXPECT_LE(left.left, 8);

    b->CaptionA().SetAlignment(TplBtnAlignment::taRight);
    b->CaptionA().SetRight(6);
    Box right = box();
    EXPECT_LE(right.right, 75 - 6 - 2 - 1);
    EXPECT_GE(right.right, 75 - 6 - 2 - 3);

    // Spread over the usable width: first ink near Left + 2, last near Width - Right - 2.
    b->CaptionA().SetAlignment(TplBtnAlignment::taEven);
    Box even = box();
    EXPECT_LE(even.left, 8);
    EXPECT_GE(even.right, 75 - 6 - 2 - 3);
    EXPECT_GT(even.right - even.left, text.cx + 20);

    // A single character spread "evenly" is centred instead.
    b->CaptionA().SetCaption("W");
    Box one = box();
    EXPECT_NEAR(one.left + one.right, 2 * 37, 3);
}

TEST_F(ButtonTest, SecondLineAloneIsCentredAndStoredAsCaptionTop) {
    auto b = DialogButton("");
    b->CaptionB().SetCaption("XY");
    b->SetCaptionVertCenter(true);
    (void)Capture(*b);
    SIZE text{};
    {
        win32::WindowDC dc(b->Handle());
        win32::Selection s(dc.get(), font_.get());
        GetTextExtentPoint32A(dc.get(), "XY", 2, &text);
    }
    EXPECT_EQ(b->CaptionTop(), (26 - text.cy) / 2);
    EXPECT_TRUE(b->CaptionVertCenter());
    b->SetCaptionTop(3);
    EXPECT_FALSE(b->CaptionVertCenter());
    Box ink = InkBox(Capture(*b), RGB(255, 255, 255), kMoneyGreen);
    EXPECT_GE(ink.top, 3);
    EXPECT_LT(ink.top, (26 - text.cy) / 2);
    // Centring turned on again takes effect at the next paint.
    b->SetCaptionVertCenter(true);
    (void)Capture(*b);
    EXPECT_EQ(b->CaptionTop(), (26 - text.cy) / 2);
}

TEST_F(ButtonTest, CaptionAndImageSettingsAreCopiedBetweenButtons) {
    auto a = DialogButton("first");
    TplButton b(host_->hwnd, "plButton3", 0, 0);
    a->CaptionA().SetAlignment(TplBtnAlignment::taRight);
    a->CaptionA().SetLeft(3);
    a->CaptionA().SetRight(4);
    b.SetCaptionB(a->CaptionA());
    EXPECT_EQ(b.CaptionB().Caption(), "first");
    EXPECT_EQ(b.CaptionB().Alignment(), TplBtnAlignment::taRight);
    EXPECT_EQ(b.CaptionB().Left(), 3);
    EXPECT_EQ(b.CaptionB().Right(), 4);
    EXPECT_EQ(b.CaptionA().Caption(), "plButton3");

    std::vector<std::uint32_t> red(4, 0x00FF0000);
    win32::GdiObject<HBITMAP> bitmap(CreateBitmap(2, 2, 1, 32, red.data()));
    TPicture picture;
    picture.AssignBitmap(bitmap.get());
    a->Image().SetPicture(picture);
    a->Image().SetLeft(5); // turns horizontal centring off
    a->Image().SetTop(6);  // turns vertical centring off
    a->Image().SetTransParent(true);
    EXPECT_FALSE(a->Image().VertCenter());
    b.SetImage(a->Image());
    EXPECT_EQ(b.Image().Picture().GraphicKind(), TPicture::Kind::Bitmap);
    EXPECT_NE(b.Image().Picture().Bitmap(), a->Image().Picture().Bitmap()); // a copy, not shared
    EXPECT_EQ(b.Image().Left(), 5);
    EXPECT_EQ(b.Image().Top(), 6);
    EXPECT_TRUE(b.Image().TransParent());
    EXPECT_FALSE(b.Image().VertCenter());
    a->Image().SetVertCenter(true);
    (void)Capture(*a);
    EXPECT_EQ(a->Image().Top(), (26 - 2) / 2);
    EXPECT_TRUE(a->Image().VertCenter());
}

TEST_F(ButtonTest, ParentColourFillsWhenTheGradientIsOff) {
    auto b = DialogButton("");
    b->SetButtonStyle(TplButtonStyle::bsFlatNoFrame);
    b->SetGradation(false);
    b->SetColor(RGB(10, 20, 30));
    EXPECT_EQ(Capture(*b).At(5, 5), RGB(10, 20, 30));
    host_->buttonBrush.reset(CreateSolidBrush(RGB(40, 50, 60)));
    b->SetParentColor(true);
    EXPECT_EQ(Capture(*b).At(5, 5), RGB(40, 50, 60));
    b->SetGradation(true); // the gradient takes the parent's colour away
    EXPECT_FALSE(b->ParentColor());
    EXPECT_EQ(Capture(*b).At(5, 0), RGB(255, 255, 255));
    host_->buttonBrush.reset();
}

TEST_F(ButtonTest, DoubleClickIsOneClickAndOneDoubleClick) {
    auto b = DialogButton();
    int clicks = 0, doubles = 0;
    b->OnClick = [&](TplButton&) { ++clicks; };
    b->OnDblClick = [&](TplButton&) { ++doubles; };
    SendMessageW(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageW(b->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    SendMessageW(b->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
    EXPECT_TRUE(b->Pressed());
    SendMessageW(b->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(doubles, 1);
    EXPECT_FALSE(b->Pressed());
    // The right button neither presses nor clicks.
    SendMessageW(b->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(10, 10));
    EXPECT_FALSE(b->Pressed());
    SendMessageW(b->Handle(), WM_RBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(clicks, 1);
}

TEST_F(ButtonTest, PressedButtonDrawsItsOutline) {
    auto b = DialogButton();
    int clicks = 0;
    b->OnClick = [&](TplButton&) { ++clicks; };

    SendMessageW(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 12));
    ASSERT_TRUE(b->Pressed());
    EXPECT_EQ(GetCapture(), b->Handle());
    EXPECT_EQ(GetFocus(), b->Handle()); // a left press takes the focus
    Pixels p = Capture(*b);
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    for (int x = 0; x < 75; ++x) {
        ASSERT_EQ(p.At(x, 0), shadow) << x;
        ASSERT_EQ(p.At(x, 25), shadow) << x;
    }
    for (int y = 0; y < 26; ++y) ASSERT_EQ(p.At(74, y), shadow) << y;
    for (int x = 1; x < 74; ++x) {
        ASSERT_EQ(p.At(x, 1), RGB(0x80, 0x80, 0x80)) << x;
        ASSERT_EQ(p.At(x, 24), RGB(0x80, 0x80, 0x80)) << x;
    }
    for (int y = 1; y < 25; ++y) ASSERT_EQ(p.At(1, y), RGB(0x80, 0x80, 0x80)) << y;
    SendMessageW(b->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(30, 12));
    EXPECT_FALSE(b->Pressed());
    EXPECT_EQ(clicks, 1);
    EXPECT_NE(GetCapture(), b->Handle());
}

TEST_F(ButtonTest, PressShiftsCaptionByOnePixel) {
    auto b = PictureButton("実　行");
    TplButton& other = *other_;
    Box up = InkBox(Capture(*b), RGB(255, 255, 255), kMoneyGreen, 0);
    b->SetHasFocus(false); // a press then neither focuses nor shifts
    SendMessageW(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 12));
    EXPECT_TRUE(b->Pressed());
    EXPECT_EQ(GetFocus(), other.Handle());
    Box still = InkBox(Capture(*b), RGB(255, 255, 255), kMoneyGreen, 0);
    EXPECT_EQ(still.left, up.left);
    EXPECT_EQ(still.top, up.top);
    SendMessageW(b->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(300, 12)); // released outside
    b->SetHasFocus(true);
    SendMessageW(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 12));
    SetFocus(other.Handle()); // keep the focus mark out of the comparison
    Box down = InkBox(Capture(*b), RGB(255, 255, 255), kMoneyGreen, 0);
    EXPECT_EQ(down.left, up.left + 1);
    EXPECT_EQ(down.top, up.top + 1);
    EXPECT_EQ(down.right, up.right + 1);
    SendMessageW(b->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(300, 12));
}

TEST_F(ButtonTest, FocusRectangleIsDrawnInsideTheFrame) {
    auto b = DialogButton("");
    TplButton other(host_->hwnd, "", 0, 0);
    SetFocus(other.Handle()); // the button under test keeps its frame here
    Pixels plain = Capture(*b);
    SetFocus(b->Handle());
    ASSERT_TRUE(b->Focused());
    Pixels focused = Capture(*b);
    int onOutline = 0;
    for (int y = 0; y < 26; ++y)
        for (int x = 0; x < 75; ++x) {
            if (plain.At(x, y) == focused.At(x, y)) continue;
            bool outline = ((x == 2 || x == 72) && y >= 2 && y <= 23) || ((y == 2 || y == 23) && x >= 2 && x <= 72);
            EXPECT_TRUE(outline) << "changed off the focus rectangle at " << x << "," << y;
            ++onOutline;
        }
    // A dotted rectangle: about every other pixel of its 184 changes.
    EXPECT_GE(onOutline, 80);
    EXPECT_LE(onOutline, 184);

    b->SetHasFocus(false); // no focus handling, no mark
    Pixels unmarked = Capture(*b);
    EXPECT_EQ(unmarked.px, plain.px);
}

TEST_F(ButtonTest, DisabledLookGreysCaptionAndPicture) {
    auto b = PictureButton("ABC");
    // An 8 x 8 pure red bitmap at x = 60, and y = 9 by vertical centring.
    std::vector<std::uint32_t> red(64, 0x00FF0000);
    win32::GdiObject<HBITMAP> bitmap(CreateBitmap(8, 8, 1, 32, red.data()));
    TPicture picture;
    picture.AssignBitmap(bitmap.get());
    b->Image().SetPicture(picture);
    b->Image().SetLeft(60);

    Pixels enabled = Capture(*b);
    EXPECT_EQ(enabled.At(60, 9), RGB(255, 0, 0));
    EXPECT_EQ(enabled.At(67, 16), RGB(255, 0, 0));
    EXPECT_EQ(enabled.At(59, 9), Row(RGB(255, 255, 255), kMoneyGreen, 9, 26));

    b->SetEnabled(false);
    Pixels disabled = Capture(*b);
    EXPECT_EQ(disabled.At(60, 9), RGB(162, 162, 162)); // (255 / 3) / 2 + 120
    EXPECT_EQ(disabled.At(67, 16), RGB(162, 162, 162));
    // The caption: shadow-coloured text over a highlight copy one pixel down-right, no black.
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);
    int shadowPixels = 0, lightPixels = 0, black = 0;
    for (int y = 0; y < 26; ++y)
        for (int x = 0; x < 55; ++x) {
            COLORREF c = disabled.At(x, y);
            shadowPixels += c == shadow;
            lightPixels += c == light && c != Row(RGB(255, 255, 255), kMoneyGreen, y, 26);
            black += c == RGB(0, 0, 0);
        }
    EXPECT_GT(shadowPixels, 20);
    EXPECT_GT(lightPixels, 5);
    EXPECT_EQ(black, 0);

    // Without focus handling and without DisableImage the disabled button looks enabled.
    b->SetHasFocus(false);
    EXPECT_EQ(Capture(*b).px, enabled.px);
    b->SetDisableImage(true);
    EXPECT_EQ(Capture(*b).px, disabled.px);
}

TEST_F(ButtonTest, IconIsDrawnTransparentAndOtherGraphicsNotAtAll) {
    auto b = PictureButton("");
    Pixels empty = Capture(*b);

    // 8 x 8 blue icon whose left column is masked out (transparent).
    std::vector<std::uint32_t> colour(64, 0x000000FF);
    std::vector<std::uint8_t> mask(8 * 2, 0x00); // monochrome rows are word aligned
    for (int y = 0; y < 8; ++y) {
        colour[static_cast<std::size_t>(y * 8)] = 0;
        mask[static_cast<std::size_t>(y * 2)] = 0x80;
    }
    win32::GdiObject<HBITMAP> colourBits(CreateBitmap(8, 8, 1, 32, colour.data()));
    win32::GdiObject<HBITMAP> maskBits(CreateBitmap(8, 8, 1, 1, mask.data()));
    ICONINFO info{TRUE, 0, 0, maskBits.get(), colourBits.get()};
    HICON icon = CreateIconIndirect(&info);
    ASSERT_NE(icon, nullptr);
    TPicture picture;
    picture.AssignIcon(icon);
    DestroyIcon(icon);
    ASSERT_EQ(picture.Width(), 8);
    b->Image().SetPicture(picture);
    b->Image().SetHorzCenter(true);
    Pixels p = Capture(*b);
    int left = (75 - 8) / 2, top = (26 - 8) / 2;
    EXPECT_EQ(b->Image().Left(), left);
    EXPECT_EQ(b->Image().Top(), top);
    EXPECT_TRUE(b->Image().HorzCenter());
    EXPECT_EQ(p.At(left + 3, top + 3), RGB(0, 0, 255));
    EXPECT_EQ(p.At(left, top + 3), empty.At(left, top + 3)); // masked column shows the gradient
    // A resize paints once: the centring in that paint asks for no second one.
    SetWindowPos(b->Handle(), nullptr, 0, 0, 75, 40, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ(b->Image().Top(), (40 - 8) / 2);
    EXPECT_FALSE(GetUpdateRect(b->Handle(), nullptr, FALSE)) << "the paint invalidated the button again";
    SetWindowPos(b->Handle(), nullptr, 0, 0, 75, 26, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    b->SetEnabled(false);
    Pixels grey = Capture(*b);
    EXPECT_EQ(grey.At(left + 3, top + 3), RGB(162, 162, 162));
    EXPECT_EQ(grey.At(left, top + 3), empty.At(left, top + 3));
    b->SetEnabled(true);

    // A metafile is a picture too, but not one the button draws.
    HDC recorder = CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    Rectangle(recorder, 0, 0, 10, 10);
    HENHMETAFILE metafile = CloseEnhMetaFile(recorder);
    picture.AssignMetafile(metafile);
    DeleteEnhMetaFile(metafile);
    b->Image().SetPicture(picture);
    EXPECT_EQ(Capture(*b).px, empty.px);
}

TEST_F(ButtonTest, TransparentBitmapLeavesItsBottomLeftColourOut) {
    auto b = PictureButton("");
    std::vector<std::uint32_t> bits(16, 0x00FF0000); // 4 x 4 red with a green diagonal
    for (int i = 0; i < 4; ++i) bits[static_cast<std::size_t>(i * 4 + (3 - i))] = 0x0000FF00;
    bits[12] = 0x0000FF00; // bottom-left
    win32::GdiObject<HBITMAP> bitmap(CreateBitmap(4, 4, 1, 32, bits.data()));
    TPicture picture;
    picture.AssignBitmap(bitmap.get());
    b->Image().SetPicture(picture);
    b->Image().SetLeft(20);
    b->Image().SetTop(5);
    EXPECT_FALSE(b->Image().VertCenter());
    Pixels opaque = Capture(*b);
    EXPECT_EQ(opaque.At(20, 8), RGB(0, 255, 0));
    b->Image().SetTransParent(true);
    Pixels clear = Capture(*b);
    EXPECT_EQ(clear.At(20, 8), Row(RGB(255, 255, 255), kMoneyGreen, 8, 26));
    EXPECT_EQ(clear.At(23, 5), Row(RGB(255, 255, 255), kMoneyGreen, 5, 26));
    EXPECT_EQ(clear.At(20, 5), RGB(255, 0, 0));
}

TEST_F(ButtonTest, RoundStylesSetAWindowRegionThatFollowsTheSize) {
    auto b = DialogButton();
    win32::GdiObject<HRGN> region(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(GetWindowRgn(b->Handle(), region.get()), ERROR);

    for (auto style : {TplButtonStyle::bsRoundRect, TplButtonStyle::bsRoundRectNoFrame}) {
        b->SetButtonStyle(style);
        ASSERT_NE(GetWindowRgn(b->Handle(), region.get()), ERROR);
        EXPECT_FALSE(PtInRegion(region.get(), 0, 0));
        EXPECT_FALSE(PtInRegion(region.get(), 74, 25));
        EXPECT_TRUE(PtInRegion(region.get(), 37, 13));
        EXPECT_TRUE(PtInRegion(region.get(), 74, 13));
        EXPECT_TRUE(PtInRegion(region.get(), 37, 25));
        EXPECT_NE(b->ButtonRegion(), nullptr);
    }
    b->SetButtonStyle(TplButtonStyle::bsRoundRect);
    Pixels p = Capture(*b);
    EXPECT_EQ(p.At(37, 0), RGB(0x75, 0x75, 0x75));
    EXPECT_EQ(p.At(0, 13), RGB(0x75, 0x75, 0x75));

    SetWindowPos(b->Handle(), nullptr, 0, 0, 120, 40, SWP_NOMOVE | SWP_NOZORDER);
    ASSERT_NE(GetWindowRgn(b->Handle(), region.get()), ERROR);
    EXPECT_TRUE(PtInRegion(region.get(), 110, 35));
    EXPECT_FALSE(PtInRegion(region.get(), 119, 39));

    b->SetButtonStyle(TplButtonStyle::bsNormal);
    EXPECT_EQ(GetWindowRgn(b->Handle(), region.get()), ERROR);
    EXPECT_EQ(b->ButtonRegion(), nullptr);
}

// Real input: the system's mouse queue, not messages sent to the window.
void SendMouse(DWORD flags, int x = 0, int y = 0) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        in.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        in.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    SendInput(1, &in, sizeof in);
}
POINT ScreenCentre(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST_F(ButtonTest, RealMousePressAndReleaseClickOnce) {
    auto b = DialogButton();
    int clicks = 0, downs = 0, ups = 0, enters = 0;
    b->OnClick = [&](TplButton&) { ++clicks; };
    b->OnMouseDown = [&](TplButton&, TMouseButton button, TShiftState, int, int) { downs += button == TMouseButton::mbLeft; };
    b->OnMouseUp = [&](TplButton&, TMouseButton, TShiftState, int, int) { ++ups; };
    b->OnMouseEnter = [&](TplButton&, TShiftState, int, int) { ++enters; };
    Pump(100);
    POINT c = ScreenCentre(b->Handle());
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 20, 20);
    Pump(100);
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, c.x, c.y);
    Pump(1000, [&] { return enters > 0; });
    EXPECT_EQ(enters, 1);
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Pump(1000, [&] { return downs > 0; });
    ASSERT_EQ(downs, 1) << "the press never reached the button";
    EXPECT_TRUE(b->Pressed());
    SendMouse(MOUSEEVENTF_LEFTUP);
    Pump(1000, [&] { return clicks > 0; });
    Pump(300); // nothing more may come of it
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(ups, 1);
    EXPECT_FALSE(b->Pressed());
    ASSERT_EQ(host_->modalResults.size(), 1u);
    EXPECT_EQ(host_->modalResults[0], 0u);
    // One click, one action: with OnClick wired the parent hears no BN_CLICKED besides it, so a
    // dialog that handles both cannot act twice; without it the parent hears of it once.
    EXPECT_TRUE(host_->commands.empty());
    b->OnClick = nullptr;
    SendMessageW(b->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageW(b->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(host_->commands, std::vector<WPARAM>{MAKEWPARAM(kRunId, BN_CLICKED)});
}

TEST_F(ButtonTest, RealMouseEnterLeaveAndDragOut) {
    auto b = DialogButton();
    int entered = 0, left = 0, clicks = 0;
    b->OnMouseEnter = [&](TplButton&, TShiftState, int, int) { ++entered; };
    b->OnMouseLeave = [&](TplButton&, TShiftState, int, int) { ++left; };
    b->OnClick = [&](TplButton&) { ++clicks; };
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 20, 20);
    Pump(100);
    POINT c = ScreenCentre(b->Handle());
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, c.x, c.y);
    Pump(1000, [&] { return entered == 1; });
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, c.x, c.y - 40);
    Pump(1000, [&] { return left == 1; });
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(left, 1);

    // Held and dragged out: the press is dropped; back in and released: still a click.
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, c.x, c.y);
    Pump(1000, [&] { return entered == 2; });
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Pump(1000, [&] { return b->Pressed(); });
    ASSERT_TRUE(b->Pressed());
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, c.x, c.y - 40);
    Pump(1000, [&] { return left == 2; });
    EXPECT_EQ(left, 2);
    EXPECT_FALSE(b->Pressed());
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, c.x, c.y);
    Pump(1000, [&] { return entered == 3; });
    EXPECT_EQ(entered, 3);
    EXPECT_FALSE(b->Pressed());
    SendMouse(MOUSEEVENTF_LEFTUP);
    Pump(1000, [&] { return clicks > 0; });
    EXPECT_EQ(clicks, 1);

    // Pressed inside, released outside: no click.
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    Pump(300, [&] { return b->Pressed(); });
    SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, c.x, c.y - 40);
    Pump(300);
    SendMouse(MOUSEEVENTF_LEFTUP);
    Pump(300);
    EXPECT_EQ(clicks, 1);
}

TEST_F(ButtonTest, EnterAndLeaveReportTheShiftStateOfThatMoment) {
    // The thread's key state is what the events read; Wine re-syncs injected modifier keys with
    // the X server's own state on the next pointer event, so the state is set directly here.
    auto b = DialogButton();
    std::vector<TShiftState> entered, left;
    b->OnMouseEnter = [&](TplButton&, TShiftState s, int, int) { entered.push_back(s); };
    b->OnMouseLeave = [&](TplButton&, TShiftState s, int, int) { left.push_back(s); };
    BYTE saved[256];
    GetKeyboardState(saved);
    BYTE keys[256];
    std::copy(std::begin(saved), std::end(saved), std::begin(keys));
    keys[VK_SHIFT] = 0x80;
    keys[VK_CONTROL] = 0;
    keys[VK_MENU] = 0;
    SetKeyboardState(keys);
    SendMessageW(b->Handle(), WM_MOUSEMOVE, MK_SHIFT, MAKELPARAM(5, 5));
    keys[VK_SHIFT] = 0;
    keys[VK_CONTROL] = 0x80;
    keys[VK_MENU] = 0x80;
    keys[VK_RBUTTON] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(b->Handle(), WM_MOUSEMOVE, MK_CONTROL, MAKELPARAM(200, 5)); // outside
    SetKeyboardState(saved);
    ASSERT_EQ(entered.size(), 1u);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(entered[0].bits, unsigned{TShiftState::ssShift});
    EXPECT_EQ(left[0].bits, unsigned{TShiftState::ssCtrl | TShiftState::ssAlt | TShiftState::ssRight});
}

void SendKey(WORD key) {
    INPUT in[2]{};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = key;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof in[0]);
}

TEST_F(ButtonTest, RealKeysThroughADialogLoop) {
    auto close = MakeDialogButton(host_->hwnd, "plButton2", 72, "閉じる", font_.get(), 107);
    auto run = DialogButton();
    int runClicks = 0, closeClicks = 0;
    run->OnClick = [&](TplButton&) { ++runClicks; };
    close->OnClick = [&](TplButton&) { ++closeClicks; };
    SetFocus(close->Handle());
    SendKey(VK_TAB); // to the next tab stop, the execute button
    Pump(1000, [&] { return run->Focused(); }, host_->hwnd);
    ASSERT_TRUE(run->Focused());
    SendKey(VK_RETURN);
    Pump(1000, [&] { return runClicks > 0; }, host_->hwnd);
    Pump(200, {}, host_->hwnd);
    EXPECT_EQ(runClicks, 1);
    EXPECT_EQ(closeClicks, 0);
    EXPECT_TRUE(host_->commands.empty());
    SendKey(VK_SPACE); // clicks the focused button on its release, as any push button
    Pump(1000, [&] { return runClicks > 1; }, host_->hwnd);
    SendKey(VK_ESCAPE); // no Cancel button: nothing
    Pump(300, {}, host_->hwnd);
    EXPECT_EQ(runClicks, 2);
    EXPECT_EQ(closeClicks, 0);
    EXPECT_TRUE(host_->commands.empty());
}

// What a push button of the platform does with keys: Enter goes to the Default button unless
// the focus is on another button, Space clicks the focused one, Alt and the mnemonic click
// the button that shows it; and its caption is its window text.
TEST_F(ButtonTest, DefaultSpaceAndMnemonicAsOnAPlatformButton) {
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_BORDER, 10, 10,
                                80, 20, host_->hwnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    auto close = MakeDialogButton(host_->hwnd, "plButton2", 72, "閉じる(&C)", font_.get(), 107);
    auto run = DialogButton();
    run->SetDefault(true);
    int runClicks = 0, closeClicks = 0;
    run->OnClick = [&](TplButton&) { ++runClicks; };
    close->OnClick = [&](TplButton&) { ++closeClicks; };
    wchar_t text[40] = {};
    GetWindowTextW(close->Handle(), text, 40);
    EXPECT_STREQ(text, L"閉じる(&C)");
    SetWindowTextW(run->Handle(), L"実行");
    EXPECT_EQ(run->CaptionA().Caption(), "実行") << "window text set from outside is the caption";

    const struct {
        const char* what;
        HWND focus;
        std::vector<WORD> keys;  // pressed in order, released in reverse
        int run, close;
    } cases[] = {
        {"Enter in an edit: the Default button", edit, {VK_RETURN}, 1, 0},
        {"Enter on another button: that one", close->Handle(), {VK_RETURN}, 0, 1},
        {"Space on a button: that one", close->Handle(), {VK_SPACE}, 0, 1},
        {"Space on the Default button", run->Handle(), {VK_SPACE}, 1, 0},
        {"Alt+C anywhere: the button whose mnemonic it is", edit, {VK_MENU, 'C'}, 0, 1},
    };
    for (const auto& c : cases) {
        runClicks = closeClicks = 0;
        SetFocus(c.focus);
        std::vector<INPUT> in;
        auto key = [&](WORD vk, DWORD flags) {
            INPUT one{};
            one.type = INPUT_KEYBOARD;
            one.ki.wVk = vk;
            one.ki.dwFlags = flags;
            in.push_back(one);
        };
        for (WORD k : c.keys) key(k, 0);
        for (auto k = c.keys.rbegin(); k != c.keys.rend(); ++k) key(*k, KEYEVENTF_KEYUP);
        SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
        Pump(1000, [&] { return runClicks + closeClicks > 0; }, host_->hwnd);
        Pump(100, {}, host_->hwnd);
        EXPECT_EQ(runClicks, c.run) << c.what;
        EXPECT_EQ(closeClicks, c.close) << c.what;
        // Only the edit's focus notifications: no IDOK, no second click as BN_CLICKED.
        for (WPARAM command : host_->commands) EXPECT_NE(HIWORD(command), BN_CLICKED) << c.what;
        host_->commands.clear();
    }
    DestroyWindow(edit);
}

TEST_F(ButtonTest, EnterAndEscAsDialogKeys) {
    auto run = DialogButton();
    auto close = std::make_unique<TplButton>(host_->hwnd, "plButton2", 72, 104);
    int runClicks = 0, closeClicks = 0;
    run->OnClick = [&](TplButton&) { ++runClicks; };
    close->OnClick = [&](TplButton&) { ++closeClicks; };
    run->SetModalResult(6);

    // Enter on the focused button: the full click, modal result included.
    SetFocus(run->Handle());
    SendMessageW(run->Handle(), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(runClicks, 1);
    ASSERT_EQ(host_->modalResults.size(), 1u);
    EXPECT_EQ(host_->modalResults[0], 6u);

    // Esc goes to the Cancel button wherever the focus is, and to no other.
    MSG esc{run->Handle(), WM_KEYDOWN, VK_ESCAPE, 1, 0, {}};
    EXPECT_FALSE(TplButton::OfferDialogKey(esc));
    close->SetCancel(true);
    EXPECT_TRUE(TplButton::OfferDialogKey(esc));
    EXPECT_EQ(closeClicks, 1);
    MSG altEsc = esc;
    altEsc.lParam |= LPARAM{1} << 29;
    EXPECT_FALSE(TplButton::OfferDialogKey(altEsc));
    close->SetEnabled(false);
    EXPECT_FALSE(TplButton::OfferDialogKey(esc));
    close->SetEnabled(true);
    // Enter offered while another control has the focus clicks nothing.
    SetFocus(host_->hwnd);
    MSG enter{host_->hwnd, WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    EXPECT_FALSE(TplButton::OfferDialogKey(enter));
    EXPECT_EQ(runClicks, 1);

    // Focus handling: gaining and losing the focus are told, and only then.
    int enters = 0, exits = 0;
    run->OnEnter = [&](TplButton&) { ++enters; };
    run->OnExit = [&](TplButton&) { ++exits; };
    SetFocus(run->Handle());
    SetFocus(host_->hwnd);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(exits, 1);
    // Without focus handling: no dialog key, but Enter as a key-down still fires OnClick only.
    run->SetHasFocus(false);
    SetFocus(run->Handle());
    EXPECT_EQ(enters, 1);
    MSG runEnter{run->Handle(), WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    EXPECT_FALSE(TplButton::OfferDialogKey(runEnter));
    SendMessageW(run->Handle(), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(runClicks, 2);
    EXPECT_EQ(host_->modalResults.size(), 2u); // the Esc click only; the key-down gave none
    WORD seen = 0;
    run->OnKeyDown = [&](TplButton&, WORD& key, TShiftState) { seen = key; key = 0; };
    SendMessageW(run->Handle(), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_EQ(seen, VK_RETURN);
    EXPECT_EQ(runClicks, 2); // the handler swallowed the key
    EXPECT_TRUE(host_->commands.empty());
}

TEST_F(ButtonTest, HandlerMayDestroyTheButtonAndErrorsStayInside) {
    auto b = DialogButton();
    b->OnClick = [&](TplButton&) { b.reset(); };
    HWND hwnd = b->Handle();
    SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(b, nullptr);
    EXPECT_FALSE(IsWindow(hwnd));

    std::string reported;
    TplButton::SetErrorHandler([&](HWND, std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            reported = x.what();
        }
    });
    auto c = DialogButton();
    c->OnClick = [](TplButton&) { throw std::runtime_error("'x' は浮動小数点数ではありません"); };
    SendMessageW(c->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    SendMessageW(c->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(reported, "'x' は浮動小数点数ではありません");
    EXPECT_FALSE(c->Pressed());
}

TEST_F(ButtonTest, ParentDestroyedBeforeTheButtonObject) {
    HWND panel = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 200, 100, host_->hwnd, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    auto b = std::make_unique<TplButton>(panel, "plButton9", 10, 10);
    HWND hwnd = b->Handle();
    DestroyWindow(panel);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(b->Handle(), nullptr);
    b->CaptionA().SetCaption("after"); // setters on a windowless button are harmless
    b->SetButtonStyle(TplButtonStyle::bsRoundRect);
    b.reset();
}

} // namespace
} // namespace vermiq
