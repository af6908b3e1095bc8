// The TCP link: the client socket and its events, the Ethernet dialog's connection, reconnects,
// sends that take every byte or report the failure, and the dialog's fields.
#include "loader/ClientSocketUnit.h"
#include "loader/MainUnit.h"
#include "loader/Progress.h"

#include "platform/rtl/Strings.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"
#include "platform/win/Sync.h"
#include "platform/winsock/Winsock.h"

#include <algorithm>
#include <cstring>

namespace {

// Passes without a byte taken after which a send gives up (as a time: see PassTime).
constexpr int StalledSendPasses = 15000;

// Counts the socket's error events: a send during which one came has lost its connection, even
// when the handler has opened a new one meanwhile.
int SocketErrors = 0;

} // namespace

void TQuillonForm::BuildSocket() {
    ClientSocket1 = new TClientSocket(this);
    ClientSocket1->SetName("ClientSocket1");
    ClientSocket1->OnConnect = TSocketNotifyEvent::Bind<&TQuillonForm::ClientSocket1Connect>(this);
    ClientSocket1->OnRead = TSocketNotifyEvent::Bind<&TQuillonForm::ClientSocket1Read>(this);
    ClientSocket1->OnError = TSocketErrorEvent::Bind<&TQuillonForm::ClientSocket1Error>(this);
}

void TQuillonForm::ApplyEthernetDefaults(const TLoaderDefaults& Defaults) {
    if (!ClientSocketForm) return;
    if (Defaults.Address) {
        TEdit* edits[] = {ClientSocketForm->IPEdit1, ClientSocketForm->IPEdit2, ClientSocketForm->IPEdit3,
                          ClientSocketForm->IPEdit4};
        for (int i = 0; i < 4; ++i)
            edits[i]->SetText(IntToStr((*Defaults.Address)[static_cast<std::size_t>(i)]));
    }
    if (Defaults.Port) ClientSocketForm->PortNumberTxEdit->SetText(IntToStr(*Defaults.Port));
}

bool TQuillonForm::SocketActive() const {
    return ClientSocket1 && ClientSocket1->Active();
}

void TQuillonForm::SendSocketText(const std::string& Text) {
    if (!SocketActive() && ClientSocketForm) ClientSocketForm->ConnectButtonClick(this);
    if (SocketActive()) SendSocketBlock(static_cast<int>(Text.size()), Text.data());
}

bool TQuillonForm::SendSocketBlock(int Length, const char* Data) {
    int sent = 0;
    const int errors = SocketErrors;
    const std::uint64_t stalled = PassTime(StalledSendPasses);
    std::uint64_t lastProgress = GetTickCount64();
    while (sent < Length) {
        // The rest of the bytes never goes over a connection opened after a failure: the peer
        // there did not get the first part.
        if (!SocketActive() || SocketErrors != errors || Application->Terminated()) return false;
        const int n = ClientSocket1->Socket()->SendBuf(Data + sent, Length - sent);
        if (n > 0) {
            sent += n;
            lastProgress = GetTickCount64();
            continue;
        }
        if (SocketErrors != errors) return false;
        // It would block: wait for room, but not for ever.
        if (GetTickCount64() - lastProgress > stalled) return false;
        Sleep(1);
        Application->ProcessMessages();
    }
    return true;
}

void TQuillonForm::SetTryEnetAgainFlag(int n) {
    RetryCount = n;
}

bool TQuillonForm::ClientSocketTryAgain(bool Reset) {
    EnetDisconnect1Click(this);
    Delay(200);
    // The disconnect just made is not the user's: the connect below must wait for its answer.
    DisconnectRequested = false;
    if (ClientSocketForm) ClientSocketForm->ConnectButtonClick(this);
    Application->ProcessMessages();
    if (!SocketActive()) return false;
    enable_btns();
    Delay(900);
    if (!CommandBuffer.empty()) SendString(CommandBuffer);
    SendString("\r\n");
    if (Reset) RetryCount = 0;
    return true;
}

void TQuillonForm::ClientSocket1Read(TObject*, TCustomWinSocket* Socket) {
    // Always read: the next notice comes only after a read, whatever the length said.
    const int length = std::max(Socket->ReceiveLength(), 4096);
    std::string bytes(static_cast<std::size_t>(length), '\0');
    const int got = Socket->ReceiveBuf(bytes.data(), length);
    if (got <= 0) return;
    bytes.resize(static_cast<std::size_t>(got));
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (CaptureOn) {
            // The capture takes the rest of this read; bytes after its prompt are dropped.
            CaptureBytes(bytes.substr(i), true);
            return;
        }
        const char c = bytes[i++];
        if (c == 8) {
            VxTerminal1->WriteChar(' ');
            VxTerminal1->WriteChar(8);
        } else {
            VxTerminal1->WriteChar(c);
        }
    }
}

