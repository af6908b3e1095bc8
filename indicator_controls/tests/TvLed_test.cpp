// The lamp's state: defaults, the lit state and its repaints, the property writes that repaint or
// only invalidate, the user colour events, the mouse events, and blinking and pulsing on the
// platform's timers (driven by moving the clock).
#include "indicator_controls/Vled.h"
#include "platform/ui/ExtCtrls.h"
#include "support/LedTest.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>

namespace {

struct LedFixture : ::testing::Test {
    std::unique_ptr<TForm> Form{new TForm(nullptr)};
    TvLed* Led = nullptr;
    TEventLog Log;
    int Paints = 0;

    void SetUp() override {
        Form->SetColor(clGray);
        Form->SetClientSize(60, 40);
        Led = new TvLed(Form.get());
        Led->SetName("Led");
        Led->SetBounds(10, 10, 17, 17);
        Led->SetParent(Form.get());
        Form->Repaint();
        Led->OnChange = TNotifyEvent::Bind<&TEventLog::Change>(&Log);
        Led->OnPaint = TNotifyEvent::Bind<&LedFixture::Painted>(this);
    }
    void Painted(TObject*) { ++Paints; }
    TTimer* Timer() const {
        return Led->ComponentCount() == 1 ? dynamic_cast<TTimer*>(Led->Components(0)) : nullptr;
    }
    COLORREF Centre() { return PixelAt(Snapshot(Form.get()).get(), 18, 18); }
};

using TvLedState = LedFixture;
using TvLedTimers = LedFixture;

TEST(TvLedDefaults, AsTheConstructorLeavesThem) {
    TvLed led(nullptr);
    EXPECT_EQ(led.Width(), 17);
    EXPECT_EQ(led.Height(), 17);
    EXPECT_EQ(led.LedStyle(), lstRound);
    EXPECT_EQ(led.LEDColor(), lctRed);
    EXPECT_FALSE(led.Enabled());
    EXPECT_FALSE(led.Blink());
    EXPECT_EQ(led.BlinkInterval(), 500);
    EXPECT_FALSE(led.SteelLook());
    EXPECT_TRUE(led.ControlStyle.Contains(csOpaque));
    EXPECT_EQ(led.ComponentCount(), 0); // no timer yet
}

TEST_F(TvLedState, LightingRepaintsAtOnceThenTellsOnChange) {
    Led->OnPaint = TNotifyEvent::Bind<&TEventLog::Paint>(&Log);
    Led->writeLedOn(true);
    EXPECT_EQ(Log.Events, "paint Led, change Led");
    EXPECT_TRUE(Led->Enabled());
    Led->SetEnabled(false);
    EXPECT_EQ(Log.Events, "paint Led, change Led, paint Led, change Led");
    EXPECT_FALSE(Led->Enabled());
}

TEST_F(TvLedState, WritingTheSameLitStateDoesNothing) {
    for (bool lit : {false, true}) {
        Led->writeLedOn(lit);
        const std::string before = Log.Events;
        const int paints = Paints;
        Led->writeLedOn(lit);
        Led->SetEnabled(lit);
        Form->Update();
        EXPECT_EQ(Paints, paints);
        EXPECT_EQ(Log.Events, before);
    }
}

// The lit state is published as Enabled; the control's own enabled state stays on, so a dark lamp
// still takes clicks.
TEST_F(TvLedState, ADarkLampStaysAnEnabledControl) {
    Led->OnClick = TNotifyEvent::Bind<&TEventLog::Click>(&Log);
    TControl* control = Led;
    control->SetEnabled(true);
    control->SetEnabled(false);
    EXPECT_FALSE(Led->Enabled());
    EXPECT_TRUE(control->TControl::Enabled());
    EXPECT_EQ(Form->ControlAtPos(Point(15, 15), false), Led);
    Led->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MakeMouseLParam(5, 5));
    Led->Perform(WM_LBUTTONUP, 0, MakeMouseLParam(5, 5));
    EXPECT_EQ(Log.Events, "change Led, change Led, click Led");
}

