// Colours, geometry, the drawing objects (TFont, TPen, TBrush), TCanvas over a device context of the
// drawing layer, and the pictures that draw on a canvas (TGraphic, TBitmap, TPicture).
#pragma once

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Raster.h"
#include "platform/gdi/System.h"
#include "platform/gdi/Text.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Set.h"
#include "platform/ui/Classes.h"

#include <cstdint>
#include <string>
#include <vector>

class TStream;

// Raised for operations a component's state does not allow.
class EInvalidOperation : public Exception {
public:
    using Exception::Exception;
};
// Raised for picture data that cannot be read.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};
// Raised for an operation a picture or image strip cannot do ("Invalid image size" ...).
class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};
// Raised when a window, timer or drawing object cannot be had.
class EOutOfResources : public EOutOfMemory {
public:
    using EOutOfMemory::EOutOfMemory;
};

// --- Geometry -------------------------------------------------------------------------------------

struct TPoint {
    int X = 0;
    int Y = 0;
    constexpr TPoint() = default;
    constexpr TPoint(int x, int y) : X(x), Y(y) {}
    constexpr TPoint(POINT p) : X(p.x), Y(p.y) {}
    constexpr operator POINT() const { return POINT{X, Y}; }
    constexpr bool operator==(const TPoint&) const = default;
};

// Left and top inclusive, right and bottom exclusive, as RECT.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    constexpr TRect() = default;
    constexpr TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}
    constexpr TRect(RECT r) : Left(r.left), Top(r.top), Right(r.right), Bottom(r.bottom) {}
    constexpr operator RECT() const { return RECT{Left, Top, Right, Bottom}; }
    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr TPoint TopLeft() const { return TPoint(Left, Top); }
    constexpr TPoint BottomRight() const { return TPoint(Right, Bottom); }
    constexpr bool operator==(const TRect&) const = default;
};

using TSize = SIZE;

constexpr TPoint Point(int x, int y) {
    return TPoint(x, y);
}
constexpr TRect Rect(int left, int top, int right, int bottom) {
    return TRect(left, top, right, bottom);
}
constexpr TRect Bounds(int left, int top, int width, int height) {
    return TRect(left, top, left + width, top + height);
}

// --- Colours --------------------------------------------------------------------------------------

// 0x00BBGGRR for a plain colour; a system colour is its COLOR_ index with the top bit set.
using TColor = std::int32_t;

constexpr TColor SysColor(int index) {
    return static_cast<TColor>(0x80000000u | static_cast<unsigned>(index));
}

inline constexpr TColor clScrollBar = SysColor(COLOR_SCROLLBAR);
inline constexpr TColor clBackground = SysColor(COLOR_BACKGROUND);
inline constexpr TColor clActiveCaption = SysColor(COLOR_ACTIVECAPTION);
inline constexpr TColor clInactiveCaption = SysColor(COLOR_INACTIVECAPTION);
inline constexpr TColor clMenu = SysColor(COLOR_MENU);
inline constexpr TColor clWindow = SysColor(COLOR_WINDOW);
inline constexpr TColor clWindowFrame = SysColor(COLOR_WINDOWFRAME);
inline constexpr TColor clMenuText = SysColor(COLOR_MENUTEXT);
inline constexpr TColor clWindowText = SysColor(COLOR_WINDOWTEXT);
inline constexpr TColor clCaptionText = SysColor(COLOR_CAPTIONTEXT);
inline constexpr TColor clActiveBorder = SysColor(COLOR_ACTIVEBORDER);
inline constexpr TColor clInactiveBorder = SysColor(COLOR_INACTIVEBORDER);
inline constexpr TColor clAppWorkSpace = SysColor(COLOR_APPWORKSPACE);
inline constexpr TColor clHighlight = SysColor(COLOR_HIGHLIGHT);
inline constexpr TColor clHighlightText = SysColor(COLOR_HIGHLIGHTTEXT);
inline constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE);
inline constexpr TColor clBtnShadow = SysColor(COLOR_BTNSHADOW);
inline constexpr TColor clGrayText = SysColor(COLOR_GRAYTEXT);
inline constexpr TColor clBtnText = SysColor(COLOR_BTNTEXT);
inline constexpr TColor clInactiveCaptionText = SysColor(COLOR_INACTIVECAPTIONTEXT);
inline constexpr TColor clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT);
inline constexpr TColor cl3DDkShadow = SysColor(COLOR_3DDKSHADOW);
inline constexpr TColor cl3DLight = SysColor(COLOR_3DLIGHT);
inline constexpr TColor clInfoText = SysColor(COLOR_INFOTEXT);
inline constexpr TColor clInfoBk = SysColor(COLOR_INFOBK);

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clLtGray = 0xC0C0C0;
inline constexpr TColor clDkGray = 0x808080;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

