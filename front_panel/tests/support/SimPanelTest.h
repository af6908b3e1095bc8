// The program's forms with their own TCP link, against the switcher simulator on loopback.
#pragma once

#include "PanelTest.h"
#include "SwitcherSim.h"

#include <memory>
#include <string>
#include <vector>

class SimPanelTest : public PanelTest {
protected:
    // Ticks step every 30 ms unless the test asks for real time (0) before SetUp.
    SimPanelTest() { MsPerStep = 30; }

    void SetUp() override;
    void TearDown() override;

    // Starts the simulator ("corvane" or "halverin", with its options) and the panel against it;
    // the result is Start's.
    bool StartWith(const std::string& model, const std::vector<std::string>& options = {});
    // As StartWith, with the poll timer stopped and what the start-up sent taken.
    void StartedWith(const std::string& model, const std::vector<std::string>& options = {});
    // Waits until the simulator has received at least expected.size() more bytes, then returns
    // everything it received since the last call.
    std::string SimTake(const std::string& expected);
    // Runs a control command and waits until the simulator has taken it.
    void SimControl(const std::string& line);
    static void Close(TDorvexMainForm* form);

    std::unique_ptr<TSwitcherSim> Sim;

private:
    std::size_t simTaken_ = 0;
};
