#include "platform/ui/Graphics.h"

#include "platform/gdi/BmpFile.h"
#include "platform/gdi/Draw.h"
#include "platform/gdi/Raster.h"
#include "platform/gdi/Region.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Jpeg.h"
#include "platform/ui/TypInfo.h"

#include <algorithm>
#include <cstring>
#include <memory>

COLORREF ColorToRGB(TColor color) {
    if (color < 0) return GetSysColor(color & 0xFF);
    if ((color & 0xFF000000) == 0x02000000) return static_cast<COLORREF>(color) & 0xFFFFFF;
    return static_cast<COLORREF>(color);
}

void TGraphicsObject::Changed() {
    if (OnChange) OnChange(this);
}

// --- TFont ----------------------------------------------------------------------------------------

TFont::TFont() = default;

TFont::~TFont() {
    FreeHandle();
}

void TFont::FreeHandle() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
}

void TFont::Changed() {
    FreeHandle();
    TGraphicsObject::Changed();
}

void TFont::Assign(const TPersistent* source) {
    if (auto* f = dynamic_cast<const TFont*>(source)) {
        if (f == this) return;
        name_ = f->name_;
        height_ = MulDiv(f->height_, PixelsPerInch, f->PixelsPerInch);
        color_ = f->color_;
        style_ = f->style_;
        charset_ = f->charset_;
        pitch_ = f->pitch_;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

HFONT TFont::Handle() {
    if (!handle_) {
        LOGFONT lf;
        lf.lfHeight = height_;
        lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
        lf.lfItalic = style_.Contains(fsItalic) ? 1 : 0;
        lf.lfUnderline = style_.Contains(fsUnderline) ? 1 : 0;
        lf.lfStrikeOut = style_.Contains(fsStrikeOut) ? 1 : 0;
        lf.lfCharSet = charset_;
        lf.lfPitchAndFamily = pitch_ == fpFixed      ? FIXED_PITCH
                              : pitch_ == fpVariable ? VARIABLE_PITCH
                                                     : DEFAULT_PITCH;
        StrPLCopy(lf.lfFaceName, name_, LF_FACESIZE - 1);
        handle_ = CreateFontIndirect(&lf);
    }
    return handle_;
}

void TFont::SetHandle(HFONT font) {
    LOGFONT lf;
    if (!font || GetObject(font, sizeof(lf), &lf) != static_cast<int>(sizeof(lf))) return;
    name_ = lf.lfFaceName;
    height_ = lf.lfHeight;
    style_ = TFontStyles();
    if (lf.lfWeight >= FW_BOLD) style_.Include(fsBold);
    if (lf.lfItalic) style_.Include(fsItalic);
    if (lf.lfUnderline) style_.Include(fsUnderline);
    if (lf.lfStrikeOut) style_.Include(fsStrikeOut);
    charset_ = lf.lfCharSet;
    const BYTE pitch = lf.lfPitchAndFamily & 3;
    pitch_ = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
    Changed();
    handle_ = font;
}

void TFont::SetName(const std::string& value) {
    if (value.empty() || value == name_) return;
    name_ = value;
    Changed();
}

int TFont::Size() const {
    return -MulDiv(height_, 72, PixelsPerInch);
}

void TFont::SetSize(int value) {
    SetHeight(-MulDiv(value, PixelsPerInch, 72));
}

void TFont::SetHeight(int value) {
    if (value == height_) return;
    height_ = value;
    Changed();
}

void TFont::SetColor(TColor value) {
    if (value == color_) return;
    color_ = value;
    // A colour change keeps the font handle.
    TGraphicsObject::Changed();
}

void TFont::SetStyle(TFontStyles value) {
    if (value == style_) return;
    style_ = value;
    Changed();
}

void TFont::SetCharset(TFontCharset value) {
    if (value == charset_) return;
    charset_ = value;
    Changed();
}

void TFont::SetPitch(TFontPitch value) {
    if (value == pitch_) return;
    pitch_ = value;
    Changed();
}

namespace {

// A font is streamed by its height; Size follows from it.
const bool kFontPublished = [] {
    using published::Property;
    PublishProperties<TFont>({
        Property<TFont>(
            "Charset", [](const TFont& f) { return f.Charset(); },
            [](TFont& f, TFontCharset v) { f.SetCharset(v); }, DEFAULT_CHARSET),
        Property<TFont>(
            "Color", [](const TFont& f) { return f.Color(); }, [](TFont& f, TColor v) { f.SetColor(v); },
            clWindowText),
        Property<TFont>(
            "Height", [](const TFont& f) { return f.Height(); }, [](TFont& f, int v) { f.SetHeight(v); }),
        Property<TFont>(
            "Name", [](const TFont& f) { return f.Name(); },
            [](TFont& f, const std::string& v) { f.SetName(v); }),
        Property<TFont>(
            "Pitch", [](const TFont& f) { return f.Pitch(); }, [](TFont& f, TFontPitch v) { f.SetPitch(v); },
            fpDefault),
        Property<TFont>(
            "Style", [](const TFont& f) { return f.Style(); }, [](TFont& f, TFontStyles v) { f.SetStyle(v); },
            0),
    });
    return true;
}();

} // namespace

// --- TPen -----------------------------------------------------------------------------------------

TPen::~TPen() {
    FreeHandle();
}

void TPen::FreeHandle() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
}

void TPen::Changed() {
    FreeHandle();
    TGraphicsObject::Changed();
}

void TPen::Assign(const TPersistent* source) {
    if (auto* p = dynamic_cast<const TPen*>(source)) {
        if (p == this) return;
        color_ = p->color_;
        width_ = p->width_;
        style_ = p->style_;
        mode_ = p->mode_;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

HPEN TPen::Handle() {
    if (!handle_) {
        static constexpr int styles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                         PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
        handle_ = CreatePen(styles[style_], width_, ColorToRGB(color_));
    }
    return handle_;
}

void TPen::SetColor(TColor value) {
    if (value == color_) return;
    color_ = value;
    Changed();
}

void TPen::SetWidth(int value) {
    if (value < 0 || value == width_) return;
    width_ = value;
    Changed();
}

void TPen::SetStyle(TPenStyle value) {
    if (value == style_) return;
    style_ = value;
    Changed();
}

void TPen::SetMode(TPenMode value) {
    if (value == mode_) return;
    mode_ = value;
    // The mode is a DC setting, not part of the pen object.
    TGraphicsObject::Changed();
}

// --- TBrush ---------------------------------------------------------------------------------------

TBrush::~TBrush() {
    FreeHandle();
}

namespace {

// A brush held by a published property streams its colour and style.
const bool kBrushPublished = [] {
    using namespace published;
    PublishProperties<TBrush>({
        Property<TBrush>(
            "Color", [](const TBrush& b) { return b.Color(); }, [](TBrush& b, TColor v) { b.SetColor(v); },
            clWhite),
        Property<TBrush>(
            "Style", [](const TBrush& b) { return b.Style(); },
            [](TBrush& b, TBrushStyle v) { b.SetStyle(v); }, bsSolid),
    });
    return true;
}();

} // namespace

void TBrush::FreeHandle() {
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
}

void TBrush::Changed() {
    FreeHandle();
    TGraphicsObject::Changed();
}

void TBrush::Assign(const TPersistent* source) {
    if (auto* b = dynamic_cast<const TBrush*>(source)) {
        if (b == this) return;
        color_ = b->color_;
        style_ = b->style_;
        bitmap_ = b->bitmap_;
        Changed();
        return;
    }
    TGraphicsObject::Assign(source);
}

HBRUSH TBrush::Handle() {
    if (!handle_) {
        if (bitmap_ && !bitmap_->Empty()) {
            handle_ = CreatePatternBrush(bitmap_->Handle());
        } else {
            LOGBRUSH lb;
            lb.lbColor = ColorToRGB(color_);
            switch (style_) {
            case bsSolid:
                lb.lbStyle = BS_SOLID;
                break;
            case bsClear:
                lb.lbStyle = BS_HOLLOW;
                break;
            default:
                lb.lbStyle = BS_HATCHED;
                lb.lbHatch = static_cast<ULONG_PTR>(style_ - bsHorizontal);
                break;
            }
            handle_ = CreateBrushIndirect(&lb);
        }
    }
    return handle_;
}

void TBrush::SetColor(TColor value) {
    if (value == color_ && style_ != bsClear) return;
    color_ = value;
    if (style_ == bsClear) style_ = bsSolid;
    Changed();
}

void TBrush::SetStyle(TBrushStyle value) {
    if (value == style_) return;
    style_ = value;
    if (style_ == bsClear) bitmap_ = nullptr;
    Changed();
}

void TBrush::SetBitmap(TBitmap* value) {
    bitmap_ = value;
    Changed();
}

// --- TCanvas --------------------------------------------------------------------------------------

TCanvas::TCanvas() : font_(new TFont), pen_(new TPen), brush_(new TBrush) {
    font_->OnChange = TNotifyEvent(&TCanvas::FontChanged, this);
    pen_->OnChange = TNotifyEvent(&TCanvas::PenChanged, this);
    brush_->OnChange = TNotifyEvent(&TCanvas::BrushChanged, this);
}

TCanvas::~TCanvas() {
    SetHandle(nullptr);
    delete font_;
    delete pen_;
    delete brush_;
}

void TCanvas::FontChanged(void* self, TObject*) {
    auto* c = static_cast<TCanvas*>(self);
    if (c->state_.Contains(csFontValid)) {
        SelectObject(c->handle_, GetStockObject(SYSTEM_FONT));
        c->state_.Exclude(csFontValid);
    }
}

void TCanvas::PenChanged(void* self, TObject*) {
    auto* c = static_cast<TCanvas*>(self);
    if (c->state_.Contains(csPenValid)) {
        SelectObject(c->handle_, GetStockObject(BLACK_PEN));
        c->state_.Exclude(csPenValid);
    }
}

void TCanvas::BrushChanged(void* self, TObject*) {
    auto* c = static_cast<TCanvas*>(self);
    if (c->state_.Contains(csBrushValid)) {
        SelectObject(c->handle_, GetStockObject(HOLLOW_BRUSH));
        c->state_.Exclude(csBrushValid);
    }
}

HDC TCanvas::Handle() {
    // Raw drawing calls on the handle find the canvas's font, pen and brush selected.
    RequiredState({csHandleValid, csFontValid, csPenValid, csBrushValid});
    return handle_;
}

void TCanvas::SetHandle(HDC dc) {
    if (dc == handle_) return;
    if (handle_) DeselectHandles();
    handle_ = dc;
    state_ = dc ? TCanvasState{csHandleValid} : TCanvasState();
}

void TCanvas::DeselectHandles() {
    if (!handle_) return;
    if (state_.Contains(csPenValid)) SelectObject(handle_, GetStockObject(BLACK_PEN));
    if (state_.Contains(csBrushValid)) SelectObject(handle_, GetStockObject(HOLLOW_BRUSH));
    if (state_.Contains(csFontValid)) SelectObject(handle_, GetStockObject(SYSTEM_FONT));
    state_ = state_ - TCanvasState{csPenValid, csBrushValid, csFontValid};
}

void TCanvas::RequiredState(TCanvasState required) {
    const TCanvasState needed = required - state_;
    if (needed.Empty()) return;
    if (needed.Contains(csHandleValid)) {
        CreateHandle();
        if (!handle_) throw EInvalidOperation("Canvas does not allow drawing");
        state_.Include(csHandleValid);
    }
    if (needed.Contains(csFontValid)) {
        SelectObject(handle_, font_->Handle());
        SetTextColor(handle_, ColorToRGB(font_->Color()));
        state_.Include(csFontValid);
    }
    if (needed.Contains(csPenValid)) {
        static constexpr int modes[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                        R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                        R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                        R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
        SelectObject(handle_, pen_->Handle());
        SetROP2(handle_, modes[pen_->Mode()]);
        state_.Include(csPenValid);
    }
    if (needed.Contains(csBrushValid)) {
        SelectObject(handle_, brush_->Handle());
        SetBkColor(handle_, ColorToRGB(brush_->Color()));
        SetBkMode(handle_, brush_->Style() == bsSolid ? OPAQUE : TRANSPARENT);
        state_.Include(csBrushValid);
    }
}

void TCanvas::Changing() {
    if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange) OnChange(this);
}

TPoint TCanvas::PenPos() {
    RequiredState({csHandleValid});
    POINT p;
    GetCurrentPositionEx(handle_, &p);
    return p;
}

TColor TCanvas::Pixels(int x, int y) {
    RequiredState({csHandleValid});
    return static_cast<TColor>(GetPixel(handle_, x, y));
}

void TCanvas::SetPixels(int x, int y, TColor color) {
    Changing();
    RequiredState({csHandleValid, csPenValid});
    SetPixelV(handle_, x, y, ColorToRGB(color));
    Changed();
}

TRect TCanvas::ClipRect() {
    RequiredState({csHandleValid});
    RECT r;
    GetClipBox(handle_, &r);
    return r;
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    Changing();
    RequiredState({csHandleValid, csPenValid});
    ::Arc(handle_, x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source) {
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    canvas->RequiredState({csHandleValid, csBrushValid});
    StretchBlt(handle_, dest.Left, dest.Top, dest.Width(), dest.Height(), canvas->handle_, source.Left,
               source.Top, source.Width(), source.Height(), CopyMode);
    Changed();
}

void TCanvas::BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& source, TColor color) {
    if (!bitmap || bitmap->Empty() || dest.Width() <= 0 || dest.Height() <= 0) return;
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    // The source stretched to the destination's size first, so the colour is looked for in exactly
    // the pixels that land.
    TBitmap work;
    work.SetPixelFormat(pf32bit);
    work.SetSize(dest.Width(), dest.Height());
    TCanvas* wc = work.Canvas();
    StretchBlt(wc->Handle(), 0, 0, dest.Width(), dest.Height(), bitmap->Canvas()->Handle(), source.Left,
               source.Top, source.Width(), source.Height(), SRCCOPY);
    const COLORREF key = ColorToRGB(color);
    const std::uint32_t keyPixel = (GetRValue(key) << 16) | (GetGValue(key) << 8) | GetBValue(key);
    std::vector<RECT> runs;
    for (int y = 0; y < dest.Height(); ++y) {
        const auto* row = static_cast<const std::uint32_t*>(work.ScanLine(y));
        for (int x = 0; x < dest.Width();) {
            if ((row[x] & 0xFFFFFF) != keyPixel) {
                ++x;
                continue;
            }
            const int from = x;
            while (x < dest.Width() && (row[x] & 0xFFFFFF) == keyPixel) ++x;
            runs.push_back(RECT{dest.Left + from, dest.Top + y, dest.Left + x, dest.Top + y + 1});
        }
    }
    BitBlt(handle_, dest.Left, dest.Top, dest.Width(), dest.Height(), wc->Handle(), 0, 0, SRCCOPY);
    if (!runs.empty()) {
        std::vector<char> data(sizeof(RGNDATAHEADER) + runs.size() * sizeof(RECT));
        RGNDATAHEADER header;
        header.nCount = static_cast<DWORD>(runs.size());
        header.nRgnSize = static_cast<DWORD>(runs.size() * sizeof(RECT));
        header.rcBound = RECT{dest.Left, dest.Top, dest.Right, dest.Bottom};
        std::memcpy(data.data(), &header, sizeof header);
        std::memcpy(data.data() + sizeof header, runs.data(), runs.size() * sizeof(RECT));
        HRGN rgn = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()),
                                   reinterpret_cast<const RGNDATA*>(data.data()));
        FillRgn(handle_, rgn, Brush()->Handle());
        DeleteObject(rgn);
    }
    Changed();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    Changing();
    RequiredState({csHandleValid});
    graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
    Changed();
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
    if (!graphic || graphic->Empty()) return;
    Changing();
    RequiredState({csHandleValid});
    graphic->Draw(this, rect);
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& rect) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    const RECT r = rect;
    ::DrawFocusRect(handle_, &r);
    Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::Ellipse(handle_, x1, y1, x2, y2);
    Changed();
}

