// Unit Vanimate: the library's pixel work. TvFastBmp is a 24-bit top-down DIB section reached
// through a table of row pointers, with in-place filters; the free functions copy a TBitmap into
// one, work there and draw the result back. TvDesktop is a canvas on the screen; TvResBitmap a
// bitmap from the program's built-in resources.
#pragma once

#include "platform/gdi/Bitmap.h"
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

// The unit's counted start-up and shut-down (IndicatorUnits.h); they hold no work of their own.
void InitializeVanimate();
void FinalizeVanimate();
