// Scrolling marquee: timer plumbing on the system's timer thread, steps and painting on the
// window's thread, and the off-screen caption image that each step copies to a new offset.
#include "widgets/EsMarque.h"

#include <mmsystem.h>

#include <stdexcept>

namespace vermiq {

namespace {

constexpr wchar_t kStepWindowClass[] = L"VermiqEsMarqueeStep";

unsigned DeviceTimerResolution() {
    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof caps) != TIMERR_NOERROR) return 2;
    return TimerResolutionFor(caps.wPeriodMin, caps.wPeriodMax);
}

} // namespace

// ---- MultimediaTimer ----

unsigned MultimediaTimer::Start(unsigned periodMs, unsigned resolutionMs, HWND target) {
    Stop();
    target_ = target;
    // Synchronous kill: once Stop returns no tick of this timer is still running.
    id_ = timeSetEvent(periodMs, resolutionMs, &MultimediaTimer::Tick,
                       reinterpret_cast<DWORD_PTR>(this),
                       TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    return id_;
}

void MultimediaTimer::Stop() {
    if (id_ != 0) timeKillEvent(id_);
    id_ = 0;
}

void CALLBACK MultimediaTimer::Tick(UINT id, UINT, DWORD_PTR self, DWORD_PTR, DWORD_PTR) {
    // The system's timer thread: touch nothing of the marquee, only hand the tick over, and
    // only when the window has taken the previous one.
    auto* timer = reinterpret_cast<MultimediaTimer*>(self);
    if (timer->latch_.Claim() &&
        !PostMessageW(timer->target_, StepMessage, 0, static_cast<LPARAM>(id)))
        timer->latch_.Taken();
}

// ---- TEsCustomScrollingMarquee ----

TEsCustomScrollingMarquee::TEsCustomScrollingMarquee()
    : steps_(static_cast<MarqueeHost&>(*this), DeviceTimerResolution()) {
    SetColor(es_colors::clWindow);
    SetParentColor(true);
    SetTransparent(false); // the image is opaque, filled with the colour

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &TEsCustomScrollingMarquee::StepWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kStepWindowClass;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        throw std::runtime_error("the marquee's step window class cannot be registered");
    stepWindow_ = CreateWindowExW(0, kStepWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), this);
    if (!stepWindow_) throw std::runtime_error("the marquee's step window cannot be created");
    steps_.StartScrollTimer(); // starts nothing while inactive
}

TEsCustomScrollingMarquee::~TEsCustomScrollingMarquee() {
    steps_.StopScrollTimer();
    timer_.Stop();
    DestroyHandle();
    SetWindowLongPtrW(stepWindow_, GWLP_USERDATA, 0);
    DestroyWindow(stepWindow_);
}

const wchar_t* TEsCustomScrollingMarquee::WindowClassName() const {
    return L"VermiqEsScrollingMarquee";
}

// A device context of its own: each step draws straight away, and fetching a shared one from
// the system's cache for every step would cost more than the copy itself.
UINT TEsCustomScrollingMarquee::WindowClassStyle() const { return CS_DBLCLKS | CS_OWNDC; }

LRESULT CALLBACK TEsCustomScrollingMarquee::StepWindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                                           LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created->lpCreateParams));
    }
    if (message == StepMessage) {
        auto* self =
            reinterpret_cast<TEsCustomScrollingMarquee*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        try {
            if (self) {
                self->timer_.StepTaken();
                // A step nobody can see is not taken, and the timer stands until the marquee
                // is painted again.
                self->steps_.SetShown(self->SeenOnScreen());
                self->steps_.HandleStepMessage(static_cast<unsigned>(lParam));
            }
        } catch (...) {
            // An OnCycle handler that throws must not unwind through the dispatcher.
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

void TEsCustomScrollingMarquee::HandleCreated() {
    const RECT client = ClientRect();
    steps_.SetClientSize(client.right, client.bottom);
    MeasureCaption();
}

LRESULT TEsCustomScrollingMarquee::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND: {
        // Only the system asks for this (a window uncovered); steps never erase.
        FillWithColor(reinterpret_cast<HDC>(wParam), ClientRect());
        return 1;
    }
    case WM_PRINTCLIENT:
        FillWithColor(reinterpret_cast<HDC>(wParam), ClientRect());
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_PAINT: steps_.SetShown(true); break;  // seen again: the caption goes on
    case WM_SHOWWINDOW:
        if (wParam) steps_.SetShown(true);
        break;
    case WM_DESTROY: ReleaseImage(); break;
    case WM_SIZE:
        steps_.SetClientSize(LOWORD(lParam), HIWORD(lParam));
        needsRender_ = true;
        break;
    default: break;
    }
    return TEsCustomLabel::HandleMessage(message, wParam, lParam);
}

UINT TEsCustomScrollingMarquee::ImageFormat() const {
    UINT format = DT_EXPANDTABS;
    if (!ShowAccelChar()) format |= DT_NOPREFIX;
    if (!steps_.Horizontal()) {
        // Only a vertical run has room to wrap and align; a horizontal one is a single line.
        if (WordWrap()) format |= DT_WORDBREAK;
        if (Alignment() == TAlignment::taRightJustify) format |= DT_RIGHT;
        if (Alignment() == TAlignment::taCenter) format |= DT_CENTER;
    }
    return format;
}