TEST_F(TvLedState, WritesThatRepaintAtOnceOrOnlyInvalidate) {
    struct {
        const char* What;
        void (*Write)(TvLed*);
        int AtOnce, AfterUpdate;
    } const cases[] = {
        {"same colour", [](TvLed* l) { l->WriteLedColor(l->LEDColor()); }, 1, 1},
        {"new colour", [](TvLed* l) { l->WriteLedColor(lctBlue); }, 1, 1},
        {"same steel", [](TvLed* l) { l->SetSteel(l->SteelLook()); }, 0, 1},
        {"new steel", [](TvLed* l) { l->SetSteel(!l->SteelLook()); }, 0, 1},
        {"same style", [](TvLed* l) { l->SetStyle(l->LedStyle()); }, 0, 0},
        {"new style", [](TvLed* l) { l->SetStyle(lstSquare); }, 0, 1},
        {"same blink", [](TvLed* l) { l->SetBlink(false); }, 0, 0},
        {"new interval", [](TvLed* l) { l->SetInterval(300); }, 1, 1},
    };
    for (const auto& c : cases) {
        Form->Update();
        const int paints = Paints;
        c.Write(Led);
        EXPECT_EQ(Paints - paints, c.AtOnce) << c.What;
        Form->Update();
        EXPECT_EQ(Paints - paints, c.AfterUpdate) << c.What;
    }
    EXPECT_EQ(Log.Events, "");
}

TEST_F(TvLedState, UserColourComesFromItsEventsOrIsRed) {
    struct TColours : TObject {
        int Calls = 0;
        void On(TObject*, TColor& c) {
            ++Calls;
            EXPECT_EQ(c, 0x0000FF);
            c = 0x123456;
        }
        void Off(TObject*, TColor& c) {
            ++Calls;
            EXPECT_EQ(c, 0x000080);
            c = 0x654321;
        }
    } colours;
    Led->WriteLedColor(lctUser);
    EXPECT_EQ(Centre(), 0x000080u);
    Led->writeLedOn(true);
    EXPECT_EQ(Centre(), 0x0000FFu);

    Led->OnGetOnColor = vcGetColor::Bind<&TColours::On>(&colours);
    Led->OnGetOffColor = vcGetColor::Bind<&TColours::Off>(&colours);
    EXPECT_EQ(Centre(), 0x123456u);
    Led->writeLedOn(false);
    EXPECT_EQ(Centre(), 0x654321u);
    EXPECT_GT(colours.Calls, 0);

    colours.Calls = 0;
    Led->WriteLedColor(lctGreen);
    EXPECT_EQ(Centre(), 0x008000u);
    EXPECT_EQ(colours.Calls, 0);
}

TEST_F(TvLedState, OnPaintDrawsOverTheFinishedLamp) {
    struct TOverlay : TObject {
        void Paint(TObject* Sender) { static_cast<TvLed*>(Sender)->Canvas()->SetPixels(8, 8, clBlue); }
    } overlay;
    Led->OnPaint = TNotifyEvent::Bind<&TOverlay::Paint>(&overlay);
    EXPECT_EQ(Centre(), 0xFF0000u);
}

TEST_F(TvLedState, MouseEventsFollowTheInheritedHandling) {
    struct TParentLog {
        TEventLog* Log;
        TWindowProcMethod Previous;
        void Proc(TMessage& m) {
            auto* from = reinterpret_cast<TControl*>(m.LParam);
            if (m.Msg == CM_MOUSEENTER && from) Log->Add("parent-enter", from);
            if (m.Msg == CM_MOUSELEAVE && from) Log->Add("parent-leave", from);
            Previous(m);
        }
    } parent{&Log, Form->WindowProc};
    Form->WindowProc = TWindowProcMethod::Bind<&TParentLog::Proc>(&parent);
    Led->OnMouseEnter = TNotifyEvent::Bind<&TEventLog::Enter>(&Log);
    Led->OnMouseLeave = TNotifyEvent::Bind<&TEventLog::Leave>(&Log);
    Led->Perform(CM_MOUSEENTER, 0, 0);
    Led->Perform(CM_MOUSELEAVE, 0, 0);
    Form->WindowProc = parent.Previous;
    EXPECT_EQ(Log.Events, "parent-enter Led, enter Led, parent-leave Led, leave Led");
}

