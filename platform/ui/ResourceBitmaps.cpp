#include "platform/ui/ResourceBitmaps.h"

#include "platform/rtl/Streams.h"
#include "platform/ui/Graphics.h"
#include "platform/win/Resources.h"

std::string ResourceBytes(const std::string& Name, UINT Type) {
    HRSRC res = FindResource(HInstance, Name, Type);
    if (!res) throw EResNotFound("Resource " + Name + " not found");
    const auto* data = static_cast<const char*>(LockResource(LoadResource(HInstance, res)));
    return std::string(data, SizeofResource(HInstance, res));
}

void LoadBitmapResource(TBitmap* Bitmap, const std::string& Name) {
    TMemoryStream stream(ResourceBytes(Name, RT_BITMAP));
    Bitmap->LoadFromStream(stream);
}