void TCanvas::FillRect(const TRect& rect) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    const RECT r = rect;
    ::FillRect(handle_, &r, brush_->Handle());
    Changed();
}

void TCanvas::FrameRect(const TRect& rect) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    const RECT r = rect;
    ::FrameRect(handle_, &r, brush_->Handle());
    Changed();
}

void TCanvas::LineTo(int x, int y) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::LineTo(handle_, x, y);
    Changed();
}

void TCanvas::MoveTo(int x, int y) {
    RequiredState({csHandleValid});
    MoveToEx(handle_, x, y, nullptr);
}

namespace {
std::vector<POINT> ToPoints(const std::vector<TPoint>& points) {
    std::vector<POINT> out;
    out.reserve(points.size());
    for (const TPoint& p : points) out.push_back(p);
    return out;
}
} // namespace

void TCanvas::Polygon(const std::vector<TPoint>& points) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    const auto pts = ToPoints(points);
    ::Polygon(handle_, pts.data(), static_cast<int>(pts.size()));
    Changed();
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    const auto pts = ToPoints(points);
    ::Polyline(handle_, pts.data(), static_cast<int>(pts.size()));
    Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::Rectangle(handle_, x1, y1, x2, y2);
    Changed();
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    ::RoundRect(handle_, x1, y1, x2, y2, x3, y3);
    Changed();
}

