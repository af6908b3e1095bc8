// The drawing objects behind the handles, the registry that maps handles to them, and the state of
// a device context.
#pragma once

#include "platform/gdi/Bitmap.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Region_p.h"
#include "platform/gdi/Surface_p.h"
#include "platform/gdi/Text.h"

#include <memory>
#include <optional>
#include <vector>

namespace gdi {

class FontFace;

struct Object {
    explicit Object(DWORD t) : type(t) {}
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    const DWORD type;
    bool stock = false;
};

struct PenObject final : Object {
    PenObject() : Object(OBJ_PEN) {}
    int style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
};

struct BrushObject final : Object {
    BrushObject() : Object(OBJ_BRUSH) {}
    UINT style = BS_SOLID;
    COLORREF color = 0;
    int hatch = 0;
    std::shared_ptr<const Surface> pattern;
    HBITMAP patternHandle = nullptr; // as given, for GetObject
};

struct FontObject final : Object {
    FontObject() : Object(OBJ_FONT) {}
    LOGFONT lf{};
    std::shared_ptr<FontFace> face; // realised on first use
};

struct BitmapObject final : Object {
    BitmapObject() : Object(OBJ_BITMAP) {}
    std::shared_ptr<Surface> surface;
    int selections = 0; // DCs holding it; only the stock bitmap may be held by more than one
};

struct RegionObject final : Object {
    RegionObject() : Object(OBJ_REGION) {}
    Region region;
};

struct PaletteObject final : Object {
    PaletteObject() : Object(OBJ_PAL) {}
    std::vector<PALETTEENTRY> entries;
};

struct DcState {
    HPEN penHandle = nullptr;
    std::shared_ptr<PenObject> pen;
    HBRUSH brushHandle = nullptr;
    std::shared_ptr<BrushObject> brush;
    HFONT fontHandle = nullptr;
    std::shared_ptr<FontObject> font;
    HBITMAP bitmapHandle = nullptr;
    std::shared_ptr<BitmapObject> bitmap;
    HPALETTE paletteHandle = nullptr;
    std::shared_ptr<PaletteObject> palette;

    COLORREF textColor = RGB(0, 0, 0);
    COLORREF bkColor = RGB(255, 255, 255);
    int bkMode = OPAQUE;
    int rop2 = R2_COPYPEN;
    int polyFillMode = ALTERNATE;
    int stretchMode = BLACKONWHITE;
    int arcDirection = AD_COUNTERCLOCKWISE;
    UINT textAlign = TA_LEFT | TA_TOP | TA_NOUPDATECP;
    int charExtra = 0;
    POINT pos{};
    POINT brushOrg{};
    POINT viewportOrg{};
    POINT windowOrg{};
    std::optional<Region> clip; // device coordinates
};

class DeviceContext final : public Object {
public:
    explicit DeviceContext(bool memory) : Object(memory ? OBJ_MEMDC : OBJ_DC) {}
    ~DeviceContext() override;

    bool IsMemory() const { return type == OBJ_MEMDC; }
    Surface& Target() const;
    POINT ToDevice(int x, int y) const {
        return POINT{x - st.windowOrg.x + st.viewportOrg.x, y - st.windowOrg.y + st.viewportOrg.y};
    }
    RECT ToDevice(const RECT& r) const;
    int OffsetX() const { return st.viewportOrg.x - st.windowOrg.x; }
    int OffsetY() const { return st.viewportOrg.y - st.windowOrg.y; }
    // What drawing may touch, in device coordinates: the surface within the clip region.
    const Region& Clip() const;
    void ClipChanged() { clipCache_.reset(); }
    // Releases the selected bitmap's hold on it.
    void ReleaseBitmap();

    DcState st;
    std::vector<DcState> saved;
    // The path: open between BeginPath and EndPath, then waiting for the call that draws it.
    // Figures in device coordinates, already flattened.
    enum class PathState { None, Open, Closed } pathState = PathState::None;
    std::vector<std::vector<POINT>> path;
    std::shared_ptr<Surface> display;

private:
    mutable std::optional<Region> clipCache_;
};

// Registry. Handles are never reused; lookups of unknown handles answer null.
void* Register(std::shared_ptr<Object> object);
std::shared_ptr<Object> Lookup(const void* handle);
bool Unregister(const void* handle);

template <class T> std::shared_ptr<T> LookupAs(const void* handle, DWORD type) {
    std::shared_ptr<Object> o = Lookup(handle);
    if (!o || o->type != type) return nullptr;
    return std::static_pointer_cast<T>(o);
}
std::shared_ptr<DeviceContext> LookupDc(HDC dc);

HBRUSH SysColorBrush(int index);
// The 1 x 1 monochrome bitmap every memory DC starts with.
HBITMAP DefaultBitmapHandle();
std::shared_ptr<Surface> DisplaySurface();

// Brush handles below this are system colour indices + 1 (FillRect and friends).
std::shared_ptr<BrushObject> ResolveBrush(HBRUSH brush);

} // namespace gdi
