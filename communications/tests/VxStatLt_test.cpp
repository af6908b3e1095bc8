// Status lights: the light's size, repaints and pictures; the controller's triggers, the events it
// takes over and hands on, its hold times, and its life with ports and lights that come and go.
// Most controller tests run over the in-memory device with the tick count pinned, so each dispatch
// pass and each expiry happens when the test says; the last ones run over the simulated serial line.
#include "communications/VxStatLt.h"

#include "communications/VxErrors.h"
#include "communications/VxExcept.h"
#include "communications/VxMisc.h"
#include "communications/VxPort.h"
#include "communications/tests/support/MemoryDispatcher.h"
#include "platform/comm/SimulatedComm.h"
#include "platform/gdi/Draw.h"
#include "platform/ui/Forms.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

class UiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        MainThreadId(); // the test's thread is the main thread
        Application->Initialize();
    }
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

std::unique_ptr<TBitmap> Snapshot(TWinControl* control) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(control->ClientWidth(), control->ClientHeight());
    control->PaintTo(bitmap->Canvas()->Handle(), 0, 0);
    return bitmap;
}

COLORREF PixelAt(TBitmap* bitmap, int x, int y) {
    return GetPixel(bitmap->Canvas()->Handle(), x, y);
}

// --- The light ----------------------------------------------------------------------------------

TEST(TVexStatusLight, SizeFollowsTheGlyph) {
    TVexStatusLight light(nullptr);
    EXPECT_EQ(light.Version(), "v4.06");
    EXPECT_FALSE(light.Lit());
    EXPECT_EQ(light.LitColor(), 255);
    EXPECT_EQ(light.NotLitColor(), 32768);
    EXPECT_EQ(light.Width(), 13);
    EXPECT_EQ(light.Height(), 13);

    TBitmap glyph;
    glyph.SetSize(26, 13);
    light.SetGlyph(&glyph);
    EXPECT_EQ(light.Width(), 13);
    EXPECT_EQ(light.Height(), 13);
    light.SetBounds(5, 6, 40, 40);
    EXPECT_EQ(light.Left(), 5);
    EXPECT_EQ(light.Top(), 6);
    EXPECT_EQ(light.Width(), 13);
    EXPECT_EQ(light.Height(), 13);

    glyph.SetSize(31, 10); // an odd width: the right half starts at 15
    light.SetGlyph(&glyph);
    EXPECT_EQ(light.Width(), 15);
    EXPECT_EQ(light.Height(), 10);
    glyph.SetSize(8, 8); // the light copied the bitmap
    EXPECT_EQ(light.Glyph()->Width(), 31);

    light.SetGlyph(nullptr);
    EXPECT_TRUE(light.Glyph()->Empty());
    EXPECT_EQ(light.Width(), 13);
    light.SetBounds(0, 0, 40, 30);
    EXPECT_EQ(light.Width(), 40);
    EXPECT_EQ(light.Height(), 30);

    // An empty bitmap is no glyph, as after loading: the light keeps a size of its own.
    TBitmap empty;
    light.SetGlyph(&empty);
    EXPECT_EQ(light.Width(), 13);
    light.SetBounds(0, 0, 20, 20);
    EXPECT_EQ(light.Width(), 20);
}

class TCountingLight : public TVexStatusLight {
public:
    using TVexStatusLight::TVexStatusLight;
    int Paints = 0;

protected:
    void Paint() override {
        ++Paints;
        TVexStatusLight::Paint();
    }
};

