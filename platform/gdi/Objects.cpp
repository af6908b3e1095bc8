#include "platform/gdi/Objects_p.h"

#include "platform/gdi/Region.h"
#include "platform/gdi/System.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace gdi {

namespace {

class Registry {
public:
    void* Add(std::shared_ptr<Object> object) {
        std::lock_guard lock(mutex_);
        next_ += 0x10;
        objects_.emplace(next_, std::move(object));
        return reinterpret_cast<void*>(next_);
    }
    std::shared_ptr<Object> Find(const void* handle) {
        std::lock_guard lock(mutex_);
        auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
        return it == objects_.end() ? nullptr : it->second;
    }
    bool Remove(const void* handle) {
        std::shared_ptr<Object> doomed;
        {
            std::lock_guard lock(mutex_);
            auto it = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
            if (it == objects_.end()) return false;
            doomed = std::move(it->second);
            objects_.erase(it);
        }
        return true; // the object dies outside the lock
    }

private:
    std::mutex mutex_;
    std::unordered_map<std::uintptr_t, std::shared_ptr<Object>> objects_;
    std::uintptr_t next_ = 0x10000;
};

Registry& TheRegistry() {
    static Registry* registry = new Registry(); // outlives every static that may delete objects
    return *registry;
}

template <class T> T* StockHandle(std::shared_ptr<Object> object) {
    object->stock = true;
    return static_cast<T*>(Register(std::move(object)));
}

HPEN MakeStockPen(int style, COLORREF color) {
    auto pen = std::make_shared<PenObject>();
    pen->style = style;
    pen->color = color;
    return StockHandle<HPEN__>(pen);
}

HBRUSH MakeStockBrush(UINT style, COLORREF color) {
    auto brush = std::make_shared<BrushObject>();
    brush->style = style;
    brush->color = color;
    return StockHandle<HBRUSH__>(brush);
}

HFONT MakeStockFont(const char* face, int height, int weight, BYTE pitch) {
    auto font = std::make_shared<FontObject>();
    font->lf.lfHeight = height;
    font->lf.lfWeight = weight;
    font->lf.lfPitchAndFamily = pitch;
    std::strncpy(font->lf.lfFaceName, face, LF_FACESIZE - 1);
    return StockHandle<HFONT__>(font);
}

struct StockObjects {
    HGDIOBJ objects[18] = {};
    HBRUSH sysBrushes[31] = {};
    HBITMAP defaultBitmap = nullptr;

    StockObjects() {
        objects[WHITE_BRUSH] = MakeStockBrush(BS_SOLID, RGB(255, 255, 255));
        objects[LTGRAY_BRUSH] = MakeStockBrush(BS_SOLID, RGB(192, 192, 192));
        objects[GRAY_BRUSH] = MakeStockBrush(BS_SOLID, RGB(128, 128, 128));
        objects[DKGRAY_BRUSH] = MakeStockBrush(BS_SOLID, RGB(64, 64, 64));
        objects[BLACK_BRUSH] = MakeStockBrush(BS_SOLID, RGB(0, 0, 0));
        objects[NULL_BRUSH] = MakeStockBrush(BS_NULL, 0);
        objects[WHITE_PEN] = MakeStockPen(PS_SOLID, RGB(255, 255, 255));
        objects[BLACK_PEN] = MakeStockPen(PS_SOLID, RGB(0, 0, 0));
        objects[NULL_PEN] = MakeStockPen(PS_NULL, 0);
        objects[OEM_FIXED_FONT] = MakeStockFont("Terminal", 12, FW_NORMAL, FIXED_PITCH | FF_MODERN);
        objects[ANSI_FIXED_FONT] = MakeStockFont("Courier", 13, FW_NORMAL, FIXED_PITCH | FF_MODERN);
        objects[ANSI_VAR_FONT] = MakeStockFont("MS Sans Serif", 13, FW_NORMAL, VARIABLE_PITCH | FF_SWISS);
        objects[SYSTEM_FONT] = MakeStockFont("System", 16, FW_BOLD, VARIABLE_PITCH | FF_SWISS);
        objects[DEVICE_DEFAULT_FONT] = MakeStockFont("System", 16, FW_BOLD, VARIABLE_PITCH | FF_SWISS);
        objects[SYSTEM_FIXED_FONT] = MakeStockFont("Fixedsys", 15, FW_NORMAL, FIXED_PITCH | FF_MODERN);
        objects[DEFAULT_GUI_FONT] = MakeStockFont("MS Sans Serif", -11, FW_NORMAL, VARIABLE_PITCH | FF_SWISS);
        {
            auto palette = std::make_shared<PaletteObject>();
            for (const RGBQUAD& q : Surface::DefaultPalette(4))
                palette->entries.push_back(PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0});
            objects[DEFAULT_PALETTE] = StockHandle<HPALETTE__>(palette);
        }
        for (int i = 0; i < 31; ++i) sysBrushes[i] = MakeStockBrush(BS_SOLID, GetSysColor(i));
        auto bitmap = std::make_shared<BitmapObject>();
        bitmap->surface = Surface::Create(1, 1, 1, true, false);
        defaultBitmap = StockHandle<HBITMAP__>(bitmap);
    }
};

