// led-demo: shows the demonstration form until its window is closed.
#include "tools/led_demo/LedDemoForm.h"

int main() {
    Application->Initialize();
    Application->SetTitle("LED demo");
    TLedDemoForm* form = nullptr;
    Application->CreateForm(form);
    Application->Run();
    return 0;
}
