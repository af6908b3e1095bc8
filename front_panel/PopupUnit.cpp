#include "front_panel/PopupUnit.h"

TPopupForm* PopupForm = nullptr;

TPopupForm::TPopupForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetName("PopupForm");
    SetCaption("Message from the Corvane II");
    SetBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu});
    SetPosition(poMainFormCenter);
    SetClientSize(295, 103);

    PopUpMessageLbl = new TLabel(this);
    PopUpMessageLbl->SetName("PopUpMessageLbl");
    PopUpMessageLbl->SetAutoSize(false);
    PopUpMessageLbl->SetWordWrap(true);
    PopUpMessageLbl->SetAlign(alLeft);
    PopUpMessageLbl->SetBounds(0, 0, 169, 103);
    PopUpMessageLbl->SetLayout(tlCenter);
    PopUpMessageLbl->SetCaption("");
    PopUpMessageLbl->SetParent(this);

    OkayBtn = new TButton(this);
    OkayBtn->SetName("OkayBtn");
    OkayBtn->SetBounds(196, 39, 75, 25);
    OkayBtn->SetCaption("OK");
    OkayBtn->OnClick = TNotifyEvent::Bind<&TPopupForm::OkayBtnClick>(this);
    OkayBtn->SetParent(this);
    EndLoading();
}

TPopupForm::~TPopupForm() {
    if (PopupForm == this) PopupForm = nullptr;
}

void TPopupForm::OkayBtnClick(TObject*) {
    Close();
}