TEST(TVexStatusLight, RepaintsOnlyWhenItsPictureChanges) {
    struct TCase {
        const char* What;
        bool Lit;
        bool WithGlyph;
        std::function<void(TVexStatusLight&)> Change;
        int Paints;
    };
    const std::vector<TCase> cases = {
        {"lighting", false, false, [](TVexStatusLight& l) { l.SetLit(true); }, 1},
        {"lit again", true, false, [](TVexStatusLight& l) { l.SetLit(true); }, 0},
        {"LitColor while not lit", false, false, [](TVexStatusLight& l) { l.SetLitColor(clBlue); }, 0},
        {"NotLitColor while not lit", false, false, [](TVexStatusLight& l) { l.SetNotLitColor(clBlue); }, 1},
        {"LitColor while lit", true, false, [](TVexStatusLight& l) { l.SetLitColor(clBlue); }, 1},
        {"NotLitColor while lit", true, false, [](TVexStatusLight& l) { l.SetNotLitColor(clBlue); }, 0},
        {"the same NotLitColor", false, false, [](TVexStatusLight& l) { l.SetNotLitColor(32768); }, 0},
        {"NotLitColor with a glyph", false, true, [](TVexStatusLight& l) { l.SetNotLitColor(clBlue); }, 0},
        {"lighting with a glyph", false, true, [](TVexStatusLight& l) { l.SetLit(true); }, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TForm form(nullptr);
        form.SetClientSize(40, 40);
        auto* light = new TCountingLight(&form);
        light->SetParent(&form);
        light->SetLit(c.Lit);
        if (c.WithGlyph) {
            TBitmap glyph;
            glyph.SetSize(26, 13);
            light->SetGlyph(&glyph);
        }
        form.Repaint();
        const int before = light->Paints;
        c.Change(*light);
        form.Update();
        EXPECT_EQ(light->Paints - before, c.Paints);
    }
}

constexpr TColor FormColor = 0x604020;
constexpr COLORREF White = 0xFFFFFF;
constexpr COLORREF Grey = 0x808080;
constexpr COLORREF Red = 0x0000FF;
constexpr COLORREF Green = 0x008000;
constexpr COLORREF Key = 0xFF00FF;

struct TProbe {
    int X, Y;
    COLORREF Color;
};

void CheckProbes(TBitmap* picture, int left, int top, const std::vector<TProbe>& probes) {
    for (const TProbe& p : probes)
        EXPECT_EQ(PixelAt(picture, left + p.X, top + p.Y), p.Color) << "at (" << p.X << ", " << p.Y << ")";
}

// The fill, white top and left edges (the left one down to the bottom row), grey right and bottom
// edges from the second pixel on.
TEST(TVexStatusLight, PlainPicture) {
    TForm form(nullptr);
    form.SetColor(FormColor);
    form.SetClientSize(80, 30);
    auto place = [&](int left, int width, int height, bool lit) {
        auto* light = new TVexStatusLight(&form);
        light->SetBounds(left, 5, width, height);
        light->SetLit(lit);
        light->SetParent(&form);
    };
    place(5, 13, 13, true);
    place(25, 13, 13, false);
    place(45, 20, 9, true);
    const std::unique_ptr<TBitmap> picture = Snapshot(&form);

    for (const auto& [left, fill] : {std::pair{5, Red}, std::pair{25, Green}}) {
        SCOPED_TRACE(left);
        CheckProbes(picture.get(), left, 5,
                    {{0, 0, White},
                     {6, 0, White},
                     {12, 0, White},
                     {0, 6, White},
                     {0, 12, White},
                     {12, 1, Grey},
                     {12, 6, Grey},
                     {12, 12, Grey},
                     {1, 12, Grey},
                     {6, 12, Grey},
                     {1, 1, fill},
                     {6, 6, fill},
                     {11, 11, fill},
                     {-1, 6, FormColor},
                     {13, 6, FormColor},
                     {6, 13, FormColor}});
    }
    CheckProbes(picture.get(), 45, 5,
                {{19, 0, White},
                 {0, 8, White},
                 {19, 1, Grey},
                 {19, 8, Grey},
                 {1, 8, Grey},
                 {18, 7, Red},
                 {20, 4, FormColor}});
}

// The glyph's left half when lit, its right half when not; its top-left pixel's colour lets the
// form show through.
TEST(TVexStatusLight, GlyphPicture) {
    TBitmap glyph;
    glyph.SetPixelFormat(pf24bit);
    glyph.SetSize(26, 13);
    TCanvas* g = glyph.Canvas();
    g->Brush()->SetColor(Key);
    g->FillRect(Rect(0, 0, 26, 13));
    g->Brush()->SetColor(Red);
    g->FillRect(Rect(2, 2, 11, 11));
    g->Brush()->SetColor(Green);
    g->FillRect(Rect(15, 2, 24, 11));
    g->SetPixels(19, 6, Key); // a hole in the unlit image

    TForm form(nullptr);
    form.SetColor(FormColor);
    form.SetClientSize(60, 25);
    for (int i = 0; i < 2; ++i) {
        auto* light = new TVexStatusLight(&form);
        light->SetGlyph(&glyph);
        light->SetBounds(5 + 20 * i, 5, 99, 99);
        light->SetLit(i == 0);
        light->SetParent(&form);
    }
    const std::unique_ptr<TBitmap> picture = Snapshot(&form);
    CheckProbes(picture.get(), 5, 5,
                {{0, 0, FormColor},
                 {1, 6, FormColor},
                 {12, 12, FormColor},
                 {2, 2, Red},
                 {6, 6, Red},
                 {10, 10, Red},
                 {11, 11, FormColor}});
    CheckProbes(picture.get(), 25, 5,
                {{0, 0, FormColor},
                 {2, 2, Green},
                 {5, 6, Green},
                 {6, 6, FormColor},
                 {10, 10, Green},
                 {11, 6, FormColor}});
}

// --- The controller over the in-memory device ----------------------------------------------------

class TMemoryPort : public TVexComPort {
public:
    using TVexComPort::TVexComPort;

    std::function<void(TMemoryDispatcher&)> Prepare;
    TMemoryDispatcher* Mem = nullptr; // the last one made; valid while the port is open

protected:
    TVexBaseDispatcher* ActivateDeviceLayer() override {
        Mem = new TMemoryDispatcher(TMemoryDispatcher::TMode::Manual, this);
        if (Prepare) Prepare(*Mem);
        return Mem;
    }
};

// The handlers an application had on the port before the lights came.
struct TApp {
    TVexCustomComPort* Port = nullptr;
    std::vector<std::string> Log;
    std::string Received;
    bool Read = true;

    void Avail(TObject* CP, WORD Count) {
        Log.push_back("avail " + std::to_string(Count) + (CP == Port ? "" : " from elsewhere"));
        if (!Read) return;
        std::string block(Count, '\0');
        Port->GetBlock(block.data(), Count);
        Received += block;
    }
    void Status(TObject*, WORD Handle) { Log.push_back("status " + std::to_string(Handle)); }
    void Timer(TObject*, WORD Handle) { Log.push_back("timer " + std::to_string(Handle)); }

    TTriggerAvailEvent AvailEvent() { return TTriggerAvailEvent::Bind<&TApp::Avail>(this); }
    TTriggerStatusEvent StatusEvent() { return TTriggerStatusEvent::Bind<&TApp::Status>(this); }
    TTriggerTimerEvent TimerEvent() { return TTriggerTimerEvent::Bind<&TApp::Timer>(this); }
    void Attach(TVexCustomComPort& P) {
        Port = &P;
        P.SetOnTriggerAvail(AvailEvent());
        P.SetOnTriggerStatus(StatusEvent());
        P.SetOnTriggerTimer(TimerEvent());
    }
    bool OwnsEvents(TVexCustomComPort& P) {
        return P.OnTriggerAvail() == AvailEvent() && P.OnTriggerStatus() == StatusEvent() &&
               P.OnTriggerTimer() == TimerEvent();
    }
};

enum TLightIndex { CTS, DSR, DCD, RING, TXD, RXD, ERR, BRK };
const char* const LightNames[] = {"CTS", "DSR", "DCD", "RING", "TXD", "RXD", "ERROR", "BREAK"};
constexpr std::int32_t Tick0 = 10000;

class SLController : public ::testing::Test {
protected:
    void SetUp() override {
        SetTicksForTesting(Tick0);
        Port->SetComNumber(1);
        // CTS and DCD on, DSR off.
        Port->Prepare = [](TMemoryDispatcher& M) { M.SetModemLines(ModemCts | ModemDcd); };
        App.Attach(*Port);
    }
    void TearDown() override {
        Owner.reset();
        SetTicksForTesting(std::nullopt);
    }

    TVexStatusLight* NewLight(TComponent* AOwner, int Index) {
        auto* light = new TVexStatusLight(AOwner);
        light->SetName(LightNames[Index]);
        return light;
    }
    void Use(std::initializer_list<TLightIndex> Which) {
        for (TLightIndex i : Which) Ctl->Lights()->SetLight(i, Light[i]);
    }
    void UseAll() { Use({CTS, DSR, DCD, RING, TXD, RXD, ERR, BRK}); }
    void Open() {
        Port->SetOpen(true);
        ASSERT_EQ(Port->PortState(), psOpen);
    }
    void Pass() {
        for (int i = 0; i < 4; ++i) Port->ProcessCommunications();
    }
    // The tick count moves to Base + Ticks and the dispatcher runs.
    void At(std::int32_t Ticks) {
        SetTicksForTesting(Base + Ticks);
        Pass();
    }
    void Arrive(const std::string& Bytes) {
        Port->Mem->Receive(Bytes);
        Pass();
    }
    TTriggerSave Triggers() {
        TTriggerSave save;
        Port->Mem->SaveTriggers(save);
        return save;
    }
    // The names of the lit lights, in the set's order.
    std::string Lit() {
        std::string names;
        for (int i = 0; i < TLightSet::Count; ++i)
            if (Light[i]->Lit()) names += (names.empty() ? "" : " ") + std::string(LightNames[i]);
        return names;
    }

    std::int32_t Base = Tick0;
    TApp App; // outlives the port
    std::unique_ptr<TComponent> Owner = std::make_unique<TComponent>(nullptr);
    TMemoryPort* Port = new TMemoryPort(Owner.get());
    TVexStatusLight* Light[TLightSet::Count] = {NewLight(Owner.get(), CTS), NewLight(Owner.get(), DSR),
                                                NewLight(Owner.get(), DCD), NewLight(Owner.get(), RING),
                                                NewLight(Owner.get(), TXD), NewLight(Owner.get(), RXD),
                                                NewLight(Owner.get(), ERR), NewLight(Owner.get(), BRK)};
    TVexSLController* Ctl = new TVexSLController(Owner.get());
};

TEST_F(SLController, StartsWithItsDefaultsOnTheOwnersPort) {
    EXPECT_EQ(Ctl->ComPort(), Port);
    EXPECT_FALSE(Ctl->Monitoring());
    EXPECT_EQ(Ctl->ErrorOffTimeout(), 36);
    EXPECT_EQ(Ctl->BreakOffTimeout(), 36);
    EXPECT_EQ(Ctl->RXDOffTimeout(), 1);
    EXPECT_EQ(Ctl->TXDOffTimeout(), 1);
    EXPECT_EQ(Ctl->RingOffTimeout(), 8);
    for (int i = 0; i < TLightSet::Count; ++i) EXPECT_EQ(Ctl->Lights()->Light(i), nullptr);
    EXPECT_EQ(Ctl->Version(), "v4.06");

    TVexSLController alone(nullptr);
    EXPECT_EQ(alone.ComPort(), nullptr);
    try {
        alone.SetMonitoring(true);
        ADD_FAILURE() << "monitoring without a port";
    } catch (const EPortNotAssigned& e) {
        EXPECT_EQ(e.ErrorCode(), ecPortNotAssigned);
        EXPECT_EQ(e.Message, "ComPort component not assigned");
    }
    EXPECT_FALSE(alone.Monitoring());
}

// Which triggers each light costs, how they are armed, and that all of them go again.
TEST_F(SLController, AllocatesTriggersForTheLightsItHas) {
    struct TStatus {
        DWORD Type;
        WORD Value;
    };
    struct TCase {
        std::vector<TLightIndex> Lights;
        std::vector<TStatus> Status; // armed, in the order added
        std::size_t Timers;          // none armed
    };
    // Modem: mask in the high byte, the remembered state (CTS and DCD on) in the low one. Line: the
    // device's bits (overrun, parity, framing 0x0E; break 0x10).
    const std::vector<TCase> cases = {
        {{RXD}, {}, 1},
        {{CTS}, {{stModem, 0x1010}}, 0},
        {{CTS, DSR, DCD, RING}, {{stModem, 0xB490}}, 1},
        {{ERR}, {{stLine, 0x0E}}, 1},
        {{BRK}, {{stLine, 0x10}}, 1},
        {{TXD}, {{stOutSent, 0}}, 1},
        {{CTS, DSR, DCD, RING, TXD, RXD, ERR, BRK},
         {{stModem, 0xB490}, {stLine, 0x0E}, {stLine, 0x10}, {stOutSent, 0}},
         5},
    };
    Open();
    for (const TCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.Lights));
        Ctl->SetLights(nullptr); // an empty set
        for (TLightIndex i : c.Lights) Ctl->Lights()->SetLight(i, Light[i]);
        Ctl->SetMonitoring(true);
        ASSERT_TRUE(Ctl->Monitoring());
        const TTriggerSave on = Triggers();
        ASSERT_EQ(on.StatusTriggers.size(), c.Status.size());
        for (std::size_t k = 0; k < c.Status.size(); ++k) {
            EXPECT_EQ(on.StatusTriggers[k].Type, c.Status[k].Type);
            EXPECT_EQ(on.StatusTriggers[k].Value, c.Status[k].Value);
            EXPECT_TRUE(on.StatusTriggers[k].Armed);
        }
        EXPECT_EQ(on.TimerTriggers.size(), c.Timers);
        for (const TTimerTrigger& t : on.TimerTriggers) EXPECT_FALSE(t.Armed);

        Ctl->SetMonitoring(false);
        const TTriggerSave off = Triggers();
        EXPECT_TRUE(off.StatusTriggers.empty());
        EXPECT_TRUE(off.TimerTriggers.empty());
    }
}

