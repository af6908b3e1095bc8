// The keyboard's state as the program sees it: keys held down and the toggle keys.
//
// Shift, Ctrl and Alt are read as they were for the key or mouse event being handled. The toggles
// (Num Lock, Caps Lock, Scroll Lock) follow the keys the program receives: a toggle key flips its
// state, and a key of the numeric keypad tells whether Num Lock is on (a digit) or off (a
// navigation key). A program (or a test) may set them with SetKeyboardState.
#pragma once

#include "platform/win/Types.h"

using SHORT = std::int16_t;

// High bit: the key is down; low bit: the toggle is on.
SHORT GetKeyState(int virtualKey);
// 256 bytes, one per virtual key: 0x80 down, 0x01 toggled.
BOOL GetKeyboardState(BYTE* keyState);
// Takes the toggles from the table; keys held down stay as the keyboard has them.
BOOL SetKeyboardState(const BYTE* keyState);
