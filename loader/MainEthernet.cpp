// The TCP link: the client socket, the Ethernet dialog's connection, reconnects and the socket's
// events.
#include "loader/ClientSocketUnit.h"
#include "loader/MainUnit.h"
#include "loader/Progress.h"

void TQuillonForm::BuildSocket() {}

void TQuillonForm::ApplyEthernetDefaults(const TLoaderDefaults&) {}

bool TQuillonForm::SocketActive() const {
    return false;
}

void TQuillonForm::SendSocketText(const std::string&) {}

bool TQuillonForm::SendSocketBlock(int, const char*) {
    return false;
}

void TQuillonForm::SetTryEnetAgainFlag(int n) {
    RetryCount = n;
}

bool TQuillonForm::ClientSocketTryAgain(bool) {
    return false;
}

void TQuillonForm::EnetConnect1Click(TObject*) {
    DisconnectRequested = false;
    if (ClientSocketForm) ClientSocketForm->Show();
}

void TQuillonForm::EnetDisconnect1Click(TObject*) {
    PickButton->SetEnabled(false);
}

void TClientSocketForm::ConnectButtonClick(TObject*) {}
void TClientSocketForm::DisconnectButtonClick(TObject*) {}
void TClientSocketForm::FormShow(TObject*) {}
void TClientSocketForm::FormClose(TObject*, TCloseAction&) {}
void TClientSocketForm::IPEditExit(TObject*) {}
void TClientSocketForm::IPEdit4CharTyped(TObject*, char&) {}
