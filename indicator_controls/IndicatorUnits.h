// The indicator library's five units start here, in this order, and end in the reverse: Vhelper,
// Mystd, Vanimate, Std2, Vled. Each start-up and shut-down is counted, so calling these again only
// counts.
#pragma once

void InitializeIndicatorUnits();
void FinalizeIndicatorUnits();
