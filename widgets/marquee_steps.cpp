// The scrolling marquee's state machine: activation, start offsets, steps, wrap and bounce.
#include "widgets/marquee_steps.h"

#include <algorithm>

namespace vermiq {

unsigned StepIntervalForSpeed(unsigned speed) {
    const unsigned s = std::min(speed, 10u);
    return std::max((10 - s) * 20 / 10, 2u);
}

unsigned TimerResolutionFor(unsigned minPeriod, unsigned maxPeriod) {
    return std::min(std::max(2u, minPeriod), maxPeriod);
}

MarqueeSteps::MarqueeSteps(MarqueeHost& host, unsigned timerResolution)
    : host_(host), timerResolution_(timerResolution) {}

bool MarqueeSteps::Horizontal() const {
    return direction_ == TEsScrollDirection::sdRightToLeft ||
           direction_ == TEsScrollDirection::sdLeftToRight;
}

void MarqueeSteps::SetActive(bool value) {
    if (value != active_) {
        active_ = value;
        offsetX_ = 0;
        offsetY_ = 0;
        if (value) {
            host_.MeasureCaption();
            StartOffsets();
        }
        host_.FillClient();
        host_.Repaint();
    }
    StartScrollTimer();
}

template <class T>
void MarqueeSteps::RestartWith(T& field, T value) {
    if (value == field) return;
    // Through inactive and back, so a running marquee starts over from its start offset.
    const bool wasActive = active_;
    SetActive(false);
    field = value;
    SetActive(wasActive);
}

void MarqueeSteps::SetBehavior(TEsBehaviors value) { RestartWith(behavior_, value); }

void MarqueeSteps::SetScrollDirection(TEsScrollDirection value) { RestartWith(direction_, value); }

void MarqueeSteps::SetScrollSpeed(unsigned value) {
    if (value == speed_ || value > 10) return;
    speed_ = static_cast<TEsScrollSpeed>(value);
    StopScrollTimer();
    if (speed_ != 0) StartScrollTimer();
    host_.Repaint();
}

void MarqueeSteps::StartScrollTimer() {
    StopScrollTimer();
    stepInterval_ = StepIntervalForSpeed(speed_);
    if (!active_) return;
    if (shown_)
        RunTimer();
    else
        timerWanted_ = true;
}

void MarqueeSteps::RunTimer() {
    timerId_ = host_.StartTimer(stepInterval_, std::max(stepInterval_, timerResolution_));
}

void MarqueeSteps::StopScrollTimer() {
    if (timerId_ != 0) host_.KillTimer(timerId_);
    timerId_ = 0;
    timerWanted_ = false;
}

void MarqueeSteps::SetShown(bool shown) {
    if (shown == shown_) return;
    shown_ = shown;
    if (!shown) {
        // Nobody sees the steps: the timer stands, and the caption stays where it is.
        if (timerId_ != 0) {
            host_.KillTimer(timerId_);
            timerId_ = 0;
            timerWanted_ = true;
        }
    } else if (timerWanted_ && active_) {
        timerWanted_ = false;
        RunTimer();
    }
}

void MarqueeSteps::HandleStepMessage(unsigned timerId) {
    if (timerId != 0 && timerId == timerId_ && active_ && shown_) ScrollStep();
}

void MarqueeSteps::SetClientSize(int width, int height) {
    clientWidth_ = width;
    clientHeight_ = height;
}

void MarqueeSteps::SetCaptionSize(int width, int height) {
    captionWidth_ = width;
    captionHeight_ = height;
}

bool MarqueeSteps::Bounces() const {
    if (behavior_ != TEsBehaviors::bhBounce) return false;
    return Horizontal() ? captionWidth_ < clientWidth_ : captionHeight_ < clientHeight_;
}

MarqueeSteps::Axis MarqueeSteps::MovingAxis() {
    using D = TEsScrollDirection;
    switch (direction_) {
    case D::sdRightToLeft: return {offsetX_, clientWidth_, captionWidth_, -1, D::sdLeftToRight};
    case D::sdLeftToRight: return {offsetX_, clientWidth_, captionWidth_, +1, D::sdRightToLeft};
    case D::sdTopToBottom: return {offsetY_, clientHeight_, captionHeight_, +1, D::sdBottomToTop};
    case D::sdBottomToTop: break;
    }
    return {offsetY_, clientHeight_, captionHeight_, -1, D::sdTopToBottom};
}

void MarqueeSteps::StartOffsets() {
    const Axis a = MovingAxis();
    const bool bounce = behavior_ == TEsBehaviors::bhBounce;
    if (a.step < 0)
        a.offset = bounce ? a.client - a.caption : a.client;
    else
        a.offset = bounce ? 0 : -a.caption;
}

void MarqueeSteps::ScrollStep() {
    const bool bounce = Bounces();
    const Axis a = MovingAxis();
    ++stepCount_;
    a.offset += a.step;
    bool cycled = false;
    if (bounce) {
        // Turn as soon as the caption's leading edge has passed the client's edge.
        if (a.step < 0 ? a.offset < 0 : a.offset > a.client - a.caption) {
            direction_ = a.reverse;
            cycled = true;
        }
    } else if (a.step < 0 ? a.offset < -a.caption - kWrapGap : a.offset > a.client + kWrapGap) {
        // Gone a gap's width beyond the far edge: come back in at the near one.
        a.offset = a.step < 0 ? a.client : -a.caption;
        cycled = true;
    }
    if (cycled && behavior_ == TEsBehaviors::bhOnce) SetActive(false);
    host_.Repaint();
    // Told last: the handler may delete the marquee, and this with it.
    if (cycled) host_.Cycled();
}

EsRect MarqueeSteps::ImageRect() const {
    const int width = Horizontal() ? clientWidth_ + captionWidth_ : clientWidth_;
    return {0, 0, width, clientHeight_ + captionHeight_};
}

std::optional<EsRect> MarqueeSteps::StripToFill() const {
    if (direction_ == TEsScrollDirection::sdLeftToRight && offsetX_ > 0)
        return EsRect{0, 0, offsetX_, clientHeight_};
    if (direction_ == TEsScrollDirection::sdTopToBottom && offsetY_ > 0)
        return EsRect{0, 0, clientWidth_, offsetY_};
    return std::nullopt;
}

} // namespace vermiq
