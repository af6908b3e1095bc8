#include "visual_controls/LuxFill.h"

#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// Outside the anonymous namespace, so that its class name is plain.
class TFillHolder : public TComponent {
public:
    using TComponent::TComponent;
    TLuxShapeFill Fill;
};

namespace {

const bool kRegistered = [] {
    using namespace published;
    PublishProperties<TFillHolder, TComponent>({Property<TFillHolder>(
        "Fill", [](const TFillHolder& h) { return const_cast<TLuxShapeFill*>(&h.Fill); }, nullptr)});
    RegisterClass<TFillHolder>();
    return true;
}();

struct Counter {
    int n = 0;
    void Changed(TObject*) { ++n; }
};

TEST(LuxShapeFill, StyleDecidesBitmapEmptinessRedrawAndSummary) {
    TLuxShapeFill fill;
    EXPECT_EQ(fill.Style(), sfBrush);
    EXPECT_EQ(fill.TileMode(), tmTile);
    EXPECT_TRUE(fill.Bitmap()->Empty());
    EXPECT_EQ(fill.Gradient()->GradientColors().Count(), 16);

    struct Case {
        TLuxFillStyle style;
        TLuxTileMode tile;
        bool bitmapFilled, listFilled;
        TBitmap* (*which)(TLuxShapeFill&);
        bool empty, mustRedraw;
        const char* summary;
    };
    auto none = [](TLuxShapeFill&) -> TBitmap* { return nullptr; };
    auto bitmap = [](TLuxShapeFill& f) { return f.Bitmap(); };
    auto list = [](TLuxShapeFill& f) { return f.ListBitmap(); };
    const Case cases[] = {
        {sfNone, tmTile, true, true, none, true, true, "{Disabled}"},
        {sfBrushBitmap, tmNone, false, false, none, false, false, "{}"},
        {sfBrush, tmStretch, false, false, none, false, false, "{Brush}"},
        {sfBitmap, tmTile, false, true, bitmap, true, false, "{Bitmap}"},
        {sfBitmap, tmTile, true, false, bitmap, false, false, "{Bitmap}"},
        {sfBitmap, tmStretch, true, false, bitmap, false, true, "{Bitmap}"},
        {sfBitmapList, tmCenter, false, true, list, false, true, "{BitmapList}"},
        {sfBitmapList, tmTile, true, false, list, true, false, "{BitmapList}"},
        {sfGradient, tmTile, false, false, none, false, true, "{Gradient}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.summary) + " " + std::to_string(c.tile) + " " + std::to_string(c.bitmapFilled) +
                     std::to_string(c.listFilled));
        TLuxShapeFill f;
        f.SetFillStyle(c.style);
        f.SetTileMode(c.tile);
        if (c.bitmapFilled) f.Bitmap()->SetSize(3, 2);
        if (c.listFilled) f.ListBitmap()->SetSize(3, 2);
        EXPECT_EQ(f.GetBitmap(), c.which(f));
        EXPECT_EQ(f.GetEmpty(), c.empty);
        EXPECT_EQ(f.GetMustRedraw(), c.mustRedraw);
        EXPECT_EQ(f.GetSetStr(), c.summary);
    }

    TLuxShapeFill gradient;
    gradient.SetFillStyle(sfGradient);
    EXPECT_EQ(gradient.GetPalette(), nullptr);
    gradient.Gradient()->SetPaletteRealize(true);
    EXPECT_NE(gradient.GetPalette(), nullptr);
    EXPECT_EQ(gradient.GetPalette(), gradient.Gradient()->Palette());
    gradient.SetFillStyle(sfBrush);
    EXPECT_EQ(gradient.GetPalette(), nullptr);
}

TEST(LuxShapeFill, ChangesReachTheOwner) {
    Counter counter;
    auto fill = std::make_unique<TLuxShapeFill>();
    fill->OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
    fill->SetFillStyle(sfBrush); // unchanged
    fill->SetTileMode(tmTile);
    EXPECT_EQ(counter.n, 0);
    fill->SetFillStyle(sfBitmap);
    fill->SetTileMode(tmCenter);
    EXPECT_EQ(counter.n, 2);
    // The bitmap and the gradient report to the fill; the list bitmap does not.
    fill->Bitmap()->SetSize(4, 4);
    EXPECT_GE(counter.n, 3);
    counter.n = 0;
    fill->Gradient()->SetStyle(gstSquare);
    EXPECT_EQ(counter.n, 1);
    fill->ListBitmap()->SetSize(2, 2);
    EXPECT_EQ(counter.n, 1);

    // Assign: everything in one notification.
    TLuxShapeFill source;
    source.SetFillStyle(sfBitmapList);
    source.SetTileMode(tmStretch);
    source.Bitmap()->SetSize(5, 3);
    source.ListBitmap()->SetSize(7, 2);
    source.Gradient()->SetColorCount(4);
    counter.n = 0;
    fill->Assign(&source);
    EXPECT_EQ(counter.n, 1);
    EXPECT_EQ(fill->Style(), sfBitmapList);
    EXPECT_EQ(fill->TileMode(), tmStretch);
    EXPECT_EQ(fill->Bitmap()->Width(), 5);
    EXPECT_EQ(fill->ListBitmap()->Width(), 7);
    EXPECT_EQ(fill->Gradient()->ColorCount(), 4);
    TLuxObject other;
    EXPECT_THROW(fill->Assign(&other), EConvertError);
    EXPECT_EQ(fill->Style(), sfBitmapList);

    // A sub-object outliving its owner's end would call into freed memory: the destructor detaches.
    fill.reset();
}

TEST(LuxShapeFill, FormDataKeepsStyleTileModeAndGradient) {
    TFillHolder holder(nullptr);
    holder.Fill.SetFillStyle(sfGradient);
    holder.Fill.SetTileMode(tmCenter);
    holder.Fill.Gradient()->SetStyle(gstTopRight);
    holder.Fill.Gradient()->SetColorCount(5);
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&holder);
    TFillHolder back(nullptr);
    stream.SetPosition(0);
    TReader(&stream).ReadRootComponent(&back);
    EXPECT_EQ(back.Fill.Style(), sfGradient);
    EXPECT_EQ(back.Fill.TileMode(), tmCenter);
    EXPECT_EQ(back.Fill.Gradient()->Style(), gstTopRight);
    EXPECT_EQ(back.Fill.Gradient()->GradientColors().Count(), 5);
}

} // namespace
