// Scrolling marquee: a shadowed label whose caption glides across its window, one pixel per
// tick of a multimedia timer.
#pragma once

#include "widgets/EsLabel.h"
#include "widgets/marquee_steps.h"

#include <functional>
#include <optional>
#include <string>

namespace vermiq {

// A periodic multimedia timer whose callback posts StepMessage to a window; killed with its owner.
class MultimediaTimer {
public:
    MultimediaTimer() = default;
    MultimediaTimer(const MultimediaTimer&) = delete;
    MultimediaTimer& operator=(const MultimediaTimer&) = delete;
    ~MultimediaTimer() { Stop(); }
    // Returns the timer id, 0 when the system refused.
    unsigned Start(unsigned periodMs, unsigned resolutionMs, HWND target);
    void Stop();
    // The target's thread took a StepMessage: the next tick may post again.
    void StepTaken() { latch_.Taken(); }

private:
    static void CALLBACK Tick(UINT id, UINT, DWORD_PTR self, DWORD_PTR, DWORD_PTR);
    unsigned id_ = 0;
    HWND target_ = nullptr;
    StepLatch latch_;
};

class TEsCustomScrollingMarquee : public TEsCustomLabel, private MarqueeHost {
public:
    TEsCustomScrollingMarquee();
    ~TEsCustomScrollingMarquee() override;

    bool Active() const { return steps_.Active(); }
    void SetActive(bool value) { steps_.SetActive(value); }
    TEsBehaviors Behavior() const { return steps_.Behavior(); }
    void SetBehavior(TEsBehaviors value) { steps_.SetBehavior(value); }
    TEsScrollDirection ScrollDirection() const { return steps_.ScrollDirection(); }
    void SetScrollDirection(TEsScrollDirection value) { steps_.SetScrollDirection(value); }
    TEsScrollSpeed ScrollSpeed() const { return steps_.ScrollSpeed(); }
    void SetScrollSpeed(unsigned value) { steps_.SetScrollSpeed(value); }
    void SetAlignment(TAlignment value) override;
    static std::string Version() { return "1.11"; }

    // Fired at each wrap-around or bounce.
    std::function<void(TEsCustomScrollingMarquee&)> OnCycle;

    // Measures the caption in the window's font (nothing without a window).
    void MeasureCaption() override;
    void Invalidate() override;

    int OffsetX() const { return steps_.OffsetX(); }
    int OffsetY() const { return steps_.OffsetY(); }
    int CaptionWidth() const { return steps_.CaptionWidth(); }
    int CaptionHeight() const { return steps_.CaptionHeight(); }
    unsigned StepInterval() const { return steps_.StepInterval(); }
    unsigned TimerResolution() const { return steps_.TimerResolution(); }
    HWND StepWindow() const { return stepWindow_; }
    // The multimedia timer's id, 0 while none runs.
    unsigned TimerId() const { return steps_.TimerId(); }
    unsigned long StepCount() const { return steps_.StepCount(); }
    // How many times the caption image has been rendered, for measurements and tests.
    unsigned long RenderCount() const { return renderCount_; }

    // When set, the caption is rendered afresh for every step instead of only after a change
    // of caption, font, colours, size or look. Only for comparing the cost of the two.
    bool RenderOnEveryStep = false;

protected:
    const wchar_t* WindowClassName() const override;
    UINT WindowClassStyle() const override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Paint(HDC dc) override;
    void HandleCreated() override;
    void ColorChanged() override;
    void FontChanged() override;
    void TextChanged() override;
    virtual void DoCycle();

private:
    // MarqueeHost
    unsigned StartTimer(unsigned periodMs, unsigned resolutionMs) override;
    void KillTimer(unsigned timerId) override;
    void FillClient() override;
    void Repaint() override;
    void Cycled() override;

    static LRESULT CALLBACK StepWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void ReleaseImage();
    // The window is visible and its dialog not minimised.
    bool SeenOnScreen() const;
    UINT ImageFormat() const;

    MarqueeSteps steps_;
    MultimediaTimer timer_;
    HWND stepWindow_ = nullptr;
    // Declared in this order so that the bitmap is selected out before the context goes,
    // and the context goes before the bitmap is deleted.
    win32::GdiObject<HBITMAP> bufferImage_;
    std::optional<win32::MemoryDC> bufferDC_;
    std::optional<win32::Selection> bufferSelection_;
    SIZE bufferSize_{0, 0};
    bool needsRender_ = true;
    unsigned long renderCount_ = 0;
};

// The marquee as the dialog uses it; every property above is public already.
class TEsScrollingMarquee : public TEsCustomScrollingMarquee {};

} // namespace vermiq