void TQuillonForm::ClientSocket1Error(TObject*, TCustomWinSocket*, TErrorEvent, int& ErrorCode) {
    ++SocketErrors;
    // A connection lost in the middle of a transfer took part of the body with it: a reconnect
    // cannot give the unit the rest, so the upload stops.
    if (!NoUploadRunning && ProgressForm) ProgressForm->AbortFlag = 1;
    if (InErrorHandler) {
        ErrorCode = 0;
        ClientSocketTryAgain(false);
    } else {
        InErrorHandler = true;
        if (RetryCount != 0 || DisconnectRequested) {
            ClientSocket1->Tag = 0;
            ErrorCode = 0;
            const bool stillActive = SocketActive();
            EnetDisconnect1Click(this);
            if (ProgressForm) ProgressForm->AbortFlag = 1;
            Tell(stillActive ? "Error! Connection to server lost"
                             : "Error! Cannot connect to server/lost connection.");
        } else {
            CommandTimer->SetEnabled(false);
            Application->ProcessMessages();
            Delay(600);
            Application->ProcessMessages();
            Delay(600);
            Application->ProcessMessages();
            Delay(100);
            RetryCount = 1;
            if (ClientSocketTryAgain(true)) {
                ErrorCode = 0;
            } else {
                ClientSocket1->Tag = 0;
                ErrorCode = 0;
                const bool stillActive = SocketActive();
                EnetDisconnect1Click(this);
                Tell(stillActive
                         ? "Error! Connection to server lost"
                         : "Error! Cannot connect to server/lost connection. Verify IP Address and Port #");
            }
        }
        InErrorHandler = false;
    }
    if (CaptureOn || CommandTimer->Enabled()) ReplyTimedOut = true;
}

void TQuillonForm::ClientSocket1Connect(TObject*, TCustomWinSocket*) {
    if (RetryCount == 0) VxTerminal1->ClearAll();
    VxTerminal1->SetEnabled(true);
    if (VxTerminal1->CanFocus()) VxTerminal1->SetFocus();
    ClientSocket1->Tag = 0;
    SetStatusText("Connection established. Verifying prompt....");
    CheckingPort = true;
    try {
        if (!SendCOMCmd_GetPrompt("\r\n")) {
            SetExpectedPrompt(ExpectedPrompt == NormalPrompt ? LoaderPrompt : NormalPrompt);
            SendCOMCmd_GetPrompt("\r\n");
        }
    } catch (const Exception&) {
        Tell("Note: Ethernet connection not responding.");
    }
    CheckingPort = false;
    SetStatusText("Connect via Ethernet successful");
    if (RetryCount == 0) enable_btns();
    ConfigMenu->SetEnabled(false);
    EnetConnect1->SetEnabled(false);
    EthernetCheckBox->SetChecked(true);
}

void TQuillonForm::EnetConnect1Click(TObject*) {
    DisconnectRequested = false;
    if (ClientSocketForm) ClientSocketForm->Show();
}

void TQuillonForm::EnetDisconnect1Click(TObject*) {
    PickButton->SetEnabled(false);
    if (!SocketActive() && EnetConnect1->Enabled()) return;
    DisconnectRequested = true;
    CaptureOn = false;
    CommandTimer->SetEnabled(false);
    ClientSocket1->Close();
    SetStatusText("Ethernet connection closed");
    disable_btns();
    ConfigMenu->SetEnabled(true);
    EnetConnect1->SetEnabled(true);
    if (ClientSocketForm) ClientSocketForm->EnableFields(true);
    EthernetCheckBox->SetChecked(false);
    ClientSocket1->SetActive(false);
    if (ProgressForm) ProgressForm->HideProgressForm();
    Screen->SetCursor(crDefault);
}

// --- The Ethernet dialog ----------------------------------------------------------------------

void TClientSocketForm::FormShow(TObject*) {
    try {
        EnetStatusBar->SetSimpleText("Note: Computer's IP Addr = " + Powersock1->GetLocalIP());
    } catch (const Exception&) {
        QuillonForm->Tell("Error! Invalid IP Address / Port #");
        if (PortNumberTxEdit->CanFocus()) PortNumberTxEdit->SetFocus();
    }
    if (IPEdit1->CanFocus()) IPEdit1->SetFocus();
}

