// The communications library's error codes: 0 for success and one constant per negative code.
// Positive codes name status texts and log captions and are used by number.
#pragma once

enum : int {
#define VX_CODE(code, name, text) ec##name = code,
#include "communications/VxMessages.def"
};
