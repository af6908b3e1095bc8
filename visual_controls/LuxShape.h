// The settings of a geometric shape: outline kind, rounding, the small bevel, the fill brush and the
// drop shadow.
#pragma once

#include "visual_controls/LuxShadow.h"
#include "visual_controls/Luxbase.h"
#include "visual_controls/Luxbevel.h"

enum TLuxShapeType : unsigned char {
    stEllipse,
    stRectangle,
    stRoundRect,
    stDirectUp,
    stDirectRight,
    stDirectDown,
    stDirectLeft,
    stDiamond,
    stComb,
    stOctagon,
    stStar
};
// 0 .. 100
using TLuxPercent = unsigned char;

class TLuxShape : public TLuxObject {
public:
    TLuxShape();
    ~TLuxShape() override;
    TLuxShape(const TLuxShape&) = delete;
    TLuxShape& operator=(const TLuxShape&) = delete;

    TLuxSimpleBevel* Bevel() const { return bevel_; }
    void SetBevel(const TLuxSimpleBevel* Value) { bevel_->Assign(Value); }
    TBrush* Brush() const { return brush_; }
    void SetBrush(const TBrush* Value) { brush_->Assign(Value); }
    TLuxShadow* Shadow() const { return shadow_; }
    void SetShadow(const TLuxShadow* Value) { shadow_->Assign(Value); }
    TLuxPercent RoundPercent() const { return roundPercent_; }
    // Clamped to 0 .. 100.
    void SetRoundPercent(int Value);
    TLuxShapeType Shape() const { return shape_; }
    void SetShape(TLuxShapeType Value);
    bool Square() const { return square_; }
    void SetSquare(bool Value);

private:
    TLuxSimpleBevel* bevel_;
    TBrush* brush_;
    TLuxPercent roundPercent_ = 33;
    TLuxShadow* shadow_;
    TLuxShapeType shape_ = stRectangle;
    bool square_ = false;
};
