// An icon as the class library holds one: an icon handle of the drawing layer (platform/gdi/Icon.h),
// drawn on a canvas at its own size.
#pragma once

#include "platform/gdi/Icon.h"
#include "platform/ui/Graphics.h"

class TIcon : public TGraphic {
public:
    TIcon() = default;
    ~TIcon() override;
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    // Another icon: a copy of its image; nullptr: empty.
    void Assign(const TPersistent* source) override;

    bool Empty() const override { return handle_ == nullptr; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    // An icon keeps the size of its image.
    void SetWidth(int) override {}
    void SetHeight(int) override {}

    // The icon keeps owning the handle.
    HICON Handle() const { return handle_; }
    // Takes ownership of an icon handle (null: empty).
    void SetHandle(HICON value);
    // Hands the handle over to the caller; the icon is empty afterwards.
    HICON ReleaseHandle();

    // Icon files of one image: a 32-bit colour image with its AND mask. The rest of the stream is
    // read; no data gives an empty icon, anything else that is not such a file raises
    // EInvalidGraphic. An empty icon writes nothing.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // Streamed as "Data": the icon file, nothing for an empty icon.
    void DefineProperties(TFiler* Filer) override;

protected:
    void Draw(TCanvas* canvas, const TRect& rect) override;

private:
    HICON handle_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};