TSize TCanvas::TextExtent(const std::string& text) {
    RequiredState({csHandleValid, csFontValid});
    SIZE s;
    GetTextExtentPoint32(handle_, text.data(), static_cast<int>(text.size()), &s);
    return s;
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    ExtTextOut(handle_, x, y, 0, nullptr, text.data(), static_cast<UINT>(text.size()), nullptr);
    MoveTo(x + TextWidth(text), y);
    Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text) {
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    UINT options = ETO_CLIPPED;
    if (brush_->Style() == bsSolid) options |= ETO_OPAQUE;
    const RECT r = rect;
    ExtTextOut(handle_, x, y, options, &r, text.data(), static_cast<UINT>(text.size()), nullptr);
    Changed();
}

// --- TGraphic -------------------------------------------------------------------------------------

void TGraphic::SetTransparent(bool value) {
    if (value == transparent_) return;
    transparent_ = value;
    Changed();
}

void TGraphic::Changed() {
    if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) {
    TFileStream stream(fileName, fmCreate);
    SaveToStream(stream);
}

// --- TBitmap --------------------------------------------------------------------------------------

class TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}

protected:
    void CreateHandle() override { SetHandle(bitmap_->MemoryDC()); }

private:
    TBitmap* bitmap_;
};

namespace {

int FormatBits(TPixelFormat format) {
    switch (format) {
    case pf1bit:
        return 1;
    case pf4bit:
        return 4;
    case pf8bit:
        return 8;
    case pf15bit:
    case pf16bit:
        return 16;
    case pf24bit:
        return 24;
    case pf32bit:
    case pfDevice:
    case pfCustom:
        return 32;
    }
    return 32;
}

// green6: a 16-bit bitmap with 5-6-5 pixels.
TPixelFormat FormatOfBits(int bits, bool green6) {
    switch (bits) {
    case 1:
        return pf1bit;
    case 4:
        return pf4bit;
    case 8:
        return pf8bit;
    case 16:
        return green6 ? pf16bit : pf15bit;
    case 24:
        return pf24bit;
    default:
        return pf32bit;
    }
}

// A bottom-up DIB section with the standard colours for indexed depths; pf16bit has 5-6-5 pixels.
HBITMAP CreateDib(int width, int height, TPixelFormat format, void** pixels) {
    const int bits = FormatBits(format);
    std::vector<std::uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    auto* bi = reinterpret_cast<BITMAPINFO*>(info.data());
    bi->bmiHeader = BITMAPINFOHEADER{};
    bi->bmiHeader.biWidth = width;
    bi->bmiHeader.biHeight = height;
    bi->bmiHeader.biBitCount = static_cast<WORD>(bits);
    auto* colors = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
    if (bits == 1) {
        colors[1] = RGBQUAD{255, 255, 255, 0};
        bi->bmiHeader.biClrUsed = 2;
    } else if (bits == 4) {
        static constexpr COLORREF vga[16] = {clBlack, clMaroon,  clGreen,  clOlive, clNavy, clPurple,
                                             clTeal,  clGray,    clSilver, clRed,   clLime, clYellow,
                                             clBlue,  clFuchsia, clAqua,   clWhite};
        for (int i = 0; i < 16; ++i)
            colors[i] = RGBQUAD{GetBValue(vga[i]), GetGValue(vga[i]), GetRValue(vga[i]), 0};
        bi->bmiHeader.biClrUsed = 16;
    } else if (bits == 8) {
        // A 6 x 6 x 6 colour cube followed by a grey ramp.
        int n = 0;
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    colors[n++] = RGBQUAD{static_cast<BYTE>(b * 51), static_cast<BYTE>(g * 51),
                                          static_cast<BYTE>(r * 51), 0};
        for (int i = 0; n < 256; ++i, ++n) {
            const auto v = static_cast<BYTE>(i * 255 / 39);
            colors[n] = RGBQUAD{v, v, v, 0};
        }
        bi->bmiHeader.biClrUsed = 256;
    } else if (format == pf16bit) {
        bi->bmiHeader.biCompression = BI_BITFIELDS;
        const DWORD masks[3] = {0xF800, 0x7E0, 0x1F};
        std::memcpy(colors, masks, sizeof masks);
    }
    return CreateDIBSection(nullptr, bi, DIB_RGB_COLORS, pixels, 0, 0);
}

} // namespace

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
    delete canvas_;
    canvas_ = nullptr;
    FreeContext();
    if (handle_) DeleteObject(handle_);
}

