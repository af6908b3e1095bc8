// The link layer: finding and selecting the serial port, sending, prompt waits, reply capture, the
// command time-out, the keep-alive and typed keys. The TCP side is in MainEthernet.cpp.
#include "loader/ClientSocketUnit.h"
#include "loader/InfoUnit.h"
#include "loader/MainUnit.h"
#include "loader/Progress.h"

#include "communications/VxSelCom.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"

namespace {

// A capture never grows past this many bytes: it starts again at position 0.
constexpr int CaptureLimit = 999;

// 1 ms of waiting that ends early when a message arrives.
void PassWait() {
    WaitMessageTimeout(1);
}

// Count bytes from the port, or none when they are not all there.
std::string ReadPort(TVexComPort* Port, DWORD Count) {
    if (Count == 0) return {};
    std::string bytes(Count, '\0');
    try {
        Port->GetBlock(bytes.data(), Count);
    } catch (const Exception&) {
        return {};
    }
    return bytes;
}

} // namespace

bool TQuillonForm::PortOpen() const {
    return VexComPort1->Open();
}

void TQuillonForm::WaitPass() {
    Application->ProcessMessages();
    PassWait();
    Application->ProcessMessages();
}

// A port closed while it was still delivering (the last reply of the port before) finishes its
// close, and opens again on its new number, once that delivery has ended; a probe sent before then
// would go nowhere. Bounded by the clock, as a connect wait.
void TQuillonForm::WaitForPortSwitch() {
    const DWORD end = GetTickCount() + 2000;
    while (VexComPort1->PortState() == psShuttingDown && static_cast<int>(end - GetTickCount()) > 0 &&
           !Application->Terminated())
        WaitPass();
}

void TQuillonForm::SetExpectedPrompt(char C) {
    ExpectedPrompt = C;
}

void TQuillonForm::CloseLink() {
    if (PortOpen())
        NoneMenuClick(this);
    else if (SocketActive())
        EnetDisconnect1Click(this);
}

// --- Serial port check and choice ---------------------------------------------------------------

int TQuillonForm::check_com(int n) {
    if (!IsPortAvailable(static_cast<WORD>(n))) return -1;
    if (InfoForm) {
        InfoForm->Label1->SetCaption("Checking COM Port " + IntToStr(n) + ", Baud " +
                                     IntToStr(VexComPort1->Baud()) + ". Please wait....");
        InfoForm->Show();
    }
    Application->ProcessMessages();

    int result = 0;
    bool opened = false;
    try {
        VexComPort1->SetComNumber(static_cast<WORD>(n));
        if (!VexComPort1->Open()) VexComPort1->SetOpen(true);
        WaitForPortSwitch();
        opened = VexComPort1->Open();
    } catch (const Exception&) {
        Tell("Note: COM Port #" + IntToStr(n) + " is not responding/being used by other applications.");
        try {
            VexComPort1->SetOpen(false);
        } catch (const Exception&) {
        }
    }
    bool found = false;
    CheckingPort = true;
    if (opened) {
        try {
            SetExpectedPrompt(NormalPrompt);
            found = SendCOMCmd_GetPrompt("\r\n");
            if (!found) {
                SetExpectedPrompt(LoaderPrompt);
                found = SendCOMCmd_GetPrompt("\r\n");
            }
        } catch (const Exception&) {
            Tell("Note: COM Port #" + IntToStr(n) + " is not responding.");
        }
    }
    CheckingPort = false;
    if (found) {
        SetStatusText("Established communication on COM " + IntToStr(n));
        ComNumberLabel->SetCaption(IntToStr(n));
        LastGoodComPort = n;
        ConnectionMode = 0;
        ComBaudLabel->SetCaption(IntToStr(VexComPort1->Baud()));
        Ethernet1->SetEnabled(false);
        result = 1;
    } else if (opened) {
        // A port that did not answer is not left open: nothing may take it for the unit's.
        try {
            VexComPort1->SetOpen(false);
        } catch (const Exception&) {
        }
    }
    if (InfoForm) InfoForm->Hide();
    Application->ProcessMessages();
    return result;
}

int TQuillonForm::process_com() {
    Screen->SetCursor(crHourGlass);
    for (int n = 1; n <= 14; ++n) {
        if (check_com(n) > 0) {
            ComCheckBox->SetChecked(true);
            return 1;
        }
    }
    return -1;
}

