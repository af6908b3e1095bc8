// Unit ClientSocketUnit: the Ethernet dialog, where the user enters the unit's address and port
// and connects.
#pragma once

#include "platform/ui/ComCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Powersock.h"
#include "platform/ui/StdCtrls.h"

class TClientSocketForm : public TForm {
public:
    explicit TClientSocketForm(TComponent* AOwner);
    ~TClientSocketForm() override;

    TLabel* IPLabel;
    TEdit* IPEdit1;
    TEdit* IPEdit2;
    TEdit* IPEdit3;
    TEdit* IPEdit4;
    TLabel* PortLabel;
    TEdit* PortNumberTxEdit;
    TButton* ConnectButton;
    TButton* DisconnectButton;
    TStatusBar* EnetStatusBar;
    TPowersock* Powersock1;

    // A connection attempt is waiting.
    bool ConnectBusy = false;

    void ConnectButtonClick(TObject* Sender);
    void DisconnectButtonClick(TObject* Sender);
    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    // Leaving an address field checks its number.
    void IPEdit1Exit(TObject* Sender);
    void IPEdit2Exit(TObject* Sender);
    void IPEdit3Exit(TObject* Sender);
    void IPEdit4Exit(TObject* Sender);
    void IPEdit4CharTyped(TObject* Sender, char& Key);
    // The button and the five fields enabled or disabled together.
    void EnableFields(bool Enable);

private:
    TEdit* NewEdit(const char* Name, int Left, int Width, int MaxLength);
    void CheckAddressField(TEdit* Edit);
    bool checkingField_ = false;
};

extern TClientSocketForm* ClientSocketForm;
