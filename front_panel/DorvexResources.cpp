#include "front_panel/DorvexResources.h"

#include "platform/rtl/Streams.h"
#include "platform/ui/Graphics.h"
#include "platform/win/Resources.h"

void LoadBitmapResource(TBitmap* Bitmap, const std::string& Name) {
    HRSRC res = FindResource(HInstance, Name, RT_BITMAP);
    if (!res) throw EResNotFound("Resource " + Name + " not found");
    const auto* data = static_cast<const char*>(LockResource(LoadResource(HInstance, res)));
    TMemoryStream stream(std::string(data, SizeofResource(HInstance, res)));
    Bitmap->LoadFromStream(stream);
}