StockObjects& Stock() {
    static StockObjects stock;
    return stock;
}

} // namespace

void* Register(std::shared_ptr<Object> object) {
    return TheRegistry().Add(std::move(object));
}
std::shared_ptr<Object> Lookup(const void* handle) {
    return handle ? TheRegistry().Find(handle) : nullptr;
}
bool Unregister(const void* handle) {
    return TheRegistry().Remove(handle);
}

std::shared_ptr<DeviceContext> LookupDc(HDC dc) {
    std::shared_ptr<Object> o = Lookup(dc);
    if (!o || (o->type != OBJ_DC && o->type != OBJ_MEMDC)) return nullptr;
    return std::static_pointer_cast<DeviceContext>(o);
}

HBRUSH SysColorBrush(int index) {
    return Stock().sysBrushes[index];
}
HBITMAP DefaultBitmapHandle() {
    return Stock().defaultBitmap;
}

std::shared_ptr<Surface> DisplaySurface() {
    static std::shared_ptr<Surface> display = Surface::Create(1280, 1024, 32, true, false);
    return display;
}

std::shared_ptr<BrushObject> ResolveBrush(HBRUSH brush) {
    const auto value = reinterpret_cast<std::uintptr_t>(brush);
    if (value >= 1 && value <= 31)
        return LookupAs<BrushObject>(SysColorBrush(static_cast<int>(value - 1)), OBJ_BRUSH);
    return LookupAs<BrushObject>(brush, OBJ_BRUSH);
}

DeviceContext::~DeviceContext() {
    ReleaseBitmap();
}

void DeviceContext::ReleaseBitmap() {
    if (st.bitmap && st.bitmap->selections > 0) --st.bitmap->selections;
}

Surface& DeviceContext::Target() const {
    if (IsMemory()) return *st.bitmap->surface;
    return *display;
}

RECT DeviceContext::ToDevice(const RECT& r) const {
    const int dx = OffsetX(), dy = OffsetY();
    return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

const Region& DeviceContext::Clip() const {
    if (!clipCache_) {
        const Surface& s = Target();
        Region all = Region::FromRect(0, 0, s.Width(), s.Height());
        clipCache_ = st.clip ? Region::Combine(all, *st.clip, Region::Op::And) : all;
    }
    return *clipCache_;
}

} // namespace gdi

using namespace gdi;

namespace {

std::shared_ptr<DeviceContext> NewDc(bool memory) {
    auto dc = std::make_shared<DeviceContext>(memory);
    StockObjects& stock = Stock();
    dc->st.penHandle = static_cast<HPEN>(stock.objects[BLACK_PEN]);
    dc->st.pen = LookupAs<PenObject>(dc->st.penHandle, OBJ_PEN);
    dc->st.brushHandle = static_cast<HBRUSH>(stock.objects[WHITE_BRUSH]);
    dc->st.brush = LookupAs<BrushObject>(dc->st.brushHandle, OBJ_BRUSH);
    dc->st.fontHandle = static_cast<HFONT>(stock.objects[SYSTEM_FONT]);
    dc->st.font = LookupAs<FontObject>(dc->st.fontHandle, OBJ_FONT);
    dc->st.paletteHandle = static_cast<HPALETTE>(stock.objects[DEFAULT_PALETTE]);
    dc->st.palette = LookupAs<PaletteObject>(dc->st.paletteHandle, OBJ_PAL);
    if (memory) {
        dc->st.bitmapHandle = stock.defaultBitmap;
        dc->st.bitmap = LookupAs<BitmapObject>(stock.defaultBitmap, OBJ_BITMAP);
        ++dc->st.bitmap->selections;
    } else {
        dc->display = DisplaySurface();
    }
    return dc;
}

template <class F>
auto WithDc(HDC handle, decltype(std::declval<F>()(std::declval<DeviceContext&>())) fail, F f) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    if (!dc) return fail;
    return f(*dc);
}

} // namespace

