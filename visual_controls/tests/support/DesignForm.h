// A form in the designer, for the components that behave otherwise there.
#pragma once

#include "platform/ui/Forms.h"

class TDesignForm : public TForm {
public:
    using TForm::TForm;
    void Design() {
        TComponentState s = ComponentState();
        s.Include(TComponentStateItem::csDesigning);
        SetComponentState(s);
    }
};
