// Unit Std2 of the indicator library, as far as the LED indicator needs it: the steel brush pattern
// behind a lamp with SteelLook, and the unit's start-up and shut-down that build and free it.
#pragma once

#include "platform/ui/Graphics.h"

// 8 x 8 silver with a white dot wherever x and y are both odd. Built at unit start-up and freed at
// shut-down; everyone else only reads it.
extern TBitmap* TSteel;
// One minute in day units, set at start-up.
extern long double vcCalcOffSetTime;

// Both run by themselves when the program starts and ends. Calls nest: only the first start-up
// does the work, and only the shut-down that balances it undoes it.
void InitializeStd2();
void FinalizeStd2();
