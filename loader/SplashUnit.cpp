#include "loader/SplashUnit.h"

#include "loader/ClientSocketUnit.h"
#include "loader/InfoUnit.h"
#include "loader/LoaderSettings.h"
#include "loader/MainUnit.h"
#include "loader/Progress.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Jpeg.h"
#include "platform/ui/ResourceBitmaps.h"
#include "platform/ui/TypInfo.h"
#include "platform/win/Resources.h"

TSplashForm* SplashForm = nullptr;
std::string InfoCaption;

TBranding BrandingFor(int Value) {
    if (Value == 0)
        return {"Marveth Pellory LLC :- Quillon", "Marveth Pellory LLC :- File Upload Progress",
                std::string("Marveth Pellory LLC :- Ethernet Connection"),
                "Marveth Pellory LLC :- Information", 1};
    if (Value == 100)
        return {"Kelt :- Quillon", "Kelt :- File Upload Progress", std::string("Kelt :- Ethernet Connection"),
                "Kelt :- Information", 2};
    return {"Quillon", "Quillon", std::nullopt, "Quillon", 0};
}

TSplashForm::TSplashForm(TComponent* AOwner) : TForm(AOwner) {
    InfoCaption.clear();
    BeginLoading();
    SetName("SplashForm");
    SetBorderStyle(bsNone);
    SetPosition(poScreenCenter);
    SetClientSize(795, 687);
    const auto newImage = [this](const char* name) {
        auto* image = new TImage(this);
        image->SetName(name);
        image->SetBounds(0, 0, 795, 687);
        image->SetStretch(true);
        image->SetParent(this);
        return image;
    };
    NimbetImage = newImage("NimbetImage");
    NimbetImage->OnClick = TNotifyEvent::Bind<&TSplashForm::NimbetImageClick>(this);
    KeltImage = newImage("KeltImage");
    MarvethImage = newImage("MarvethImage");
    LoadSplashPictures(this);
    EndLoading();

    const std::optional<std::string> bytes = ReadSettingsFile("LoaderDefault.ini");
    if (!bytes) return;
    const std::optional<int> value = ParseLoaderDefault(*bytes).Branding;
    if (!value) return;
    const TBranding brand = BrandingFor(*value);
    if (QuillonForm) QuillonForm->SetCaption(brand.Main);
    if (ProgressForm) ProgressForm->SetCaption(brand.Progress);
    if (ClientSocketForm && brand.Ethernet) ClientSocketForm->SetCaption(*brand.Ethernet);
    InfoCaption = brand.Info;
    if (InfoForm) InfoForm->SetCaption(brand.Info);
    if (brand.Splash == 0) return;
    if (brand.Splash == 1) {
        KeltImage->SetVisible(false);
        MarvethImage->SetVisible(false);
        SetClientSize(600, 400);
    } else {
        NimbetImage->SetVisible(false);
        MarvethImage->SetVisible(false);
        SetClientSize(800, 700);
    }
    for (TImage* image : {NimbetImage, KeltImage, MarvethImage})
        image->SetBounds(0, 0, ClientWidth(), ClientHeight());
    Show();
    Application->ProcessMessages();
    TQuillonForm::Delay(600);
    Application->ProcessMessages();
}

TSplashForm::~TSplashForm() {
    if (SplashForm == this) SplashForm = nullptr;
}

void TSplashForm::NimbetImageClick(TObject*) {
    Hide();
}

void LoadSplashPictures(TSplashForm* Form) {
    LoadBitmapResource(Form->NimbetImage->Picture()->Bitmap(), "NIMBET");
    TJPEGImage kelt;
    TMemoryStream bytes(ResourceBytes("KELT", RT_RCDATA));
    kelt.LoadFromStream(bytes);
    Form->KeltImage->Picture()->Assign(&kelt);
    LoadBitmapResource(Form->MarvethImage->Picture()->Bitmap(), "MARVETH");
}

// --- Published methods ----------------------------------------------------------------------------

namespace {

// The handlers by name, so that the form's components stream their events as their handlers' names.
const bool kMethodsPublished = [] {
    using namespace published;
    using F = TSplashForm;
    PublishMethods<F, TForm>({
        Method<&F::NimbetImageClick>("NimbetImageClick"),
    });
    return true;
}();

} // namespace
