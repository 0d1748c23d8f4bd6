// The scrolling marquee's motion without a window: start offsets, one-pixel steps with wrap
// and bounce, the switches that restart it, and the timer period for each speed.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>

#include "widgets/label_layers.h"

namespace vermiq {

enum class TEsScrollDirection : std::uint8_t {
    sdRightToLeft, sdLeftToRight, sdTopToBottom, sdBottomToTop
};
enum class TEsBehaviors : std::uint8_t { bhCycle, bhBounce, bhOnce };
using TEsScrollSpeed = std::uint8_t;

// Posted by the timer thread, one per tick (WM_USER + 500), with the timer's id as lParam.
inline constexpr unsigned StepMessage = 0x0400 + 500;

// Lets one step message at a time be on its way from the timer thread to the window: a tick
// that finds one still queued posts none, so a window that was kept busy finds one step
// waiting, not the whole backlog of ticks it missed.
class StepLatch {
public:
    // The timer thread: true when the tick may post its message.
    bool Claim() { return !queued_.exchange(true, std::memory_order_acq_rel); }
    // The window's thread, as it takes the message (a stale one too).
    void Taken() { queued_.store(false, std::memory_order_release); }

private:
    std::atomic<bool> queued_{false};
};
// Pixels the caption travels beyond the far edge before it comes back.
inline constexpr int kWrapGap = 15;

// Timer period in milliseconds for a speed of 0 to 10.
unsigned StepIntervalForSpeed(unsigned speed);
// 2 ms, kept within what the timer device can do.
unsigned TimerResolutionFor(unsigned minPeriod, unsigned maxPeriod);

// What the motion needs from the window that shows it.
class MarqueeHost {
public:
    virtual ~MarqueeHost() = default;
    // Measures the caption and hands its size to SetCaptionSize (nothing without a window).
    virtual void MeasureCaption() = 0;
    // Starts a periodic timer; returns its id, 0 when none could be started.
    virtual unsigned StartTimer(unsigned periodMs, unsigned resolutionMs) = 0;
    virtual void KillTimer(unsigned timerId) = 0;
    // Fills the client area with the background colour at once.
    virtual void FillClient() = 0;
    // The caption moved or stopped: show it again (no new rendering needed for that).
    virtual void Repaint() = 0;
    // A wrap-around or a bounce happened.
    virtual void Cycled() = 0;
};

class MarqueeSteps {
public:
    explicit MarqueeSteps(MarqueeHost& host, unsigned timerResolution = 2);
    MarqueeSteps(const MarqueeSteps&) = delete;
    MarqueeSteps& operator=(const MarqueeSteps&) = delete;

    bool Active() const { return active_; }
    void SetActive(bool value);
    TEsBehaviors Behavior() const { return behavior_; }
    void SetBehavior(TEsBehaviors value);
    TEsScrollDirection ScrollDirection() const { return direction_; }
    void SetScrollDirection(TEsScrollDirection value);
    TEsScrollSpeed ScrollSpeed() const { return speed_; }
    // Values above 10 are ignored, as is the current one.
    void SetScrollSpeed(unsigned value);

    void StartScrollTimer();
    void StopScrollTimer();
    // Whether the marquee can be seen (its window visible, the dialog not minimised). While it
    // cannot, the timer stands and no step is taken; shown again, the caption goes on from
    // where it stood, and a timer that was stopped meanwhile (speed 0, inactive) stays stopped.
    void SetShown(bool shown);
    bool Shown() const { return shown_; }
    // The message of timer `timerId` reached the window. Only the live timer's message takes a
    // step: one still queued from a timer that a change of speed, a stop or hiding killed is
    // dropped.
    void HandleStepMessage(unsigned timerId);
    void ScrollStep();

    void SetClientSize(int width, int height);
    void SetCaptionSize(int width, int height);

    int OffsetX() const { return offsetX_; }
    int OffsetY() const { return offsetY_; }
    int CaptionWidth() const { return captionWidth_; }
    int CaptionHeight() const { return captionHeight_; }
    int ClientWidth() const { return clientWidth_; }
    int ClientHeight() const { return clientHeight_; }
    unsigned StepInterval() const { return stepInterval_; }
    unsigned TimerResolution() const { return timerResolution_; }
    unsigned TimerId() const { return timerId_; }
    // Steps taken since construction, for measurements.
    unsigned long StepCount() const { return stepCount_; }
    bool Horizontal() const;

    // Size of the off-screen image: a full client extent beyond the caption in the moving
    // direction, so that each copy also wipes what the previous one left behind.
    EsRect ImageRect() const;
    // The strip before the image that no copy covers when moving right or down.
    std::optional<EsRect> StripToFill() const;

private:
    // Starts the host's timer at the current period.
    void RunTimer();
    // The offset that moves in the current direction, the extents along it, and where to.
    struct Axis {
        int& offset;
        int client;
        int caption;
        int step; // -1 or +1
        TEsScrollDirection reverse;
    };
    Axis MovingAxis();
    template <class T>
    void RestartWith(T& field, T value);
    void StartOffsets();
    bool Bounces() const;

    MarqueeHost& host_;
    bool active_ = false;
    TEsBehaviors behavior_ = TEsBehaviors::bhCycle;
    TEsScrollDirection direction_ = TEsScrollDirection::sdRightToLeft;
    TEsScrollSpeed speed_ = 5;
    int captionWidth_ = 0, captionHeight_ = 0;
    int clientWidth_ = 0, clientHeight_ = 0;
    int offsetX_ = 0, offsetY_ = 0;
    unsigned stepInterval_ = 10;
    unsigned timerResolution_;
    unsigned timerId_ = 0;
    bool shown_ = true;
    bool timerWanted_ = false;  // a timer that runs again once the marquee is shown
    unsigned long stepCount_ = 0;
};

} // namespace vermiq
