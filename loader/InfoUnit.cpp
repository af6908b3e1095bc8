#include "loader/InfoUnit.h"

#include "loader/SplashUnit.h"
#include "platform/ui/TypInfo.h"

TInfoForm* InfoForm = nullptr;

TInfoForm::TInfoForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetName("InfoForm");
    SetCaption("Information");
    SetBorderStyle(bsSingle);
    SetBorderIcons({});
    SetFormStyle(fsStayOnTop);
    SetPosition(poDesktopCenter);
    SetClientSize(472, 52);
    OnShow = TNotifyEvent::Bind<&TInfoForm::FormShow>(this);
    Label1 = new TLabel(this);
    Label1->SetName("Label1");
    Label1->SetAutoSize(false);
    Label1->SetAlignment(taCenter);
    Label1->SetLayout(tlCenter);
    Label1->SetBounds(0, 0, 472, 52);
    Label1->Font()->SetStyle({fsBold});
    Label1->Font()->SetHeight(-16);
    Label1->SetCaption("Checking COM Ports Please wait....");
    Label1->SetParent(this);
    EndLoading();
    // The branding was read before this window existed.
    if (!InfoCaption.empty()) SetCaption(InfoCaption);
    Application->ProcessMessages();
}

TInfoForm::~TInfoForm() {
    if (InfoForm == this) InfoForm = nullptr;
}

void TInfoForm::FormShow(TObject*) {
    Application->ProcessMessages();
}

// --- Published methods ----------------------------------------------------------------------------

namespace {

// The handlers by name, so that the form's components stream their events as their handlers' names.
const bool kMethodsPublished = [] {
    using namespace published;
    using F = TInfoForm;
    PublishMethods<F, TForm>({
        Method<&F::FormShow>("FormShow"),
    });
    return true;
}();

} // namespace
