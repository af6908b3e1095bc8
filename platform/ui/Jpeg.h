// TJPEGImage: a picture held as JPEG data, decoded once into a 24-bit bitmap that it draws from.
//
// The decoder trusts nothing in the file: data that libjpeg reports as corrupt or cut short, a
// picture larger than the drawing layer's bitmap limits (GdiMaxBitmapSide on a side,
// GdiMaxBitmapBytes of pixels) and a progressive file of too many scans are refused with
// EInvalidGraphic, and the image keeps what it held before.
#pragma once

#include "platform/ui/Graphics.h"

#include <string>

class TJPEGImage : public TGraphic {
public:
    TJPEGImage();
    ~TJPEGImage() override;
    TJPEGImage(const TJPEGImage&) = delete;
    TJPEGImage& operator=(const TJPEGImage&) = delete;

    // Copies another JPEG image (data and picture); nullptr empties this one.
    void Assign(const TPersistent* source) override;
    TGraphic* NewGraphic() const override { return new TJPEGImage; }

    bool Empty() const override;
    int Width() const override;
    int Height() const override;
    // A JPEG picture keeps the size of its data: both raise EInvalidGraphic.
    void SetWidth(int value) override;
    void SetHeight(int value) override;
    // True when the file holds one grey channel.
    bool Grayscale() const { return grayscale_; }

    // Reads the rest of the stream as one JPEG file and decodes it; raises EInvalidGraphic ("JPEG
    // error: ...") for anything that is not a whole, sound JPEG file.
    void LoadFromStream(TStream& stream) override;
    // Writes the JPEG data as it was read.
    void SaveToStream(TStream& stream) override;

protected:
    void Draw(TCanvas* canvas, const TRect& rect) override;
    // Into a TBitmap: the decoded picture, 24 bits per pixel.
    void AssignTo(TPersistent* dest) const override;

private:
    std::string data_;
    TBitmap* bitmap_;
    bool grayscale_ = false;
};
