// The drop shadow settings of the shapes.
#pragma once

#include "visual_controls/Luxbase.h"

#include <string>

enum TLuxShadowStyle : unsigned char { hssNone, hssSolid, hssTracing };
// 0 .. 40
using TLuxShadowDepth = unsigned char;
inline constexpr int LuxMaxShadowDepth = 40;

class TLuxShadow : public TLuxObject {
public:
    TColor Color() const { return color_; }
    void SetColor(TColor Value);
    TLuxShadowDepth Depth() const { return depth_; }
    // Clamped to 0 .. 40.
    void SetDepth(int Value);
    TLuxShadowStyle Style() const { return style_; }
    void SetStyle(TLuxShadowStyle Value);
    void Assign(const TPersistent* Source) override;
    // "{Disabled}", or "{solid, 6}" / "{tracing, 6}".
    std::string GetSetStr() override;

private:
    TColor color_ = clBtnShadow;
    TLuxShadowDepth depth_ = 6;
    TLuxShadowStyle style_ = hssSolid;
};
