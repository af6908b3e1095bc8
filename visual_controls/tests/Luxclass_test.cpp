#include "visual_controls/Luxclass.h"

#include "platform/registry/Registry.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/win/Messages.h"
#include "tools/testing/TempHome.h"
#include "visual_controls/LuxIniCtrl.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Records the pool's tick number at every call; throws on the calls listed in throwOn.
class Recorder : public TObject {
public:
    explicit Recorder(TLuxTimerPool* pool) : pool_(pool) {}
    void Tick(TObject*) {
        ticks.push_back(pool_->TickCounter());
        if (ticks.size() == throwOn) throw Exception("handler failed");
    }
    void Failed(TObject*, Exception* e) { errors.push_back(e->Message); }
    TNotifyEvent Event() { return TNotifyEvent::Bind<&Recorder::Tick>(this); }
    std::vector<int> ticks;
    std::vector<std::string> errors;
    std::size_t throwOn = 0;

private:
    TLuxTimerPool* pool_;
};

// The window timer's ticks, delivered by hand.
void Ticks(TLuxTimerPool& pool, int n) {
    for (int i = 0; i < n; ++i) SendMessage(pool.Handle(), WM_TIMER, 1, 0);
}

class NoTimerPool : public TLuxTimerPool {
public:
    using TLuxTimerPool::TLuxTimerPool;

protected:
    bool SetMainTimer(UINT) override { return false; }
};

// A temporary home and the unit started in it.
class LuxclassTest : public ::testing::Test {
protected:
    void SetUp() override { InitLuxclass(); }
    void TearDown() override { DoneLuxclass(); }
    TempHome home;
};

} // namespace

TEST(TLuxTimerPool, FiresOnTheSharedTickCounter) {
    TLuxTimerPool pool(nullptr, 50);
    Recorder rec(&pool);
    EXPECT_EQ(pool.AddTimer(1, 700, rec.Event()), 0);
    EXPECT_EQ(pool.GetTimer(1)->Divisor(), 14);
    EXPECT_TRUE(pool.Active());
    EXPECT_EQ(pool.TickCounter(), 1);
    Ticks(pool, 42);
    EXPECT_EQ(rec.ticks, (std::vector<int>{14, 28, 42}));
    try {
        pool.AddTimer(2, 725, rec.Event());
        FAIL() << "725 ms is no multiple of 50";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Interval not compatible with MinInterval property!");
    }
    try {
        pool.AddTimer(1, 100, rec.Event());
        FAIL() << "ident 1 is taken";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "List index out of bounds (%d)");
    }
    EXPECT_THROW(pool.AddTimer(3, 20, rec.Event()), Exception) << "below MinInterval";
    EXPECT_EQ(pool.GetCount(), 1);
}

TEST(TLuxTimerPool, CallCountEndsAfterItsLastCall) {
    TLuxTimerPool pool(nullptr, 50);
    Recorder rec(&pool);
    pool.AddTimerExt(7, 50, 3, true, rec.Event());
    Ticks(pool, 5);
    EXPECT_EQ(rec.ticks.size(), 3u) << "the third call still runs";
    TLuxTimerItem* item = pool.GetTimer(7);
    EXPECT_FALSE(item->Enabled());
    EXPECT_EQ(item->Counter(), 3);
    item->SetCallCount(0);
    item->SetEnabled(true);
    EXPECT_FALSE(item->Enabled()) << "CallCount 0 cannot be enabled";
    item->SetCallCount(-5);
    EXPECT_EQ(item->CallCount(), -1);
    item->SetInterval(75);
    EXPECT_EQ(item->Interval(), 50) << "not a multiple of MinInterval";
    item->SetInterval(0);
    EXPECT_EQ(item->Interval(), 50);
}

