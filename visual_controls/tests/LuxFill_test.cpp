#include "visual_controls/LuxFill.h"

#include "platform/gdi/Region.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"
#include "visual_controls/luxsysin.h"

#include "visual_controls/tests/support/LetterPicture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// Outside the anonymous namespace, so that its class name is plain.
class TFillHolder : public TComponent {
public:
    using TComponent::TComponent;
    TLuxShapeFill Fill;
};

class TFillObjectHolder : public TComponent {
public:
    using TComponent::TComponent;
    TLuxFillObject Fill;
};

namespace {

const bool kRegistered = [] {
    using namespace published;
    PublishProperties<TFillHolder, TComponent>({Property<TFillHolder>(
        "Fill", [](const TFillHolder& h) { return const_cast<TLuxShapeFill*>(&h.Fill); }, nullptr)});
    RegisterClass<TFillHolder>();
    PublishProperties<TFillObjectHolder, TComponent>({Property<TFillObjectHolder>(
        "Fill", [](const TFillObjectHolder& h) { return const_cast<TLuxFillObject*>(&h.Fill); }, nullptr)});
    RegisterClass<TFillObjectHolder>();
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

// --- TLuxFillObject ---------------------------------------------------------------------------------

// A fill object painting the 3 x 2 picture RGB / BKR with the given tile mode.
std::unique_ptr<TLuxFillObject> PictureFill(TLuxTileMode tile) {
    auto fill = std::make_unique<TLuxFillObject>();
    Make(*fill->Bitmap(), {"RGB", "BKR"});
    fill->SetFillStyle(sfBitmap);
    fill->SetTileMode(tile);
    return fill;
}

TEST(LuxFillObject, PlacesItsBitmapByTileModeAlignmentAndOffsets) {
    struct Case {
        const char* what;
        TLuxTileMode tile;
        TLuxAlignment alignment;
        int dx, dy;
        TRect rect;
        std::string picture; // of a 10 x 6 yellow canvas, background white
    };
    const Case cases[] = {
        // Black is drawn: the fill hands the bitmap draw no transparent colour.
        {"own size at the corner", tmNone, agTopLeft, 0, 0, Rect(1, 1, 9, 5),
         Rows({"..........", ".RGBLLLLL.", ".BKRLLLLL.", ".LLLLLLLL.", ".LLLLLLLL.", ".........."})},
        {"bottom right, one left", tmNone, agBottomRight, -1, 0, Rect(1, 1, 9, 5),
         Rows({"..........", ".LLLLLLLL.", ".LLLLLLLL.", ".LLLLRGBL.", ".LLLLBKRL.", ".........."})},
        {"centre, one down", tmNone, agCenter, 0, 1, Rect(1, 1, 9, 5),
         Rows({"..........", ".LLLLLLLL.", ".LLLLLLLL.", ".LLRGBLLL.", ".LLBKRLLL.", ".........."})},
        // Alignment and offsets show only for tmNone.
        {"centred", tmCenter, agBottomRight, 3, 3, Rect(1, 1, 9, 5),
         Rows({"..........", ".LLLLLLLL.", ".LLRGBLLL.", ".LLBKRLLL.", ".LLLLLLLL.", ".........."})},
        {"stretched", tmStretch, agTopLeft, 3, 3, Rect(1, 1, 7, 5),
         Rows({"..........", ".RRGGBB...", ".RRGGBB...", ".BBKKRR...", ".BBKKRR...", ".........."})},
        // Whole tiles: the last column and row reach past the rectangle.
        {"tiled", tmTile, agTopLeft, 3, 3, Rect(1, 1, 6, 4),
         Rows({"..........", ".RGBRGB...", ".BKRBKR...", ".RGBRGB...", ".BKRBKR...", ".........."})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto fill = PictureFill(c.tile);
        fill->SetAlignment(c.alignment);
        fill->SetInteger(0, c.dx);
        fill->SetInteger(1, c.dy);
        TBitmap canvas;
        Blank(canvas, 10, 6);
        EXPECT_TRUE(fill->FillCanvas(canvas.Canvas(), c.rect, clWhite));
        EXPECT_EQ(Picture(canvas), c.picture);
    }

    // Without foFillInner nothing but the bitmap is painted; the list bitmap serves sfBitmapList.
    auto fill = PictureFill(tmNone);
    fill->SetOptions({foQuickDraw});
    fill->ListBitmap()->Assign(fill->Bitmap());
    fill->Bitmap()->SetSize(0, 0);
    fill->SetFillStyle(sfBitmapList);
    TBitmap canvas;
    Blank(canvas, 6, 4);
    EXPECT_TRUE(fill->FillCanvas(canvas.Canvas(), Rect(1, 1, 6, 4), clWhite));
    EXPECT_EQ(Picture(canvas), Rows({"......", ".RGB..", ".BKR..", "......"}));
}

TEST(LuxFillObject, AnEmptyBitmapFillsOnlyTheBackground) {
    for (bool inner : {true, false}) {
        SCOPED_TRACE(inner);
        for (TLuxFillStyle style : {sfBitmap, sfBitmapList}) {
            TLuxFillObject fill;
            fill.SetFillStyle(style);
            fill.SetTileMode(tmStretch);
            if (!inner) fill.SetOptions({});
            TBitmap canvas;
            Blank(canvas, 4, 3);
            EXPECT_FALSE(fill.FillCanvas(canvas.Canvas(), Rect(1, 1, 3, 3), clWhite));
            EXPECT_EQ(Picture(canvas),
                      inner ? Rows({"....", ".LL.", ".LL."}) : Rows({"....", "....", "...."}));
        }
    }
    TLuxFillObject none;
    TBitmap canvas;
    Blank(canvas, 2, 2);
    EXPECT_FALSE(none.FillCanvas(canvas.Canvas(), Rect(0, 0, 2, 2), clWhite));
    EXPECT_EQ(Picture(canvas), Rows({"..", ".."}));
}

TEST(LuxFillObject, BrushesPatternsAndGradients) {
    // A solid brush.
    TLuxFillObject brush;
    brush.SetFillStyle(sfBrush);
    brush.Brush()->SetColor(clRed);
    TBitmap canvas;
    Blank(canvas, 4, 3);
    EXPECT_TRUE(brush.FillCanvas(canvas.Canvas(), Rect(1, 0, 3, 2), clWhite));
    EXPECT_EQ(Picture(canvas), Rows({".RR.", ".RR.", "...."}));

    // A hatched brush leaves its gaps alone, as GetTransparent says without foFillInner.
    brush.Brush()->SetColor(clBlue);
    brush.Brush()->SetStyle(bsDiagCross);
    Blank(canvas, 16, 16);
    brush.FillCanvas(canvas.Canvas(), Rect(0, 0, 16, 16), clWhite);
    const std::string hatched = Picture(canvas);
    EXPECT_NE(hatched.find('B'), std::string::npos);
    EXPECT_NE(hatched.find('.'), std::string::npos);
    EXPECT_EQ(hatched.find_first_not_of("B.\n"), std::string::npos) << hatched;

    // A pattern bitmap: the whole bitmap on the NT family, its top-left 8 x 8 pixels before it.
    TLuxFillObject pattern;
    pattern.SetFillStyle(sfBrushBitmap);
    const char* row = "RGGGGGGGBB";
    Make(*pattern.Bitmap(), {row, row, row, row, row, row, row, row});
    const bool nt = LuxSIWindowsNT;
    for (bool system : {true, false}) {
        SCOPED_TRACE(system);
        LuxSIWindowsNT = system;
        Blank(canvas, 10, 1);
        EXPECT_TRUE(pattern.FillCanvas(canvas.Canvas(), Rect(0, 0, 10, 1), clWhite));
        EXPECT_EQ(Picture(canvas), system ? Rows({"RGGGGGGGBB"}) : Rows({"RGGGGGGGRG"}));
        EXPECT_EQ(canvas.Canvas()->Brush()->Bitmap(), nullptr) << "the pattern is taken off the brush";
    }
    LuxSIWindowsNT = nt;

    // The default gradient, 16 bands from blue to black, top to bottom; painted off screen or not.
    TLuxFillObject gradient;
    gradient.SetFillStyle(sfGradient);
    for (bool offscreen : {true, false}) {
        SCOPED_TRACE(offscreen);
        if (!offscreen) gradient.SetOptions({foFillInner});
        TBitmap g;
        Blank(g, 4, 18);
        EXPECT_TRUE(gradient.FillCanvas(g.Canvas(), Rect(1, 1, 3, 17), clWhite));
        EXPECT_EQ(g.Canvas()->Pixels(1, 1), TColor(0xFF0000));
        EXPECT_EQ(g.Canvas()->Pixels(2, 2), TColor(0xEE0000));
        EXPECT_EQ(g.Canvas()->Pixels(1, 16), TColor(0x000000));
        EXPECT_EQ(g.Canvas()->Pixels(0, 1), clYellow);
        EXPECT_EQ(g.Canvas()->Pixels(1, 17), clYellow);
    }
}

TEST(LuxFillObject, ClipFillKeepsToItsRectangleWithinTheCanvasClip) {
    auto red = std::make_unique<TLuxFillObject>();
    red->SetFillStyle(sfBrush);
    red->Brush()->SetColor(clRed);
    struct Case {
        const char* what;
        TLuxFillObject* fill;
        TRect rect;
        int offset;
        bool earlierClip; // the canvas already clipped to x < 5
        std::string picture;
    };
    auto tiles = PictureFill(tmTile);
    const Case cases[] = {
        {"the rectangle itself", tiles.get(), Rect(1, 1, 6, 4), 0, false,
         Rows({"..........", ".RGBRG....", ".BKRBK....", ".RGBRG....", "..........", "..........",
               "..........", ".........."})},
        // 0x00050003: the clip is the rectangle moved 3 right and 5 down.
        {"moved by the offset", red.get(), Rect(0, 0, 6, 8), 0x00050003, false,
         Rows({"..........", "..........", "..........", "..........", "..........", "...RRR....",
               "...RRR....", "...RRR...."})},
        {"within an earlier clip", red.get(), Rect(0, 0, 6, 8), 0x00050003, true,
         Rows({"..........", "..........", "..........", "..........", "..........", "...RR.....",
               "...RR.....", "...RR....."})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TBitmap canvas;
        Blank(canvas, 10, 8);
        HDC dc = canvas.Canvas()->Handle();
        if (c.earlierClip) IntersectClipRect(dc, 0, 0, 5, 8);
        EXPECT_TRUE(c.fill->ClipFill(canvas.Canvas(), c.rect, clWhite, c.offset));
        // The canvas keeps the clip it had, or none.
        HRGN clip = CreateRectRgn(0, 0, 0, 0);
        EXPECT_EQ(GetClipRgn(dc, clip), c.earlierClip ? 1 : 0);
        if (c.earlierClip) {
            RECT box{};
            GetRgnBox(clip, &box);
            EXPECT_EQ(TRect(box), Rect(0, 0, 5, 8));
        }
        DeleteObject(clip);
        SelectClipRgn(dc, nullptr); // pixels outside a clip do not read
        EXPECT_EQ(Picture(canvas), c.picture);
    }

    // A gradient painted off screen needs no clip; the result is FillCanvas's in every path.
    TLuxFillObject gradient;
    gradient.SetFillStyle(sfGradient);
    TBitmap canvas;
    Blank(canvas, 4, 4);
    EXPECT_TRUE(gradient.ClipFill(canvas.Canvas(), Rect(1, 1, 3, 3), clWhite, 0x00010001));
    // Two rows for 16 bands: the first row ends with band 3 (MulDiv(4, 2, 16) = 1), 255 - 51 blue.
    EXPECT_EQ(canvas.Canvas()->Pixels(1, 1), TColor(0xCC0000));
    EXPECT_EQ(canvas.Canvas()->Pixels(0, 0), clYellow);
    TLuxFillObject none;
    EXPECT_FALSE(none.ClipFill(canvas.Canvas(), Rect(0, 0, 4, 4), clWhite, 0));
}

TEST(LuxFillObject, TransparencyByStyleTileModeAndOptions) {
    struct Case {
        TLuxFillStyle style;
        TLuxTileMode tile;
        TBrushStyle brush;
        bool inner;
        bool transparent;
    };
    const Case cases[] = {
        {sfNone, tmTile, bsSolid, true, true},         {sfBrush, tmTile, bsSolid, false, false},
        {sfBrush, tmTile, bsCross, false, true},       {sfBrush, tmTile, bsCross, true, false},
        {sfBitmap, tmNone, bsSolid, false, true},      {sfBitmapList, tmCenter, bsSolid, false, true},
        {sfBitmap, tmCenter, bsSolid, true, false},    {sfBitmap, tmStretch, bsSolid, false, false},
        {sfBitmapList, tmTile, bsSolid, false, false}, {sfBrushBitmap, tmNone, bsClear, false, false},
        {sfGradient, tmNone, bsClear, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.style) + " " + std::to_string(c.tile) + " " + std::to_string(c.brush) +
                     " " + std::to_string(c.inner));
        TLuxFillObject fill;
        fill.SetFillStyle(c.style);
        fill.SetTileMode(c.tile);
        fill.Brush()->SetStyle(c.brush);
        fill.SetOptions(c.inner ? TLuxFillOptions{foFillInner} : TLuxFillOptions{});
        EXPECT_EQ(fill.GetTransparent(), c.transparent);
    }
}

TEST(LuxFillObject, NotifiesOnlyForWhatShows) {
    TLuxFillObject fill;
    EXPECT_EQ(fill.Style(), sfNone);
    EXPECT_EQ(fill.Options(), (TLuxFillOptions{foFillInner, foGrUseBitmap}));
    EXPECT_EQ(fill.Alignment(), agTopLeft);
    EXPECT_EQ(fill.GetSetStr(), "{Disabled}");
    Counter counter;
    fill.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);

    // Placement is stored always but notifies only for an unscaled, untiled bitmap.
    fill.SetAlignment(agCenter);
    fill.SetInteger(0, 3);
    fill.SetInteger(1, -2);
    EXPECT_EQ(counter.n, 0);
    EXPECT_EQ(fill.OffsetX(), 3);
    EXPECT_EQ(fill.OffsetY(), -2);
    fill.SetFillStyle(sfBitmapList);
    fill.SetTileMode(tmNone);
    counter.n = 0;
    fill.SetAlignment(agBottomLeft);
    fill.SetInteger(0, 4);
    fill.SetInteger(1, 4);
    fill.SetInteger(1, 4);
    EXPECT_EQ(counter.n, 3);

    counter.n = 0;
    fill.SetOptions({foQuickDraw});
    fill.SetOptions({foQuickDraw});
    fill.Brush()->SetColor(clRed);
    fill.Gradient()->SetColor(clLime);
    EXPECT_EQ(counter.n, 3);
}

TEST(LuxFillObject, AssignCopiesAllButPlacement) {
    TLuxFillObject source;
    source.Brush()->SetColor(clRed);
    source.Brush()->SetStyle(bsCross);
    source.SetOptions({foQuickDraw});
    source.Bitmap()->SetSize(5, 3);
    source.ListBitmap()->SetSize(7, 2);
    source.Gradient()->SetColorCount(4);
    source.SetFillStyle(sfBitmapList);
    source.SetTileMode(tmNone);
    source.SetAlignment(agBottomRight);
    source.SetInteger(0, 9);

    struct Case {
        const char* what;
        const TPersistent* from;
        TLuxFillStyle style;
        TColor brush;
        TLuxFillOptions options;
    };
    TLuxShapeFill shape;
    shape.SetFillStyle(sfGradient);
    shape.Bitmap()->SetSize(2, 2);
    const Case cases[] = {
        {"a fill object", &source, sfBitmapList, clRed, {foQuickDraw}},
        // A plain shape fill brings its own part only.
        {"a shape fill", &shape, sfGradient, clWhite, {foFillInner, foGrUseBitmap}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TLuxFillObject fill;
        Counter counter;
        fill.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
        fill.Assign(c.from);
        EXPECT_EQ(counter.n, 1);
        EXPECT_EQ(fill.Style(), c.style);
        EXPECT_EQ(fill.Brush()->Color(), c.brush);
        EXPECT_EQ(fill.Options(), c.options);
        EXPECT_EQ(fill.Bitmap()->Width(), dynamic_cast<const TLuxShapeFill*>(c.from)->Bitmap()->Width());
        EXPECT_EQ(fill.Alignment(), agTopLeft);
        EXPECT_EQ(fill.OffsetX(), 0);
    }
    TLuxFillObject fill;
    fill.Assign(&source);
    EXPECT_EQ(fill.ListBitmap()->Width(), 7);
    EXPECT_EQ(fill.Gradient()->ColorCount(), 4);
    EXPECT_EQ(fill.TileMode(), tmNone);
    EXPECT_EQ(fill.Brush()->Style(), bsCross);
    TLuxObject other;
    EXPECT_THROW(fill.Assign(&other), EConvertError);
}

TEST(LuxFillObject, FormDataKeepsBrushPlacementAndOptions) {
    TFillObjectHolder holder(nullptr);
    std::vector<std::string> names;
    for (const TPropInfo* p : GetPropList(&holder.Fill)) names.push_back(p->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Bitmap", "Style", "Gradient", "TileMode", "Alignment",
                                               "Brush", "OffsetX", "OffsetY", "Options"}));
    EXPECT_EQ(GetPropInfo(&holder.Fill, "Style")->Default, sfNone);

    holder.Fill.Brush()->SetColor(clBlue);
    holder.Fill.Brush()->SetStyle(bsFDiagonal);
    holder.Fill.SetAlignment(agCenterRight);
    holder.Fill.SetInteger(0, -4);
    holder.Fill.SetInteger(1, 7);
    holder.Fill.SetOptions({foQuickDraw});
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&holder);
    TFillObjectHolder back(nullptr);
    stream.SetPosition(0);
    TReader(&stream).ReadRootComponent(&back);
    EXPECT_EQ(back.Fill.Style(), sfNone);
    EXPECT_EQ(back.Fill.Brush()->Color(), clBlue);
    EXPECT_EQ(back.Fill.Brush()->Style(), bsFDiagonal);
    EXPECT_EQ(back.Fill.Alignment(), agCenterRight);
    EXPECT_EQ(back.Fill.OffsetX(), -4);
    EXPECT_EQ(back.Fill.OffsetY(), 7);
    EXPECT_EQ(back.Fill.Options(), TLuxFillOptions{foQuickDraw});
}

} // namespace