// The RGB value of a colour, system colours looked up. A colour asked for from the palette
// (0x02000000 set) is its RGB value: with 32-bit colour every RGB value is shown as it is.
COLORREF ColorToRGB(TColor color);

// A colour's constant name ("clRed", "clBtnFace", "clNone") or, for any other value, "$" and eight
// hex digits. StringToColor reads either form (names case-blind, "clLtGray" and "clDkGray" too)
// or a plain number; anything else raises EConvertError.
std::string ColorToString(TColor color);
TColor StringToColor(const std::string& text);
bool ColorToIdent(TColor color, std::string& ident);
bool IdentToColor(const std::string& ident, TColor& color);

// --- Drawing objects ------------------------------------------------------------------------------

// Base of TFont, TPen and TBrush: OnChange fires after every change of a property.
class TGraphicsObject : public TPersistent {
public:
    TNotifyEvent OnChange;

protected:
    virtual void Changed();
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = BYTE;

class TFont : public TGraphicsObject {
public:
    TFont();
    ~TFont() override;
    TFont(const TFont&) = delete;
    TFont& operator=(const TFont&) = delete;

    void Assign(const TPersistent* source) override;

    // Created on first use and dropped at every change; the font owns it.
    HFONT Handle();
    // Takes over a font handle: its LOGFONT becomes the font's description.
    void SetHandle(HFONT font);

    const std::string& Name() const { return name_; }
    void SetName(const std::string& value);
    // Points; Height is pixels (negative: character height), at PixelsPerInch.
    int Size() const;
    void SetSize(int value);
    int Height() const { return height_; }
    void SetHeight(int value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles value);
    TFontCharset Charset() const { return charset_; }
    void SetCharset(TFontCharset value);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch value);
    int PixelsPerInch = 96;

protected:
    void Changed() override;

private:
    void FreeHandle();

    std::string name_ = "MS Sans Serif";
    int height_ = -11;
    TColor color_ = clWindowText;
    TFontStyles style_;
    TFontCharset charset_ = DEFAULT_CHARSET;
    TFontPitch pitch_ = fpDefault;
    HFONT handle_ = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

class TPen : public TGraphicsObject {
public:
    TPen() = default;
    ~TPen() override;
    TPen(const TPen&) = delete;
    TPen& operator=(const TPen&) = delete;

    void Assign(const TPersistent* source) override;
    HPEN Handle();

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    int Width() const { return width_; }
    void SetWidth(int value);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle value);
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode value);

protected:
    void Changed() override;

private:
    void FreeHandle();

    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    TPenMode mode_ = pmCopy;
    HPEN handle_ = nullptr;
};

enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

class TBitmap;

class TBrush : public TGraphicsObject {
public:
    TBrush() = default;
    ~TBrush() override;
    TBrush(const TBrush&) = delete;
    TBrush& operator=(const TBrush&) = delete;

    void Assign(const TPersistent* source) override;
    HBRUSH Handle();

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle value);
    // A pattern brush from the bitmap, which the caller keeps alive; nullptr returns to Style.
    TBitmap* Bitmap() const { return bitmap_; }
    void SetBitmap(TBitmap* value);

protected:
    void Changed() override;

private:
    void FreeHandle();

    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
    TBitmap* bitmap_ = nullptr;
    HBRUSH handle_ = nullptr;
};

// --- Canvas ---------------------------------------------------------------------------------------

class TGraphic;

