// A form holding a terminal with the VT100 emulator, bound to a port whose device is the near end
// of a pseudo-terminal pair; the test plays the far end (or joins a program to it).
#pragma once

#include "communications/tests/support/TestPty.h"

#include <memory>
#include <string>

class TForm;
class TVexComPort;
class TVxTerminal;
class TVxVT100Emulator;

struct TVT100OnPty {
    TVT100OnPty(int Com, int Width, int Height);
    ~TVT100OnPty();
    // Opens the port at 9600 baud and waits until what the far end writes shows; the screen is
    // then reset. False when nothing shows.
    bool Attach();

    TPty Pty;
    std::unique_ptr<TForm> Form;
    TVexComPort* Port = nullptr;
    TVxTerminal* Term = nullptr;
    TVxVT100Emulator* Emu = nullptr;
};
