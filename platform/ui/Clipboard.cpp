#include "platform/ui/Clipboard.h"

#include "platform/ui/Widgets_p.h"
#include "platform/ui/Win1252.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstring>
#include <string>

namespace {

struct ClipboardState {
    bool open = false;
    HGLOBAL got = nullptr; // handed out by GetClipboardData, freed at close
};

ClipboardState& State() {
    static ClipboardState s;
    return s;
}

QClipboard* QtClipboard() {
    EnsureQtApplication();
    return QGuiApplication::clipboard();
}

} // namespace

BOOL OpenClipboard(HWND) {
    ClipboardState& s = State();
    if (s.open) return FALSE;
    s.open = true;
    return TRUE;
}

BOOL CloseClipboard() {
    ClipboardState& s = State();
    if (!s.open) return FALSE;
    s.open = false;
    if (s.got) GlobalFree(s.got);
    s.got = nullptr;
    return TRUE;
}

BOOL EmptyClipboard() {
    if (!State().open) return FALSE;
    QtClipboard()->clear();
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE mem) {
    if (!State().open || format != CF_TEXT || !mem) return 0;
    const auto* bytes = static_cast<const char*>(GlobalLock(reinterpret_cast<HGLOBAL>(mem)));
    if (!bytes) return 0;
    const std::size_t size = GlobalSize(reinterpret_cast<HGLOBAL>(mem));
    const std::string text(bytes, strnlen(bytes, size));
    GlobalUnlock(reinterpret_cast<HGLOBAL>(mem));
    QtClipboard()->setText(Win1252ToQString(text));
    GlobalFree(reinterpret_cast<HGLOBAL>(mem));
    return mem;
}

HANDLE GetClipboardData(UINT format) {
    ClipboardState& s = State();
    if (!s.open || format != CF_TEXT) return 0;
    const QMimeData* data = QtClipboard()->mimeData();
    if (!data || !data->hasText()) return 0;
    const std::string text = QStringToWin1252(data->text());
    if (s.got) GlobalFree(s.got);
    s.got = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!s.got) return 0;
    std::memcpy(GlobalLock(s.got), text.c_str(), text.size() + 1);
    GlobalUnlock(s.got);
    return reinterpret_cast<HANDLE>(s.got);
}

BOOL IsClipboardFormatAvailable(UINT format) {
    if (format != CF_TEXT) return FALSE;
    const QMimeData* data = QtClipboard()->mimeData();
    return data && data->hasText() ? TRUE : FALSE;
}
