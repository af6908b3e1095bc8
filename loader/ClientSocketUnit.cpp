#include "loader/ClientSocketUnit.h"

#include "loader/MainUnit.h"
#include "platform/ui/TypInfo.h"

TClientSocketForm* ClientSocketForm = nullptr;

TClientSocketForm::TClientSocketForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetName("ClientSocketForm");
    SetCaption("Pellory Research Inc. :- Quillon - Ethernet");
    SetBorderStyle(bsToolWindow);
    SetBorderIcons({biSystemMenu});
    SetFormStyle(fsStayOnTop);
    SetPosition(poScreenCenter);
    SetClientSize(398, 102);
    OnShow = TNotifyEvent::Bind<&TClientSocketForm::FormShow>(this);
    OnClose = TCloseEvent::Bind<&TClientSocketForm::FormClose>(this);

    IPLabel = new TLabel(this);
    IPLabel->SetName("IPLabel");
    IPLabel->SetCaption("IP Address");
    IPLabel->SetLeft(8);
    IPLabel->SetTop(14);
    IPLabel->SetParent(this);
    IPEdit1 = NewEdit("IPEdit1", 72, 36, 3);
    IPEdit1->OnExit = TNotifyEvent::Bind<&TClientSocketForm::IPEdit1Exit>(this);
    IPEdit2 = NewEdit("IPEdit2", 112, 36, 3);
    IPEdit2->OnExit = TNotifyEvent::Bind<&TClientSocketForm::IPEdit2Exit>(this);
    IPEdit3 = NewEdit("IPEdit3", 152, 36, 3);
    IPEdit3->OnExit = TNotifyEvent::Bind<&TClientSocketForm::IPEdit3Exit>(this);
    IPEdit4 = NewEdit("IPEdit4", 192, 36, 3);
    IPEdit4->OnExit = TNotifyEvent::Bind<&TClientSocketForm::IPEdit4Exit>(this);
    IPEdit4->OnKeyPress = TKeyPressEvent::Bind<&TClientSocketForm::IPEdit4CharTyped>(this);
    PortLabel = new TLabel(this);
    PortLabel->SetName("PortLabel");
    PortLabel->SetCaption("Port ");
    PortLabel->SetLeft(240);
    PortLabel->SetTop(14);
    PortLabel->SetParent(this);
    PortNumberTxEdit = NewEdit("PortNumberTxEdit", 272, 48, 5);
    PortNumberTxEdit->SetText("3000");
    ConnectButton = new TButton(this);
    ConnectButton->SetName("ConnectButton");
    ConnectButton->SetCaption("Connect ");
    ConnectButton->SetBounds(328, 10, 64, 25);
    ConnectButton->OnClick = TNotifyEvent::Bind<&TClientSocketForm::ConnectButtonClick>(this);
    ConnectButton->SetParent(this);
    DisconnectButton = new TButton(this);
    DisconnectButton->SetName("DisconnectButton");
    DisconnectButton->SetCaption("Disconnect ");
    DisconnectButton->SetBounds(328, 42, 64, 25);
    DisconnectButton->SetVisible(false);
    DisconnectButton->SetTabStop(false);
    DisconnectButton->OnClick = TNotifyEvent::Bind<&TClientSocketForm::DisconnectButtonClick>(this);
    DisconnectButton->SetParent(this);
    EnetStatusBar = new TStatusBar(this);
    EnetStatusBar->SetName("EnetStatusBar");
    EnetStatusBar->SetParent(this);
    Powersock1 = new TPowersock(this);
    Powersock1->SetName("Powersock1");
    IPEdit1->SetTabOrder(0);
    IPEdit2->SetTabOrder(1);
    IPEdit3->SetTabOrder(2);
    IPEdit4->SetTabOrder(3);
    PortNumberTxEdit->SetTabOrder(4);
    ConnectButton->SetTabOrder(5);
    EndLoading();
}

TClientSocketForm::~TClientSocketForm() {
    if (ClientSocketForm == this) ClientSocketForm = nullptr;
}

TEdit* TClientSocketForm::NewEdit(const char* Name, int Left, int Width, int MaxLength) {
    auto* edit = new TEdit(this);
    edit->SetName(Name);
    edit->SetBounds(Left, 10, Width, 21);
    edit->SetMaxLength(MaxLength);
    edit->SetParent(this);
    return edit;
}

void TClientSocketForm::EnableFields(bool Enable) {
    for (TWinControl* c : std::initializer_list<TWinControl*>{ConnectButton, PortNumberTxEdit, IPEdit1,
                                                              IPEdit2, IPEdit3, IPEdit4})
        c->SetEnabled(Enable);
}

// --- Published methods ----------------------------------------------------------------------------

namespace {

// The handlers by name, so that the form's components stream their events as their handlers' names.
const bool kMethodsPublished = [] {
    using namespace published;
    using F = TClientSocketForm;
    PublishMethods<F, TForm>({
        Method<&F::ConnectButtonClick>("ConnectButtonClick"),
        Method<&F::DisconnectButtonClick>("DisconnectButtonClick"),
        Method<&F::FormShow>("FormShow"),
        Method<&F::FormClose>("FormClose"),
        Method<&F::IPEdit1Exit>("IPEdit1Exit"),
        Method<&F::IPEdit2Exit>("IPEdit2Exit"),
        Method<&F::IPEdit3Exit>("IPEdit3Exit"),
        Method<&F::IPEdit4Exit>("IPEdit4Exit"),
        Method<&F::IPEdit4CharTyped>("IPEdit4CharTyped"),
    });
    return true;
}();

} // namespace
