// The indicator library's five units start here, in this order, and end in the reverse: Vhelper,
// Mystd, Vanimate, Std2, Vled. Each start-up and shut-down is counted, so calling these again only
// counts. A program that uses the library starts them once, after Application->Initialize and
// before its first form, and ends them after its last form is gone.
#pragma once

void InitializeIndicatorUnits();
void FinalizeIndicatorUnits();
