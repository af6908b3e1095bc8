// Shared by the demonstration's tests: the application set up offscreen, and pictures as plain
// pixel arrays.
#pragma once

#include "platform/ui/Forms.h"

#include <cstdint>
#include <memory>
#include <vector>

// 0x00BBGGRR per pixel, rows from the top.
struct TPixels {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint32_t> Data;
    std::uint32_t At(int x, int y) const { return Data[static_cast<std::size_t>(y) * Width + x]; }
};

TPixels PixelsOf(TBitmap* bitmap);
// The client area of control as it paints now.
TPixels Snapshot(TWinControl* control);
// Moves the platform's clock forward and runs whatever became due.
void AdvanceClock(std::uint64_t ms);