int TBitmap::BitsPerPixel() const {
    return FormatBits(pixelFormat_);
}

void TBitmap::FreeContext() {
    if (canvas_) canvas_->SetHandle(nullptr);
    if (dc_) {
        SelectObject(dc_, oldBitmap_);
        DeleteDC(dc_);
    }
    dc_ = nullptr;
    oldBitmap_ = nullptr;
}

HDC TBitmap::MemoryDC() {
    if (!dc_) {
        dc_ = CreateCompatibleDC(nullptr);
        if (dc_ && handle_) oldBitmap_ = SelectObject(dc_, handle_);
    }
    return dc_;
}

void TBitmap::Recreate(int width, int height, TPixelFormat format) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    HBITMAP fresh = nullptr;
    void* bits = nullptr;
    if (width > 0 && height > 0) {
        fresh = CreateDib(width, height, format, &bits);
        if (!fresh) throw EOutOfResources("Out of system resources");
    }
    if (fresh && handle_) {
        // Keep what still fits.
        HDC src = CreateCompatibleDC(nullptr);
        HDC dst = CreateCompatibleDC(nullptr);
        FreeContext();
        HGDIOBJ oldSrc = SelectObject(src, handle_);
        HGDIOBJ oldDst = SelectObject(dst, fresh);
        BitBlt(dst, 0, 0, std::min(width, width_), std::min(height, height_), src, 0, 0, SRCCOPY);
        SelectObject(src, oldSrc);
        SelectObject(dst, oldDst);
        DeleteDC(src);
        DeleteDC(dst);
    }
    FreeContext();
    if (handle_) DeleteObject(handle_);
    handle_ = fresh;
    bits_ = bits;
    // A bitmap keeps the size it was given even while one side is 0 and it holds no pixels, so
    // setting the width and then the height gives the size asked for.
    width_ = width;
    height_ = height;
    pixelFormat_ = format;
    stride_ = ((width_ * FormatBits(format) + 31) / 32) * 4;
}