TEST(TLuxTimerPool, PoolEventAndRemovalRestartTheCounter) {
    TLuxTimerPool pool(nullptr, 50);
    struct PoolLog : TObject {
        void OnTimer(TObject*, WORD ident, int counter) { calls.push_back(ident * 100 + counter); }
        std::vector<int> calls;
    } log;
    pool.OnTimer = TLuxTimerPoolEvent::Bind<&PoolLog::OnTimer>(&log);
    pool.AddTimer(3, 100, nullptr);
    Ticks(pool, 4);
    EXPECT_EQ(log.calls, (std::vector<int>{301, 302}));
    pool.RemoveTimer(3);
    EXPECT_FALSE(pool.Active());
    EXPECT_EQ(pool.GetCount(), 0);
    pool.AddTimer(4, 50, nullptr);
    EXPECT_EQ(pool.TickCounter(), 1);
    EXPECT_TRUE(pool.Active());
    pool.GetTimer(4)->SetEnabled(false);
    Ticks(pool, 2);
    EXPECT_EQ(log.calls.size(), 2u) << "a disabled item is not called";
}

TEST(TLuxTimerPool, ATimerThatCannotBeSetIsRemovedAgain) {
    NoTimerPool pool(nullptr, 50);
    try {
        pool.AddTimer(1, 100, nullptr);
        FAIL();
    } catch (const EOutOfResources& e) {
        EXPECT_EQ(e.Message, "Not enough timers available");
    }
    EXPECT_EQ(pool.GetCount(), 0);
    EXPECT_FALSE(pool.Active());
    std::vector<TLuxTimerItem*> list;
    EXPECT_THROW(TLuxTimerItem(nullptr, &list, 1), EInvalidOperation);
}

TEST(TLuxTimerPool, TicksGoOnAfterAnException) {
    TLuxTimerPool pool(nullptr, 50);
    Recorder rec(&pool);
    rec.throwOn = 1;
    const auto saved = Application->OnException;
    Application->OnException = TExceptionEvent::Bind<&Recorder::Failed>(&rec);
    pool.AddTimer(1, 50, rec.Event());
    Ticks(pool, 3);
    Application->OnException = saved;
    EXPECT_EQ(rec.errors, (std::vector<std::string>{"handler failed"}));
    EXPECT_EQ(rec.ticks.size(), 3u) << "every tick after the failed one still calls";
    EXPECT_FALSE(pool.GetTimer(1) == nullptr);
}

TEST_F(LuxclassTest, ApplicationTimerSlots) {
    std::vector<WORD> idents;
    for (int i = 0; i < 250; ++i) idents.push_back(LuxApplication->AddTimerExt(50, -1, false, nullptr));
    EXPECT_EQ(idents.front(), 0xFD01);
    EXPECT_EQ(idents.back(), 0xFDFA);
    EXPECT_EQ(LuxApplication->GetTimerIdent(), 0);
    EXPECT_EQ(LuxApplication->AddTimer(50, nullptr), 0) << "the 251st";
    LuxApplication->RemoveTimer(0);
    LuxApplication->RemoveTimer(0xFD00);
    EXPECT_EQ(LuxApplication->TimerPool()->GetCount(), 250);
    LuxApplication->RemoveTimer(0xFD05);
    EXPECT_EQ(LuxApplication->GetTimerIdent(), 5);
    EXPECT_EQ(LuxApplication->AddTimer(100, nullptr), 0xFD05);
    for (WORD id : idents) LuxApplication->RemoveTimer(id);
    EXPECT_EQ(LuxApplication->TimerPool()->GetCount(), 0);
}

TEST_F(LuxclassTest, BrushBitmapWorksFromItsFirstUse) {
    TBitmap* none = LuxApplication->GetBrushBitmap(clNone);
    ASSERT_NE(none, nullptr) << "clNone on first use";
    EXPECT_EQ(none->Width(), 8);
    TBitmap* red = LuxApplication->GetBrushBitmap(clRed);
    TBitmap* blue = LuxApplication->GetBrushBitmap(clBlue);
    EXPECT_EQ(red, blue);
    const struct {
        int x, y;
        TColor color;
    } pixels[] = {{0, 0, clWhite}, {1, 0, clBlue}, {0, 1, clBlue},
                  {1, 1, clWhite}, {7, 6, clBlue}, {7, 7, clWhite}};
    for (const auto& p : pixels) EXPECT_EQ(blue->Canvas()->Pixels(p.x, p.y), p.color) << p.x << "," << p.y;
    EXPECT_EQ(LuxApplication->GetBitmap()->Canvas()->Pixels(1, 0), clBlack);
}