TEST_F(SLController, HandsTheTakenEventsOnAndGivesThemBack) {
    Use({RXD, CTS});
    Open();
    const WORD own = Port->AddTimerTrigger(); // the application's own timer
    Ctl->SetMonitoring(true);
    EXPECT_FALSE(App.OwnsEvents(*Port));

    Arrive("hello");
    EXPECT_EQ(Lit(), "CTS RXD");
    EXPECT_EQ(App.Received, "hello");

    Port->SetTimerTrigger(own, 2, true);
    At(3);
    Port->Mem->ChangeModemLines(ModemDcd);
    Pass();
    EXPECT_EQ(Lit(), "");
    // The controller's own modem trigger and receive timer went to the application too.
    const WORD modem = static_cast<WORD>(Triggers().StatusTriggers.at(0).Handle);
    const WORD receive = static_cast<WORD>(Triggers().TimerTriggers.at(1).Handle);
    EXPECT_EQ(App.Log, (std::vector<std::string>{"avail 5", "timer " + std::to_string(own),
                                                 "timer " + std::to_string(receive),
                                                 "status " + std::to_string(modem)}));

    Ctl->SetMonitoring(false);
    EXPECT_TRUE(App.OwnsEvents(*Port));
    Arrive("more");
    EXPECT_EQ(App.Received, "hellomore");
    EXPECT_EQ(Lit(), "");
}