void TQuillonForm::select_com(int n) {
    Screen->SetCursor(crHourGlass);
    if (ClientSocketForm && ClientSocketForm->Visible()) ClientSocketForm->Hide();
    SetStatusText("Checking COM " + IntToStr(n) + ".... Please wait.... ");
    const int r = check_com(n);
    if (r > 0) {
        SetStatusText("Established communication on COM " + IntToStr(n));
        VxTerminal1->ClearAll();
        ComCheckBox->SetChecked(true);
        VexSLController1->SetMonitoring(true);
        enable_btns();
    } else {
        SetStatusText(
            "Unable to open Hardware thru COM ports. Select new COM port/check RS232 connection before "
            "proceeding");
        Tell("Error! Cannot establish communication using COM " + IntToStr(n) +
             ". Please check RS232 connection");
        if (r < 0) {
            disable_btns();
        } else {
            // The user chose this port: it may be used without a prompt.
            try {
                VexComPort1->SetComNumber(static_cast<WORD>(n));
                VexComPort1->SetOpen(true);
                WaitForPortSwitch();
            } catch (const Exception&) {
            }
            VexSLController1->SetMonitoring(true);
            enable_btns();
        }
    }
    ComNumberLabel->SetCaption(r < 0 ? std::string("None") : IntToStr(n));
    Screen->SetCursor(crDefault);
}

void TQuillonForm::open_ini_port() {
    if (SettingsComPort == 0) {
        SetStatusText("Unable to open Hardware through COM ports. Select new COM port before proceeding");
        disable_btns();
        return;
    }
    SetStatusText("Error opening Hardware via COM ports. Select new COM port/check RS232 connection before "
                  "proceeding");
    if (IsPortAvailable(static_cast<WORD>(SettingsComPort)))
        VexComPort1->SetComNumber(static_cast<WORD>(SettingsComPort));
    try {
        VexComPort1->SetOpen(true);
    } catch (const Exception&) {
        try {
            VexComPort1->SetOpen(false);
        } catch (const Exception&) {
        }
    }
    ComNumberLabel->SetCaption(IntToStr(SettingsComPort));
    disable_btns();
    VexSLController1->SetMonitoring(false);
}

void TQuillonForm::NoneMenuClick(TObject*) {
    SetStatusText("Note: Last successful COM port used is: " +
                  (LastGoodComPort == 0 ? std::string("Never") : IntToStr(LastGoodComPort)));
    try {
        VexComPort1->SetOpen(false);
    } catch (const Exception&) {
    }
    VexComPort1->SetComNumber(0);
    ComNumberLabel->SetCaption("None");
    Ethernet1->SetEnabled(true);
    disable_btns();
    if (ProgressForm) ProgressForm->HideProgressForm();
    Screen->SetCursor(crDefault);
}

void TQuillonForm::SearchAllMenuClick(TObject*) {
    if (process_com() < 0) {
        open_ini_port();
    } else {
        ComCheckBox->SetEnabled(false);
        VexSLController1->SetMonitoring(true);
        enable_btns();
    }
    Screen->SetCursor(crDefault);
}

void TQuillonForm::ComCheckBoxClick(TObject*) {
    if (!ComCheckBox->Checked() && PortOpen()) {
        VexComPort1->SetOpen(false);
    } else if (ComCheckBox->Checked() && !PortOpen()) {
        if (process_com() < 0) {
            ComCheckBox->SetChecked(false);
            Tell("Unable to use Com Ports. Please make sure no one else is using the Hardware thru the Com "
                 "Ports");
        }
        Screen->SetCursor(crDefault);
    }
}

void TQuillonForm::COM1MenuClick(TObject*) {
    select_com(1);
}
void TQuillonForm::COM2MenuClick(TObject*) {
    select_com(2);
}
void TQuillonForm::COM31Click(TObject*) {
    select_com(3);
}
void TQuillonForm::COM32Click(TObject*) {
    select_com(4);
}
void TQuillonForm::COM33Click(TObject*) {
    select_com(5);
}
void TQuillonForm::COM34Click(TObject*) {
    select_com(6);
}
void TQuillonForm::COM35Click(TObject*) {
    select_com(7);
}
void TQuillonForm::COM36Click(TObject*) {
    select_com(8);
}
void TQuillonForm::COM91Click(TObject*) {
    select_com(9);
}
void TQuillonForm::COM101Click(TObject*) {
    select_com(10);
}
void TQuillonForm::COM111Click(TObject*) {
    select_com(11);
}
void TQuillonForm::COM121Click(TObject*) {
    select_com(12);
}
void TQuillonForm::COM131Click(TObject*) {
    select_com(13);
}
void TQuillonForm::COM141Click(TObject*) {
    select_com(14);
}
void TQuillonForm::COM151Click(TObject*) {
    select_com(15);
}
void TQuillonForm::COM161Click(TObject*) {
    select_com(16);
}

