// The region of a bitmap-shaped window as region data, with the three border bitmaps drawn over
// it, streamed with the form. Also the one reader of stored region data.
#pragma once

#include "platform/gdi/Region.h"
#include "platform/rtl/Exceptions.h"
#include "visual_controls/Luxbase.h"
#include "visual_controls/Luxgraph.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Region data that is not a well-formed block.
class ELuxRegionData : public Exception {
public:
    ELuxRegionData() : Exception("Invalid region data") {}
};

// A region from a stored block, its size taken from the data (RegionDataBytes); ELuxRegionData for
// a block that is not well formed.
HRGN LuxCreateRegionFromData(const void* Data, std::size_t Size);

class TLuxRegionMask : public TLuxObject {
public:
    TLuxRegionMask() = default;
    ~TLuxRegionMask() override;
    TLuxRegionMask(const TLuxRegionMask&) = delete;
    TLuxRegionMask& operator=(const TLuxRegionMask&) = delete;

    DWORD RegionDataSize() const { return size_; }
    // Stored unchanged: the caller keeps size and data consistent.
    void SetDataSize(DWORD Value) { size_ = Value; }
    const std::vector<std::uint8_t>& RegionData() const { return data_; }
    std::vector<std::uint8_t>& RegionData() { return data_; }
    void SetRegionData(std::vector<std::uint8_t> Data) { data_ = std::move(Data); }
    // A zeroed block of RegionDataSize bytes.
    void GetMem();
    // Frees the block; the size becomes 0.
    void FreeMem();
    // Fills the block from Rgn (as much as the block holds).
    void GetRegionData(HRGN Rgn);
    // The region the data describes; none (nullptr) without data, ELuxRegionData for bad data.
    HRGN CreateRegion() const;

    TBitmap* BorderBmp() const { return border_; }
    TBitmap* BorderUpBmp() const { return up_; }
    TBitmap* BorderDnBmp() const { return down_; }
    // Index 0 border, 1 up, 2 down bitmap; created when missing.
    void SetBorderBmp(int Index, const TBitmap* Bitmap);
    void CreateBorderBmp();
    void CreateBorderUpBmp();
    void CreateBorderDnBmp();

    TLuxSavePixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TLuxSavePixelFormat Value) { pixelFormat_ = Value; }
    bool Compressed() const { return compressed_; }
    void SetCompressed(bool Value) { compressed_ = Value; }

    // From another mask: its data and bitmaps (nothing more when it holds no data). No notification.
    void Assign(const TPersistent* Source) override;
    void DefineProperties(TFiler* Filer) override;

    // The stream forms of the defined properties, for the filer and for tests.
    void ReadRegionData(TStream* Stream);
    void WriteRegionData(TStream* Stream);
    // Index 0 border, 1 up, 2 down bitmap.
    void ReadBorder(int Index, TStream* Stream);
    void WriteBorder(int Index, TStream* Stream);

private:
    TBitmap*& Slot(int Index);

    std::vector<std::uint8_t> data_;
    DWORD size_ = 0;
    TBitmap* up_ = nullptr;
    TBitmap* down_ = nullptr;
    TBitmap* border_ = nullptr;
    TLuxSavePixelFormat pixelFormat_ = spfDefault;
    bool compressed_ = false;
};