HDC CreateCompatibleDC(HDC dc) {
    if (dc && !LookupDc(dc)) return nullptr;
    return static_cast<HDC>(Register(NewDc(true)));
}

HDC CreateDC(const char* driver, const char*, const char*, const void*) {
    if (!driver || std::strcmp(driver, "DISPLAY") != 0) return nullptr;
    return static_cast<HDC>(Register(NewDc(false)));
}

BOOL DeleteDC(HDC dc) {
    if (!LookupDc(dc)) return FALSE;
    return Unregister(dc) ? TRUE : FALSE;
}

int GetDeviceCaps(HDC handle, int index) {
    if (!LookupDc(handle)) return 0;
    switch (index) {
    case HORZSIZE:
        return 339;
    case VERTSIZE:
        return 271;
    case HORZRES:
        return GetSystemMetrics(SM_CXSCREEN);
    case VERTRES:
        return GetSystemMetrics(SM_CYSCREEN);
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_DI_BITMAP | RC_DIBTODEV | RC_STRETCHBLT | RC_STRETCHDIB;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case COLORRES:
        return 24;
    default:
        return 0;
    }
}

HGDIOBJ GetStockObject(int object) {
    if (object < 0 || object >= 18) return nullptr;
    return Stock().objects[object];
}

HGDIOBJ SelectObject(HDC handle, HGDIOBJ object) {
    std::shared_ptr<DeviceContext> dc = LookupDc(handle);
    std::shared_ptr<Object> o = Lookup(object);
    if (!dc || !o) return nullptr;
    DcState& st = dc->st;
    switch (o->type) {
    case OBJ_PEN: {
        HGDIOBJ old = st.penHandle;
        st.penHandle = static_cast<HPEN>(object);
        st.pen = std::static_pointer_cast<PenObject>(o);
        return old;
    }
    case OBJ_BRUSH: {
        HGDIOBJ old = st.brushHandle;
        st.brushHandle = static_cast<HBRUSH>(object);
        st.brush = std::static_pointer_cast<BrushObject>(o);
        return old;
    }
    case OBJ_FONT: {
        HGDIOBJ old = st.fontHandle;
        st.fontHandle = static_cast<HFONT>(object);
        st.font = std::static_pointer_cast<FontObject>(o);
        return old;
    }
    case OBJ_BITMAP: {
        if (!dc->IsMemory()) return nullptr;
        auto bitmap = std::static_pointer_cast<BitmapObject>(o);
        if (bitmap == st.bitmap) return object;
        if (bitmap->selections > 0 && !bitmap->stock) return nullptr;
        HGDIOBJ old = st.bitmapHandle;
        dc->ReleaseBitmap();
        st.bitmapHandle = static_cast<HBITMAP>(object);
        st.bitmap = bitmap;
        ++bitmap->selections;
        dc->ClipChanged();
        return old;
    }
    case OBJ_REGION: {
        const int kind = SelectClipRgn(handle, static_cast<HRGN>(object));
        return reinterpret_cast<HGDIOBJ>(static_cast<std::intptr_t>(kind));
    }
    default:
        return nullptr;
    }
}

BOOL DeleteObject(HGDIOBJ object) {
    std::shared_ptr<Object> o = Lookup(object);
    if (!o || o->type == OBJ_DC || o->type == OBJ_MEMDC) return FALSE;
    if (o->stock) return TRUE;
    if (o->type == OBJ_BITMAP && std::static_pointer_cast<BitmapObject>(o)->selections > 0) return FALSE;
    return Unregister(object) ? TRUE : FALSE;
}

DWORD GetObjectType(HGDIOBJ object) {
    std::shared_ptr<Object> o = Lookup(object);
    return o ? o->type : 0;
}

