#include "visual_controls/LuxRegionMask.h"

#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"
#include "visual_controls/Luxstreamutils.h"

#include <algorithm>

namespace {

// The bytes of a well-formed block among Size bytes at Data, 0 for none.
std::size_t DataBytes(const void* Data, std::size_t Size) {
    return RegionDataBytes(static_cast<const RGNDATA*>(Data),
                           static_cast<DWORD>(std::min<std::size_t>(Size, 0xFFFFFFFFu)));
}

} // namespace

HRGN LuxCreateRegionFromData(const void* Data, std::size_t Size) {
    const std::size_t bytes = DataBytes(Data, Size);
    if (bytes == 0) throw ELuxRegionData();
    HRGN rgn = ExtCreateRegion(nullptr, static_cast<DWORD>(bytes), static_cast<const RGNDATA*>(Data));
    if (!rgn) throw ELuxRegionData();
    return rgn;
}

TLuxRegionMask::~TLuxRegionMask() {
    delete border_;
    delete down_;
    delete up_;
}

void TLuxRegionMask::GetMem() {
    data_.assign(size_, 0);
}

void TLuxRegionMask::FreeMem() {
    data_.clear();
    data_.shrink_to_fit();
    size_ = 0;
}

void TLuxRegionMask::GetRegionData(HRGN Rgn) {
    const DWORD room = static_cast<DWORD>(std::min<std::size_t>(size_, data_.size()));
    if (room == 0) return;
    ::GetRegionData(Rgn, room, reinterpret_cast<RGNDATA*>(data_.data()));
}

HRGN TLuxRegionMask::CreateRegion() const {
    if (size_ == 0 || data_.empty()) return nullptr;
    return LuxCreateRegionFromData(data_.data(), std::min<std::size_t>(size_, data_.size()));
}

TBitmap*& TLuxRegionMask::Slot(int Index) {
    return Index == 1 ? up_ : Index == 2 ? down_ : border_;
}

void TLuxRegionMask::SetBorderBmp(int Index, const TBitmap* Bitmap) {
    TBitmap*& b = Slot(Index);
    if (!b) b = new TBitmap;
    b->Assign(Bitmap);
}

void TLuxRegionMask::CreateBorderBmp() {
    if (!border_) border_ = new TBitmap;
}

void TLuxRegionMask::CreateBorderUpBmp() {
    if (!up_) up_ = new TBitmap;
}

void TLuxRegionMask::CreateBorderDnBmp() {
    if (!down_) down_ = new TBitmap;
}

void TLuxRegionMask::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TLuxRegionMask*>(Source);
    if (!s) {
        TLuxObject::Assign(Source);
        return;
    }
    // Assigning a mask to itself must not free what it is about to copy.
    if (s == this) return;
    FreeMem();
    if (s->size_ == 0) return;
    size_ = s->size_;
    data_ = s->data_;
    for (int i = 0; i < 3; ++i) {
        TBitmap* from = const_cast<TLuxRegionMask*>(s)->Slot(i);
        if (from) {
            SetBorderBmp(i, from);
        } else {
            delete Slot(i);
            Slot(i) = nullptr;
        }
    }
}

void TLuxRegionMask::ReadRegionData(TStream* Stream) {
    // The block's size comes from the data itself, whatever RegionDataSize said before it.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(Stream->Size() - Stream->Position()));
    if (!bytes.empty()) Stream->ReadBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    const std::size_t n = DataBytes(bytes.data(), bytes.size());
    if (n == 0) {
        FreeMem();
        throw EReadError("Invalid region data");
    }
    bytes.resize(n);
    data_ = std::move(bytes);
    size_ = static_cast<DWORD>(n);
}

void TLuxRegionMask::WriteRegionData(TStream* Stream) {
    const std::size_t n = std::min<std::size_t>(size_, data_.size());
    if (n) Stream->WriteBuffer(data_.data(), static_cast<std::int32_t>(n));
}

void TLuxRegionMask::ReadBorder(int Index, TStream* Stream) {
    TBitmap*& b = Slot(Index);
    if (!b) b = new TBitmap;
    std::uint8_t flag = 0;
    Stream->ReadBuffer(&flag, 1);
    compressed_ = flag != 0;
    stReadBitmap(*Stream, *b, compressed_);
}

void TLuxRegionMask::WriteBorder(int Index, TStream* Stream) {
    TBitmap* b = Slot(Index);
    if (!b) return;
    const std::uint8_t flag = compressed_ ? 1 : 0;
    Stream->WriteBuffer(&flag, 1);
    stWriteBitmap(*Stream, *b, compressed_, -1);
}

void TLuxRegionMask::DefineProperties(TFiler* Filer) {
    Filer->DefineBinaryProperty(
        "RegionData", [this](TStream* s) { ReadRegionData(s); }, [this](TStream* s) { WriteRegionData(s); },
        size_ != 0 && !data_.empty());
    static const char* const kNames[] = {"BorderBmp", "BorderUpBmp", "BorderDnBmp"};
    for (int i = 0; i < 3; ++i) {
        TBitmap* b = Slot(i);
        Filer->DefineBinaryProperty(
            kNames[i], [this, i](TStream* s) { ReadBorder(i, s); },
            [this, i](TStream* s) { WriteBorder(i, s); }, b && !b->Empty());
    }
}

namespace {

const bool kPublished = [] {
    using published::Property;
    using M = TLuxRegionMask;
    PublishProperties<TLuxRegionMask>({
        Property<M>(
            "RegionDataSize", [](const M& m) { return static_cast<std::int32_t>(m.RegionDataSize()); },
            [](M& m, std::int32_t v) { m.SetDataSize(static_cast<DWORD>(v)); }),
        Property<M>(
            "Compressed", [](const M& m) { return m.Compressed(); }, [](M& m, bool v) { m.SetCompressed(v); },
            0),
        Property<M>(
            "PixelFormat", [](const M& m) { return m.PixelFormat(); },
            [](M& m, TLuxSavePixelFormat v) { m.SetPixelFormat(v); }, spfDefault),
    });
    return true;
}();

} // namespace
