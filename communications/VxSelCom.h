// Whether a serial port can be opened, and the dialog in which the user picks one when a port
// component has none.
#pragma once

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/win/Types.h"

#include <string>

// Probe through a serial dispatcher's open rather than a plain open of the device.
extern bool UseDispatcherForAvail;
// A port that exists but is held by someone else counts as available.
extern bool ShowPortsInUse;

// True when COM n opens (it is closed again at once); 0 is never available.
bool IsPortAvailable(WORD ComNum);

// "Select Port": the available ports among COM1 to COM50, the first one chosen. With none found,
// OK cannot be pressed.
class TComSelectForm : public TForm {
public:
    explicit TComSelectForm(TComponent* AOwner);

    TBevel* Bevel1;
    TLabel* Label1;
    TLabel* Label2;
    TButton* OkBtn;
    TButton* AbortBtn;
    TComboBox* PortsComboBox;

    void FormCreate(TObject* Sender);
    // The chosen entry ("COM3"), empty when there is none.
    std::string SelectedCom() const;
    // The number in the chosen entry, 0 when there is none.
    WORD SelectedComNum() const;
};