HGDIOBJ GetCurrentObject(HDC handle, UINT type) {
    return WithDc(handle, HGDIOBJ{}, [type](DeviceContext& dc) -> HGDIOBJ {
        switch (type) {
        case OBJ_PEN:
            return dc.st.penHandle;
        case OBJ_BRUSH:
            return dc.st.brushHandle;
        case OBJ_FONT:
            return dc.st.fontHandle;
        case OBJ_BITMAP:
            return dc.st.bitmapHandle;
        case OBJ_PAL:
            return dc.st.paletteHandle;
        default:
            return nullptr;
        }
    });
}

int GetObject(HGDIOBJ object, int size, void* buffer) {
    std::shared_ptr<Object> o = Lookup(object);
    if (!o || size < 0) return 0;
    auto copyOut = [&](const void* src, int full) -> int {
        if (!buffer) return full;
        const int n = std::min(size, full);
        std::memcpy(buffer, src, static_cast<std::size_t>(n));
        return n;
    };
    switch (o->type) {
    case OBJ_PEN: {
        auto pen = std::static_pointer_cast<PenObject>(o);
        LOGPEN lp{static_cast<UINT>(pen->style), POINT{pen->width, 0}, pen->color};
        if (buffer && size < static_cast<int>(sizeof lp)) return 0;
        return copyOut(&lp, sizeof lp);
    }
    case OBJ_BRUSH: {
        auto brush = std::static_pointer_cast<BrushObject>(o);
        LOGBRUSH lb{brush->style, brush->color,
                    brush->style == BS_PATTERN ? reinterpret_cast<ULONG_PTR>(brush->patternHandle)
                                               : static_cast<ULONG_PTR>(brush->hatch)};
        if (buffer && size < static_cast<int>(sizeof lb)) return 0;
        return copyOut(&lb, sizeof lb);
    }
    case OBJ_FONT:
        return copyOut(&std::static_pointer_cast<FontObject>(o)->lf, sizeof(LOGFONT));
    case OBJ_PAL: {
        const WORD count = static_cast<WORD>(std::static_pointer_cast<PaletteObject>(o)->entries.size());
        if (buffer && size < 2) return 0;
        return copyOut(&count, sizeof count);
    }
    case OBJ_BITMAP: {
        const Surface& s = *std::static_pointer_cast<BitmapObject>(o)->surface;
        DIBSECTION ds{};
        ds.dsBm.bmWidth = s.Width();
        ds.dsBm.bmHeight = s.Height();
        ds.dsBm.bmWidthBytes = s.Stride();
        ds.dsBm.bmPlanes = 1;
        ds.dsBm.bmBitsPixel = static_cast<WORD>(s.Bpp());
        if (s.IsDib()) {
            ds.dsBm.bmBits = const_cast<std::uint8_t*>(s.Bits());
            ds.dsBmih.biWidth = s.Width();
            ds.dsBmih.biHeight = s.TopDown() ? -s.Height() : s.Height();
            ds.dsBmih.biBitCount = static_cast<WORD>(s.Bpp());
            if (s.Bpp() == 16) {
                ds.dsBmih.biCompression = s.Green6() ? BI_BITFIELDS : BI_RGB;
                ds.dsBitfields[0] = s.Green6() ? 0xF800 : 0x7C00;
                ds.dsBitfields[1] = s.Green6() ? 0x7E0 : 0x3E0;
                ds.dsBitfields[2] = 0x1F;
            }
            ds.dsBmih.biSizeImage = static_cast<DWORD>(s.BitsSize());
            ds.dsBmih.biClrUsed = s.Indexed() ? static_cast<DWORD>(s.Palette().size()) : 0;
            if (!buffer) return sizeof ds;
            if (size >= static_cast<int>(sizeof ds)) return copyOut(&ds, sizeof ds);
        }
        if (!buffer) return sizeof(BITMAP);
        if (size < static_cast<int>(sizeof(BITMAP))) return 0;
        return copyOut(&ds.dsBm, sizeof(BITMAP));
    }
    default:
        return 0;
    }
}

