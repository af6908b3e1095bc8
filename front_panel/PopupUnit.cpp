#include "front_panel/PopupUnit.h"
#include "platform/ui/TypInfo.h"

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

// --- Published methods ----------------------------------------------------------------------------

namespace {

// The handlers by name, so that the form's components stream their events as their handlers' names.
const bool kMethodsPublished = [] {
    using namespace published;
    using F = TPopupForm;
    PublishMethods<F, TForm>({
        Method<&F::OkayBtnClick>("OkayBtnClick"),
    });
    return true;
}();

} // namespace
