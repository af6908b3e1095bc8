#include "visual_controls/LuxEffect.h"

#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"
#include "visual_controls/Luxcont.h"

#include "visual_controls/tests/support/LetterPicture.h"
#include "visual_controls/tests/support/PaintedBitmap.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

// Outside the anonymous namespace, so that its class name is plain.
class TEffectHolder : public TComponent {
public:
    using TComponent::TComponent;
    TLuxBitmapEffectObject Effect;
};

namespace {

const bool kRegistered = [] {
    using namespace published;
    PublishProperties<TEffectHolder, TComponent>({Property<TEffectHolder>(
        "Effect", [](const TEffectHolder& h) { return const_cast<TLuxBitmapEffectObject*>(&h.Effect); },
        nullptr)});
    RegisterClass<TEffectHolder>();
    return true;
}();

struct Counter {
    int n = 0;
    void Changed(TObject*) { ++n; }
};

// A bitmap list of pictures drawn from letter rows, one item each.
std::unique_ptr<TLuxBitmapList> ListOf(TComponent* owner,
                                       std::initializer_list<std::initializer_list<const char*>> pictures) {
    auto list = std::make_unique<TLuxBitmapList>(owner);
    for (auto rows : pictures) {
        TBitmap b;
        Make(b, rows);
        list->Items(list->Add(nullptr))->SetBitmap(&b);
    }
    return list;
}

TEST(LuxAlphaObject, EnabledAndSummaryByFillStyleAndStrength) {
    TLuxAlphaObject fresh;
    EXPECT_EQ(fresh.FillObject()->Style(), sfNone);
    EXPECT_FLOAT_EQ(fresh.Strength(), 0.6f);
    EXPECT_EQ(fresh.ImageList(), nullptr);

    struct Case {
        TLuxFillStyle style;
        float strength;
        bool enabled;
        const char* summary;
    };
    const Case cases[] = {
        {sfNone, 0.6f, false, "{Disabled}"},
        {sfNone, 0.0f, false, "{Disabled}"},
        {sfBrush, 0.6f, true, "{Enabled (brush), strength: 0.600}"},
        {sfBrush, 1.0f, false, "{Enabled (brush), strength: 1.000}"},
        {sfBitmap, 0.0f, true, "{Enabled (bmp), strength: 0.000}"},
        {sfBitmapList, 0.125f, true, "{Enabled (bmp), strength: 0.125}"},
        {sfGradient, 0.9999f, true, "{Enabled (grad), strength: 1.000}"},
        {sfBrushBitmap, 0.5f, true, "{Enabled (), strength: 0.500}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.summary);
        TLuxAlphaObject alpha;
        alpha.FillObject()->SetFillStyle(c.style);
        alpha.SetSingle(c.strength);
        EXPECT_EQ(alpha.Enabled(), c.enabled);
        EXPECT_EQ(alpha.GetSetStr(), c.summary);
    }

    TLuxAlphaObject gradient;
    gradient.FillObject()->SetFillStyle(sfGradient);
    gradient.FillObject()->Gradient()->SetPaletteRealize(true);
    EXPECT_NE(gradient.GetPalette(), nullptr);
    gradient.FillObject()->SetFillStyle(sfNone);
    EXPECT_EQ(gradient.GetPalette(), nullptr);
}

TEST(LuxAlphaObject, StrengthSaturatesWithinZeroToOne) {
    TLuxAlphaObject alpha;
    Counter counter;
    alpha.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
    const struct {
        float asked, kept;
    } cases[] = {{0.25f, 0.25f}, {1.5f, 1.0f}, {-0.2f, 0.0f}, {std::numeric_limits<float>::quiet_NaN(), 0.0f},
                 {1e30f, 1.0f},  {1.0f, 1.0f}};
    for (const auto& c : cases) {
        alpha.SetSingle(c.asked);
        EXPECT_EQ(alpha.Strength(), c.kept) << c.asked;
    }
    // 0.25, 1, 0, (0 again), 1, (1 again)
    EXPECT_EQ(counter.n, 4);
}

TEST(LuxAlphaObject, FollowsItsImageListThroughTheChangeLink) {
    auto list = ListOf(nullptr, {{"RG", "BK"}, {"LLL"}});
    TLuxAlphaObject alpha;
    Counter counter;
    alpha.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
    alpha.FillObject()->SetFillStyle(sfBitmapList);
    counter.n = 0;

    EXPECT_TRUE(alpha.IMLEmpty());
    alpha.SetImageList(list.get());
    EXPECT_EQ(counter.n, 1);
    EXPECT_FALSE(alpha.IMLEmpty());
    EXPECT_EQ(Picture(*alpha.FillObject()->ListBitmap()), Rows({"RG", "BK"}));
    // The list index picks the item of a bitmap list.
    alpha.SetInteger(1, 1);
    EXPECT_EQ(Picture(*alpha.FillObject()->ListBitmap()), Rows({"LLL"}));
    alpha.SetInteger(1, 5);
    EXPECT_TRUE(alpha.IMLEmpty());
    EXPECT_TRUE(alpha.FillObject()->ListBitmap()->Empty());
    alpha.SetInteger(1, 0);

    // A change of the list reaches the alpha object, which fetches the image again.
    TBitmap other;
    Make(other, {"B"});
    list->Items(0)->SetBitmap(&other);
    list->Change();
    EXPECT_EQ(Picture(*alpha.FillObject()->ListBitmap()), Rows({"B"}));

    // Another list: the first one is no longer followed.
    auto second = ListOf(nullptr, {{"GG"}});
    alpha.SetImageList(second.get());
    EXPECT_EQ(Picture(*alpha.FillObject()->ListBitmap()), Rows({"GG"}));
    counter.n = 0;
    list->Change();
    EXPECT_EQ(counter.n, 0);
    second->Change();
    EXPECT_EQ(counter.n, 1);

    // A freed list is not asked any more; the owning control clears the reference.
    second.reset();
    EXPECT_TRUE(alpha.IMLEmpty());
    EXPECT_FALSE(alpha.HasControl());
    alpha.SetImageList(nullptr);
    EXPECT_TRUE(alpha.FillObject()->ListBitmap()->Empty());
}

TEST(LuxAlphaObject, AssignFollowsTheCopiedList) {
    auto list = ListOf(nullptr, {{"R"}, {"G"}});
    TLuxAlphaObject source;
    source.FillObject()->SetFillStyle(sfBitmapList);
    source.FillObject()->Brush()->SetColor(clRed);
    source.SetSingle(0.25f);
    source.SetImageList(list.get());
    source.SetInteger(0, 0);
    source.SetInteger(1, 1);

    TLuxAlphaObject copy;
    Counter counter;
    copy.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
    copy.Assign(&source);
    EXPECT_EQ(copy.FillObject()->Style(), sfBitmapList);
    EXPECT_EQ(copy.FillObject()->Brush()->Color(), clRed);
    EXPECT_EQ(copy.Strength(), 0.25f);
    EXPECT_EQ(copy.ListIndex(), 1);
    EXPECT_EQ(copy.ImageList(), list.get());
    EXPECT_EQ(Picture(*copy.FillObject()->ListBitmap()), Rows({"G"}));
    EXPECT_GE(counter.n, 1);

    // The copy hears the list as the source does.
    TBitmap lime;
    Make(lime, {"LL"});
    list->Items(1)->SetBitmap(&lime);
    counter.n = 0;
    list->Change();
    EXPECT_EQ(counter.n, 1);
    EXPECT_EQ(Picture(*copy.FillObject()->ListBitmap()), Rows({"LL"}));

    TLuxObject other;
    EXPECT_THROW(copy.Assign(&other), EConvertError);
}

TEST(LuxBitmapEffectObject, EnabledAndSummary) {
    struct Case {
        const char* what;
        void (*set)(TLuxBitmapEffectObject&);
        bool enabled;
        const char* summary;
    };
    const Case cases[] = {
        {"nothing", [](TLuxBitmapEffectObject&) {}, false, "{Disabled}"},
        {"monochrome and buffer do not count",
         [](TLuxBitmapEffectObject& e) {
             e.SetBoolean(5, true);
             e.SetBoolean(4, true);
         },
         false, "{Disabled}"},
        {"grey and bright",
         [](TLuxBitmapEffectObject& e) {
             e.SetBoolean(2, true);
             e.SetBrightness(-3);
         },
         true, "{GS,B}"},
        {"alpha at full strength shows in the summary only",
         [](TLuxBitmapEffectObject& e) {
             e.AlphaBlend()->FillObject()->SetFillStyle(sfBrush);
             e.AlphaBlend()->SetSingle(1);
         },
         false, "{alpha}"},
        {"everything",
         [](TLuxBitmapEffectObject& e) {
             for (int i = 0; i < 6; ++i) e.SetBoolean(i, true);
             e.SetBrightness(255);
             e.AlphaBlend()->FillObject()->SetFillStyle(sfGradient);
         },
         true, "{alpha,FV,FH,GS,INV,B}"},
        {"mirror left to right", [](TLuxBitmapEffectObject& e) { e.SetBoolean(0, true); }, true, "{FV}"},
        {"mirror top to bottom", [](TLuxBitmapEffectObject& e) { e.SetBoolean(1, true); }, true, "{FH}"},
        {"inverted", [](TLuxBitmapEffectObject& e) { e.SetBoolean(3, true); }, true, "{INV}"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TLuxBitmapEffectObject fx;
        c.set(fx);
        EXPECT_EQ(fx.Enabled(), c.enabled);
        EXPECT_EQ(fx.GetSetStr(), c.summary);
    }
}

TEST(LuxBitmapEffectObject, TheBufferLivesWithBufferedAndEveryChangeDropsIt) {
    TLuxBitmapEffectObject fx;
    Counter counter;
    fx.OnChange = TNotifyEvent::Bind<&Counter::Changed>(&counter);
    EXPECT_EQ(fx.Buffer(), nullptr);
    fx.SetBoolean(4, true);
    ASSERT_NE(fx.Buffer(), nullptr);
    EXPECT_FALSE(fx.BufferValid());
    EXPECT_EQ(counter.n, 1);

    TBitmap picture;
    Make(picture, {"RGB", "KLB"});
    fx.StoreBuffer(&picture);
    EXPECT_TRUE(fx.BufferValid());
    EXPECT_EQ(Picture(*fx.Buffer()), Rows({"RGB", "KLB"}));

    // Every setting, however deep, tells the owner and drops the result.
    const struct {
        const char* what;
        void (*change)(TLuxBitmapEffectObject&);
    } changes[] = {
        {"a flag", [](TLuxBitmapEffectObject& e) { e.SetBoolean(3, !e.Invert()); }},
        {"brightness", [](TLuxBitmapEffectObject& e) { e.SetBrightness(e.Brightness() + 1); }},
        {"strength",
         [](TLuxBitmapEffectObject& e) { e.AlphaBlend()->SetSingle(e.AlphaBlend()->Strength() / 2); }},
        {"the fill's brush",
         [](TLuxBitmapEffectObject& e) { e.AlphaBlend()->FillObject()->Brush()->SetColor(clRed); }},
        {"the fill's gradient",
         [](TLuxBitmapEffectObject& e) { e.AlphaBlend()->FillObject()->Gradient()->SetStyle(gstSquare); }},
        {"the image index", [](TLuxBitmapEffectObject& e) { e.AlphaBlend()->SetInteger(0, 3); }},
    };
    for (const auto& c : changes) {
        SCOPED_TRACE(c.what);
        fx.StoreBuffer(&picture);
        counter.n = 0;
        c.change(fx);
        EXPECT_EQ(counter.n, 1);
        EXPECT_FALSE(fx.BufferValid());
        EXPECT_NE(fx.Buffer(), nullptr) << "the bitmap stays";
    }
    fx.StoreBuffer(&picture);
    fx.DestroyBuffer();
    EXPECT_FALSE(fx.BufferValid());

    // Unchanged values notify nobody; brightness stays within -255..255.
    counter.n = 0;
    fx.SetBoolean(4, true);
    fx.SetBrightness(fx.Brightness());
    EXPECT_EQ(counter.n, 0);
    fx.SetBrightness(1000);
    EXPECT_EQ(fx.Brightness(), 255);
    fx.SetBrightness(-1000);
    EXPECT_EQ(fx.Brightness(), -255);

    fx.SetBoolean(4, false);
    EXPECT_EQ(fx.Buffer(), nullptr);
    fx.StoreBuffer(&picture);
    EXPECT_FALSE(fx.BufferValid()) << "no buffer, nothing kept";
}

TEST(LuxBitmapEffectObject, AssignCopiesAllButMonochrome) {
    TLuxBitmapEffectObject source;
    for (int i = 0; i < 6; ++i) source.SetBoolean(i, true);
    source.SetBrightness(-40);
    source.AlphaBlend()->FillObject()->SetFillStyle(sfBrush);
    source.AlphaBlend()->SetSingle(0.3f);

    const struct {
        const char* what;
        bool buffered;
    } cases[] = {{"into an unbuffered object", false}, {"into a buffered object", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TLuxBitmapEffectObject fx;
        fx.SetBoolean(4, c.buffered);
        fx.Assign(&source);
        EXPECT_TRUE(fx.FlipVertical());
        EXPECT_TRUE(fx.FlipHorizontal());
        EXPECT_TRUE(fx.GrayScale());
        EXPECT_TRUE(fx.Invert());
        EXPECT_TRUE(fx.Buffered());
        EXPECT_NE(fx.Buffer(), nullptr);
        EXPECT_FALSE(fx.MakeMonochrome());
        EXPECT_EQ(fx.Brightness(), -40);
        EXPECT_EQ(fx.AlphaBlend()->FillObject()->Style(), sfBrush);
        EXPECT_EQ(fx.AlphaBlend()->Strength(), 0.3f);
        EXPECT_EQ(fx.GetSetStr(), "{alpha,FV,FH,GS,INV,B}");
    }
    TLuxBitmapEffectObject fx;
    TLuxObject other;
    EXPECT_THROW(fx.Assign(&other), EConvertError);
}

TEST(LuxBitmapEffectObject, FormDataKeepsEffectsAndTheGlobalListAsItsIdent) {
    InitLuxcont();
    TEffectHolder holder(nullptr);
    holder.Effect.SetBoolean(1, true);
    holder.Effect.SetBrightness(-12);
    TLuxAlphaObject* alpha = holder.Effect.AlphaBlend();
    alpha->FillObject()->SetFillStyle(sfBitmapList);
    alpha->SetSingle(0.75f);
    alpha->SetInteger(1, 2);
    alpha->SetImageList(LuxContainer->BitmapList());
    EXPECT_FALSE(alpha->HasControl());
    EXPECT_TRUE(alpha->CheckCont());

    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&holder);
    const std::string bytes(reinterpret_cast<const char*>(stream.Memory()),
                            static_cast<std::size_t>(stream.Size()));
    EXPECT_NE(bytes.find("Internal"), std::string::npos);
    EXPECT_NE(bytes.find("LUXBML30"), std::string::npos);
    EXPECT_EQ(bytes.find("ImageList"), std::string::npos);

    TEffectHolder back(nullptr);
    stream.SetPosition(0);
    TReader(&stream).ReadRootComponent(&back);
    EXPECT_TRUE(back.Effect.FlipHorizontal());
    EXPECT_EQ(back.Effect.Brightness(), -12);
    EXPECT_EQ(back.Effect.AlphaBlend()->FillObject()->Style(), sfBitmapList);
    EXPECT_EQ(back.Effect.AlphaBlend()->Strength(), 0.75f);
    EXPECT_EQ(back.Effect.AlphaBlend()->ListIndex(), 2);
    EXPECT_EQ(back.Effect.AlphaBlend()->ImageList(), LuxContainer->BitmapList());

    // Strength has no default: the default 0.6 is written too.
    TEffectHolder plain(nullptr);
    TMemoryStream plainStream;
    TWriter(&plainStream).WriteRootComponent(&plain);
    const std::string plainBytes(reinterpret_cast<const char*>(plainStream.Memory()),
                                 static_cast<std::size_t>(plainStream.Size()));
    EXPECT_NE(plainBytes.find("Strength"), std::string::npos);
    EXPECT_EQ(plainBytes.find("Internal"), std::string::npos);
    DoneLuxcont();
}

// --- Drawing ---------------------------------------------------------------------------------------

std::unique_ptr<TBitmap> PixelsOf(TPixelFormat format, int w, int h, std::initializer_list<TColor> colors) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(format);
    b->SetSize(w, h);
    auto c = colors.begin();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b->Canvas()->SetPixels(x, y, *c++);
    return b;
}

TColor Grey(int v) {
    return static_cast<TColor>(RGB(v, v, v));
}

TEST(LuxBitmapEffectObjectDraw, EffectsRunInTheirOrderOnAnyFormat) {
    TLuxBitmapEffectObject fx;
    for (int i = 0; i < 4; ++i) fx.SetBoolean(i, true); // both mirrors, grey, invert
    fx.SetBrightness(20);
    // Grey, then invert, then brighten, then blend half with black:
    //   100 -> 100 -> 155 -> 175 -> 88;  (10, 20, 30) -> 18 -> 237 -> 255 -> 128;
    //   red -> 76 -> 179 -> 199 -> 100;  250 -> 251 -> 4 -> 24 -> 12 (ties to even throughout).
    fx.AlphaBlend()->FillObject()->SetFillStyle(sfBrush);
    fx.AlphaBlend()->FillObject()->Brush()->SetColor(clBlack);
    fx.AlphaBlend()->SetSingle(0.5f);
    for (TPixelFormat format : {pf24bit, pf32bit, pf8bit}) {
        SCOPED_TRACE(static_cast<int>(format));
        // An 8-bit bitmap takes colours of its palette only.
        auto b =
            format == pf8bit
                ? PixelsOf(format, 2, 2, {clWhite, clRed, clBlack, clWhite})
                : PixelsOf(format, 2, 2, {Grey(250), clRed, static_cast<TColor>(RGB(10, 20, 30)), Grey(100)});
        fx.Draw(b.get());
        EXPECT_EQ(b->PixelFormat(), pf24bit);
        if (format == pf8bit) {
            // White -> 254 -> 1 -> 21 -> 10 (10.5 to even); black -> 0 -> 255 -> 255 -> 128;
            // red -> 76 -> 179 -> 199 -> 100; mirrored both ways.
            EXPECT_EQ(PixelAt(*b, 0, 0), Grey(10));
            EXPECT_EQ(PixelAt(*b, 1, 0), Grey(128));
            EXPECT_EQ(PixelAt(*b, 0, 1), Grey(100));
            EXPECT_EQ(PixelAt(*b, 1, 1), Grey(10));
            continue;
        }
        EXPECT_EQ(PixelAt(*b, 0, 0), Grey(88));
        EXPECT_EQ(PixelAt(*b, 1, 0), Grey(128));
        EXPECT_EQ(PixelAt(*b, 0, 1), Grey(100));
        EXPECT_EQ(PixelAt(*b, 1, 1), Grey(12));
    }
}

// Monochrome follows the mirrors, grey scale and inversion; brightness and the blend then work on
// its black and white in three bytes a pixel.
TEST(LuxBitmapEffectObjectDraw, MonochromeComesBeforeBrightnessAndTheBlend) {
    struct Case {
        const char* what;
        bool invert;
        int brightness;
        bool blend; // half with black
        TPixelFormat format;
        TColor white, grey; // what the white and the grey-100 pixel become
    };
    const Case cases[] = {
        {"monochrome alone", false, 0, false, pf1bit, clWhite, clBlack},
        {"inverted first: white turns black, grey 155", true, 0, false, pf1bit, clBlack, clBlack},
        {"then brightness", false, 155, false, pf24bit, clWhite, Grey(155)},
        {"then the blend", false, 0, true, pf24bit, Grey(128), clBlack},
        {"brightness, then the blend", false, 155, true, pf24bit, Grey(128), Grey(78)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TLuxBitmapEffectObject fx;
        fx.SetBoolean(5, true);
        fx.SetBoolean(3, c.invert);
        fx.SetBrightness(c.brightness);
        if (c.blend) {
            fx.AlphaBlend()->FillObject()->SetFillStyle(sfBrush);
            fx.AlphaBlend()->FillObject()->Brush()->SetColor(clBlack);
            fx.AlphaBlend()->SetSingle(0.5f);
        }
        auto b = PixelsOf(pf32bit, 2, 1, {clWhite, Grey(100)});
        fx.Draw(b.get());
        EXPECT_EQ(b->PixelFormat(), c.format);
        EXPECT_EQ(PixelAt(*b, 0, 0), c.white);
        EXPECT_EQ(PixelAt(*b, 1, 0), c.grey);
    }

    // Nothing to do leaves the format alone.
    TLuxBitmapEffectObject plain;
    auto c = PixelsOf(pf32bit, 1, 1, {clRed});
    plain.Draw(c.get());
    EXPECT_EQ(c->PixelFormat(), pf32bit);
    EXPECT_EQ(PixelAt(*c, 0, 0), clRed);
}

TEST(LuxBitmapEffectObjectDraw, TheBufferStandsInUntilASettingOrTheSizeChanges) {
    TLuxBitmapEffectObject fx;
    fx.SetBoolean(3, true);
    fx.SetBoolean(4, true);
    TBitmap first;
    Make(first, {"RB"});
    fx.Draw(&first);
    EXPECT_EQ(PixelAt(first, 0, 0), static_cast<TColor>(0xFFFF00)); // red inverted
    EXPECT_TRUE(fx.BufferValid());

    // Another picture of the same size shows the kept result.
    TBitmap second;
    Make(second, {"GG"});
    fx.Draw(&second);
    EXPECT_EQ(PixelAt(second, 0, 0), static_cast<TColor>(0xFFFF00));
    EXPECT_EQ(Picture(second), Picture(first));

    // A setting changed: the effects run again.
    fx.SetBrightness(-1);
    Make(second, {"GG"});
    fx.Draw(&second);
    EXPECT_EQ(PixelAt(second, 0, 0), static_cast<TColor>(RGB(254, 0, 254)));
    EXPECT_TRUE(fx.BufferValid());

    // A target of another size: the buffer is worked out afresh for it.
    TBitmap wider;
    Make(wider, {"GGG"});
    fx.Draw(&wider);
    EXPECT_EQ(PixelAt(wider, 2, 0), static_cast<TColor>(RGB(254, 0, 254)));
    EXPECT_EQ(fx.Buffer()->Width(), 3);

    // DrawCopyRect and DrawCutRect2 take the shortcut too; a Dst of another size does not.
    auto dst = FilledBitmap(3, 1, clBlack);
    fx.DrawCopyRect(&second, TRect(0, 0, 2, 1), dst.get(), TPoint(0, 0));
    EXPECT_EQ(PixelAt(*dst, 2, 0), static_cast<TColor>(RGB(254, 0, 254))) << "the buffer of GGG";
    auto small = FilledBitmap(1, 1, clBlack);
    fx.DrawCutRect2(&second, TRect(0, 0, 1, 1), small.get(), TRect(0, 0, 1, 1));
    EXPECT_EQ(PixelAt(*small, 0, 0), static_cast<TColor>(RGB(0, 254, 0))) << "(254, 0, 254) worked afresh";
    EXPECT_EQ(fx.Buffer()->Width(), 1);
}

TEST(LuxBitmapEffectObjectDraw, CopiesThenEffects) {
    TLuxBitmapEffectObject fx;
    fx.SetBoolean(0, true); // left to right

    TBitmap src;
    Make(src, {"RGBK"});
    TBitmap dst;
    Blank(dst, 5, 1);
    fx.DrawCopy(&src, &dst);
    EXPECT_EQ(Picture(dst), Rows({".KBGR"})) << "copied, then the whole of Dst mirrored";

    TBitmap part;
    Blank(part, 2, 1);
    fx.DrawCopyFromRect(&src, TRect(1, 0, 3, 1), &part);
    EXPECT_EQ(Picture(part), Rows({"BG"}));

    // DrawCopyRect: only the area at P.
    TBitmap at;
    Blank(at, 5, 2);
    fx.DrawCopyRect(&src, TRect(0, 0, 3, 1), &at, TPoint(2, 1));
    EXPECT_EQ(Picture(at), Rows({".....", "..BGR"}));

    // DrawCutRect: Dst shows R, mirrored inside Cut only.
    TBitmap cut;
    Blank(cut, 4, 1);
    fx.DrawCutRect(&src, TRect(0, 0, 4, 1), &cut, TRect(2, 0, 4, 1));
    EXPECT_EQ(Picture(cut), Rows({"RGGR"}));
}

TEST(LuxBitmapEffectObjectDraw, CutRect2AppliesTheEffectsWithinCutAndDst) {
    const struct {
        const char* what;
        TRect cut;
        const char* rows[2];
    } cases[] = {
        {"inside", TRect(1, 0, 3, 2), {"GKB", "LGR"}},
        {"reaching past Dst's right", TRect(1, 0, 10, 2), {"GKB", "LGR"}},
        {"reaching past Dst's top", TRect(0, -3, 2, 1), {"BGK", "LRG"}},
        {"wholly outside", TRect(5, 0, 9, 2), {"GBK", "LRG"}},
    };
    TBitmap src;
    Make(src, {"RGBK", "BLRG"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TLuxBitmapEffectObject fx;
        fx.SetBoolean(0, true);
        auto dst = std::make_unique<TBitmap>();
        dst->SetSize(3, 2); // the device format: made 24-bit on the way
        fx.DrawCutRect2(&src, TRect(1, 0, 4, 2), dst.get(), c.cut);
        EXPECT_EQ(Picture(*dst), Rows({c.rows[0], c.rows[1]}));
    }

    // The blend: with a black brush at half strength, white becomes 128 inside Cut only.
    TLuxBitmapEffectObject fx;
    fx.AlphaBlend()->FillObject()->SetFillStyle(sfBrush);
    fx.AlphaBlend()->FillObject()->Brush()->SetColor(clBlack);
    fx.AlphaBlend()->SetSingle(0.5f);
    auto white = FilledBitmap(4, 1, clWhite);
    auto dst = FilledBitmap(4, 1, clRed);
    fx.DrawCutRect2(white.get(), TRect(0, 0, 4, 1), dst.get(), TRect(1, 0, 3, 1));
    EXPECT_EQ(PixelAt(*dst, 0, 0), clWhite);
    EXPECT_EQ(PixelAt(*dst, 1, 0), Grey(128));
    EXPECT_EQ(PixelAt(*dst, 2, 0), Grey(128));
    EXPECT_EQ(PixelAt(*dst, 3, 0), clWhite);
}

TEST(LuxAlphaObjectDraw, AlphaBlendAndControlBlend) {
    TLuxAlphaObject alpha;
    auto b = PixelsOf(pf32bit, 2, 1, {Grey(200), Grey(0)});
    alpha.AlphaBlend(b.get());
    EXPECT_EQ(b->PixelFormat(), pf32bit) << "sfNone: nothing";
    EXPECT_EQ(PixelAt(*b, 0, 0), Grey(200));

    alpha.FillObject()->SetFillStyle(sfBrush);
    alpha.FillObject()->Brush()->SetColor(Grey(100));
    alpha.AlphaBlend(b.get());
    EXPECT_EQ(b->PixelFormat(), pf24bit);
    EXPECT_EQ(PixelAt(*b, 0, 0), Grey(160));
    EXPECT_EQ(PixelAt(*b, 1, 0), Grey(40));

    // A part of the bitmap blended, and a part of that drawn elsewhere.
    auto source = FilledBitmap(4, 4, clWhite);
    source->Canvas()->SetPixels(2, 2, clBlack);
    auto target = FilledBitmap(4, 4, clRed);
    alpha.ControlBlend(source.get(), TRect(1, 1, 4, 4), TRect(1, 1, 3, 3), target->Canvas(),
                       TRect(0, 0, 2, 2));
    EXPECT_EQ(PixelAt(*target, 0, 0), Grey(40)) << "black at 0.6 over 100";
    EXPECT_EQ(PixelAt(*target, 1, 1), Grey(193)) << "white: 155 x 0.6 = 93 over 100";
    EXPECT_EQ(PixelAt(*target, 2, 2), clRed);
    EXPECT_EQ(PixelAt(*source, 2, 2), clBlack) << "the source stays";
}

} // namespace
