#include "indicator_controls/IndicatorUnits.h"

#include "indicator_controls/Mystd.h"
#include "indicator_controls/Std2.h"
#include "indicator_controls/Vanimate.h"
#include "indicator_controls/Vhelper.h"
#include "indicator_controls/Vled.h"

void InitializeIndicatorUnits() {
    InitializeVhelper();
    InitializeMystd();
    InitializeVanimate();
    InitializeStd2();
    InitializeVled();
}

void FinalizeIndicatorUnits() {
    FinalizeVled();
    FinalizeStd2();
    FinalizeVanimate();
    FinalizeMystd();
    FinalizeVhelper();
}
