// Unit Vanimate: the library's pixel work. TvFastBmp is a 24-bit top-down DIB section reached
// through a table of row pointers, with in-place filters; the free functions copy a TBitmap into
// one, work there and draw the result back. TvDesktop is a canvas on the screen; TvResBitmap a
// bitmap from the program's built-in resources. The controls: TvBitmap draws a bitmap, TvAnimated
// shows it as a strip of frames on a timer, TvDivider is a 3-D line and TvFrame a bevelled frame.
#pragma once

#include "platform/gdi/Bitmap.h"
#include "platform/ui/Controls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Graphics.h"

#include <cstdint>
#include <string>
#include <vector>

class TvFastBmp : public TObject {
public:
    TvFastBmp(int W, int H);
    explicit TvFastBmp(TBitmap* Bitmap);
    ~TvFastBmp() override;
    TvFastBmp(const TvFastBmp&) = delete;
    TvFastBmp& operator=(const TvFastBmp&) = delete;

    void SetPixel(int X, int Y, TColor Color);
    // -1 outside the bitmap, else 0x00BBGGRR.
    TColor GetPixel(int X, int Y) const;
    // Width x 3 bytes, blue, green, red.
    void SetLine(int Row, const void* Data);
    void GetScanLine(int Row, void* Dest) const;
    std::uint8_t* GetLine(int Row) const { return Rows[static_cast<std::size_t>(Row)]; }
    void Draw(TCanvas* Canvas, int X, int Y);

    void ColorNoise(int N);
    void BWNoise(int N);
    void Saturation(int A);
    void Contrast(int A);
    void Sharpen(int A);
    void Blur(int N);
    void GaussianBlur(int N);

    int Width = 0;
    int Height = 0;
    int Size = 0;
    // Bytes per row: Width x 3 rounded up to a multiple of 4.
    int Stride = 0;
    std::uint8_t* Bits = nullptr;
    std::vector<std::uint8_t*> Rows;
    BITMAPINFO bmInfo{};
    HBITMAP Handle = nullptr;

private:
    void Allocate(int W, int H);
    void DoCalcLines();
};

// The amount Darken and Lighten move each channel: Percent x 2.55, halves to even.
int PercentToLevel(std::uint8_t Percent);

void DarkenBMP(TBitmap* Bitmap, std::uint8_t Percent, bool UseTransparent, TColor TransparentColor);
void LightenBMP(TBitmap* Bitmap, std::uint8_t Percent, bool UseTransparent, TColor TransparentColor);
void GreyBMP(TBitmap* Bitmap, bool UseTransparent, TColor TransparentColor);
// Kind 0 sparse dots, 1 checkerboard, 2 dot clusters; other kinds paint nothing.
void RasterBMP(TBitmap* Bitmap, TColor Color, int Kind);
void AddColorNoise(TBitmap* Bitmap, int N);
void AddBWNoise(TBitmap* Bitmap, int N);
void Contrast(TBitmap* Bitmap, int N);
void Saturation(TBitmap* Bitmap, int N);
void Sharpen(TBitmap* Bitmap, int N);
void Blur(TBitmap* Bitmap, int N);
void GaussianBlur(TBitmap* Bitmap, int N);
// Angle in degrees about the centres; Dest pixels that receive nothing keep their content.
void BMPRotate(TBitmap* Source, TBitmap* Dest, double Angle);
void FlipBMP(TBitmap* Bitmap);
void MirrorBMP(TBitmap* Bitmap);
// OldColor pixels become NewColor.
void ReplaceColor(TBitmap* Bitmap, TColor OldColor, TColor NewColor);
// A filled, outlined ellipse about (X, Y), turned by Angle radians, with the canvas pen and brush:
// eight Bezier arcs of 45 degrees each.
void DrawEllipse(TCanvas* Canvas, int X, int Y, int RadiusX, int RadiusY, double Angle);
// Draws Bitmap at (X, Y); its TransparentColor pixels leave the canvas showing.
void TransparentBlt(TCanvas* Canvas, TBitmap* Bitmap, int X, int Y, TColor TransparentColor);

// A canvas on the screen.
class TvDesktop : public TCanvas {
public:
    TvDesktop();
    // A canvas on the window whose top-left corner stands at (Left, Top) on the screen, taking
    // screen coordinates as the screen's canvas does.
    TvDesktop(HWND Window, int Left, int Top);
    ~TvDesktop() override;
    TvDesktop(const TvDesktop&) = delete;
    TvDesktop& operator=(const TvDesktop&) = delete;

    int gWidth();
    int gHeight();

private:
    HDC FDC = nullptr;
    HWND window_ = 0;
};

// A built-in bitmap resource; a missing one raises EInvalidGraphic, as an unreadable bitmap does.
class TvResBitmap : public TBitmap {
public:
    explicit TvResBitmap(const std::string& ResourceName);
};

// --- Bitmap, animation, divider and frame controls ---------------------------------------------------


enum vcBitmapDraw { bdDrawNormal, bdDrawStretch, bdDrawCenter };

// A windowless control holding a bitmap, drawn opaque or leaving out one colour: with
// RealTransparent the parent shows through there, otherwise the control's Color does. The colour
// left out is TransparentColor, or with AutoBackColor the bitmap's bottom-left pixel. The effect
// methods change the bitmap itself and repaint.
class TvcCustomBitmap : public TGraphicControl {
public:
    explicit TvcCustomBitmap(TComponent* AOwner);
    ~TvcCustomBitmap() override;
    TvcCustomBitmap(const TvcCustomBitmap&) = delete;
    TvcCustomBitmap& operator=(const TvcCustomBitmap&) = delete;