HPEN CreatePen(int style, int width, COLORREF color) {
    const int base = style & PS_STYLE_MASK;
    if (base > PS_INSIDEFRAME) return nullptr;
    auto pen = std::make_shared<PenObject>();
    pen->style = base;
    pen->width = std::max(width, 1);
    // Only solid, inside-frame and null pens can be wide: a wider styled pen draws solid.
    if (pen->width > 1 && base >= PS_DASH && base <= PS_DASHDOTDOT) pen->style = PS_SOLID;
    pen->color = color & 0xFFFFFF;
    return static_cast<HPEN>(Register(pen));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
    if (!pen) return nullptr;
    return CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto brush = std::make_shared<BrushObject>();
    brush->color = color & 0xFFFFFF;
    return static_cast<HBRUSH>(Register(brush));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
    if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
    auto brush = std::make_shared<BrushObject>();
    brush->style = BS_HATCHED;
    brush->hatch = hatch;
    brush->color = color & 0xFFFFFF;
    return static_cast<HBRUSH>(Register(brush));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
    auto bmp = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
    if (!bmp || bmp->surface->Width() == 0 || bmp->surface->Height() == 0) return nullptr;
    auto brush = std::make_shared<BrushObject>();
    brush->style = BS_PATTERN;
    brush->pattern = bmp->surface->Clone();
    brush->patternHandle = bitmap;
    return static_cast<HBRUSH>(Register(brush));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
    if (!brush) return nullptr;
    switch (brush->lbStyle) {
    case BS_SOLID:
        return CreateSolidBrush(brush->lbColor);
    case BS_NULL: {
        auto b = std::make_shared<BrushObject>();
        b->style = BS_NULL;
        return static_cast<HBRUSH>(Register(b));
    }
    case BS_HATCHED:
        return CreateHatchBrush(static_cast<int>(brush->lbHatch), brush->lbColor);
    case BS_PATTERN:
        return CreatePatternBrush(reinterpret_cast<HBITMAP>(brush->lbHatch));
    default:
        return nullptr;
    }
}

#define VX_DC_ACCESSOR(Type, SetName, GetName, field, failValue)                                             \
    Type SetName(HDC handle, Type value) {                                                                   \
        return WithDc(handle, static_cast<Type>(failValue), [value](DeviceContext& dc) {                     \
            Type old = dc.st.field;                                                                          \
            dc.st.field = value;                                                                             \
            return old;                                                                                      \
        });                                                                                                  \
    }                                                                                                        \
    Type GetName(HDC handle) {                                                                               \
        return WithDc(handle, static_cast<Type>(failValue), [](DeviceContext& dc) { return dc.st.field; });  \
    }

VX_DC_ACCESSOR(COLORREF, SetTextColor, GetTextColor, textColor, CLR_INVALID)
VX_DC_ACCESSOR(COLORREF, SetBkColor, GetBkColor, bkColor, CLR_INVALID)
VX_DC_ACCESSOR(int, SetStretchBltMode, GetStretchBltMode, stretchMode, 0)
VX_DC_ACCESSOR(int, SetTextCharacterExtra, GetTextCharacterExtra, charExtra, 0x80000000)
VX_DC_ACCESSOR(UINT, SetTextAlign, GetTextAlign, textAlign, 0xFFFFFFFF)
#undef VX_DC_ACCESSOR

int SetBkMode(HDC handle, int mode) {
    if (mode != TRANSPARENT && mode != OPAQUE) return 0;
    return WithDc(handle, 0, [mode](DeviceContext& dc) { return std::exchange(dc.st.bkMode, mode); });
}
int GetBkMode(HDC handle) {
    return WithDc(handle, 0, [](DeviceContext& dc) { return dc.st.bkMode; });
}

int SetROP2(HDC handle, int mode) {
    if (mode < R2_BLACK || mode > R2_WHITE) return 0;
    return WithDc(handle, 0, [mode](DeviceContext& dc) { return std::exchange(dc.st.rop2, mode); });
}
int GetROP2(HDC handle) {
    return WithDc(handle, 0, [](DeviceContext& dc) { return dc.st.rop2; });
}

int SetPolyFillMode(HDC handle, int mode) {
    if (mode != ALTERNATE && mode != WINDING) return 0;
    return WithDc(handle, 0, [mode](DeviceContext& dc) { return std::exchange(dc.st.polyFillMode, mode); });
}
int GetPolyFillMode(HDC handle) {
    return WithDc(handle, 0, [](DeviceContext& dc) { return dc.st.polyFillMode; });
}