void TQuillonForm::SetMenuBaud(int Rate) {
    VexComPort1->SetBaud(Rate);
    ComBaudLabel->SetCaption(IntToStr(Rate));
}

void TQuillonForm::N12001Click(TObject*) {
    SetMenuBaud(1200);
}
void TQuillonForm::N24001Click(TObject*) {
    SetMenuBaud(2400);
}
void TQuillonForm::N96001Click(TObject*) {
    SetMenuBaud(9600);
}
void TQuillonForm::N192001Click(TObject*) {
    SetMenuBaud(19200);
}
void TQuillonForm::N384001Click(TObject*) {
    SetMenuBaud(38400);
}
void TQuillonForm::N576001Click(TObject*) {
    SetMenuBaud(57600);
}
void TQuillonForm::N1152001Click(TObject*) {
    SetMenuBaud(115200);
}

// --- Sending and waiting ------------------------------------------------------------------------

void TQuillonForm::SendString(const std::string& Text) {
    if (PortOpen()) {
        if (Text.size() < VexComPort1->GetOutBuffFree())
            VexComPort1->PutString(Text);
        else
            Tell("Error! Communications Port Output Buffer Overflow");
        return;
    }
    SendSocketText(Text);
}

void TQuillonForm::SendCmdBuffer() {
    if (PortOpen() || SocketActive()) SendString(CommandBuffer);
}

void TQuillonForm::ReleaseReplyHold() {
    VexComPort1->WaitForString(std::string(), 0, false, false);
}

bool TQuillonForm::SendCOMCmd_GetPrompt(const std::string& Text) {
    if (PortOpen()) {
        // Held for the wait before the text goes out: a unit that answers at once would otherwise
        // have its prompt taken by the terminal before the wait begins.
        VexComPort1->PrepareWait();
        VexComPort1->FlushInBuffer();
        try {
            SendString(Text);
            if (BeforeReplyWait) BeforeReplyWait();
        } catch (...) {
            ReleaseReplyHold();
            throw;
        }
        const bool got = VexComPort1->WaitForString(std::string(1, ExpectedPrompt),
                                                    ScaledTicks(CheckingPort ? 8 : PromptWait), true, false);
        if (PortOpen()) {
            VexComPort1->FlushInBuffer();
            VexComPort1->FlushOutBuffer();
        }
        return got;
    }
    if (!SocketActive()) {
        if (ClientSocketForm) ClientSocketForm->ConnectButtonClick(this);
        if (!SocketActive()) return false;
    }
    CommandBuffer = Text;
    MinPromptIndex = 0;
    SendCmd_CollectReply(CheckingPort ? 280 : PromptWait);
    Application->ProcessMessages();
    Delay(100);
    Application->ProcessMessages();
    return !ReplyTimedOut;
}

