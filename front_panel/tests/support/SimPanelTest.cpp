#include "SimPanelTest.h"

void SimPanelTest::SetUp() {
    // A step long enough for a reply over loopback; an unanswered query gives up after 60 steps.
    UseFakeLink = false;
    simTaken_ = 0;
    PanelTest::SetUp();
}

void SimPanelTest::TearDown() {
    PanelTest::TearDown();
    Sim.reset();
}

bool SimPanelTest::StartWith(const std::string& model, const std::vector<std::string>& options) {
    Sim = std::make_unique<TSwitcherSim>(model, options);
    if (!Sim->Running()) {
        ADD_FAILURE() << "switcher-sim did not start";
        return false;
    }
    WriteFile("Dorvex.ini",
              "[Orvel IP Parameters]\r\nIP=127.0.0.1\r\nPort=" + std::to_string(Sim->Port()) + "\r\n\r\n");
    return Start(model == "corvane" ? 1 : 2);
}

void SimPanelTest::StartedWith(const std::string& model, const std::vector<std::string>& options) {
    ASSERT_TRUE(StartWith(model, options));
    Main()->Timer1->SetEnabled(false);
    SimTake(std::string(ConnectAndIdentify) + FirstCommands);
    Seam->Clear();
}

std::string SimPanelTest::SimTake(const std::string& expected) {
    std::string received;
    PumpUntil(
        [&] {
            received = Sim->Received();
            return received.size() >= simTaken_ + expected.size();
        },
        5000);
    // Anything sent after the expected bytes shows up as well.
    PumpUntil([] { return false; }, 20);
    received = Sim->Received();
    const std::string out = received.substr(std::min(simTaken_, received.size()));
    simTaken_ = received.size();
    return out;
}

void SimPanelTest::SimControl(const std::string& line) {
    const std::string done = "control * " + line;
    auto count = [&] {
        std::size_t n = 0;
        for (const std::string& e : Sim->Events())
            if (e.size() >= done.size() && e.compare(e.size() - done.size(), done.size(), done) == 0) ++n;
        return n;
    };
    const std::size_t before = count();
    Sim->Command(line);
    PumpUntil([&] { return count() > before; });
}

void SimPanelTest::Close(TDorvexMainForm* form) {
    form->MainWndProc(WM_CLOSE, 0, 0);
}
