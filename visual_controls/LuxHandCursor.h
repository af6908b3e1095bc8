// The library's pointing hand (screen cursor -255), a 32x32 monochrome cursor.
#pragma once

#include "platform/ui/Controls.h"

inline constexpr TCursor crLuxHand = -255;

// Makes the cursor; the hot spot is the tip of the finger.
HCURSOR LuxCreateHandCursor();