// Timers run on the real clock moved forward by the test, so the checks keep clear of the exact
// moments a timer falls due.
TEST_F(TvLedTimers, BlinkTogglesEveryInterval) {
    Led->SetInterval(10000);
    EXPECT_EQ(Timer(), nullptr); // not blinking: no timer
    Led->SetBlink(true);
    ASSERT_NE(Timer(), nullptr);
    EXPECT_EQ(Timer()->Interval(), 10000u);
    AdvanceClock(9000);
    EXPECT_FALSE(Led->Enabled());
    AdvanceClock(1000);
    EXPECT_TRUE(Led->Enabled());
    AdvanceClock(10000);
    EXPECT_FALSE(Led->Enabled());
    AdvanceClock(10000);
    EXPECT_TRUE(Led->Enabled());
    EXPECT_EQ(Log.Events, "change Led, change Led, change Led");

    // A new interval starts a new timer; stopping leaves the last state.
    Led->SetInterval(20000);
    ASSERT_NE(Timer(), nullptr);
    EXPECT_EQ(Timer()->Interval(), 20000u);
    AdvanceClock(19000);
    EXPECT_TRUE(Led->Enabled());
    AdvanceClock(1000);
    EXPECT_FALSE(Led->Enabled());
    AdvanceClock(20000);
    Led->SetBlink(false);
    EXPECT_EQ(Timer(), nullptr);
    AdvanceClock(50000);
    EXPECT_TRUE(Led->Enabled());
}

TEST_F(TvLedTimers, PulseLightsForTenthsOfASecond) {
    Led->Pulse(3);
    ASSERT_NE(Timer(), nullptr);
    EXPECT_EQ(Timer()->Interval(), 300u);
    Led->Flash();
    EXPECT_EQ(Timer()->Interval(), 500u);

    Led->Pulse(100);
    EXPECT_TRUE(Led->Enabled());
    AdvanceClock(9000);
    EXPECT_TRUE(Led->Enabled());
    AdvanceClock(1000);
    EXPECT_FALSE(Led->Enabled());
    EXPECT_EQ(Timer(), nullptr);
    EXPECT_EQ(Log.Events, "change Led, change Led");
}

TEST_F(TvLedTimers, ASecondPulseRestartsTheSameTimer) {
    Led->Pulse(100);
    TTimer* const first = Timer();
    AdvanceClock(8000);
    Led->Pulse(50);
    EXPECT_EQ(Timer(), first);
    AdvanceClock(4000); // past where the first pulse would have ended
    EXPECT_TRUE(Led->Enabled());
    AdvanceClock(1000);
    EXPECT_FALSE(Led->Enabled());
}

TEST_F(TvLedTimers, PulseOfZeroStaysLitAndPulseWhileBlinkingIsIgnored) {
    Led->Pulse(0);
    AdvanceClock(100000);
    EXPECT_TRUE(Led->Enabled());

    TvLed* other = new TvLed(Form.get());
    other->SetParent(Form.get());
    other->SetBlink(true);
    TTimer* const blinkTimer = dynamic_cast<TTimer*>(other->Components(0));
    other->Pulse(2);
    EXPECT_FALSE(other->Enabled());
    EXPECT_EQ(blinkTimer->Interval(), 500u);
}

TEST_F(TvLedTimers, AVeryLongPulseDoesNotWrapToAShortOne) {
    Led->Pulse(50000000); // 5,000,000,000 ms does not fit in 32 bits
    ASSERT_NE(Timer(), nullptr);
    EXPECT_EQ(Timer()->Interval(), 0xFFFFFFFFu);
}