// Exceptions that reach the application from event handlers.
struct TExceptionSink {
    std::vector<std::string> Messages;
    void Handle(TObject*, Exception* E) { Messages.push_back(E != nullptr ? E->Message : std::string()); }
    TExceptionSink() { Application->OnException = TExceptionEvent::Bind<&TExceptionSink::Handle>(this); }
    ~TExceptionSink() { Application->OnException = nullptr; }
    TExceptionSink(const TExceptionSink&) = delete;
    TExceptionSink& operator=(const TExceptionSink&) = delete;
};

// A light that cannot be served costs the application nothing: its handler still gets the data.
TEST_F(SLController, FailingLightStillHandsTheDataOn) {
    TExceptionSink sink;
    Use({RXD});
    Open();
    Ctl->SetMonitoring(true);
    Port->RemoveTrigger(static_cast<WORD>(Triggers().TimerTriggers.at(0).Handle)); // taken from under it
    Arrive("data");
    EXPECT_EQ(App.Received, "data");
    EXPECT_EQ(sink.Messages, std::vector<std::string>{"Bad trigger handle"});
}

TEST(SLControllerPort, TakesAPortThatJoinsItsOwner) {
    TComponent owner(nullptr);
    auto* ctl = new TVexSLController(&owner);
    auto* port = new TVexComPort(nullptr);
    EXPECT_EQ(ctl->ComPort(), nullptr);
    owner.InsertComponent(port);
    EXPECT_EQ(ctl->ComPort(), port);
    auto* other = new TVexComPort(nullptr);
    owner.InsertComponent(other); // one is enough
    EXPECT_EQ(ctl->ComPort(), port);
}

