// The saw-tooth side of a shape: how many teeth, on which side, and their size.
#pragma once

#include "visual_controls/Luxbase.h"

enum TLuxDirection : unsigned char { tdRight, tdDown, tdLeft, tdUp };
// 0 .. 50
using TLuxTeethCount = unsigned char;
inline constexpr int LuxMaxTeethCount = 50;

class TLuxTeeth : public TLuxObject {
public:
    TLuxTeethCount Count() const { return count_; }
    // Clamped to 0 .. 50.
    void SetCount(int Value);
    TLuxDirection Direction() const { return direction_; }
    void SetDirection(TLuxDirection Value);
    bool Offset() const { return offset_; }
    bool SetPerCount() const { return setPerCount_; }
    // 0 Offset, 1 SetPerCount; another index only notifies.
    void SetBoolean(int Index, bool Value);
    int Width() const { return width_; }
    int Height() const { return height_; }
    // 0 Width, 1 Height; another index only notifies.
    void SetInteger(int Index, int Value);
    void Assign(const TPersistent* Source) override;

private:
    TLuxTeethCount count_ = 10;
    TLuxDirection direction_ = tdRight;
    bool offset_ = true;
    bool setPerCount_ = true;
    int width_ = 10;
    int height_ = 0;
};