TEST_F(TvLedTimers, BlinkingStartedDuringAPulseKeepsTheLitState) {
    Led->SetInterval(10000);
    Led->Pulse(50);
    Led->SetBlink(true);
    EXPECT_TRUE(Led->Enabled());
    AdvanceClock(6000); // the pulse's timer is gone: nothing ends it
    EXPECT_TRUE(Led->Enabled());
    AdvanceClock(4000);
    EXPECT_FALSE(Led->Enabled());
    AdvanceClock(10000);
    EXPECT_TRUE(Led->Enabled());
}

// The pulse ends inside its own timer's tick: there the timer is stopped and let go of, and it is
// freed only by a later pump, once the tick is over.
TEST_F(TvLedTimers, APulseEndingFreesItsTimerOnlyAfterTheTick) {
    struct TWatch : TComponent {
        using TComponent::TComponent;
        bool Freed = false;
        void Notification(TComponent*, TOperation Operation) override {
            if (Operation == TOperation::opRemove) Freed = true;
        }
    } watch(nullptr);
    Led->Pulse(1);
    TTimer* const timer = Timer();
    ASSERT_NE(timer, nullptr);
    timer->FreeNotification(&watch);

    AdvanceClock(100);
    EXPECT_FALSE(Led->Enabled());
    EXPECT_EQ(Timer(), nullptr);
    ASSERT_FALSE(watch.Freed);
    EXPECT_FALSE(timer->Enabled());
    Pump();
    EXPECT_TRUE(watch.Freed);
}

// A handler that starts a new pulse or blinking when the lamp goes dark keeps its timer.
TEST_F(TvLedTimers, APulseStartedAsTheLastOneEndsRunsItsCourse) {
    struct TRepulse : TObject {
        int Left = 1;
        void Change(TObject* Sender) {
            auto* led = static_cast<TvLed*>(Sender);
            if (!led->Enabled() && Left-- > 0) led->Pulse(100);
        }
    } repulse;
    Led->Pulse(1);
    Led->OnChange = TNotifyEvent::Bind<&TRepulse::Change>(&repulse);
    AdvanceClock(100);
    EXPECT_TRUE(Led->Enabled());
    ASSERT_NE(Timer(), nullptr);
    AdvanceClock(9000);
    EXPECT_TRUE(Led->Enabled());
    AdvanceClock(1000);
    EXPECT_FALSE(Led->Enabled());
    EXPECT_EQ(Timer(), nullptr);

    struct TStartBlink : TObject {
        void Change(TObject* Sender) { static_cast<TvLed*>(Sender)->SetBlink(true); }
    } startBlink;
    Led->Pulse(1);
    Led->OnChange = TNotifyEvent::Bind<&TStartBlink::Change>(&startBlink);
    AdvanceClock(100);
    Led->OnChange = nullptr;
    ASSERT_NE(Timer(), nullptr);
    AdvanceClock(500);
    EXPECT_TRUE(Led->Enabled());
}

TEST_F(TvLedTimers, ALampFreedWhileItsTimersRunLeavesNothingBehind) {
    Led->SetBlink(true);
    Led->SetBlink(false); // a timer waits to be freed
    Led->Pulse(1);
    Form.reset();
    AdvanceClock(1000);
    Pump();

    // Freed from its own OnChange, inside the blink timer's tick.
    struct TFreeOnChange : TObject {
        TForm* Form = nullptr;
        void Change(TObject*) { delete std::exchange(Form, nullptr); }
    } freer;
    freer.Form = new TForm(nullptr);
    auto* led = new TvLed(freer.Form);
    led->SetParent(freer.Form);
    led->SetBlink(true);
    led->OnChange = TNotifyEvent::Bind<&TFreeOnChange::Change>(&freer);
    AdvanceClock(500);
    EXPECT_EQ(freer.Form, nullptr);
    Pump();
}

} // namespace