void TBitmap::SetSize(int width, int height) {
    if (width == width_ && height == height_) return;
    Recreate(width, height, pixelFormat_);
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
    if (value == pixelFormat_) return;
    Recreate(width_, height_, value);
    Changed();
}

void TBitmap::SetMonochrome(bool value) {
    if (value == Monochrome()) return;
    SetPixelFormat(value ? pf1bit : pfDevice);
}

TCanvas* TBitmap::Canvas() {
    if (!canvas_) {
        canvas_ = new TBitmapCanvas(this);
        canvas_->OnChange =
            TNotifyEvent([](void* self, TObject*) { static_cast<TBitmap*>(self)->Changed(); }, this);
    }
    return canvas_;
}

HBITMAP TBitmap::Handle() {
    // The handle may be selected into another DC by the caller; ours lets go of it.
    FreeContext();
    return handle_;
}

void TBitmap::SetHandle(HBITMAP bitmap) {
    if (bitmap == handle_) return;
    DIBSECTION ds;
    BITMAP bm;
    bool isDib = false;
    if (bitmap) {
        const int got = GetObject(bitmap, sizeof(ds), &ds);
        if (got == static_cast<int>(sizeof(ds)) && ds.dsBm.bmBits) {
            isDib = true;
            bm = ds.dsBm;
        } else if (GetObject(bitmap, sizeof(bm), &bm) != static_cast<int>(sizeof(bm))) {
            return;
        }
    }
    FreeContext();
    if (handle_) DeleteObject(handle_);
    handle_ = nullptr;
    bits_ = nullptr;
    width_ = height_ = 0;
    if (bitmap && isDib && ds.dsBmih.biHeight > 0) {
        handle_ = bitmap;
        bits_ = bm.bmBits;
        width_ = bm.bmWidth;
        height_ = bm.bmHeight;
        pixelFormat_ = FormatOfBits(bm.bmBitsPixel, ds.dsBmih.biCompression == BI_BITFIELDS);
        stride_ = bm.bmWidthBytes;
    } else if (bitmap) {
        // Device-dependent or top-down: copy into our own bottom-up layout.
        Recreate(bm.bmWidth, std::abs(bm.bmHeight),
                 FormatOfBits(bm.bmBitsPixel, isDib && ds.dsBmih.biCompression == BI_BITFIELDS));
        if (handle_) {
            HDC src = CreateCompatibleDC(nullptr);
            HGDIOBJ oldSrc = SelectObject(src, bitmap);
            BitBlt(MemoryDC(), 0, 0, width_, height_, src, 0, 0, SRCCOPY);
            SelectObject(src, oldSrc);
            DeleteDC(src);
            FreeContext();
        }
        DeleteObject(bitmap);
    }
    Changed();
}

