#include "platform/ui/ResourceBitmaps.h"

#include "platform/rtl/Streams.h"
#include "platform/ui/Graphics.h"
#include "platform/win/Resources.h"

namespace {

std::string Bytes(HRSRC res, const std::string& what) {
    if (!res) throw EResNotFound("Resource " + what + " not found");
    const auto* data = static_cast<const char*>(LockResource(LoadResource(HInstance, res)));
    return std::string(data, SizeofResource(HInstance, res));
}

void Load(TBitmap* Bitmap, const std::string& bytes) {
    TMemoryStream stream(bytes);
    Bitmap->LoadFromStream(stream);
}

} // namespace

std::string ResourceBytes(const std::string& Name, UINT Type) {
    return Bytes(FindResource(HInstance, Name, Type), Name);
}

void LoadBitmapResource(TBitmap* Bitmap, const std::string& Name) {
    Load(Bitmap, ResourceBytes(Name, RT_BITMAP));
}

void LoadBitmapResource(TBitmap* Bitmap, WORD Ident) {
    Load(Bitmap, Bytes(FindResource(HInstance, Ident, RT_BITMAP), std::to_string(Ident)));
}
