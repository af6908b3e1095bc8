// Unit PopupUnit: the message window that shows the switcher's unasked messages.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

class TPopupForm : public TForm {
public:
    explicit TPopupForm(TComponent* AOwner);
    ~TPopupForm() override;

    // Stands in for the visual control library's glyph label: multi-line, on the left.
    TLabel* PopUpMessageLbl;
    TButton* OkayBtn;

    void OkayBtnClick(TObject* Sender);
};

extern TPopupForm* PopupForm;
