#include "visual_controls/LuxEffect.h"

#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"
#include "visual_controls/Luxcont.h"

#include "visual_controls/tests/support/LetterPicture.h"

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

} // namespace