using TCopyMode = DWORD;
inline constexpr TCopyMode cmBlackness = BLACKNESS;
inline constexpr TCopyMode cmDstInvert = DSTINVERT;
inline constexpr TCopyMode cmMergeCopy = MERGECOPY;
inline constexpr TCopyMode cmMergePaint = MERGEPAINT;
inline constexpr TCopyMode cmNotSrcCopy = NOTSRCCOPY;
inline constexpr TCopyMode cmNotSrcErase = NOTSRCERASE;
inline constexpr TCopyMode cmPatCopy = PATCOPY;
inline constexpr TCopyMode cmPatInvert = PATINVERT;
inline constexpr TCopyMode cmPatPaint = PATPAINT;
inline constexpr TCopyMode cmSrcAnd = SRCAND;
inline constexpr TCopyMode cmSrcCopy = SRCCOPY;
inline constexpr TCopyMode cmSrcErase = SRCERASE;
inline constexpr TCopyMode cmSrcInvert = SRCINVERT;
inline constexpr TCopyMode cmSrcPaint = SRCPAINT;
inline constexpr TCopyMode cmWhiteness = WHITENESS;

// Draws on a device context with its Font, Pen and Brush, selecting each into the DC when a drawing
// call first needs it. A canvas without a DC asks CreateHandle for one; a canvas that still has none
// raises EInvalidOperation ("Canvas does not allow drawing").
class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    // The DC with the canvas's font, pen and brush selected into it.
    HDC Handle();
    void SetHandle(HDC dc);
    bool HandleAllocated() const { return handle_ != nullptr; }

    TFont* Font() const { return font_; }
    void SetFont(const TFont* value) { font_->Assign(value); }
    TPen* Pen() const { return pen_; }
    void SetPen(const TPen* value) { pen_->Assign(value); }
    TBrush* Brush() const { return brush_; }
    void SetBrush(const TBrush* value) { brush_->Assign(value); }
    TCopyMode CopyMode = cmSrcCopy;

    TPoint PenPos();
    void SetPenPos(TPoint value) { MoveTo(value.X, value.Y); }
    TColor Pixels(int x, int y);
    void SetPixels(int x, int y, TColor color);
    // The logical bounds that drawing can reach.
    TRect ClipRect();

    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source);
    // Copies source of the bitmap onto dest (stretched as CopyRect does); where the copy shows
    // color, the canvas brush shows instead.
    void BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& source, TColor color);
    void Draw(int x, int y, TGraphic* graphic);
    void DrawFocusRect(const TRect& rect);
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& rect) { Ellipse(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    void FillRect(const TRect& rect);
    void FrameRect(const TRect& rect);
    void LineTo(int x, int y);
    void MoveTo(int x, int y);
    void Polygon(const std::vector<TPoint>& points);
    void Polyline(const std::vector<TPoint>& points);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& rect) { Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
    void StretchDraw(const TRect& rect, TGraphic* graphic);
    TSize TextExtent(const std::string& text);
    int TextHeight(const std::string& text) { return TextExtent(text).cy; }
    int TextWidth(const std::string& text) { return TextExtent(text).cx; }
    // Moves the pen to the end of the text, as the class library does.
    void TextOut(int x, int y, const std::string& text);
    // Clipped to rect; the background filled with the brush when it is solid.
    void TextRect(const TRect& rect, int x, int y, const std::string& text);

    // Canvases of one thread are used one at a time; these only keep count.
    void Lock() { ++lockCount_; }
    void Unlock() { --lockCount_; }

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    enum TCanvasStateItem { csHandleValid, csFontValid, csPenValid, csBrushValid };
    using TCanvasState = TSet<TCanvasStateItem>;

    // Asked for a DC when a drawing call finds none; the base has none to give.
    virtual void CreateHandle() {}
    void RequiredState(TCanvasState required);
    virtual void Changing();
    virtual void Changed();
    // Puts the stock objects back so that the DC holds none of ours.
    void DeselectHandles();

private:
    static void FontChanged(void* self, TObject* sender);
    static void PenChanged(void* self, TObject* sender);
    static void BrushChanged(void* self, TObject* sender);

    HDC handle_ = nullptr;
    TCanvasState state_;
    TFont* font_;
    TPen* pen_;
    TBrush* brush_;
    int lockCount_ = 0;
};

// Runs paint with canvas bound to dc, locked, and unbinds it however paint ends: the paint step of
// every control that draws on its own window. A control canvas first lets go of a handle it made
// for itself.
template <typename Canvas, typename Paint>
void PaintOnCanvas(Canvas& canvas, HDC dc, Paint&& paint) {
    if constexpr (requires { canvas.FreeHandle(); }) canvas.FreeHandle();
    canvas.Lock();
    canvas.SetHandle(dc);
    struct Unbind {
        Canvas& c;
        ~Unbind() {
            c.SetHandle(nullptr);
            c.Unlock();
        }
    } unbind{canvas};
    paint();
}

// --- Graphics -------------------------------------------------------------------------------------

class TGraphic : public TPersistent {
public:
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;
    bool Transparent() const { return transparent_; }
    virtual void SetTransparent(bool value);

    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);
    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    // A new, empty graphic of this object's class, which a picture fills with Assign to keep its
    // own copy; nullptr: the picture keeps a bitmap copy instead.
    virtual TGraphic* NewGraphic() const { return nullptr; }

    TNotifyEvent OnChange;

protected:
    friend class TCanvas;
    virtual void Draw(TCanvas* canvas, const TRect& rect) = 0;
    virtual void Changed();

private:
    bool transparent_ = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
// Scoped: tmAuto is also a member of the port component's TTapiMode.
enum class TTransparentMode { tmAuto, tmFixed };

class TBitmapCanvas;

// A device-independent bitmap (bottom-up rows, as the class library keeps them) with a canvas on a
// memory DC. Resizing keeps the pixels that still fit.
class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;
    TBitmap(const TBitmap&) = delete;
    TBitmap& operator=(const TBitmap&) = delete;

    void Assign(const TPersistent* source) override;
    TGraphic* NewGraphic() const override { return new TBitmap; }

    bool Empty() const override { return width_ == 0 || height_ == 0; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetWidth(int value) override { SetSize(value, height_); }
    void SetHeight(int value) override { SetSize(width_, value); }
    void SetSize(int width, int height);
    TPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TPixelFormat value);
    // One bit per pixel. Turning a colour bitmap monochrome keeps white pixels white and makes every
    // other pixel black, as a block transfer to a monochrome bitmap does with a white background;
    // turning it back gives a colour bitmap of those black and white pixels.
    bool Monochrome() const { return pixelFormat_ == pf1bit; }
    void SetMonochrome(bool value);

    TCanvas* Canvas();
    // The bitmap handle; the bitmap keeps owning it.
    HBITMAP Handle();
    // Takes ownership of a bitmap handle from the drawing layer.
    void SetHandle(HBITMAP bitmap);
    // Row y counted from the top.
    void* ScanLine(int row);

    // Pixels of this colour are left out when the bitmap is drawn transparent; with tmAuto it is the
    // colour of the bottom-left pixel.
    TColor TransparentColor();
    void SetTransparentColor(TColor value);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode value);

    // Windows bitmap files (BM header); no data at all gives an empty bitmap, other data raises
    // EInvalidGraphic.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // Streamed as "Data": the bitmap file, nothing for an empty bitmap.
    void DefineProperties(TFiler* Filer) override;

