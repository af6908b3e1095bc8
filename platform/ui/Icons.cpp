#include "platform/ui/Icons.h"

TIcon::~TIcon() {
    if (handle_) DestroyIcon(handle_);
}

void TIcon::Assign(const TPersistent* source) {
    if (source == this) return;
    if (!source) {
        SetHandle(nullptr);
        return;
    }
    if (const auto* icon = dynamic_cast<const TIcon*>(source)) {
        SetHandle(icon->handle_ ? CopyIcon(icon->handle_) : nullptr);
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::SetHandle(HICON value) {
    if (value == handle_) return;
    if (handle_) DestroyIcon(handle_);
    handle_ = value;
    width_ = height_ = 0;
    ICONINFO info;
    if (handle_ && GetIconInfo(handle_, &info)) {
        BITMAP bm;
        if (GetObject(info.hbmColor, sizeof bm, &bm) == static_cast<int>(sizeof bm)) {
            width_ = bm.bmWidth;
            height_ = bm.bmHeight;
        }
        DeleteObject(info.hbmMask);
        DeleteObject(info.hbmColor);
    }
    Changed();
}

HICON TIcon::ReleaseHandle() {
    const HICON h = handle_;
    handle_ = nullptr;
    width_ = height_ = 0;
    return h;
}

void TIcon::LoadFromStream(TStream&) {
    throw EInvalidGraphic("Icon image is not valid");
}

void TIcon::SaveToStream(TStream&) {
    throw EInvalidGraphic("Icon image is not valid");
}

void TIcon::Draw(TCanvas* canvas, const TRect& rect) {
    if (handle_) DrawIcon(canvas->Handle(), rect.Left, rect.Top, handle_);
}
