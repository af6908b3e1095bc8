#include "indicator_controls/Std2.h"

TBitmap* TSteel = nullptr;
long double vcCalcOffSetTime = 0;

namespace {

int Std2Counter = 0;

void BuildSteel() {
    TSteel = new TBitmap;
    TSteel->SetSize(8, 8);
    TCanvas* canvas = TSteel->Canvas();
    canvas->Brush()->SetColor(clSilver);
    canvas->FillRect(Rect(0, 0, 8, 8));
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 8; ++y)
            if (x % 2 == 1 && y % 2 == 1) canvas->SetPixels(x, y, clWhite);
}

struct TUnit {
    TUnit() { InitializeStd2(); }
    ~TUnit() { FinalizeStd2(); }
    TUnit(const TUnit&) = delete;
    TUnit& operator=(const TUnit&) = delete;
};
TUnit Unit;

} // namespace

void InitializeStd2() {
    if (Std2Counter-- != 0) return;
    BuildSteel();
    vcCalcOffSetTime = 1.0L / 1440;
}

void FinalizeStd2() {
    if (Std2Counter++ != -1) return;
    delete TSteel;
    TSteel = nullptr;
}
