#include "platform/win/RunService.h"

#include "platform/win/tests/support/RunPeer.h"

#include <gtest/gtest.h>

TEST(RunPeer, DISABLED_Serve) {
    ServeAsRunPeer();
}

// The other run is busy past the sender's limit: the send fails, and its handler never runs later.
TEST(RunService, ARequestGivenUpNeverRuns) {
    RunHome home(false);
    auto peer = StartRunPeer("busy");
    ASSERT_TRUE(PostRunRequest(peer->Pid(), "block", "600"));
    ASSERT_EQ(peer->NextReport(), "blocking");
    std::string answer;
    EXPECT_FALSE(SendRunRequest(peer->Pid(), "echo", "late", &answer, 100));
    ASSERT_TRUE(SendRunRequest(peer->Pid(), "note", "after", nullptr, 5000));
    EXPECT_EQ(peer->NextReport(), "unblocked");
    EXPECT_EQ(peer->NextReport(), "note after") << "the echo given up did not run in between";
}