TEST_F(SLController, LightsFollowTheModemLinesAndRing) {
    Use({CTS, DSR, DCD, RING});
    Open();
    Ctl->SetMonitoring(true);
    EXPECT_EQ(Lit(), "CTS DCD"); // as the lines are at the start

    Port->Mem->ChangeModemLines(ModemDsr | ModemDcd);
    Pass();
    EXPECT_EQ(Lit(), "DSR DCD");
    Port->Mem->ChangeModemLines(ModemDsr);
    Pass();
    EXPECT_EQ(Lit(), "DSR");

    // A ring: RI on and off. The ring light holds 8 ticks, and the lines are still followed meanwhile.
    Port->Mem->ChangeModemLines(ModemDsr | ModemRi);
    Pass();
    Port->Mem->ChangeModemLines(ModemDsr);
    Pass();
    EXPECT_EQ(Lit(), "DSR RING");
    Port->Mem->ChangeModemLines(ModemCts | ModemDsr);
    At(8);
    EXPECT_EQ(Lit(), "CTS DSR RING");
    At(9);
    EXPECT_EQ(Lit(), "CTS DSR");
}

TEST_F(SLController, ErrorAndBreakHoldForTheirTimes) {
    struct TCase {
        const char* What;
        DWORD DeviceBits;
        const char* Lit;
    };
    for (const TCase& c : {TCase{"parity", CE_RXPARITY, "ERROR"}, TCase{"framing", CE_FRAME, "ERROR"},
                           TCase{"break", CE_BREAK, "BREAK"}}) {
        SCOPED_TRACE(c.What);
        Base += 1000;
        At(0);
        Use({ERR, BRK});
        Ctl->SetErrorOffTimeout(20);
        Open();
        Ctl->SetMonitoring(true);

        Port->Mem->SetDeviceErrors(static_cast<int>(c.DeviceBits));
        Pass();
        EXPECT_EQ(Lit(), c.Lit);
        // Read by the controller.
        EXPECT_EQ(Port->GetLineError(), leNone);
        EXPECT_FALSE(Port->GetLineBreak());

        const int hold = c.DeviceBits == CE_BREAK ? 36 : 20;
        At(hold);
        EXPECT_EQ(Lit(), c.Lit);
        At(hold + 1);
        EXPECT_EQ(Lit(), "");

        Port->Mem->SetDeviceErrors(static_cast<int>(c.DeviceBits)); // watched again
        Pass();
        EXPECT_EQ(Lit(), c.Lit);
        Port->SetOpen(false);
    }
}

