// The program runner over real children: exit codes through both waits, a start that fails, lines
// passed whole, and a soft wait that keeps the application's messages going and ends with it.
#include "indicator_controls/Std2.h"

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/win/Clock.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

struct Log : TObject {
    std::vector<std::string> events;
    TvcRunError error = vre_OK;
    int code = -1;
    int ticks = 0;
    void BeforeRun(TObject*) { events.push_back("run"); }
    void BeforeWait(TObject*) { events.push_back("wait"); }
    void Finish(TObject*) { events.push_back("finish"); }
    void Error(TObject*, TvcRunError e, int c) {
        events.push_back("error");
        error = e;
        code = c;
    }
    void Tick(TObject*) { ++ticks; }
    void Quit(TObject*) { Application->Terminate(); }
};

void Wire(TvcRunProg& run, Log& log) {
    run.OnBeforeRun = TNotifyEvent::Bind<&Log::BeforeRun>(&log);
    run.OnBeforeWait = TNotifyEvent::Bind<&Log::BeforeWait>(&log);
    run.OnFinish = TNotifyEvent::Bind<&Log::Finish>(&log);
    run.OnError = TvcError::Bind<&Log::Error>(&log);
}

TEST(TvcRunProg, ChildrenAndTheirExitCodes) {
    struct Case {
        const char* line;
        bool wait;
        bool hard;
        std::int32_t returnCode;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {"true", true, false, 0, {"run", "wait", "finish"}},
        {"sh -c \"exit 3\"", true, false, 3, {"run", "wait", "finish"}},
        {"sh -c \"exit 3\"", true, true, 3, {"run", "wait", "finish"}},
        // Eight-bit exit statuses: 259 arrives as 3, and the wait ends all the same.
        {"sh -c \"exit 259\"", true, false, 3, {"run", "wait", "finish"}},
        {"sh -c \"exit 259\"", true, true, 3, {"run", "wait", "finish"}},
        {"sleep 5", false, false, 0, {"run"}},
    };
    for (const Case& c : cases) {
        Log log;
        TvcRunProg run;
        Wire(run, log);
        run.SetWait(c.wait);
        run.SetHardWait(c.hard);
        run.SetCmdLine(c.line);
        const std::uint64_t start = MonotonicMs();
        run.Run();
        EXPECT_LT(MonotonicMs() - start, 3000u) << c.line;
        EXPECT_EQ(run.ReturnCode(), c.returnCode) << c.line;
        EXPECT_EQ(run.LastResultCode(), vre_OK) << c.line;
        EXPECT_EQ(run.SavedErrorCode(), 0u) << c.line;
        EXPECT_EQ(log.events, c.events) << c.line;
    }
}

TEST(TvcRunProg, AFailedStartIsReportedNotRaised) {
    Log log;
    TvcRunProg run;
    Wire(run, log);
    run.RunThis("no-such-program-here --flag");
    EXPECT_EQ(run.LastResultCode(), vre_FileNotFound);
    EXPECT_EQ(run.SavedErrorCode(), 2u);
    EXPECT_EQ(log.events, (std::vector<std::string>{"run", "error"}));
    EXPECT_EQ(log.error, vre_FileNotFound);
    EXPECT_EQ(log.code, 2);
    // The next good start clears it.
    run.RunThis("true");
    EXPECT_EQ(run.LastResultCode(), vre_OK);
    EXPECT_EQ(run.SavedErrorCode(), 0u);
}

TEST(TvcRunProg, SystemCodesToResults) {
    const std::pair<std::uint32_t, TvcRunError> cases[] = {
        {0, vre_OK},          {1, vre_FileNotFound},  {2, vre_FileNotFound}, {3, vre_PathNotFound},
        {4, vre_FileError},   {5, vre_networkerror},  {6, vre_MemoryError},  {14, vre_MemoryError},
        {15, vre_FileError},  {31, vre_FileError},    {32, vre_networkerror}, {36, vre_networkerror},
        {37, vre_UnknownError}, {38, vre_FileError},  {52, vre_FileError},   {53, vre_networkerror},
        {55, vre_networkerror}, {56, vre_UnknownError}, {193, vre_UnknownError},
    };
    for (auto [code, result] : cases) EXPECT_EQ(RunErrorFromSystemCode(code), result) << code;
}

TEST(TvcRunProg, ALongLineArrivesWhole) {
    const auto file = std::filesystem::temp_directory_path() / ("vexo-run-" + std::to_string(::getpid()));
    const std::string arg(4000, 'y');
    TvcRunProg run;
    run.RunThis("sh -c \"printf %s \\\"$1\\\" > " + file.string() + "\" sh " + arg);
    EXPECT_EQ(run.ReturnCode(), 0);
    std::ifstream in(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), arg);
    std::filesystem::remove(file);
}

TEST(TvcRunProg, TheSoftWaitRunsTheApplicationAndEndsWithIt) {
    Log log;
    TTimer ticker(nullptr);
    ticker.SetInterval(20);
    ticker.OnTimer = TNotifyEvent::Bind<&Log::Tick>(&log);
    TTimer quit(nullptr);
    quit.SetInterval(300);
    quit.OnTimer = TNotifyEvent::Bind<&Log::Quit>(&log);

    TvcRunProg run;
    const std::uint64_t start = MonotonicMs();
    run.RunThis("sleep 3");
    const std::uint64_t took = MonotonicMs() - start;
    Application->ResetTerminated();
    EXPECT_GE(took, 250u);
    EXPECT_LT(took, 2000u) << "the application's end ends the wait";
    EXPECT_EQ(run.ReturnCode(), 259) << "still running when the wait ended";
    EXPECT_GE(log.ticks, 5) << "the application's timers ran during the wait";
}

} // namespace