void TClientSocketForm::ConnectButtonClick(TObject*) {
    TQuillonForm* main = QuillonForm;
    // Passes spent waiting for a connect already under way count towards this one's limit.
    int passes = 0;
    while (ConnectBusy) {
        Sleep(100);
        Application->ProcessMessages();
        if (++passes >= 7) return;
    }
    ConnectBusy = true;
    Screen->SetCursor(crHourGlass);
    TClientSocket* socket = main->ClientSocket1;
    if (socket->Active()) {
        Screen->SetCursor(crDefault);
        ConnectBusy = false;
        return;
    }
    try {
        const int port = StrToInt(Trim(PortNumberTxEdit->Text()));
        if (port >= 65536) {
            main->Tell("Error! Port # must be less than 65535");
            if (PortNumberTxEdit->CanFocus()) PortNumberTxEdit->SetFocus();
        } else {
            socket->SetAddress(IPEdit1->Text() + "." + IPEdit2->Text() + "." + IPEdit3->Text() + "." +
                               IPEdit4->Text());
            socket->SetPort(port);
            socket->Tag = 1;
            main->SetStatusText("Attempting Ethernet connection. Please wait....");
            socket->Open();
            EnableFields(false);
            main->ConnectionTimer->Tag = 0;
            main->ConnectionTimer->SetEnabled(true);
            Application->ProcessMessages();
            // The connect ends by its event, by the user's disconnect, or by the clock: 14000
            // passes, less those spent waiting above, each standing for 1 ms.
            const std::uint64_t start = GetTickCount64();
            const std::uint64_t limit = TQuillonForm::PassTime(14000 - passes);
            while (socket->Tag == 1 && !main->DisconnectRequested && !socket->Active()) {
                if (GetTickCount64() - start > limit || main->ConnectionTimer->Tag == 1 ||
                    Application->Terminated()) {
                    main->ConnectionTimer->SetEnabled(false);
                    DisconnectButtonClick(this);
                    main->Tell("Error! Cannot connect to server. Check IP Address");
                    main->EthernetCheckBox->SetChecked(false);
                    socket->Tag = 0;
                    RetryCount = 0;
                    break;
                }
                Sleep(1);
                Application->ProcessMessages();
            }
            main->ConnectionTimer->SetEnabled(false);
        }
    } catch (const Exception&) {
        main->Tell("Error! Invalid IP Address / Port #");
        if (PortNumberTxEdit->CanFocus()) PortNumberTxEdit->SetFocus();
    }
    Screen->SetCursor(crDefault);
    if (socket->Active()) {
        Hide();
        main->ConnectionMode = 1;
    }
    ConnectBusy = false;
    main->VxTerminal1->ClearAll();
}

void TClientSocketForm::DisconnectButtonClick(TObject*) {
    QuillonForm->ClientSocket1->Close();
    EnableFields(true);
}

void TClientSocketForm::FormClose(TObject*, TCloseAction& Action) {
    if (QuillonForm && QuillonForm->ClientSocket1->Tag == 1) Action = caNone;
}

void TClientSocketForm::IPEdit1Exit(TObject*) {
    CheckAddressField(IPEdit1);
}

void TClientSocketForm::IPEdit2Exit(TObject*) {
    CheckAddressField(IPEdit2);
}

void TClientSocketForm::IPEdit3Exit(TObject*) {
    CheckAddressField(IPEdit3);
}

void TClientSocketForm::IPEdit4Exit(TObject*) {
    CheckAddressField(IPEdit4);
}

void TClientSocketForm::CheckAddressField(TEdit* edit) {
    // Focusing a bad field again leaves another one: its own check waits, or two bad fields would
    // pull the focus back and forth for ever.
    if (checkingField_) return;
    int value = 0;
    const char* message = nullptr;
    if (!TryStrToInt(Trim(edit->Text()), value))
        message = "Error! Invalid IP Address";
    else if (value >= 256)
        message = "Error! Number must be between 0 - 255";
    if (!message) return;
    checkingField_ = true;
    QuillonForm->Tell(message);
    if (edit->CanFocus()) edit->SetFocus();
    checkingField_ = false;
}

void TClientSocketForm::IPEdit4CharTyped(TObject*, char& Key) {
    if (Key == 13) ConnectButtonClick(this);
}
