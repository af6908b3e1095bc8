// Quillon: the firmware loader.
#include "loader/ClientSocketUnit.h"
#include "loader/InfoUnit.h"
#include "loader/MainUnit.h"
#include "loader/Progress.h"
#include "loader/SplashUnit.h"

int main() {
#ifdef QUILLON_TIME_SCALE
    // A build for tests: every pause, tick and pass count shortened alike.
    TimeScale = QUILLON_TIME_SCALE;
#endif
    try {
        Application->Initialize();
        Application->SetTitle("Quillon");
        Application->CreateForm(QuillonForm);
        Application->CreateForm(ProgressForm);
        Application->CreateForm(ClientSocketForm);
        Application->CreateForm(SplashForm);
        Application->CreateForm(InfoForm);
        Application->Run();
    } catch (Exception& e) {
        Application->ShowException(&e);
    } catch (...) {
        Exception e("");
        Application->ShowException(&e);
    }
    return 0;
}