void TEsCustomScrollingMarquee::Paint(HDC dc) {
    const EsRect image = steps_.ImageRect();
    const int width = image.right, height = image.bottom;
    if (width <= 0 || height <= 0) return;
    const bool resized = width != bufferSize_.cx || height != bufferSize_.cy;
    if (needsRender_ || RenderOnEveryStep || resized || !bufferImage_ || !bufferDC_) {
        if (!bufferDC_) {
            bufferDC_.emplace(dc);
            if (!*bufferDC_) {
                bufferDC_.reset();
                return;
            }
        }
        if (resized || RenderOnEveryStep || !bufferImage_) {
            bufferSelection_.reset(); // the old bitmap leaves the context before it is deleted
            bufferImage_.reset(CreateCompatibleBitmap(dc, width, height));
            if (!bufferImage_) {
                bufferSize_ = {0, 0};
                return;
            }
            bufferSelection_.emplace(bufferDC_->get(), bufferImage_.get());
            bufferSize_ = {width, height};
        }
        RenderTextTo(bufferDC_->get(), RECT{0, 0, width, height}, ImageFormat());
        needsRender_ = false;
        ++renderCount_;
    }
    // Only the part of the image that lands in the client area is copied.
    const RECT client = ClientRect();
    const RECT placed{steps_.OffsetX(), steps_.OffsetY(), steps_.OffsetX() + width,
                      steps_.OffsetY() + height};
    RECT visible{};
    if (IntersectRect(&visible, &placed, &client))
        BitBlt(dc, visible.left, visible.top, visible.right - visible.left,
               visible.bottom - visible.top, bufferDC_->get(), visible.left - placed.left,
               visible.top - placed.top, SRCCOPY);
    if (const auto strip = steps_.StripToFill())
        FillWithColor(dc, RECT{strip->left, strip->top, strip->right, strip->bottom});
}

void TEsCustomScrollingMarquee::ReleaseImage() {
    bufferSelection_.reset();
    bufferDC_.reset();
    bufferImage_.reset();
    bufferSize_ = {0, 0};
}

void TEsCustomScrollingMarquee::SetAlignment(TAlignment value) {
    TEsCustomLabel::SetAlignment(value);
    needsRender_ = true;
}

void TEsCustomScrollingMarquee::Invalidate() {
    needsRender_ = true;
    TEsCustomLabel::Invalidate();
}

void TEsCustomScrollingMarquee::MeasureCaption() {
    needsRender_ = true;
    if (!hwnd_) return;
    win32::WindowDC dc(hwnd_);
    win32::Selection font(dc.get(), FontHandle());
    const std::string& caption = Caption();
    const int length = static_cast<int>(caption.size());
    SIZE extent{};
    GetTextExtentPoint32A(dc.get(), caption.c_str(), length, &extent);
    RECT r = ClientRect();
    const int height = DrawTextA(dc.get(), caption.c_str(), length, &r,
                                 DT_CALCRECT | (WordWrap() ? DT_WORDBREAK : 0));
    steps_.SetCaptionSize(extent.cx, height);
}

void TEsCustomScrollingMarquee::ColorChanged() {
    TEsCustomLabel::ColorChanged();
    MeasureCaption();
    Invalidate();
}

void TEsCustomScrollingMarquee::FontChanged() {
    TEsCustomLabel::FontChanged();
    MeasureCaption();
    Invalidate();
}

void TEsCustomScrollingMarquee::TextChanged() {
    TEsCustomLabel::TextChanged();
    MeasureCaption();
    Invalidate();
}

void TEsCustomScrollingMarquee::DoCycle() {
    if (OnCycle) OnCycle(*this);
}

unsigned TEsCustomScrollingMarquee::StartTimer(unsigned periodMs, unsigned resolutionMs) {
    return timer_.Start(periodMs, resolutionMs, stepWindow_);
}

void TEsCustomScrollingMarquee::KillTimer(unsigned) { timer_.Stop(); }

void TEsCustomScrollingMarquee::FillClient() {
    if (!hwnd_) return;
    win32::WindowDC dc(hwnd_);
    FillWithColor(dc.get(), ClientRect());
}

bool TEsCustomScrollingMarquee::SeenOnScreen() const {
    return hwnd_ && IsWindowVisible(hwnd_) && !IsIconic(GetAncestor(hwnd_, GA_ROOT));
}

void TEsCustomScrollingMarquee::Repaint() {
    // A step only moves the finished image: it is copied at once, without the invalidation,
    // the paint message and the update region that a scheduled paint would cost.
    if (!hwnd_ || !steps_.Shown()) return;
    win32::WindowDC dc(hwnd_);
    if (dc) Paint(dc.get());
}

void TEsCustomScrollingMarquee::Cycled() { DoCycle(); }

} // namespace vermiq
