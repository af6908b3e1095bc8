#include "DemoTest.h"

#include "indicator_controls/IndicatorUnits.h"
#include "platform/gdi/Draw.h"
#include "platform/win/Clock.h"

#include <gtest/gtest.h>

namespace {

class UiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        Application->Initialize();
        InitializeIndicatorUnits();
    }
    void TearDown() override { FinalizeIndicatorUnits(); }
};

const auto* environment = ::testing::AddGlobalTestEnvironment(new UiEnvironment);

std::uint64_t clockOffset = 0;

} // namespace

TPixels PixelsOf(TBitmap* bitmap) {
    TPixels p;
    p.Width = bitmap->Width();
    p.Height = bitmap->Height();
    p.Data.reserve(static_cast<std::size_t>(p.Width) * p.Height);
    HDC dc = bitmap->Canvas()->Handle();
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x) p.Data.push_back(GetPixel(dc, x, y));
    return p;
}

TPixels Snapshot(TWinControl* control) {
    TBitmap bitmap;
    bitmap.SetSize(control->ClientWidth(), control->ClientHeight());
    control->PaintTo(bitmap.Canvas()->Handle(), 0, 0);
    return PixelsOf(&bitmap);
}

void AdvanceClock(std::uint64_t ms) {
    clockOffset += ms;
    SetClockOffsetForTesting(clockOffset);
    Application->ProcessMessages();
}
