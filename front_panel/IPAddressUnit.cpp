#include "front_panel/IPAddressUnit.h"

#include "front_panel/DorvexMainUnit.h"
#include "platform/rtl/Format.h"
#include "platform/ui/Dialogs.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"

#include "platform/ui/TypInfo.h"
#include <cctype>
#include <climits>

TIPAddressForm* IPAddressForm = nullptr;

std::optional<std::array<int, 4>> ScanDottedAddress(const std::string& Text) {
    std::array<int, 4> numbers{};
    std::size_t p = 0;
    for (int n = 0; n < 4; ++n) {
        if (n > 0) {
            if (p >= Text.size() || Text[p] != '.') return std::nullopt;
            ++p;
        }
        while (p < Text.size() && std::isspace(static_cast<unsigned char>(Text[p]))) ++p;
        bool negative = false;
        if (p < Text.size() && (Text[p] == '+' || Text[p] == '-')) negative = Text[p++] == '-';
        if (p >= Text.size() || !std::isdigit(static_cast<unsigned char>(Text[p]))) return std::nullopt;
        long long value = 0;
        while (p < Text.size() && std::isdigit(static_cast<unsigned char>(Text[p]))) {
            value = value * 10 + (Text[p++] - '0');
            if (value > INT_MAX) return std::nullopt;
        }
        numbers[static_cast<std::size_t>(n)] = static_cast<int>(negative ? -value : value);
    }
    return numbers;
}

TIPAddressForm::TIPAddressForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetName("IPAddressForm");
    SetCaption("Please enter the IP Address of the Device");
    SetBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu});
    SetPosition(poMainFormCenter);
    SetClientSize(475, 201);
    OnActivate = TNotifyEvent::Bind<&TIPAddressForm::FormActivate>(this);
    OnClose = TCloseEvent::Bind<&TIPAddressForm::FormClose>(this);

    IPAddrEdit = new TLabeledEdit(this);
    IPAddrEdit->SetName("IPAddrEdit");
    IPAddrEdit->SetBounds(152, 72, 171, 21);
    IPAddrEdit->SetMaxLength(15);
    IPAddrEdit->EditLabel()->SetCaption("IP Address");
    IPAddrEdit->OnKeyUp = TKeyEvent::Bind<&TIPAddressForm::IPAddrEditKeyUp>(this);
    IPAddrEdit->SetParent(this);

    IP_OkayBtn = new TButton(this);
    IP_OkayBtn->SetName("IP_OkayBtn");
    IP_OkayBtn->SetBounds(128, 144, 89, 29);
    IP_OkayBtn->SetCaption("OK");
    IP_OkayBtn->OnClick = TNotifyEvent::Bind<&TIPAddressForm::IP_OkayBtnClick>(this);
    IP_OkayBtn->SetParent(this);

    IP_CloseBtn = new TButton(this);
    IP_CloseBtn->SetName("IP_CloseBtn");
    IP_CloseBtn->SetBounds(258, 144, 89, 29);
    IP_CloseBtn->SetCaption("Cancel");
    IP_CloseBtn->OnClick = TNotifyEvent::Bind<&TIPAddressForm::IP_CancelBtnClick>(this);
    IP_CloseBtn->SetParent(this);
    EndLoading();
}

TIPAddressForm::~TIPAddressForm() {
    if (IPAddressForm == this) IPAddressForm = nullptr;
}

void TIPAddressForm::FormActivate(TObject*) {
    IPAddrEdit->SetText(DorvexMainForm->GetIPText());
    // Typing goes to the address at once, and Enter confirms it.
    if (IPAddrEdit->CanFocus()) IPAddrEdit->SetFocus();
}

void TIPAddressForm::FormClose(TObject*, TCloseAction&) {
    TDorvexMainForm* main = DorvexMainForm;
    if (main && (!main->Link || !main->Link->Open())) IP_CancelBtnClick(this);
}

