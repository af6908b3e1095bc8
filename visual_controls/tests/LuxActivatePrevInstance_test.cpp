#include "visual_controls/Luxclass.h"
#include "visual_controls/Luxutils.h"

#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "tools/testing/RunHome.h"
#include "tools/testing/SelfPeer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* const kTitle = "Prev instance test";

void Report(const std::string& line) {
    std::printf("peer:%s\n", line.c_str());
    std::fflush(stdout);
}

} // namespace

// The first run: its main form minimised or hidden as $PEER_STATE says; reports "restored" or
// "shown" once another run brought it back.
TEST(PrevInstancePeer, DISABLED_FirstRun) {
    Application->Initialize();
    Application->SetTitle(kTitle);
    InitLuxclass();
    TForm* main = nullptr;
    Application->CreateForm(main);
    main->Show();
    const bool hidden = std::string(std::getenv("PEER_STATE")) == "hidden";
    if (hidden)
        main->Hide();
    else
        main->SetWindowState(wsMinimized);
    Report(LuxApplication->PrevInstance() ? "not first" : "ready");
    const std::uint64_t start = MonotonicMs();
    while (MonotonicMs() - start < 10000) {
        WaitMessageTimeout(10);
        Application->ProcessMessages();
        if (hidden && main->Visible()) {
            Report("shown");
            break;
        }
        if (!hidden && main->WindowState() == wsNormal) {
            Report("restored");
            break;
        }
    }
    DoneLuxclass();
    Application->DestroyForms();
}

TEST(LuxActivatePrevInstance, ASecondRunFindsTheFirstAndRaisesIt) {
    Application->Initialize();
    const struct {
        const char* state;
        const char* report;
    } cases[] = {{"minimized", "restored"}, {"hidden", "shown"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        RunHome home(false);
        ::setenv("PEER_STATE", c.state, 1);
        SelfPeer first("PrevInstancePeer.DISABLED_FirstRun");
        ASSERT_EQ(first.NextReport(), "ready");

        Application->SetTitle(kTitle);
        InitLuxclass();
        ASSERT_TRUE(LuxApplication->PrevInstance());
        LuxActivatePrevInstance();
        EXPECT_EQ(first.NextReport(), c.report);
        EXPECT_EQ(Application->HandleText(), "") << "this run hid itself from the search";
        EXPECT_EQ(first.Wait(), 0);
        DoneLuxclass();
        Application->SetTitle("");
    }
}

TEST(LuxActivatePrevInstance, AFirstRunLeavesItselfAlone) {
    Application->Initialize();
    RunHome home(false);
    Application->SetTitle(kTitle);
    InitLuxclass();
    EXPECT_FALSE(LuxApplication->PrevInstance());
    LuxActivatePrevInstance();
    EXPECT_EQ(Application->HandleText(), kTitle);
    EXPECT_EQ(FindWindow("TApplication", kTitle), Application->Handle()) << "its own window, found here";
    DoneLuxclass();
    Application->SetTitle("");
}
