// Unit InfoUnit: the small window shown while a COM port is checked.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

class TInfoForm : public TForm {
public:
    explicit TInfoForm(TComponent* AOwner);
    ~TInfoForm() override;

    TLabel* Label1;

    void FormShow(TObject* Sender);
};

extern TInfoForm* InfoForm;