void TQuillonForm::SendCmd_CollectReply(int n) {
    if (!PortOpen() && !SocketActive()) return;
    const bool onSocket = SocketActive();
    CaptureOn = false;
    ReplyTimedOut = false;
    CaptureBuffer.clear();
    CaptureLength = 0;
    if (PortOpen()) VexComPort1->FlushInBuffer();

    CommandTimer->SetEnabled(true);
    SendString(CommandBuffer);
    // The echo of what was typed comes back meanwhile and is not part of the reply: it is handed
    // on (to the terminal) with the capture off, and what is left of it dropped. The port's
    // notices are served during the wait, so none of them still carries echo bytes afterwards.
    const auto echoEnd = GetTickCount() + 200;
    while (static_cast<int>(echoEnd - GetTickCount()) > 0 && !Application->Terminated()) WaitPass();
    // On the serial port the capture holds the port from before the line end on and reads the
    // reply itself: an answer that comes while the program is not running cannot be taken by the
    // terminal, nor passed over when the port window's notice waits too long.
    const bool held = PortOpen();
    if (held) {
        VexComPort1->PrepareWait();
        VexComPort1->FlushInBuffer();
    }
    CaptureOn = true;
    try {
        SendString(held ? "\r" : "\r\n");
        if (BeforeReplyWait) BeforeReplyWait();

        // n passes of 1 ms, by the clock.
        const std::uint64_t start = GetTickCount64();
        const std::uint64_t limit = PassTime(n);
        while (CaptureOn && !ReplyTimedOut) {
            if (held && PortOpen()) CaptureHeldBytes();
            if (!CaptureOn) break;
            if ((onSocket && !SocketActive()) || Application->Terminated() ||
                GetTickCount64() - start >= limit) {
                CaptureOn = false;
                ReplyTimedOut = true;
                break;
            }
            WaitPass();
        }
    } catch (...) {
        if (held) ReleaseReplyHold();
        throw;
    }
    if (held) ReleaseReplyHold();
    CommandTimer->SetEnabled(false);
}

void TQuillonForm::CaptureHeldBytes() {
    const std::string bytes = ReadPort(VexComPort1, VexComPort1->GetInBuffUsed());
    if (bytes.empty()) return;
    VxTerminal1->WriteString(bytes);
    CaptureBytes(bytes, false);
}

void TQuillonForm::CaptureBytes(const std::string& Bytes, bool OnlyExpected) {
    if (!CaptureOn) return;
    if (CaptureLength + static_cast<int>(Bytes.size()) > CaptureLimit) {
        CaptureLength = 0;
        CaptureBuffer.clear();
    }
    for (const char c : Bytes) {
        const bool prompt = OnlyExpected ? c == ExpectedPrompt : (c == NormalPrompt || c == LoaderPrompt);
        if (prompt && CaptureLength >= MinPromptIndex) {
            // The reply ends here; the rest of what was read is dropped.
            CaptureLength = 0;
            CaptureOn = false;
            return;
        }
        // A read longer than the whole buffer starts again too, so the capture stays bounded.
        if (CaptureLength >= CaptureLimit) {
            CaptureLength = 0;
            CaptureBuffer.clear();
        }
        CaptureBuffer += c;
        ++CaptureLength;
    }
}

void TQuillonForm::VexComPort1TriggerAvail(TObject*, WORD Count) {
    if (!CaptureOn) return;
    // What a flush took away since the notice is not read.
    const std::string bytes = ReadPort(VexComPort1, std::min<DWORD>(Count, VexComPort1->GetInBuffUsed()));
    if (!bytes.empty()) CaptureBytes(bytes, false);
}

// --- Time-out, keep-alive, keys -----------------------------------------------------------------

void TQuillonForm::CommandTimerTimer(TObject*) {
    CommandTimer->SetEnabled(false);
    if (SocketActive() && RetryCount < 2) {
        ++RetryCount;
        ClientSocketTryAgain(false);
        return;
    }
    if (ProgressForm) ProgressForm->AbortFlag = 1;
    LastMessage =
        "Timeout error! Connection failure! Please check RS232/Ethernet connection. Exiting script.";
    Tell(LastMessage);
    ReplyTimedOut = true;
    Application->ProcessMessages();
}

void TQuillonForm::CCHECKTimer1Timer(TObject*) {
    if (SocketActive() && !CheckingPort && KeepAliveEnabled && !CommandTimer->Enabled()) SendString("\r\n");
}

void TQuillonForm::ConnectionTimerTimer(TObject*) {
    ConnectionTimer->SetEnabled(false);
    ConnectionTimer->Tag = 1;
}

void TQuillonForm::VxTerminal1CharTyped(TObject*, char& Key) {
    CCHECKTimer1->SetEnabled(false);
    KeepAliveEnabled = false;
    if (Key == 8 && PortOpen()) {
        Key = 0;
        VexComPort1->PutChar(8);
        VexComPort1->PutChar(' ');
        VexComPort1->PutChar(8);
        return;
    }
    if (SocketActive()) {
        const char c = Key;
        Key = 0;
        SendSocketBlock(1, &c);
        VxTerminal1->WriteChar(c);
        if (c == 13) VxTerminal1->WriteChar(10);
    }
}