void TIPAddressForm::IPAddrEditKeyUp(TObject*, WORD& Key, TShiftState) {
    if (Key == 13) IP_OkayBtnClick(this);
}

void TIPAddressForm::IP_CancelBtnClick(TObject*) {
    TDorvexMainForm* main = DorvexMainForm;
    if (main) {
        if (main->Link) main->Link->SetOpen(false);
        main->ShutDownPanel();
    }
    Close();
}

bool TIPAddressForm::ValidateAddress() {
    const std::string text = IPAddrEdit->Text();
    const auto numbers = ScanDottedAddress(text);
    bool valid = numbers.has_value();
    if (valid)
        for (int n : *numbers) valid = valid && n >= 0 && n <= 255;
    if (!valid) {
        MessageDlg(" Invalid IP Address \"" + text + ".\" Enter a valid one and try again.", mtError, {mbOK},
                   0);
        return false;
    }
    IPAddrEdit->SetText(Format("%d.%d.%d.%d", {(*numbers)[0], (*numbers)[1], (*numbers)[2], (*numbers)[3]}));
    return true;
}

void TIPAddressForm::IP_OkayBtnClick(TObject*) {
    TDorvexMainForm* main = DorvexMainForm;
    // Enter in the edit comes here too: one connection attempt at a time.
    if (!main || !main->Link || !IP_OkayBtn->Enabled() || !ValidateAddress()) return;
    const std::string text = IPAddrEdit->Text();
    TSwitcherLink* link = main->Link.get();
    link->SetTarget(text, Format("%d", {main->GetPortNumber()}));

    // The connect event clears the tag. Cancel, or the end of the program, may free the port meanwhile.
    bool timedOut = false;
    {
        // While the attempt waits, OK is off and the wait cursor shows.
        IP_OkayBtn->SetEnabled(false);
        Screen->SetCursor(crHourGlass);
        struct TWaitEnd {
            TIPAddressForm* Form;
            ~TWaitEnd() {
                Screen->SetCursor(crDefault);
                Form->IP_OkayBtn->SetEnabled(true);
            }
        } waitEnd{this};

        link->PortTag = 1;
        link->SetOpen(true);
        const std::uint64_t start = GetTickCount64();
        while (main->Link.get() == link && link->PortTag == 1 && !Application->Terminated()) {
            if (GetTickCount64() - start >= ConnectTimeoutMs) {
                timedOut = true;
                break;
            }
            Application->ProcessMessages();
            if (main->Link.get() == link && link->PortTag == 1) WaitMessageTimeout(1);
        }
    }
    if (timedOut) {
        link->PortTag = 0;
        MessageDlg(" Device not found at IP Address \"" + text + ".\" Run program again with the correct address.",
                   mtError, {mbOK}, 0);
        if (main->Link.get() == link) link->SetOpen(false);
        return;
    }
    if (main->Link.get() != link || link->PortTag == 1) return;

    if (link->Open()) {
        main->IP_AddressLbl->SetCaption(text);
        main->SetIPText(text);
        link->PutString("Remote 0\n\r");
        link->PutString("Lockout 2\n\r");
    } else {
        MessageDlg(" Unable to connect to IP Address " + text + ". Please close application and try again.",
                   mtError, {mbOK}, 0);
    }
    Close();
}

// --- Published methods ----------------------------------------------------------------------------

namespace {

// The handlers by name, so that the form's components stream their events as their handlers' names.
const bool kMethodsPublished = [] {
    using namespace published;
    using F = TIPAddressForm;
    PublishMethods<F, TForm>({
        Method<&F::FormActivate>("FormActivate"),
        Method<&F::FormClose>("FormClose"),
        Method<&F::IP_OkayBtnClick>("IP_OkayBtnClick"),
        Method<&F::IP_CancelBtnClick>("IP_CancelBtnClick"),
        Method<&F::IPAddrEditKeyUp>("IPAddrEditKeyUp"),
    });
    return true;
}();

} // namespace
