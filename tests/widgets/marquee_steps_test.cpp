// The marquee's motion: periods by speed, start offsets, wrap, bounce, the one-pass run, and
// the switches that restart it.
#include "widgets/marquee_steps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vermiq {
namespace {

using Dir = TEsScrollDirection;
using B = TEsBehaviors;

// Stands in for the window: a caption of fixed size, a timer that only records.
struct FakeHost : MarqueeHost {
    int captionWidth = 40, captionHeight = 20;
    MarqueeSteps* steps = nullptr;
    unsigned nextId = 1;
    unsigned runningId = 0;
    std::vector<unsigned> periods;
    std::vector<unsigned> resolutions;
    int measured = 0, fills = 0, repaints = 0, cycles = 0;

    void MeasureCaption() override {
        ++measured;
        steps->SetCaptionSize(captionWidth, captionHeight);
    }
    unsigned StartTimer(unsigned period, unsigned resolution) override {
        EXPECT_EQ(runningId, 0u) << "a timer was started while another ran";
        periods.push_back(period);
        resolutions.push_back(resolution);
        return runningId = nextId++;
    }
    void KillTimer(unsigned id) override {
        EXPECT_EQ(id, runningId);
        runningId = 0;
    }
    void FillClient() override { ++fills; }
    void Repaint() override { ++repaints; }
    void Cycled() override { ++cycles; }
};

struct Marquee {
    FakeHost host;
    MarqueeSteps steps{host, 2};
    Marquee(int clientWidth = 100, int clientHeight = 50) {
        host.steps = &steps;
        steps.SetClientSize(clientWidth, clientHeight);
    }
    // The live timer's message reaches the window.
    void Tick() { steps.HandleStepMessage(host.runningId); }
    // Steps until the next cycle and says how many steps that took.
    int StepsToCycle(int limit = 10000) {
        const int before = host.cycles;
        for (int n = 1; n <= limit; ++n) {
            Tick();
            if (host.cycles != before) return n;
        }
        return -1;
    }
};

TEST(MarqueeSteps, PeriodsBySpeed) {
    const unsigned want[] = {20, 18, 16, 14, 12, 10, 8, 6, 4, 2, 2};
    for (unsigned speed = 0; speed <= 10; ++speed)
        EXPECT_EQ(StepIntervalForSpeed(speed), want[speed]);
    EXPECT_EQ(TimerResolutionFor(1, 1000000), 2u);
    EXPECT_EQ(TimerResolutionFor(5, 1000000), 5u);
    EXPECT_EQ(TimerResolutionFor(1, 1), 1u);
}

TEST(MarqueeSteps, SpeedsNineTenAndElevenWhileRunning) {
    Marquee m;
    m.steps.SetActive(true);
    ASSERT_EQ(m.host.periods, (std::vector<unsigned>{10}));
    m.steps.SetScrollSpeed(9);
    m.steps.SetScrollSpeed(10);
    EXPECT_EQ(m.host.periods, (std::vector<unsigned>{10, 2, 2}));
    EXPECT_EQ(m.steps.StepInterval(), 2u);
    m.steps.SetScrollSpeed(11); // ignored: the speed stays and the timer is left alone
    m.steps.SetScrollSpeed(10); // the current speed: likewise
    EXPECT_EQ(m.steps.ScrollSpeed(), 10);
    EXPECT_EQ(m.host.periods.size(), 3u);
    EXPECT_NE(m.host.runningId, 0u);
}

TEST(MarqueeSteps, ResolutionIsTheCoarserOfPeriodAndDevice) {
    FakeHost host;
    MarqueeSteps steps(host, 5);
    host.steps = &steps;
    steps.SetActive(true);                // 10 ms
    steps.SetScrollSpeed(9);              // 2 ms
    EXPECT_EQ(host.resolutions, (std::vector<unsigned>{10, 5}));
}

TEST(MarqueeSteps, SpeedZeroStandsUntilActiveIsSetAgain) {
    Marquee m;
    m.steps.SetActive(true);
    m.steps.SetScrollSpeed(0);
    EXPECT_EQ(m.host.runningId, 0u);
    m.steps.SetActive(true); // same value, still restarts the timer
    EXPECT_NE(m.host.runningId, 0u);
    EXPECT_EQ(m.host.periods.back(), 20u);
}

// Hidden or minimised: no timer and no step; shown again it goes on from where it stood, and
// what was switched meanwhile (speed 0, inactive, active) holds once it is shown.
TEST(MarqueeSteps, NoTimerNorStepWhileHidden) {
    Marquee m;
    m.steps.SetActive(true);
    for (int i = 0; i < 7; ++i) m.Tick();
    const int offset = m.steps.OffsetX(), repaints = m.host.repaints;
    m.steps.SetShown(false);
    EXPECT_EQ(m.host.runningId, 0u);
    m.Tick(); // a tick posted just before the timer went
    m.steps.SetScrollSpeed(6);   // no timer while hidden, but the new period when shown
    m.steps.SetActive(true);
    EXPECT_EQ(m.host.runningId, 0u);
    EXPECT_EQ(m.steps.OffsetX(), offset);
    m.steps.SetShown(true);
    EXPECT_NE(m.host.runningId, 0u);
    EXPECT_EQ(m.host.periods.back(), 8u);
    m.Tick();
    EXPECT_EQ(m.steps.OffsetX(), offset - 1);
    EXPECT_EQ(m.steps.StepCount(), 8u);
    EXPECT_GT(m.host.repaints, repaints);

    const struct {
        const char* meanwhile;
        void (*change)(MarqueeSteps&);
        bool runs;
    } cases[] = {
        {"nothing", [](MarqueeSteps&) {}, true},
        {"speed 0", [](MarqueeSteps& s) { s.SetScrollSpeed(0); }, false},
        {"inactive", [](MarqueeSteps& s) { s.SetActive(false); }, false},
        {"inactive, active", [](MarqueeSteps& s) { s.SetActive(false); s.SetActive(true); }, true},
    };
    for (const auto& c : cases) {
        Marquee n;
        n.steps.SetActive(true);
        n.steps.SetShown(false);
        c.change(n.steps);
        EXPECT_EQ(n.host.runningId, 0u) << c.meanwhile;
        n.steps.SetShown(true);
        EXPECT_EQ(n.host.runningId != 0, c.runs) << c.meanwhile;
    }
}

TEST(MarqueeSteps, StartOffsets) {
    const struct {
        Dir direction;
        B behavior;
        int x, y;
    } cases[] = {
        {Dir::sdRightToLeft, B::bhCycle, 100, 0}, {Dir::sdRightToLeft, B::bhBounce, 60, 0},
        {Dir::sdLeftToRight, B::bhOnce, -40, 0},  {Dir::sdLeftToRight, B::bhBounce, 0, 0},
        {Dir::sdTopToBottom, B::bhCycle, 0, -20}, {Dir::sdTopToBottom, B::bhBounce, 0, 0},
        {Dir::sdBottomToTop, B::bhCycle, 0, 50},  {Dir::sdBottomToTop, B::bhBounce, 0, 30},
    };
    for (const auto& c : cases) {
        Marquee m;
        m.steps.SetScrollDirection(c.direction);
        m.steps.SetBehavior(c.behavior);
        m.steps.SetActive(true);
        SCOPED_TRACE(static_cast<int>(c.direction) * 10 + static_cast<int>(c.behavior));
        EXPECT_EQ(m.steps.OffsetX(), c.x);
        EXPECT_EQ(m.steps.OffsetY(), c.y);
        EXPECT_EQ(m.host.fills, 1);
    }
}

TEST(MarqueeSteps, WrapsWithAGapBeyondTheFarEdge) {
    const struct {
        Dir direction;
        int steps; // from the start offset to the wrap
        int x, y;  // where the caption comes back
    } cases[] = {
        {Dir::sdRightToLeft, 100 + 40 + 15 + 1, 100, 0}, // left edge more than 55 px out
        {Dir::sdLeftToRight, 40 + 100 + 15 + 1, -40, 0},
        {Dir::sdTopToBottom, 20 + 50 + 15 + 1, 0, -20},
        {Dir::sdBottomToTop, 50 + 20 + 15 + 1, 0, 50},
    };
    for (const auto& c : cases) {
        Marquee m;
        m.steps.SetScrollDirection(c.direction);
        m.steps.SetActive(true);
        SCOPED_TRACE(static_cast<int>(c.direction));
        EXPECT_EQ(m.StepsToCycle(), c.steps);
        EXPECT_EQ(m.steps.OffsetX(), c.x);
        EXPECT_EQ(m.steps.OffsetY(), c.y);
        EXPECT_EQ(m.steps.ScrollDirection(), c.direction);
        EXPECT_EQ(m.StepsToCycle(), c.steps); // and again, from the same place
    }
}

TEST(MarqueeSteps, BouncesAShortCaptionBetweenTheEdges) {
    Marquee m;
    m.steps.SetBehavior(B::bhBounce);
    m.steps.SetActive(true);
    ASSERT_EQ(m.steps.OffsetX(), 60); // right-aligned
    EXPECT_EQ(m.StepsToCycle(), 61);  // the left edge passes 0
    EXPECT_EQ(m.steps.OffsetX(), -1);
    EXPECT_EQ(m.steps.ScrollDirection(), Dir::sdLeftToRight);
    EXPECT_EQ(m.StepsToCycle(), 62); // until the right edge passes the client's
    EXPECT_EQ(m.steps.OffsetX(), 61);
    EXPECT_EQ(m.steps.ScrollDirection(), Dir::sdRightToLeft);
    EXPECT_EQ(m.host.periods.size(), 1u); // a bounce does not restart anything
    EXPECT_TRUE(m.steps.Active());
}

TEST(MarqueeSteps, BouncesVertically) {
    Marquee m;
    m.steps.SetScrollDirection(Dir::sdTopToBottom);
    m.steps.SetBehavior(B::bhBounce);
    m.steps.SetActive(true);
    EXPECT_EQ(m.StepsToCycle(), 31);
    EXPECT_EQ(m.steps.ScrollDirection(), Dir::sdBottomToTop);
    EXPECT_EQ(m.StepsToCycle(), 32);
    EXPECT_EQ(m.steps.ScrollDirection(), Dir::sdTopToBottom);
}

TEST(MarqueeSteps, BounceWithAWideCaptionWrapsLikeCycle) {
    Marquee m;
    m.host.captionWidth = 100; // not smaller than the client
    m.steps.SetBehavior(B::bhBounce);
    m.steps.SetActive(true);
    EXPECT_EQ(m.steps.OffsetX(), 0);
    EXPECT_EQ(m.StepsToCycle(), 116);
    EXPECT_EQ(m.steps.OffsetX(), 100);
    EXPECT_EQ(m.StepsToCycle(), 216);
    EXPECT_EQ(m.host.cycles, 2);
    EXPECT_EQ(m.steps.ScrollDirection(), Dir::sdRightToLeft);
}

// Ticks go through the latch into a queue, as the timer thread posts them, and the window takes
// them from it: ticks of a killed timer take no step, and a window kept busy takes one step for
// all the ticks it missed. Only the live timer moves the caption, one pixel per tick at most.
TEST(MarqueeSteps, StaleAndBackedUpTicksTakeNoExtraStep) {
    const struct {
        const char* script;  // t: tick of the live timer, d: the window takes a message, D: it
                             // takes all that are queued, s: speed change, h: hidden, v: shown
        unsigned long steps;
    } cases[] = {
        {"tdtdtd", 3},
        {"ttttttD", 1},           // the window stalled through six ticks
        {"tsd", 0},               // queued by the timer a speed change killed
        {"tstdtd", 1},            // the new timer's first tick found the old one queued
        {"thvd", 0},              // hidden and shown: a new timer
        {"tttD" "td" "ttD", 3},
    };
    for (const auto& c : cases) {
        Marquee m;
        m.steps.SetActive(true);
        StepLatch latch;
        std::vector<unsigned> queue;
        for (const char* p = c.script; *p; ++p) {
            switch (*p) {
            case 't':
                if (latch.Claim()) queue.push_back(m.host.runningId);
                break;
            case 'd':
            case 'D':
                ASSERT_FALSE(queue.empty()) << c.script;
                do {
                    latch.Taken();
                    m.steps.HandleStepMessage(queue.front());
                    queue.erase(queue.begin());
                } while (*p == 'D' && !queue.empty());
                break;
            case 's': m.steps.SetScrollSpeed(m.steps.ScrollSpeed() == 5 ? 6 : 5); break;
            case 'h': m.steps.SetShown(false); break;
            case 'v': m.steps.SetShown(true); break;
            }
        }
        EXPECT_EQ(m.steps.StepCount(), c.steps) << c.script;
        EXPECT_EQ(m.steps.OffsetX(), 100 - static_cast<int>(c.steps)) << c.script;
    }
}

TEST(MarqueeSteps, OnceStopsAtTheFirstWrapAndRestartsFromTheStart) {
    Marquee m;
    m.steps.SetBehavior(B::bhOnce);
    m.steps.SetActive(true);
    EXPECT_EQ(m.StepsToCycle(), 156);
    EXPECT_FALSE(m.steps.Active());
    EXPECT_EQ(m.host.runningId, 0u);
    EXPECT_EQ(m.steps.OffsetX(), 0);
    EXPECT_EQ(m.steps.OffsetY(), 0);
    // A tick posted before the timer died is dropped.
    m.Tick();
    EXPECT_EQ(m.steps.OffsetX(), 0);
    m.steps.SetActive(true);
    EXPECT_EQ(m.steps.OffsetX(), 100);
    EXPECT_NE(m.host.runningId, 0u);
}

TEST(MarqueeSteps, DirectionChangeWhileActiveRestartsFromItsStart) {
    Marquee m;
    m.steps.SetActive(true);
    for (int i = 0; i < 30; ++i) m.Tick();
    ASSERT_EQ(m.steps.OffsetX(), 70);
    m.steps.SetScrollDirection(Dir::sdBottomToTop);
    EXPECT_TRUE(m.steps.Active());
    EXPECT_EQ(m.steps.OffsetX(), 0);
    EXPECT_EQ(m.steps.OffsetY(), 50);
    EXPECT_EQ(m.host.measured, 2);
    EXPECT_NE(m.host.runningId, 0u);
    m.Tick();
    EXPECT_EQ(m.steps.OffsetY(), 49);
    // A change while stopped only stores the value.
    m.steps.SetActive(false);
    m.steps.SetScrollDirection(Dir::sdLeftToRight);
    EXPECT_FALSE(m.steps.Active());
    EXPECT_EQ(m.host.runningId, 0u);
}

TEST(MarqueeSteps, RemeasuringKeepsTheOffsetAndMovesTheWrap) {
    Marquee m;
    m.steps.SetActive(true);
    for (int i = 0; i < 120; ++i) m.Tick();
    ASSERT_EQ(m.steps.OffsetX(), -20);
    m.host.captionWidth = 10; // a shorter caption
    m.host.MeasureCaption();
    EXPECT_EQ(m.steps.OffsetX(), -20);
    EXPECT_EQ(m.steps.CaptionWidth(), 10);
    EXPECT_EQ(m.StepsToCycle(), 6); // -26 < -10 - 15
}

TEST(MarqueeSteps, ImageAndTheStripLeftBehind) {
    Marquee m;
    m.steps.SetActive(true);
    EXPECT_EQ(m.steps.ImageRect(), (EsRect{0, 0, 140, 70}));
    EXPECT_FALSE(m.steps.StripToFill());
    m.steps.SetScrollDirection(Dir::sdLeftToRight);
    for (int i = 0; i < 45; ++i) m.Tick();
    EXPECT_EQ(m.steps.StripToFill(), (EsRect{0, 0, 5, 50}));
    m.steps.SetScrollDirection(Dir::sdTopToBottom);
    EXPECT_EQ(m.steps.ImageRect(), (EsRect{0, 0, 100, 70}));
    for (int i = 0; i < 27; ++i) m.Tick();
    EXPECT_EQ(m.steps.StripToFill(), (EsRect{0, 0, 100, 7}));
}

} // namespace
} // namespace vermiq