protected:
    void Draw(TCanvas* canvas, const TRect& rect) override;
    void Changed() override;

private:
    friend class TBitmapCanvas;
    void Recreate(int width, int height, TPixelFormat format);
    void FreeContext();
    HDC MemoryDC();
    int BitsPerPixel() const;

    int width_ = 0;
    int height_ = 0;
    TPixelFormat pixelFormat_ = pfDevice;
    HBITMAP handle_ = nullptr;
    void* bits_ = nullptr;
    int stride_ = 0;
    HDC dc_ = nullptr;
    HGDIOBJ oldBitmap_ = nullptr;
    TBitmapCanvas* canvas_ = nullptr;
    TColor transparentColor_ = clDefault;
    TTransparentMode transparentMode_ = TTransparentMode::tmAuto;
};

class TPicture : public TPersistent {
public:
    TPicture() = default;
    ~TPicture() override;
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // Copies a TPicture or a TGraphic (of the graphic's own class where it can make one, else as a
    // bitmap); nullptr empties the picture.
    void Assign(const TPersistent* source) override;
    TGraphic* Graphic() const { return graphic_; }
    void SetGraphic(TGraphic* value);
    // Replaces any other graphic with an empty bitmap.
    TBitmap* Bitmap();
    void SetBitmap(TBitmap* value) { Assign(value); }
    int Width() const { return graphic_ ? graphic_->Width() : 0; }
    int Height() const { return graphic_ ? graphic_->Height() : 0; }

    // Bitmap files (.bmp) and JPEG files (.jpg, .jpeg), by the name's extension.
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

    TNotifyEvent OnChange;

private:
    static void GraphicChanged(void* self, TObject* sender);
    void Changed();
    void Adopt(TGraphic* graphic);

    TGraphic* graphic_ = nullptr;
};