TEST_F(SLController, ActivityLightsStayOnWhileTheirBufferHoldsData) {
    Use({RXD, TXD});
    Open();
    Ctl->SetMonitoring(true);

    App.Read = false;
    Arrive("abc");
    EXPECT_EQ(Lit(), "RXD");
    At(2);
    At(4);
    EXPECT_EQ(Lit(), "RXD"); // three bytes wait
    std::string taken(3, '\0');
    Port->GetBlock(taken.data(), 3);
    At(6);
    EXPECT_EQ(Lit(), "");

    Port->PutString("out");
    Port->Mem->SetBytesWaitingOut(3);
    Pass();
    EXPECT_EQ(Lit(), "TXD");
    At(8);
    At(10);
    EXPECT_EQ(Lit(), "TXD");
    Port->Mem->SetBytesWaitingOut(0);
    At(12);
    EXPECT_EQ(Lit(), "");
    Port->PutString("again"); // the output-sent trigger is armed again
    Pass();
    EXPECT_EQ(Lit(), "TXD");
}

// Monitoring asked for on a closed port starts when it opens, stops when it closes, and starts
// again when it reopens, with the same triggers and none left over from before.
TEST_F(SLController, MonitoringFollowsThePortsOpenings) {
    Use({CTS, RXD, TXD});
    Ctl->SetMonitoring(true);
    EXPECT_FALSE(Ctl->Monitoring());
    EXPECT_EQ(Port->PortState(), psClosed); // not opened for it
    EXPECT_TRUE(App.OwnsEvents(*Port));

    Open();
    EXPECT_TRUE(Ctl->Monitoring());
    EXPECT_EQ(Lit(), "CTS");
    const TTriggerSave first = Triggers();

    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        Port->SetOpen(false);
        EXPECT_FALSE(Ctl->Monitoring());
        EXPECT_TRUE(App.OwnsEvents(*Port));
        EXPECT_EQ(Lit(), "");
        Open();
        EXPECT_TRUE(Ctl->Monitoring());
        const TTriggerSave again = Triggers();
        EXPECT_EQ(again.StatusTriggers.size(), first.StatusTriggers.size());
        EXPECT_EQ(again.TimerTriggers.size(), first.TimerTriggers.size());
    }
    Arrive("x");
    EXPECT_EQ(Lit(), "CTS RXD");
    EXPECT_EQ(App.Received, "x");

    // Turned off while waiting for the port, it stays off when the port opens.
    Port->SetOpen(false);
    Ctl->SetMonitoring(false);
    Open();
    EXPECT_FALSE(Ctl->Monitoring());
    EXPECT_TRUE(App.OwnsEvents(*Port));
    EXPECT_TRUE(Triggers().StatusTriggers.empty());
}

// Detaching the port does not fail: monitoring waits and goes on with the next port.
TEST_F(SLController, MonitoringWaitsWithoutAPort) {
    Use({CTS, RXD});
    Open();
    Ctl->SetMonitoring(true);
    EXPECT_NO_THROW(Ctl->SetComPort(nullptr));
    EXPECT_FALSE(Ctl->Monitoring());
    EXPECT_EQ(Ctl->ComPort(), nullptr);
    EXPECT_TRUE(App.OwnsEvents(*Port));
    EXPECT_TRUE(Triggers().StatusTriggers.empty());
    EXPECT_TRUE(Triggers().TimerTriggers.empty());
    EXPECT_EQ(Lit(), "");

    auto* second = new TMemoryPort(Owner.get());
    second->SetComNumber(2);
    second->SetOpen(true);
    Ctl->SetComPort(second);
    EXPECT_TRUE(Ctl->Monitoring());
    second->Mem->Receive("y");
    second->ProcessCommunications();
    EXPECT_EQ(Lit(), "RXD"); // the second port's lines are all off

    // Moving straight on to a closed port: monitoring starts when that one opens.
    Ctl->SetComPort(Port);
    Port->SetOpen(false);
    Ctl->SetComPort(second);
    Ctl->SetComPort(Port);
    EXPECT_FALSE(Ctl->Monitoring());
    Open();
    EXPECT_TRUE(Ctl->Monitoring());
    EXPECT_EQ(Lit(), "CTS");
}

