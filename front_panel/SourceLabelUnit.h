// Unit SourceLabelUnit: the dialog that renames a source key's label.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

class TSourceLabelForm : public TForm {
public:
    explicit TSourceLabelForm(TComponent* AOwner);
    ~TSourceLabelForm() override;

    TLabel* SourceLabel;
    TEdit* LabelEdit;
    TButton* OKButton;

    void FormActivate(TObject* Sender);
    void LabelEditKeyUp(TObject* Sender, WORD& Key, TShiftState Shift);
    void OKButtonClick(TObject* Sender);
};

extern TSourceLabelForm* SourceLabelForm;
