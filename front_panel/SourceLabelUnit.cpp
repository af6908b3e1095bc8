#include "front_panel/SourceLabelUnit.h"
#include "platform/ui/TypInfo.h"

TSourceLabelForm* SourceLabelForm = nullptr;

TSourceLabelForm::TSourceLabelForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetName("SourceLabelForm");
    SetCaption("Rename Source Label");
    SetBorderStyle(bsDialog);
    SetBorderIcons({});
    SetPosition(poOwnerFormCenter);
    SetClientSize(190, 110);
    OnActivate = TNotifyEvent::Bind<&TSourceLabelForm::FormActivate>(this);

    SourceLabel = new TLabel(this);
    SourceLabel->SetName("SourceLabel");
    SourceLabel->SetBounds(24, 16, 80, 13);
    SourceLabel->SetCaption("Source");
    SourceLabel->SetParent(this);

    LabelEdit = new TEdit(this);
    LabelEdit->SetName("LabelEdit");
    LabelEdit->SetBounds(24, 36, 65, 21);
    LabelEdit->SetMaxLength(3);
    LabelEdit->OnKeyUp = TKeyEvent::Bind<&TSourceLabelForm::LabelEditKeyUp>(this);
    LabelEdit->SetParent(this);

    OKButton = new TButton(this);
    OKButton->SetName("OKButton");
    OKButton->SetBounds(100, 72, 75, 25);
    OKButton->SetCaption("OK");
    OKButton->OnClick = TNotifyEvent::Bind<&TSourceLabelForm::OKButtonClick>(this);
    OKButton->SetParent(this);
    EndLoading();
}

TSourceLabelForm::~TSourceLabelForm() {
    if (SourceLabelForm == this) SourceLabelForm = nullptr;
}

void TSourceLabelForm::FormActivate(TObject*) {
    LabelEdit->AutoSelect = true;
    if (LabelEdit->CanFocus()) LabelEdit->SetFocus();
}

void TSourceLabelForm::LabelEditKeyUp(TObject*, WORD& Key, TShiftState) {
    if (Key != 13) return;
    if (OKButton->CanFocus()) OKButton->SetFocus();
    Close();
}

void TSourceLabelForm::OKButtonClick(TObject*) {
    Close();
}

// --- Published methods ----------------------------------------------------------------------------

namespace {

// The handlers by name, so that the form's components stream their events as their handlers' names.
const bool kMethodsPublished = [] {
    using namespace published;
    using F = TSourceLabelForm;
    PublishMethods<F, TForm>({
        Method<&F::FormActivate>("FormActivate"),
        Method<&F::LabelEditKeyUp>("LabelEditKeyUp"),
        Method<&F::OKButtonClick>("OKButtonClick"),
    });
    return true;
}();

} // namespace
