#include "front_panel/DorvexResources.h"

#include "platform/rtl/Streams.h"
#include "platform/ui/Graphics.h"

void LoadBitmapResource(TBitmap* Bitmap, const std::string& Name) {
    for (int i = 0; i < DorvexResourceCount; ++i) {
        const TDorvexResource& r = DorvexResources[i];
        if (Name != r.Name) continue;
        TMemoryStream stream(
            std::string(reinterpret_cast<const char*>(r.Data), static_cast<std::size_t>(r.Size)));
        Bitmap->LoadFromStream(stream);
        return;
    }
    throw EResNotFound("Resource " + Name + " not found");
}
