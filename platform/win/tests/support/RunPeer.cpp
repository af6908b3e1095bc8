#include "platform/win/tests/support/RunPeer.h"

#include "platform/win/Messages.h"
#include "platform/win/RunService.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

void Report(const std::string& line) {
    const std::string out = "peer:" + line + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

} // namespace

void ServeAsRunPeer() {
    ASSERT_TRUE(StartRunService());
    const char* title = std::getenv("PEER_TITLE");
    AnnounceRunWindow(7, "TPeer", title ? title : "");
    SetRunRequestHandler("echo", [](const std::string& body) {
        Report("echo " + body);
        return "echo " + body;
    });
    SetRunRequestHandler("retitle", [](const std::string& body) {
        AnnounceRunWindow(7, "TPeer", body);
        return std::string();
    });
    SetRunRequestHandler("block", [](const std::string& body) {
        Report("blocking");
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(body.c_str())));
        Report("unblocked");
        return std::string();
    });
    SetRunRequestHandler("note", [](const std::string& body) {
        Report("note " + body);
        return std::string();
    });
    SetRunRequestHandler("refuse", [](const std::string&) -> std::string { throw 1; });
    SetRunRequestHandler("quit", [](const std::string&) {
        PostQuitMessage(0);
        return std::string();
    });
    Report("ready");
    RunMessageLoop();
    StopRunService();
}

std::unique_ptr<SelfPeer> StartRunPeer(const std::string& title) {
    ::setenv("PEER_TITLE", title.c_str(), 1);
    auto peer = std::make_unique<SelfPeer>("RunPeer.DISABLED_Serve");
    EXPECT_EQ(peer->NextReport(), "ready");
    return peer;
}
