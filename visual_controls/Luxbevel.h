// Frames of the library's controls: the bevel settings object (a custom frame of outer bevel,
// border ring, inner bevel and inner ring; a standard frame; an edge on chosen sides; or the
// client-edge look), the small bevel settings of the shapes, and the frame painters they use.
#pragma once

#include "platform/rtl/Set.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Graphics.h"
#include "visual_controls/Luxbase.h"

#include <string>

enum TLuxBevelMode { bmCustom, bmStandard, bmEdge, bmWindows };
enum TLuxBevelStyle { bvNone, bvLowered, bvRaised, bvFrameLowered, bvFrameRaised, bvNormal, bvShadow };
enum TLuxBorderStyle {
    lsNone,
    lsSingle,
    lsLowered,
    lsRaised,
    lsRaisedspb,
    lsLoweredspb,
    lsRaisedExt,
    lsLoweredExt,
    lsFrameInset,
    lsFrameOffset,
    lsWindowBorder,
    lsSingleRaised,
    lsSingleLowered,
    lsDoubleRaised,
    lsDoubleLowered
};
enum TLuxEdgeStyle {
    etRaisedInner,
    etRaisedOuter,
    etSunkenInner,
    etSunkenOuter,
    etBump,
    etEtched,
    etRaised,
    etSunken
};
enum TLuxFrameSide { fsBottom, fsLeft, fsRight, fsTop };
using TLuxFrameSides = TSet<TLuxFrameSide>;
// Widths are kept in these ranges; a setter clamps a value outside them.
inline constexpr int LuxMaxBevelWidth = 50;
inline constexpr int LuxMaxBorderWidth = 255;
enum TLuxSimpleBevelStyle { sbNormal, sbInset, sbOffset };

class TLuxBevel : public TLuxObject {
public:
    TLuxBevel();

    TLuxBevelStyle StyleInner() const { return styleInner_; }
    void SetBevelStyleInner(TLuxBevelStyle Value);
    TLuxBevelStyle StyleOuter() const { return styleOuter_; }
    void SetBevelStyleOuter(TLuxBevelStyle Value);
    int WidthInner() const { return widthInner_; }
    void SetWidthInner(int Value);
    int WidthOuter() const { return widthOuter_; }
    void SetWidthOuter(int Value);
    // 0 BorderColor, 1 LightColor, 2 ShadowColor; another index only notifies.
    void SetColor(int Index, TColor Value);
    TColor BorderColor() const { return borderColor_; }
    TColor LightColor() const { return lightColor_; }
    TColor ShadowColor() const { return shadowColor_; }
    TLuxFrameSides BorderSides() const { return borderSides_; }
    void SetBorderSides(TLuxFrameSides Value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int Value);
    int BorderInnerWidth() const { return borderInnerWidth_; }
    void SetBorderSpace(int Value);
    TLuxEdgeStyle EdgeStyle() const { return edgeStyle_; }
    void SetEdgeStyle(TLuxEdgeStyle Value);
    TLuxBevelMode Mode() const { return mode_; }
    void SetMode(TLuxBevelMode Value);
    TLuxBorderStyle StandardStyle() const { return standardStyle_; }
    // Notifies only in standard mode.
    void SetStyle(TLuxBorderStyle Value);

    // Set by owners whose window can show the client edge itself.
    bool WindowsStyleSupport() const { return windowsSupport_; }
    void SetWindowsStyleSupport(bool Value) { windowsSupport_ = Value; }

    // The frame's width at left and top, and at right and bottom, as of the last change.
    int Extent() const { return extent_; }
    int FarExtent() const { return farExtent_; }

    void Change() override;
    int GetBevelExtend() const;
    // Whether the owner must recreate its window; clears the request.
    bool GetRecreateWnd();
    TRect ClientRect(const TRect& R) const;
    // Paints the frame inside R and answers the rectangle inside it; BorderTransparent leaves the
    // border rings unpainted.
    TRect PaintBevel(TCanvas* Canvas, const TRect& R, bool BorderTransparent);
    void Assign(const TPersistent* Source) override;
    std::string GetSetStr() override;

private:
    int FarExtend() const;
    void Ring(TCanvas* Canvas, TRect& R, int N, bool BorderTransparent) const;

    TLuxBevelStyle styleInner_ = bvNone;
    TLuxBevelStyle styleOuter_ = bvNone;
    int widthInner_ = 1;
    int widthOuter_ = 1;
    TColor borderColor_ = clBtnFace;
    TLuxFrameSides borderSides_{fsBottom, fsLeft, fsRight, fsTop};
    int borderWidth_ = 0;
    int borderInnerWidth_ = 0;
    TLuxEdgeStyle edgeStyle_ = etEtched;
    TColor lightColor_ = clBtnHighlight;
    TLuxBevelMode mode_ = bmCustom;
    TColor shadowColor_ = clBtnShadow;
    TLuxBorderStyle standardStyle_ = lsSingleLowered;
    int extent_ = 0;
    int farExtent_ = 0;
    bool windowsSupport_ = false;
    bool recreateNeeded_ = false;
};

class TLuxSimpleBevel : public TLuxObject {
public:
    TColor Color() const { return color_; }
    TColor LightColor() const { return lightColor_; }
    TColor ShadowColor() const { return shadowColor_; }
    // 0 LightColor, 1 ShadowColor, 2 Color.
    void SetColor(int Index, TColor Value);
    int Width() const { return width_; }
    void SetWidth(int Value);
    TLuxSimpleBevelStyle Style() const { return style_; }
    void SetStyle(TLuxSimpleBevelStyle Value);
    void Assign(const TPersistent* Source) override;
    std::string GetSetStr() override;

private:
    TColor color_ = clBlack;
    int width_ = 2;
    TLuxSimpleBevelStyle style_ = sbNormal;
    TColor lightColor_ = clBtnHighlight;
    TColor shadowColor_ = clBtnShadow;
};

// Frame painters. Each paints inside R and shrinks R to the rectangle inside the frame; an empty R
// is shrunk the same but nothing is painted.
bool LuxDrawFrame3D(TCanvas* Canvas, TRect& R, TLuxBevelStyle Style, TColor LightColor, TColor ShadowColor,
                    int Width);
bool LuxDrawFrameShadow(TCanvas* Canvas, TRect& R, TColor LightColor, TColor ShadowColor, TColor BorderColor,
                        unsigned char Depth, unsigned char Width, bool BorderTransparent,
                        unsigned short Reserved);
bool LuxDrawStdFrame(TCanvas* Canvas, TRect& R, TLuxBorderStyle Style, unsigned short Flags);
// The width of a standard frame.
int LuxDrawStdFrameExt(TLuxBorderStyle Style);
// With the canvas pen: left and top in TopLeftColor, right and bottom in BottomRightColor.
void LuxDrawBorder(TCanvas* Canvas, const TRect& R, TColor TopLeftColor, TColor BottomRightColor);
int LuxGetCtrlBorderWidth(bool Ctl3D, TFormBorderStyle BorderStyle);
