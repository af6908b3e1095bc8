// Shared by the front panel's tests: a scripted stand-in for the switcher link, a switcher that
// answers its queries, ticks that pass quickly, and a fixture that runs the program's four forms in
// a temporary working directory with the dialog seam answering in place of the user.
#pragma once

#include "front_panel/DorvexMainUnit.h"
#include "front_panel/IPAddressUnit.h"
#include "front_panel/PopupUnit.h"
#include "front_panel/SourceLabelUnit.h"
#include "front_panel/SwitcherLink.h"
#include "platform/ui/SeamRecorder.h"
#include "platform/win/Types.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The switcher as far as its three queries go: identification, version and key status, answered
// in the switcher's framing (echo, "\r\n", lines ended by "\r\n", "#"). Key commands change nothing;
// tests set the state they need.
class TFakeSwitcher {
public:
    // 1 Corvane II, 2 Halverin II; resets the key status to the model's start state.
    void SetModel(int model);
    int Model() const { return model_; }
    std::string Version = "1.20.A";
    // Replaces the identification line ("" leaves the query unanswered).
    std::string Identity;
    void Set(const std::string& section, const std::string& pvw, const std::string& pgm);
    void Remove(const std::string& section);
    // The status reply's lines.
    std::string StatusLines() const;
    // The bytes that answer what the panel wrote; empty for anything but a query.
    std::string Answer(const std::string& written) const;
    bool Mute = false;

private:
    int model_ = 1;
    std::vector<std::string> order_;
    std::map<std::string, std::pair<std::string, std::string>> sections_;
};

// The link as the form sees it: writes are recorded, queries are answered by the fake switcher
// after the current message (so the answer arrives while the panel waits), and the connection is
// made or refused as the test chooses.
class TFakeLink : public TSwitcherLink {
public:
    enum class TConnect { Immediately, Never, Refused, AfterMs, ButClosed };

    explicit TFakeLink(TFakeSwitcher* device);
    ~TFakeLink() override;

    void SetTarget(const std::string& Address, const std::string& Port) override;
    bool Open() const override { return open_; }
    void SetOpen(bool Value) override;
    void PutString(const std::string& S) override;
    void FlushOutBuffer() override;
    void ArmReply() override;
    void DisarmReply() override;

    // Bytes as the device receives them: the reply packet collects them while armed.
    void Receive(const std::string& bytes);
    // Runs action after the messages already queued.
    void Post(std::function<void()> action);
    // The connection goes away, as when the peer closes it.
    void Drop() { open_ = false; }

    TConnect Connect = TConnect::Immediately;
    unsigned ConnectDelayMs = 0;
    std::string Address;
    std::string Port;
    // Everything written, in order, as one string of bytes.
    std::string Written;
    int Flushes = 0;
    std::vector<bool> OpenRequests;
    bool ReplyArmed() const { return armed_; }
    // Runs on each write before the answer is sent (to act "during" the wait that follows).
    std::function<void(const std::string&)> OnWrite;

private:
    void RunPosted(WPARAM id);

    TFakeSwitcher* device_;
    bool open_ = false;
    bool armed_ = false;
    std::string collected_;
    HWND window_ = 0;
    std::uintptr_t connectTimer_ = 0;
    std::uint64_t nextId_ = 1;
    std::map<std::uint64_t, std::function<void()>> posted_;
};

// The tick count jumps by ticksPerStep every msPerStep milliseconds while a wait pumps messages,
// so each of the panel's tick pauses ends at the next step (the platform's timers fire at most
// every 10 ms). A query that goes unanswered gives up after 60 steps. Real time is left alone for
// everything else.
class TFastTicks {
public:
    explicit TFastTicks(unsigned msPerStep = 10, int ticksPerStep = 25);
    ~TFastTicks();
    TFastTicks(const TFastTicks&) = delete;
    TFastTicks& operator=(const TFastTicks&) = delete;

private:
    std::uintptr_t timer_;
};

// The program's forms in a fresh working directory, a seam that answers its dialogs, fast ticks and
// the fake link.
class PanelTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the start-up as the program does when its main window is first shown; the IP dialog gets
    // Address typed and OK pressed. False when the start-up did not get to the poll.
    bool Start(int model, const std::string& address = "127.0.0.1");
    // Start for the model and forget what the start-up wrote.
    void Started(int model);
    TDorvexMainForm* Main() const { return DorvexMainForm; }
    TFakeLink* Link() const { return link_; }
    // What the panel wrote since the last call, as the bytes went out.
    std::string TakeWritten();
    // One tick of the poll timer.
    void Tick() { Main()->Timer1Timer(Main()->Timer1); }
    // A poll tick after the first (the layer sync done).
    void Poll();
    // A left click at the middle of control, delivered to the main window as the mouse delivers it
    // (so the topmost control there takes it, and an exception goes to the error box).
    void ClickOn(TControl* control);
    // The popup menu shown from control, the user choosing the item with this caption ("" none).
    void ChoosePopup(TControl* control, const std::string& caption);

    // The key picture an image shows: "YELLOW_OFF", "YELLOW_ON", "GREEN_OFF", "GREEN_ON",
    // "WHITE_OFF", "none" or "other".
    std::string Picture(TImage* image) const;
    std::string Picture(int slot) const {
        return Picture(Main()->ImageSlots[static_cast<std::size_t>(slot)]);
    }
    // The pictures of slots first to last, joined with blanks.
    std::string Pictures(int first = 0, int last = 9) const;

    // The files the panel keeps, read whole.
    static std::string ReadFile(const std::string& name);
    static void WriteFile(const std::string& name, const std::string& bytes);

    TFakeSwitcher Device;
    std::unique_ptr<TSeamRecorder> Seam;
    // Runs in the IP dialog in place of the user; the default types Address and presses OK.
    std::function<void(TIPAddressForm*)> OnAddressDialog;
    // Runs in the rename dialog; the default presses OK.
    std::function<void(TSourceLabelForm*)> OnRenameDialog;
    // Message window shown (captions in order).
    std::vector<std::string> PopupTexts;
    // Set before SetUp: the program's own link in place of the scripted one, and the length of a
    // tick step (0: ticks in real time).
    bool UseFakeLink = true;
    unsigned MsPerStep = 10;

private:
    TSwitcherLinkFactory previousFactory_;
    std::unique_ptr<TFastTicks> ticks_;
    TFakeLink* link_ = nullptr;
    std::string oldDir_;
    std::string dir_;
    std::size_t taken_ = 0;
};

// What the start-up sends: the connection and identification, then the first commands.
extern const char* const ConnectAndIdentify;
extern const char* const FirstCommands;

// A status reply's section line.
std::string Section(const std::string& name, const std::string& pvw, const std::string& pgm);