void* TBitmap::ScanLine(int row) {
    if (!bits_ || row < 0 || row >= height_) throw EInvalidGraphic("Scan line index out of range");
    return static_cast<std::uint8_t*>(bits_) + static_cast<std::size_t>(height_ - 1 - row) * stride_;
}

TColor TBitmap::TransparentColor() {
    if (transparentMode_ == TTransparentMode::tmFixed && transparentColor_ != clDefault)
        return transparentColor_;
    if (Empty()) return clDefault;
    return static_cast<TColor>(GetPixel(MemoryDC(), 0, height_ - 1));
}

void TBitmap::SetTransparentColor(TColor value) {
    if (value == transparentColor_) return;
    transparentColor_ = value;
    transparentMode_ = value == clDefault ? TTransparentMode::tmAuto : TTransparentMode::tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode value) {
    if (value == transparentMode_) return;
    transparentMode_ = value;
    if (value == TTransparentMode::tmAuto) transparentColor_ = clDefault;
    Changed();
}

void TBitmap::Changed() {
    TGraphic::Changed();
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect) {
    if (Empty()) return;
    HDC dest = canvas->Handle();
    HDC src = MemoryDC();
    if (!Transparent()) {
        StretchBlt(dest, rect.Left, rect.Top, rect.Width(), rect.Height(), src, 0, 0, width_, height_,
                   canvas->CopyMode);
        return;
    }
    // Mask of the transparent colour, then dest ^= src; dest &= mask; dest ^= src.
    HBITMAP mask = CreateBitmap(width_, height_, 1, 1, nullptr);
    HDC maskDC = CreateCompatibleDC(nullptr);
    HGDIOBJ oldMask = SelectObject(maskDC, mask);
    const COLORREF oldSrcBk = SetBkColor(src, ColorToRGB(TransparentColor()));
    BitBlt(maskDC, 0, 0, width_, height_, src, 0, 0, SRCCOPY);
    SetBkColor(src, oldSrcBk);
    const COLORREF oldText = SetTextColor(dest, RGB(0, 0, 0));
    const COLORREF oldBk = SetBkColor(dest, RGB(255, 255, 255));
    const int w = rect.Width();
    const int h = rect.Height();
    StretchBlt(dest, rect.Left, rect.Top, w, h, src, 0, 0, width_, height_, SRCINVERT);
    StretchBlt(dest, rect.Left, rect.Top, w, h, maskDC, 0, 0, width_, height_, SRCAND);
    StretchBlt(dest, rect.Left, rect.Top, w, h, src, 0, 0, width_, height_, SRCINVERT);
    SetTextColor(dest, oldText);
    SetBkColor(dest, oldBk);
    SelectObject(maskDC, oldMask);
    DeleteDC(maskDC);
    DeleteObject(mask);
}

