#include "communications/tests/support/TerminalOnPty.h"

#include "communications/VXTerm.h"
#include "communications/VxPort.h"
#include "communications/tests/support/PumpUntil.h"
#include "platform/ui/Forms.h"

TVT100OnPty::TVT100OnPty(int Com, int Width, int Height) : Pty(Com) {
    Application->Initialize();
    Form.reset(new TForm(nullptr));
    Form->SetClientSize(Width + 20, Height + 20);
    Port = new TVexComPort(Form.get());
    Port->SetComNumber(Com);
    Port->SetBaud(9600);
    Term = new TVxTerminal(Form.get());
    Term->SetParent(Form.get());
    Term->SetBounds(0, 0, Width, Height);
    Term->tmSetComPort(Port);
    Term->tmSetUseLazyDisplay(false);
    Emu = new TVxVT100Emulator(Form.get());
    Term->tmSetEmulator(Emu);
}

TVT100OnPty::~TVT100OnPty() = default;

bool TVT100OnPty::Attach() {
    Form->Show();
    Port->SetOpen(true);
    // The terminal attaches from its message queue.
    bool attached = false;
    for (int i = 0; i < 50 && !attached; ++i) {
        Pty.Send("#");
        attached = PumpUntil([this] { return Term->tmGetLine(1).substr(0, 1) == "#"; }, 100);
    }
    if (!attached) return false;
    Pty.Send("\033c");
    PumpUntil([this] { return Term->tmGetLine(1).substr(0, 1) == " "; }, 1000);
    Pty.Drain();
    return true;
}
