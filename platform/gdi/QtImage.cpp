#include "platform/gdi/QtImage.h"

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Objects_p.h"

#include <QString>

#include <bit>
#include <cstring>

using namespace gdi;

namespace {

QImage ToImage(const Surface& s) {
    QImage image(s.Width(), s.Height(), QImage::Format_RGB32);
    if (image.isNull()) return image;
    for (int y = 0; y < s.Height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        if (std::endian::native == std::endian::little && s.Bpp() == 32) {
            // Same word layout as the surface; only the unused byte becomes opaque alpha.
            std::memcpy(line, s.Row(y), static_cast<std::size_t>(s.Width()) * 4);
            for (int x = 0; x < s.Width(); ++x) line[x] |= 0xFF000000u;
            continue;
        }
        for (int x = 0; x < s.Width(); ++x) {
            const COLORREF c = s.ToColor(s.Get(x, y));
            line[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        }
    }
    return image;
}

} // namespace

QImage GdiToQImage(HBITMAP bitmap) {
    std::shared_ptr<BitmapObject> b = LookupAs<BitmapObject>(bitmap, OBJ_BITMAP);
    return b ? ToImage(*b->surface) : QImage();
}

QImage GdiToQImage(HDC dc) {
    std::shared_ptr<DeviceContext> d = LookupDc(dc);
    return d ? ToImage(d->Target()) : QImage();
}

QImage GdiIconToQImage(HICON icon) {
    ICONINFO info;
    if (!GetIconInfo(icon, &info)) return QImage();
    const QImage mask = GdiToQImage(info.hbmMask);
    QImage image = GdiToQImage(info.hbmColor).convertToFormat(QImage::Format_ARGB32);
    DeleteObject(info.hbmMask);
    DeleteObject(info.hbmColor);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const auto* m = reinterpret_cast<const QRgb*>(mask.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((m[x] & 0xFFFFFF) != 0 && (line[x] & 0xFFFFFF) == 0) line[x] = 0;
    }
    return image;
}

HBITMAP GdiFromQImage(const QImage& image) {
    if (image.isNull()) return nullptr;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    std::shared_ptr<Surface> s = Surface::Create(rgb.width(), rgb.height(), 32, true, true);
    if (!s) return nullptr;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) s->Set(x, y, line[x] & 0xFFFFFF);
    }
    auto object = std::make_shared<BitmapObject>();
    object->surface = std::move(s);
    return static_cast<HBITMAP>(Register(object));
}

bool GdiSavePng(HBITMAP bitmap, const std::string& path) {
    const QImage image = GdiToQImage(bitmap);
    return !image.isNull() && image.save(QString::fromStdString(path), "PNG");
}

bool GdiSavePng(HDC dc, const std::string& path) {
    const QImage image = GdiToQImage(dc);
    return !image.isNull() && image.save(QString::fromStdString(path), "PNG");
}