TEST_F(SLController, FailedTriggerAllocationLeavesNothingBehind) {
    Use({CTS, RING}); // a modem trigger and a ring timer
    Open();
    // Every handle taken, then one given back: room for the modem trigger only.
    std::vector<WORD> taken;
    for (int i = 0; i < 4095; ++i) taken.push_back(Port->AddTimerTrigger());
    Port->RemoveTrigger(taken[1]);
    try {
        Ctl->SetMonitoring(true);
        ADD_FAILURE() << "monitoring without triggers";
    } catch (const EVEXException& e) {
        EXPECT_EQ(e.ErrorCode(), ecNoMoreTriggers);
    }
    EXPECT_FALSE(Ctl->Monitoring());
    EXPECT_TRUE(App.OwnsEvents(*Port));
    EXPECT_TRUE(Triggers().StatusTriggers.empty());
    EXPECT_EQ(Triggers().TimerTriggers.size(), 4094u);
    EXPECT_EQ(Lit(), "");

    // With room again it works.
    Port->RemoveTrigger(taken[2]);
    Ctl->SetMonitoring(true);
    EXPECT_TRUE(Ctl->Monitoring());
    EXPECT_EQ(Lit(), "CTS");
}

TEST_F(SLController, RemovedLightsLeaveTheOthersWorking) {
    TComponent elsewhere(nullptr); // a light the controller's owner does not know of
    auto* outside = NewLight(&elsewhere, DCD);
    Use({CTS, RXD});
    Ctl->Lights()->SetDCDLight(outside);
    Open();
    Ctl->SetMonitoring(true);
    EXPECT_TRUE(outside->Lit());

    delete Light[RXD];
    Light[RXD] = NewLight(nullptr, RXD); // a stand-in, in no set
    delete outside;
    EXPECT_EQ(Ctl->Lights()->RXDLight(), nullptr);
    EXPECT_EQ(Ctl->Lights()->DCDLight(), nullptr);

    Arrive("data");
    At(3);
    EXPECT_EQ(App.Received, "data");
    Port->Mem->ChangeModemLines(0);
    Pass();
    EXPECT_EQ(Lit(), "");
    Port->Mem->ChangeModemLines(ModemCts);
    Pass();
    EXPECT_EQ(Lit(), "CTS");

    // Every trigger goes, those of the lights that left too.
    Ctl->SetMonitoring(false);
    EXPECT_TRUE(Triggers().StatusTriggers.empty());
    EXPECT_TRUE(Triggers().TimerTriggers.empty());
    delete Light[RXD];
    Light[RXD] = nullptr;
}

TEST_F(SLController, SetLightsCopiesTheReferences) {
    {
        TLightSet set;
        set.SetCTSLight(Light[CTS]);
        set.SetBREAKLight(Light[BRK]);
        Ctl->SetLights(&set);
    }
    EXPECT_EQ(Ctl->Lights()->CTSLight(), Light[CTS]);
    EXPECT_EQ(Ctl->Lights()->BREAKLight(), Light[BRK]);
    EXPECT_TRUE(Ctl->GetHaveCTSLight());
    EXPECT_FALSE(Ctl->GetHaveDSRLight());
    Ctl->SetLights(nullptr);
    EXPECT_FALSE(Ctl->GetHaveCTSLight());
}

// A controller freed while monitoring gives the port back; one freed before its port, as a form's
// components go, is never called by the port's close.
TEST_F(SLController, FreedBeforeOrAfterItsPort) {
    UseAll();
    Open();
    Ctl->SetMonitoring(true);
    delete Ctl;
    Ctl = nullptr;
    EXPECT_TRUE(App.OwnsEvents(*Port));
    EXPECT_TRUE(Triggers().StatusTriggers.empty());
    Port->SetOpen(false);
    Open();

    Ctl = new TVexSLController(Owner.get());
    UseAll();
    Ctl->SetMonitoring(true);
    Owner.reset(); // the controller first, the lights, then the open port
    Owner = std::make_unique<TComponent>(nullptr);

    // A port freed first takes monitoring with it; the controller waits for another.
    auto* port = new TMemoryPort(Owner.get());
    port->SetComNumber(3);
    auto* ctl = new TVexSLController(Owner.get());
    ASSERT_EQ(ctl->ComPort(), port);
    port->SetOpen(true);
    ctl->SetMonitoring(true);
    delete port;
    EXPECT_EQ(ctl->ComPort(), nullptr);
    EXPECT_FALSE(ctl->Monitoring());
}