void TBitmap::Assign(const TPersistent* source) {
    if (!source) {
        if (!Empty()) {
            Recreate(0, 0, pixelFormat_);
            Changed();
        }
        return;
    }
    if (auto* b = dynamic_cast<const TBitmap*>(source)) {
        if (b == this) return;
        auto* other = const_cast<TBitmap*>(b);
        Recreate(0, 0, other->pixelFormat_);
        Recreate(other->width_, other->height_, other->pixelFormat_);
        if (handle_) {
            if (other->BitsPerPixel() <= 8) {
                // Same layout: rows and colour table copied as they are.
                std::memcpy(bits_, other->bits_, static_cast<std::size_t>(stride_) * height_);
                RGBQUAD table[256];
                const UINT n = GetDIBColorTable(other->MemoryDC(), 0, 256, table);
                if (n > 0) SetDIBColorTable(MemoryDC(), 0, n, table);
            } else {
                BitBlt(MemoryDC(), 0, 0, width_, height_, other->MemoryDC(), 0, 0, SRCCOPY);
            }
        }
        transparentColor_ = b->transparentColor_;
        transparentMode_ = b->transparentMode_;
        if (b->Transparent() != Transparent()) TGraphic::SetTransparent(b->Transparent());
        Changed();
        return;
    }
    TGraphic::Assign(source);
}

