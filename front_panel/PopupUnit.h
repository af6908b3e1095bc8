// Unit PopupUnit: the message window that shows the switcher's unasked messages.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "visual_controls/Luxlabel.h"

class TPopupForm : public TForm {
public:
    explicit TPopupForm(TComponent* AOwner);
    ~TPopupForm() override;

    // Multi-line, on the left of the window.
    TLuxGlyphLabel* PopUpMessageLbl;
    TButton* OkayBtn;

    void OkayBtnClick(TObject* Sender);
};

extern TPopupForm* PopupForm;
