// libFuzzer target for image strips: the first bytes give the item's width, height, mask and the
// operations to run, the rest is the image data of the form data's "Bitmap" (count and strips).
// Every operation either works or raises the image-strip errors; the strip never exceeds 32768
// pixels and every offset stays in step with its image.
// Run as: visual_controls_cont_strips_fuzz -max_len=4096 corpus/
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Filer.h"
#include "visual_controls/Luxcont.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// Hands the item's "Bitmap" property its bytes, as the reader does.
class TBitmapFeeder : public TFiler {
public:
    TBitmapFeeder(const std::string& bytes) : TFiler(nullptr), data_(bytes) {}
    void DefineProperty(const std::string&, TReaderProc, TWriterProc, bool) override {}
    void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc, bool) override {
        if (Name != "Bitmap" || !ReadData) return;
        TMemoryStream s(data_);
        ReadData(&s);
    }

private:
    std::string data_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) return 0;
    TLuxImageListItem item(nullptr);
    item.SetWidth(1 + data[0] % 24);
    item.SetHeight(1 + data[1] % 24);
    item.SetMasked(data[2] & 1);
    item.SetAllocBy(data[2] >> 1);
    TBitmapFeeder feeder(std::string(reinterpret_cast<const char*>(data) + 6, size - 6));
    try {
        item.DefineProperties(&feeder);
    } catch (const EReadError&) {
    }
    TBitmap image, mask;
    image.SetSize(item.Width() * (1 + data[3] % 3), item.Height());
    for (int op = 0; op < 8; ++op) {
        const unsigned code = (data[4] >> (op % 8)) ^ data[5] * op;
        const int index = static_cast<int>(code % 7) - 1;
        try {
            switch (code % 6) {
            case 0:
                item.Add(&image, nullptr);
                break;
            case 1:
                item.Insert(index, &image, nullptr);
                break;
            case 2:
                item.Delete(index);
                break;
            case 3:
                item.Move(index, static_cast<int>(code % 5));
                break;
            case 4:
                item.AddMasked(&image, clBlack);
                break;
            default:
                item.GetBitmap(index, &mask);
                break;
            }
        } catch (const EInvalidGraphicOperation&) {
        } catch (const EListError&) {
        }
        if (item.UsedWidth() != item.GetCount() * item.Width() || item.GetImageBitmap()->Width() > 32768)
            std::abort();
        for (int i = 0; i < item.GetCount(); ++i)
            if ((item.Info(i) & 0xFFFF) != static_cast<std::uint32_t>(i * item.Width())) std::abort();
    }
    return 0;
}