int SetArcDirection(HDC handle, int direction) {
    if (direction != AD_COUNTERCLOCKWISE && direction != AD_CLOCKWISE) return 0;
    return WithDc(handle, 0,
                  [direction](DeviceContext& dc) { return std::exchange(dc.st.arcDirection, direction); });
}
int GetArcDirection(HDC handle) {
    return WithDc(handle, 0, [](DeviceContext& dc) { return dc.st.arcDirection; });
}

namespace {

BOOL SetPointField(HDC handle, POINT DcState::*field, POINT value, POINT* old, bool clipMoves) {
    return WithDc(handle, FALSE, [&](DeviceContext& dc) {
        if (old) *old = dc.st.*field;
        dc.st.*field = value;
        if (clipMoves) dc.ClipChanged();
        return TRUE;
    });
}

BOOL GetPointField(HDC handle, POINT DcState::*field, POINT* out) {
    return WithDc(handle, FALSE, [&](DeviceContext& dc) {
        if (out) *out = dc.st.*field;
        return TRUE;
    });
}

} // namespace

BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old) {
    return SetPointField(dc, &DcState::brushOrg, POINT{x, y}, old, false);
}
BOOL GetBrushOrgEx(HDC dc, POINT* org) {
    return GetPointField(dc, &DcState::brushOrg, org);
}
BOOL MoveToEx(HDC dc, int x, int y, POINT* old) {
    return SetPointField(dc, &DcState::pos, POINT{x, y}, old, false);
}
BOOL GetCurrentPositionEx(HDC dc, POINT* pos) {
    return GetPointField(dc, &DcState::pos, pos);
}
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old) {
    return SetPointField(dc, &DcState::viewportOrg, POINT{x, y}, old, false);
}
BOOL GetViewportOrgEx(HDC dc, POINT* org) {
    return GetPointField(dc, &DcState::viewportOrg, org);
}
BOOL OffsetViewportOrgEx(HDC handle, int dx, int dy, POINT* old) {
    return WithDc(handle, FALSE, [&](DeviceContext& dc) {
        if (old) *old = dc.st.viewportOrg;
        dc.st.viewportOrg.x += dx;
        dc.st.viewportOrg.y += dy;
        return TRUE;
    });
}
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old) {
    return SetPointField(dc, &DcState::windowOrg, POINT{x, y}, old, false);
}
BOOL GetWindowOrgEx(HDC dc, POINT* org) {
    return GetPointField(dc, &DcState::windowOrg, org);
}
BOOL OffsetWindowOrgEx(HDC handle, int dx, int dy, POINT* old) {
    return WithDc(handle, FALSE, [&](DeviceContext& dc) {
        if (old) *old = dc.st.windowOrg;
        dc.st.windowOrg.x += dx;
        dc.st.windowOrg.y += dy;
        return TRUE;
    });
}

BOOL LPtoDP(HDC handle, POINT* points, int count) {
    if (!points || count < 0) return FALSE;
    return WithDc(handle, FALSE, [&](DeviceContext& dc) {
        for (int i = 0; i < count; ++i) points[i] = dc.ToDevice(points[i].x, points[i].y);
        return TRUE;
    });
}

BOOL DPtoLP(HDC handle, POINT* points, int count) {
    if (!points || count < 0) return FALSE;
    return WithDc(handle, FALSE, [&](DeviceContext& dc) {
        for (int i = 0; i < count; ++i) {
            points[i].x -= dc.OffsetX();
            points[i].y -= dc.OffsetY();
        }
        return TRUE;
    });
}

int SaveDC(HDC handle) {
    return WithDc(handle, 0, [](DeviceContext& dc) {
        dc.saved.push_back(dc.st);
        return static_cast<int>(dc.saved.size());
    });
}

BOOL RestoreDC(HDC handle, int level) {
    return WithDc(handle, FALSE, [level](DeviceContext& dc) {
        const int count = static_cast<int>(dc.saved.size());
        const int target = level < 0 ? count + 1 + level : level;
        if (level == 0 || target < 1 || target > count) return FALSE;
        DcState restored = std::move(dc.saved[static_cast<std::size_t>(target - 1)]);
        dc.saved.resize(static_cast<std::size_t>(target - 1));
        if (restored.bitmap != dc.st.bitmap) {
            dc.ReleaseBitmap();
            ++restored.bitmap->selections;
        }
        dc.st = std::move(restored);
        dc.ClipChanged();
        return TRUE;
    });
}
