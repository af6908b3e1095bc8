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

    PopUpMessageLbl = new TLuxGlyphLabel(this);
    PopUpMessageLbl->SetName("PopUpMessageLbl");
    PopUpMessageLbl->SetAutoSize(false);
    PopUpMessageLbl->SetMultiLine(true);
    PopUpMessageLbl->SetAlign(alLeft);
    PopUpMessageLbl->SetBounds(0, 0, 169, 103);
    PopUpMessageLbl->Bevel()->SetBorderWidth(3);
    PopUpMessageLbl->Bevel()->SetBorderSpace(3);
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
