// Unit IPAddressUnit: the dialog that asks for the switcher's address, opens the TCP port and
// waits for the connection. Closing it without a connection ends the program.
#pragma once

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class TIPAddressForm : public TForm {
public:
    explicit TIPAddressForm(TComponent* AOwner);
    ~TIPAddressForm() override;

    TLabeledEdit* IPAddrEdit;
    TButton* IP_OkayBtn;
    TButton* IP_CloseBtn;

    void FormActivate(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void IP_OkayBtnClick(TObject* Sender);
    void IP_CancelBtnClick(TObject* Sender);
    void IPAddrEditKeyUp(TObject* Sender, WORD& Key, TShiftState Shift);
    // Rewrites the edit's address in its plain form; false (after telling the user) when it is not
    // four numbers from 0 to 255.
    bool ValidateAddress();

    // How long a connection attempt may wait for its connect event before the device counts as not
    // found, in milliseconds.
    std::uint64_t ConnectTimeoutMs = 10000;
};

extern TIPAddressForm* IPAddressForm;

// The four numbers at the start of Text read as "%d.%d.%d.%d" reads them (blanks before a number
// and a sign are allowed, anything after the fourth number is ignored); nullopt when Text does not
// start so, or a number does not fit an int.
std::optional<std::array<int, 4>> ScanDottedAddress(const std::string& Text);