TEST_F(LuxclassTest, GoldenLogWithAFixedClock) {
    const TFormatSettings saved = FormatSettings;
    FormatSettings.ShortDateFormat = "yyyy/mm/dd";
    FormatSettings.DateSeparator = '-';
    FormatSettings.LongTimeFormat = "hh:nn:ss";
    FormatSettings.TimeSeparator = ':';
    TLuxApplication& app = *LuxApplication;
    app.LogClock = [] { return EncodeDate(2026, 12, 10) + EncodeTime(18, 5, 9, 0); };
    app.SetLogPrefix(ppFixed);
    const std::string log = home.Path() + "/app.log";
    app.SetLogName(log);
    app.Version = "v4.06";
    app.Options.Include(aoLogTime);
    app.Options.Include(aoLogDate);
    Application->SetTitle("Golden");
    app.LogWrite("first");
    app.LogWrite("#Line");
    app.LogWrite("#CR");
    app.LogWrite("second");
    FormatSettings = saved;
    const std::string stars(80, '*');
    EXPECT_EQ(ReadFile(log), "\r\n"
                             "LogFile started: 2026-12-10 18:05:09\r\n"
                             "Application    : Golden\r\n"
                             "Path/ExeName   : " +
                                 Application->ExeName() +
                                 "\r\n"
                                 "Version        : v4.06\r\n" +
                                 stars +
                                 "\r\n\r\n"
                                 "Entries:\r\n"
                                 "00001:  [18:05:09] [2026-12-10]first\r\n" +
                                 stars +
                                 "\r\n\r\n"
                                 "00002:  [18:05:09] [2026-12-10]second\r\n");
}

TEST_F(LuxclassTest, LogLimitStartsAt101AndBackupsCountOn) {
    TLuxApplication& app = *LuxApplication;
    app.SetLogPrefix(ppFixed);
    const std::string log = home.Path() + "/limit.LOG";
    app.SetLogName(log);
    app.Options.Exclude(aoLogHeader);
    app.Options.Exclude(aoLogAlwaysClear);
    app.LogAction = laBackupLog;
    app.LogMaxSize = 100;
    for (int i = 0; i < 20; ++i) app.LogWrite("0123456789");
    EXPECT_GT(std::filesystem::file_size(log), 100u) << "100 means no limit";
    EXPECT_FALSE(std::filesystem::exists(home.Path() + "/limit.l0"));
    app.LogMaxSize = 101;
    std::ofstream(home.Path() + "/limit.l0") << "older";
    app.LogWrite("after");
    EXPECT_TRUE(std::filesystem::exists(home.Path() + "/limit.l1"));
    const std::string after = ReadFile(log);
    EXPECT_EQ(after.substr(0, 18), "\r\nLogFile started:") << "a file made new for the limit gets its header";
    EXPECT_EQ(after.substr(after.size() - 14), "00021: after\r\n");
    app.SetLogName(home.Path() + "/no/such/dir/x.log");
    app.LogWrite("dropped");
}