    TBitmap* BitMap() const { return FBitMap; }
    // Copies the bitmap; drawn at its own size, the control takes that size (30 for a side of 0).
    void SetBitMap(TBitmap* Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool RealTransparent() const { return FRealTransparent; }
    void SetRealTransparent(bool Value);
    bool AutoBackColor() const { return FAutoBackColor; }
    void SetAuto(bool Value);
    TColor TransparentColor() const { return FTransparentColor; }
    // A new colour switches AutoBackColor off.
    void SetTransparentColor(TColor Value);

    void Darken(bool UseTransparent, std::uint8_t Percent);
    void Lighten(bool UseTransparent, std::uint8_t Percent);
    void GreyScale(bool UseTransparent);
    void Raster(int Kind);
    void ColorNoise(int N);
    void BWNoise(int N);
    void Contrast(int N);
    void Saturation(int N);
    void Sharpen(int N);
    void Blur(int N);
    void GaussianBlur(int N);
    void Flip();
    void Mirror();
    void ReplaceColor(TColor OldColor, TColor NewColor);
    // Black where the bitmap was not white.
    void BW();
    // Turned by Angle degrees into a bitmap of the control's size, TransparentColor where nothing
    // lands.
    void Rotate(double Angle);

    void Dispatch(TMessage& Message) override;

    TNotifyEvent OnPaint;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    // Whether SetBitMap sizes the control to the bitmap.
    virtual bool SizesToBitmap() const { return FDrawType == bdDrawNormal; }
    // With AutoBackColor and a bitmap: TransparentColor from the bottom-left pixel.
    void RefreshAutoColor();
    // The picture the current frame is cut from: the bitmap itself, or one made in Scratch.
    virtual TBitmap* MakePicture(TBitmap& /*Scratch*/) { return FBitMap; }
    // The frame's rectangle of the picture by the transparency rules (a system colour as the
    // transparent colour draws opaque); an empty bitmap shows white.
    void Paint() override;
    // Repaints the parent under the control and the control.
    void Redraw();

    bool FRealTransparent = false;
    bool FAutoBackColor = false;
    TBitmap* FBitMap;
    TColor FTransparentColor = 0xFFFFFF;
    int FFrame = 0;
    bool FTransparent = true;
    vcBitmapDraw FDrawType = bdDrawNormal;
};

class TvBitmap : public TvcCustomBitmap {
public:
    using TvcCustomBitmap::TvcCustomBitmap;

    vcBitmapDraw DrawType() const { return FDrawType; }
    void SetDrawType(vcBitmapDraw Value);

protected:
    // Stretched to the control, or centred in it on TransparentColor.
    TBitmap* MakePicture(TBitmap& Scratch) override;
};

// The bitmap as a strip of frames side by side, each as wide as the control, shown one after
// another on a timer: forward or backward, once or over and over.
class TvAnimated : public TvcCustomBitmap {
public:
    explicit TvAnimated(TComponent* AOwner);
    ~TvAnimated() override;

    int FrameCount() const { return FFrameCount; }
    // Values below 1 count as 1.
    void SetFrameCount(int Value);
    int Frame() const { return FFrame; }
    // Below 0: the last frame; otherwise taken modulo FrameCount.
    void SetFrame(int Value);
    int Interval() const { return FInterval; }
    void SetInterval(int Value);
    bool Play() const { return FPlay; }
    // Runs only while Interval is above 0.
    void SetPlay(bool Value);
    bool Loop() const { return FLoop; }
    void SetLoop(bool Value) { FLoop = Value; }
    bool Reverse() const { return FReverse; }
    void SetReverse(bool Value) { FReverse = Value; }

    TNotifyEvent OnChangeFrame;

protected:
    bool SizesToBitmap() const override { return true; }
    // One step; without Loop the last frame (the first, in reverse) stops the play.
    virtual void TimeHit(TObject* Sender);

private:
    void StartTimer();
    void StopTimer();

    int FFrameCount = 1;
    TTimer* FTimer = nullptr;
    int FInterval = 0;
    bool FLoop = true;
    bool FReverse = false;
    bool FPlay = false;
};

enum doType { doHorz, doVert };

// A 3-D line of two pixels, across the top or down the left side.
class TvDivider : public TGraphicControl {
public:
    explicit TvDivider(TComponent* AOwner);

    // Sides below 2 become 2.
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    doType Orientation() const { return FOrientation; }
    void SetOrientation(doType Value);
    // Light above (left of) dark; otherwise dark above light.
    bool Raised() const { return FRaised; }
    void SetRaised(bool Value);

    TNotifyEvent OnPaint;

protected:
    void Paint() override;

private:
    doType FOrientation = doHorz;
    bool FRaised = false;
};

// A bevelled frame, filled or see-through; by default disabled, so the mouse reaches the parent.
class TvFrame : public TGraphicControl {
public:
    explicit TvFrame(TComponent* AOwner);

    bool PassMouseOn() const { return !Enabled(); }
    void SetPassMouseOn(bool Value) { SetEnabled(!Value); }
    bool Filled() const { return FFilled; }
    void SetFilled(bool Value);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut Value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut Value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int Value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int Value);

    TNotifyEvent OnPaint;

protected:
    void Paint() override;

private:
    bool FFilled = false;
    TBevelCut FBevelInner = TBevelCut::bvNone;
    TBevelCut FBevelOuter = TBevelCut::bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
};

// The unit's counted start-up and shut-down (IndicatorUnits.h); they hold no work of their own.
void InitializeVanimate();
void FinalizeVanimate();
