// Unit SplashUnit: the splash window, which also applies the branding chosen in the settings file
// to the program's windows.
#pragma once

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

#include <optional>
#include <string>

class TSplashForm : public TForm {
public:
    explicit TSplashForm(TComponent* AOwner);
    ~TSplashForm() override;

    TImage* NimbetImage;
    TImage* KeltImage;
    TImage* MarvethImage;

    void NimbetImageClick(TObject* Sender);
};

extern TSplashForm* SplashForm;
// The information window's caption from the branding; empty: unchanged.
extern std::string InfoCaption;

// The captions each window gets for line 23's value.
struct TBranding {
    std::string Main;
    std::string Progress;
    std::optional<std::string> Ethernet; // nullopt: unchanged
    std::string Info;
    int Splash = 0; // 0 none, 1 the first picture (600 x 400), 2 the JPEG picture (800 x 700)
};
TBranding BrandingFor(int Value);

// Puts the built-in pictures into the splash window's three images.
void LoadSplashPictures(TSplashForm* Form);
