#include "platform/gdi/Icon.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Raster.h"

#include <map>
#include <mutex>

namespace {

struct Icon : HICON__ {
    BOOL fIcon = TRUE;
    DWORD xHotspot = 0;
    DWORD yHotspot = 0;
    int width = 0;
    int height = 0;
    HBITMAP mask = nullptr;  // 1 bit per pixel
    HBITMAP color = nullptr; // 32 bits per pixel
    DWORD number = 0;
};

struct Icons {
    std::mutex lock;
    std::map<const HICON__*, DWORD> live; // each live icon with its number
    std::map<DWORD, Icon*> byNumber;
    DWORD lastNumber = 0;
};

Icons& Table() {
    static auto* table = new Icons;
    return *table;
}

bool SizeOf(HBITMAP bitmap, int& width, int& height) {
    BITMAP info;
    if (!bitmap || GetObject(bitmap, sizeof info, &info) != static_cast<int>(sizeof info)) return false;
    width = info.bmWidth;
    height = info.bmHeight;
    return true;
}

// A copy of bitmap at bitsPerPixel; a monochrome source turns black and white (0 and 1) into black
// and white.
HBITMAP Copy(HBITMAP bitmap, int width, int height, UINT bitsPerPixel) {
    const HBITMAP copy = CreateBitmap(width, height, 1, bitsPerPixel, nullptr);
    const HDC src = CreateCompatibleDC(nullptr);
    const HDC dst = CreateCompatibleDC(nullptr);
    const HGDIOBJ oldSrc = SelectObject(src, bitmap);
    const HGDIOBJ oldDst = SelectObject(dst, copy);
    SetTextColor(dst, 0x000000);
    SetBkColor(dst, 0xFFFFFF);
    BitBlt(dst, 0, 0, width, height, src, 0, 0, SRCCOPY);
    SelectObject(src, oldSrc);
    SelectObject(dst, oldDst);
    DeleteDC(src);
    DeleteDC(dst);
    return copy;
}

const Icon* Live(HICON icon) {
    Icons& t = Table();
    std::lock_guard<std::mutex> g(t.lock);
    return t.live.count(icon) ? static_cast<const Icon*>(icon) : nullptr;
}

HICON Make(const ICONINFO& info, int width, int height) {
    auto* icon = new Icon;
    icon->fIcon = info.fIcon;
    icon->xHotspot = info.xHotspot;
    icon->yHotspot = info.yHotspot;
    icon->width = width;
    icon->height = height;
    icon->mask = Copy(info.hbmMask, width, height, 1);
    icon->color = Copy(info.hbmColor, width, height, 32);
    Icons& t = Table();
    std::lock_guard<std::mutex> g(t.lock);
    icon->number = ++t.lastNumber;
    t.live.emplace(icon, icon->number);
    t.byNumber.emplace(icon->number, icon);
    return icon;
}

} // namespace

HICON CreateIconIndirect(const ICONINFO* info) {
    int mw = 0, mh = 0, cw = 0, ch = 0;
    if (!info || !SizeOf(info->hbmMask, mw, mh) || !SizeOf(info->hbmColor, cw, ch) || mw != cw || mh != ch)
        return nullptr;
    return Make(*info, cw, ch);
}

HICON CopyIcon(HICON icon) {
    const Icon* i = Live(icon);
    if (!i) return nullptr;
    ICONINFO info{i->fIcon, i->xHotspot, i->yHotspot, i->mask, i->color};
    return Make(info, i->width, i->height);
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
    const Icon* i = Live(icon);
    if (!i || !info) return FALSE;
    info->fIcon = i->fIcon;
    info->xHotspot = i->xHotspot;
    info->yHotspot = i->yHotspot;
    info->hbmMask = Copy(i->mask, i->width, i->height, 1);
    info->hbmColor = Copy(i->color, i->width, i->height, 32);
    return TRUE;
}

BOOL DestroyIcon(HICON icon) {
    {
        Icons& t = Table();
        std::lock_guard<std::mutex> g(t.lock);
        if (!t.live.erase(icon)) return FALSE;
        t.byNumber.erase(static_cast<Icon*>(icon)->number);
    }
    auto* i = static_cast<Icon*>(icon);
    DeleteObject(i->mask);
    DeleteObject(i->color);
    delete i;
    return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
    const Icon* i = Live(icon);
    if (!i || !dc) return FALSE;
    const HDC src = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(src, i->mask);
    const COLORREF text = SetTextColor(dc, 0x000000);
    const COLORREF back = SetBkColor(dc, 0xFFFFFF);
    BitBlt(dc, x, y, i->width, i->height, src, 0, 0, SRCAND);
    SelectObject(src, i->color);
    BitBlt(dc, x, y, i->width, i->height, src, 0, 0, SRCINVERT);
    SetTextColor(dc, text);
    SetBkColor(dc, back);
    SelectObject(src, old);
    DeleteDC(src);
    return TRUE;
}

DWORD IconHandleValue(HICON icon) {
    Icons& t = Table();
    std::lock_guard<std::mutex> g(t.lock);
    const auto it = t.live.find(icon);
    return it == t.live.end() ? 0 : it->second;
}

HICON IconFromHandleValue(DWORD value) {
    Icons& t = Table();
    std::lock_guard<std::mutex> g(t.lock);
    const auto it = t.byNumber.find(value);
    return it == t.byNumber.end() ? nullptr : it->second;
}
