// Shared by the loader's tests: the program's five forms in a fresh working folder and settings
// home, a dialog seam that answers in place of the user, short waits (TimeScale), and the
// loader-unit simulator on a pseudo-terminal mapped to a COM number.
#pragma once

#include "LoaderSim.h"

#include "loader/ClientSocketUnit.h"
#include "loader/InfoUnit.h"
#include "loader/MainUnit.h"
#include "loader/Progress.h"
#include "loader/SplashUnit.h"
#include "platform/ui/SeamRecorder.h"
#include "tools/testing/TempHome.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the forms as the program does (done by SetUp unless CreateFormsInSetUp is false).
    void CreateForms();
    TQuillonForm* Main() const { return QuillonForm; }
    // Starts the simulator ("--flash 50" unless options name a flash time) with its pty as COM n.
    TLoaderSim& StartSim(int com, std::vector<std::string> options = {});
    // The start-up, as when the main window is first shown.
    void Start();
    // The simulator on loopback TCP ("--port 0" and options; its pseudo-terminal mapped to no COM
    // number), the start-up, and the Ethernet dialog's fields filled with its address.
    void StartTcp(std::vector<std::string> options = {});
    void FillAddress(const std::string& address, int port);
    // Ethernet > Connect, then the dialog's Connect button.
    void Connect();
    // Runs a script file holding text as the script button does.
    bool RunScript(const std::string& text, const std::string& name = "test.sld");
    // Waits until the simulator has received at least `bytes` bytes in all, pumping messages.
    bool SimReceivedAtLeast(std::size_t bytes, int timeoutMs = 5000);
    std::vector<std::string> Boxes() const { return Seam->BoxTexts(); }
    // The bytes the simulator received since the last call.
    std::string TakeReceived();
    // As TakeReceived, once at least AtLeast new bytes have come (or five seconds have passed).
    std::string TakeReceived(std::size_t AtLeast);
    // Runs then once the simulator has received text, checked from a timer, so while the loader
    // handles messages; returns the timer, for KillTimer.
    static std::uintptr_t WhenSimReceived(TLoaderSim& sim, const std::string& text,
                                          std::function<void()> then);

    static void WriteFile(const std::string& name, const std::string& bytes);
    static std::string Settings(const std::vector<std::pair<int, std::string>>& values);
    std::string Dir() const { return dir_; }

    std::unique_ptr<TSeamRecorder> Seam;
    std::unique_ptr<TLoaderSim> Sim;
    double Scale = 0.02;
    bool CreateFormsInSetUp = true;

private:
    std::unique_ptr<TempHome> home_;
    std::string oldDir_;
    std::string dir_;
    std::size_t taken_ = 0;
};

// Pumps messages until done() holds or timeoutMs passes; returns done().
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);