void TBitmap::LoadFromStream(TStream& stream) {
    std::vector<std::uint8_t> data;
    std::uint8_t chunk[8192];
    for (;;) {
        const std::int32_t n = stream.Read(chunk, sizeof(chunk));
        if (n <= 0) break;
        data.insert(data.end(), chunk, chunk + n);
    }
    // Nothing left in the stream: the bitmap becomes empty, as an empty bitmap writes nothing.
    if (data.empty()) {
        Assign(nullptr);
        return;
    }
    std::string why;
    HBITMAP bitmap = GdiReadBmp(data.data(), data.size(), &why);
    if (!bitmap) throw EInvalidGraphic("Bitmap image is not valid");
    SetHandle(bitmap);
}

void TBitmap::DefineProperties(TFiler* Filer) {
    Filer->DefineBinaryProperty(
        "Data", [this](TStream* stream) { LoadFromStream(*stream); },
        [this](TStream* stream) { SaveToStream(*stream); }, !Empty());
}

void TBitmap::SaveToStream(TStream& stream) {
    if (Empty()) return;
    std::vector<std::uint8_t> out;
    if (!GdiWriteBmp(Handle(), out)) throw EInvalidGraphic("Bitmap image is not valid");
    stream.WriteBuffer(out.data(), static_cast<std::int32_t>(out.size()));
}

// --- TPicture -------------------------------------------------------------------------------------

TPicture::~TPicture() {
    delete graphic_;
}

void TPicture::GraphicChanged(void* self, TObject*) {
    static_cast<TPicture*>(self)->Changed();
}

void TPicture::Changed() {
    if (OnChange) OnChange(this);
}

void TPicture::Adopt(TGraphic* graphic) {
    TGraphic* old = graphic_;
    graphic_ = graphic;
    if (graphic_) graphic_->OnChange = TNotifyEvent(&TPicture::GraphicChanged, this);
    delete old;
}

void TPicture::Assign(const TPersistent* source) {
    if (!source) {
        Adopt(nullptr);
        Changed();
        return;
    }
    if (auto* p = dynamic_cast<const TPicture*>(source)) {
        if (p == this) return;
        SetGraphic(p->graphic_);
        return;
    }
    if (dynamic_cast<const TGraphic*>(source)) {
        SetGraphic(const_cast<TGraphic*>(static_cast<const TGraphic*>(source)));
        return;
    }
    TPersistent::Assign(source);
}

void TPicture::SetGraphic(TGraphic* value) {
    if (value == graphic_) return;
    TGraphic* copy = nullptr;
    if (value) {
        TGraphic* made = value->NewGraphic();
        std::unique_ptr<TGraphic> own(made ? made : new TBitmap);
        own->Assign(value);
        copy = own.release();
    }
    Adopt(copy);
    Changed();
}

TBitmap* TPicture::Bitmap() {
    if (!dynamic_cast<TBitmap*>(graphic_)) {
        Adopt(new TBitmap);
        Changed();
    }
    return static_cast<TBitmap*>(graphic_);
}

void TPicture::LoadFromFile(const std::string& fileName) {
    const std::string ext = LowerCase(ExtractFileExt(fileName));
    std::unique_ptr<TGraphic> graphic;
    if (ext == ".bmp")
        graphic = std::make_unique<TBitmap>();
    else if (ext == ".jpg" || ext == ".jpeg")
        graphic = std::make_unique<TJPEGImage>();
    else
        throw EInvalidGraphic("Unknown picture file extension (" + ext + ")");
    graphic->LoadFromFile(fileName);
    Adopt(graphic.release());
    Changed();
}

void TPicture::SaveToFile(const std::string& fileName) {
    if (graphic_) graphic_->SaveToFile(fileName);
}
