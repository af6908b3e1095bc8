#include "communications/VxSelCom.h"

#include "communications/VxWin32.h"
#include "platform/comm/Comm.h"
#include "platform/ui/TypInfo.h"
#include "platform/win/Sync.h"

#include <string>

bool UseDispatcherForAvail = true;
bool ShowPortsInUse = true;

namespace {

// Opens the device without starting the port, so that CloseCom can close it again.
class TProbeDispatcher : public TVexWin32Dispatcher {
public:
    TProbeDispatcher() : TVexWin32Dispatcher(nullptr) {}

    bool Probe(const std::string& Name) {
        SetLastError(0);
        const int id = OpenCom(Name.c_str(), 64, 64);
        if (id < 0) return false;
        FDeviceId = id;
        CloseCom();
        return true;
    }
};

// A port that is merely in use elsewhere; one the user may not open is not available.
bool HeldElsewhere() {
    return ShowPortsInUse && GetLastError() == ERROR_SHARING_VIOLATION;
}

constexpr WORD HighestListedPort = 50;

} // namespace

bool IsPortAvailable(WORD ComNum) {
    if (ComNum == 0) return false;
    const std::string name = "\\\\.\\COM" + std::to_string(ComNum);
    if (UseDispatcherForAvail) {
        TProbeDispatcher probe;
        return probe.Probe(name) || HeldElsewhere();
    }
    const HANDLE device = OpenComm(name);
    if (device == INVALID_HANDLE_VALUE) return HeldElsewhere();
    CloseHandle(device);
    return true;
}

TComSelectForm::TComSelectForm(TComponent* AOwner) : TForm(AOwner) {
    Bevel1 = new TBevel(this);
    Label1 = new TLabel(this);
    Label2 = new TLabel(this);
    OkBtn = new TButton(this);
    AbortBtn = new TButton(this);
    PortsComboBox = new TComboBox(this);
    BeginLoading();
    SetName("ComSelectForm");
    SetCaption("Select Port");
    SetBorderStyle(bsDialog);
    SetBorderIcons(TBorderIcons{biSystemMenu});
    SetPosition(poScreenCenter);
    SetClientSize(220, 131);

    Bevel1->SetName("Bevel1");
    Bevel1->SetParent(this);
    Bevel1->SetBounds(8, 8, 204, 53);
    Label1->SetName("Label1");
    Label1->SetParent(this);
    Label1->SetCaption("The configured serial port is not valid.");
    Label1->SetBounds(16, 16, 188, 13);
    Label2->SetName("Label2");
    Label2->SetParent(this);
    Label2->SetCaption("Please choose another port.");
    Label2->SetBounds(16, 38, 188, 13);

    OkBtn->SetName("OkBtn");
    OkBtn->SetParent(this);
    OkBtn->SetCaption("OK");
    OkBtn->SetDefault(true);
    OkBtn->SetModalResult(mrOk);
    OkBtn->SetBounds(30, 98, 75, 25);
    AbortBtn->SetName("AbortBtn");
    AbortBtn->SetParent(this);
    AbortBtn->SetCaption("Cancel");
    AbortBtn->SetModalResult(mrCancel);
    AbortBtn->SetBounds(115, 98, 75, 25);

    PortsComboBox->SetName("PortsComboBox");
    PortsComboBox->SetParent(this);
    PortsComboBox->SetStyle(csDropDownList);
    PortsComboBox->SetBounds(8, 68, 204, 21);

    OnCreate = TNotifyEvent::Bind<&TComSelectForm::FormCreate>(this);
    EndLoading();
}

void TComSelectForm::FormCreate(TObject*) {
    for (WORD n = 1; n <= HighestListedPort; ++n)
        if (IsPortAvailable(n)) PortsComboBox->Items()->Add("COM" + std::to_string(n));
    const bool any = PortsComboBox->Items()->Count() > 0;
    if (any) PortsComboBox->SetItemIndex(0);
    // With nothing to choose there is nothing to confirm.
    OkBtn->SetEnabled(any);
}

std::string TComSelectForm::SelectedCom() const {
    const int index = PortsComboBox->ItemIndex();
    if (index < 0 || index >= PortsComboBox->Items()->Count()) return std::string();
    return PortsComboBox->Items()->Strings(index);
}

WORD TComSelectForm::SelectedComNum() const {
    const std::string entry = SelectedCom();
    if (entry.size() <= 3) return 0;
    DWORD n = 0;
    for (std::size_t i = 3; i < entry.size(); ++i) {
        const char c = entry[i];
        if (c < '0' || c > '9') return 0;
        n = n * 10 + static_cast<DWORD>(c - '0');
        if (n > 0xFFFF) return 0;
    }
    return static_cast<WORD>(n);
}

// --- Published methods ----------------------------------------------------------------------------

namespace {

// The dialog's handler by name, as its form names it.
const bool kMethodsPublished = [] {
    PublishMethods<TComSelectForm, TForm>({published::Method<&TComSelectForm::FormCreate>("FormCreate")});
    return true;
}();

} // namespace
