// led-demo: shows the demonstration form until its window is closed.
#include "tools/led_demo/LedDemoForm.h"

#include "indicator_controls/IndicatorUnits.h"

int main() {
    Application->Initialize();
    InitializeIndicatorUnits();
    Application->SetTitle("LED demo");
    TLedDemoForm* form = nullptr;
    Application->CreateForm(form);
    Application->Run();
    Application->DestroyForms();
    FinalizeIndicatorUnits();
    return 0;
}
