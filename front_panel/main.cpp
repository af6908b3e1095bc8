// Dorvex: the virtual front panel of the Corvane II and Halverin II switchers.
#include "front_panel/DorvexMainUnit.h"
#include "front_panel/IPAddressUnit.h"
#include "front_panel/PopupUnit.h"
#include "front_panel/SourceLabelUnit.h"

#include "indicator_controls/IndicatorUnits.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/Luxcont.h"

int main() {
    try {
        Application->Initialize();
        InitLuxclass();
        InitLuxcont();
        InitializeIndicatorUnits();
        Application->CreateForm(DorvexMainForm);
        Application->CreateForm(IPAddressForm);
        Application->CreateForm(PopupForm);
        Application->CreateForm(SourceLabelForm);
        Application->Run();
        Application->DestroyForms();
        // Lets what the forms' components posted on their way out (a packet collector freeing
        // itself) run before the program ends.
        Application->ProcessMessages();
        FinalizeIndicatorUnits();
        DoneLuxcont();
        DoneLuxclass();
    } catch (Exception& e) {
        Application->ShowException(&e);
    } catch (...) {
        Exception e("");
        Application->ShowException(&e);
    }
    return 0;
}