// --- Over the simulated serial line, with the serial layer's threads ------------------------------

bool PumpUntil(const std::function<bool()>& Done, DWORD TimeoutMs = 5000) {
    const std::uint64_t deadline = MonotonicMs() + TimeoutMs;
    while (!Done()) {
        if (MonotonicMs() >= deadline) return Done();
        if (SafeYield() == 0) WaitMessageTimeout(1);
    }
    return true;
}

void PumpFor(DWORD Ms) {
    PumpUntil([] { return false; }, Ms);
}

class SLControllerOnTheLine : public ::testing::Test {
protected:
    static constexpr int Number = 64;
    void SetUp() override {
        SetTicksForTesting(Tick0);
        Port.SetComNumber(Number);
        App.Attach(Port);
        for (int i = 0; i < TLightSet::Count; ++i) {
            Light[i] = new TVexStatusLight(&Owner);
            Ctl.Lights()->SetLight(i, Light[i]);
        }
        Port.SetOpen(true);
        ASSERT_EQ(Port.PortState(), psOpen);
        Ctl.SetComPort(&Port);
        Ctl.SetMonitoring(true);
    }
    void TearDown() override {
        Port.SetOpen(false);
        PumpUntil([&] { return Port.PortState() == psClosed; });
        SetTicksForTesting(std::nullopt);
    }
    bool LitSoon(int Index, bool State) {
        return PumpUntil([&] { return Light[Index]->Lit() == State; });
    }
    // A hold time: still lit at the last tick of it, off at the next.
    void Holds(int Index, std::int32_t From, std::int32_t Ticks) {
        SetTicksForTesting(From + Ticks);
        PumpFor(60); // a dispatch pass at least
        EXPECT_TRUE(Light[Index]->Lit()) << LightNames[Index];
        SetTicksForTesting(From + Ticks + 1);
        EXPECT_TRUE(LitSoon(Index, false)) << LightNames[Index];
    }

    TApp App;
    TSimulatedComm Sim{Number};
    TComponent Owner{nullptr};
    TVexComPort Port{nullptr};
    TVexSLController Ctl{nullptr};
    TVexStatusLight* Light[TLightSet::Count] = {};
};

TEST_F(SLControllerOnTheLine, LightsFollowTheLine) {
    EXPECT_TRUE(Light[CTS]->Lit() && Light[DSR]->Lit() && Light[DCD]->Lit());
    for (auto [index, drop] : {std::pair<int, void (TSimulatedComm::*)(bool)>{CTS, &TSimulatedComm::SetCts},
                               {DSR, &TSimulatedComm::SetDsr},
                               {DCD, &TSimulatedComm::SetDcd}}) {
        (Sim.*drop)(false);
        EXPECT_TRUE(LitSoon(index, false)) << LightNames[index];
        (Sim.*drop)(true);
        EXPECT_TRUE(LitSoon(index, true)) << LightNames[index];
    }

    std::int32_t now = Tick0;
    Sim.SetRing(true);
    Sim.SetRing(false);
    ASSERT_TRUE(LitSoon(RING, true));
    Holds(RING, now, 8);

    now += 100;
    SetTicksForTesting(now);
    Sim.InjectBreak();
    ASSERT_TRUE(LitSoon(BRK, true));
    Holds(BRK, now, 36);

    now += 100;
    SetTicksForTesting(now);
    Sim.InjectLineError(CE_FRAME);
    ASSERT_TRUE(LitSoon(ERR, true));
    EXPECT_FALSE(Light[BRK]->Lit());
    Holds(ERR, now, 36);

    // Received bytes light RXD and still reach the application's handler.
    now += 100;
    SetTicksForTesting(now);
    Sim.Receive("hello");
    ASSERT_TRUE(LitSoon(RXD, true));
    EXPECT_TRUE(PumpUntil([&] { return App.Received == "hello"; }));
    Holds(RXD, now, 1);

    now += 100;
    SetTicksForTesting(now);
    Port.PutString("out");
    ASSERT_TRUE(LitSoon(TXD, true));
    std::string sent;
    EXPECT_TRUE(PumpUntil([&] {
        sent += Sim.TakeTransmitted();
        return sent == "out";
    }));
    Holds(TXD, now, 1);
}

} // namespace
