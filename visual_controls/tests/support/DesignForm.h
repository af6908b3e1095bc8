// A form in the designer, for the components that behave otherwise there.
#pragma once

#include "platform/ui/Forms.h"

class TDesignForm : public TForm {
public:
    using TForm::TForm;
    // The form and every component it owns, now and later, are designing.
    void Design() { SetDesigning(true); }
};