TEST_F(LuxclassTest, SecondInstanceAndWhatIsRefused) {
    EXPECT_NE(LuxApplication->Mutex(), 0);
    EXPECT_FALSE(LuxApplication->PrevInstance());
    TLuxApplication second(nullptr);
    EXPECT_TRUE(second.PrevInstance());
    for (TLuxExitCode code : {ecQuit, ecRestart, ecReboot}) EXPECT_FALSE(LuxApplication->QuitWindows(code));
    EXPECT_FALSE(Application->Terminated());
    Application->SetTitle("Dorvex");
    LuxApplication->RegPrefix = "Vexo";
    LuxApplication->Version = "v4.06\\";
    EXPECT_EQ(LuxApplication->GetDefaultRegPath(), "Software\\Vexo\\Dorvex\\v4.06\\");
    EXPECT_EQ(LuxEOneInstError("TLuxIniCtrl", 1).Message,
              "TLuxIniCtrl:\rAlready one TLuxIniCtrl control in this project!");
}

// Components are counted by what they are; a data module is a fit owner only when allowed.
TEST(Luxclass, SameClassCountsByInheritanceOnFormsAndAllowedDataModules) {
    class TPool : public TLuxTimerPool {
    public:
        using TLuxTimerPool::TLuxTimerPool;
    };
    TForm form(nullptr);
    TDataModule module(nullptr);
    TComponent plain(nullptr);
    for (TComponent* owner : {static_cast<TComponent*>(&form), static_cast<TComponent*>(&module)}) {
        new TLuxTimerPool(owner);
        new TPool(owner);
        new TLuxIniCtrl(owner);
    }
    const struct {
        const char* what;
        TComponent* owner;
        TLuxClass cls;
        bool allowDataModule, refused;
    } cases[] = {
        {"a pool and a derived pool", &form, LuxClassOf<TLuxTimerPool>(), false, true},
        {"one derived pool", &form, LuxClassOf<TPool>(), false, false},
        {"one settings store", &form, LuxClassOf<TLuxIniCtrl>(), false, false},
        {"two custom components", &form, LuxClassOf<TLuxCustomComponent>(), false, true},
        {"no class", &form, nullptr, false, false},
        {"a data module, not allowed", &module, LuxClassOf<TPool>(), false, true},
        {"a data module, allowed", &module, LuxClassOf<TPool>(), true, false},
        {"a data module, allowed, two pools", &module, LuxClassOf<TLuxTimerPool>(), true, true},
        {"no form, no data module", &plain, LuxClassOf<TPool>(), true, true},
        {"no owner", nullptr, nullptr, true, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LuxCheckForSameClass(c.owner, c.cls, c.allowDataModule), c.refused) << c.what;
}

TEST(TLuxApplication, RegistersItsPointingHandAsScreenCursorMinus255) {
    const HCURSOR before = Screen->Cursors(-255);
    InitLuxclass();
    const HCURSOR hand = Screen->Cursors(-255);
    EXPECT_NE(hand, before);
    EXPECT_NE(hand, Screen->Cursors(crDefault));
    DoneLuxclass();
    EXPECT_EQ(Screen->Cursors(-255), before) << "gone with the application object";
}

TEST_F(LuxclassTest, OwnsASettingsStoreThatReadsNothingAtStart) {
    TLuxIniCtrl* store = LuxApplication->IniCtrl();
    ASSERT_NE(store, nullptr);
    EXPECT_EQ(store->Owner(), nullptr);
    EXPECT_EQ(store->Target(), itAuto);
    EXPECT_FALSE(std::filesystem::exists(home.Path() + "/vexo/registry")) << "nothing written at start";
    Application->SetTitle("Dorvex");
    store->WriteString("", "Probe", "1");
    HKEY key = 0;
    ASSERT_EQ(RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Dorvex\\Common", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
}

// The components a stream can hold are made again from their class names when it is read.
TEST(LuxComponents, PublishedComponentsAreMadeByTheirClassName) {
    TForm owner(nullptr);
    for (const char* name : {"TLuxIniCtrl", "TLuxTimerPool", "TLuxFormShape"}) {
        const TComponentFactory make = GetClass(name);
        ASSERT_TRUE(make) << name << " is not registered";
        TComponent* made = make(&owner);
        ASSERT_NE(made, nullptr) << name;
        EXPECT_EQ(made->ClassName(), name);
    }
}
