#include "visual_controls/Luxcaption.h"

#include "platform/ui/TypInfo.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct TChangeCounter : TObject {
    int Changes = 0;
    void Changed(TObject*) { ++Changes; }
};

template <class T> void Watch(T& object, TChangeCounter& counter) {
    object.OnChange = TNotifyEvent::Bind<&TChangeCounter::Changed>(&counter);
}

std::string PropNames(const TObject* o) {
    std::string names;
    for (const TPropInfo* p : GetPropList(o)) names += p->Name + (p->Default ? "" : "*") + " ";
    return names;
}

} // namespace

TEST(Luxcaption, DefaultsAndPublishedOrder) {
    TLuxFxCaption fx;
    EXPECT_EQ(fx.DisabledStyle(), dsAuto);
    EXPECT_EQ(fx.LightDepth(), 1);
    EXPECT_EQ(fx.ShadowDepth(), 1);
    EXPECT_EQ(fx.LightColor(), clBtnHighlight);
    EXPECT_EQ(fx.ShadowColor(), clBtnShadow);
    EXPECT_EQ(fx.Style(), tdNone);
    EXPECT_EQ(fx.Orientation(), toTopLeft);
    EXPECT_EQ(fx.Tracing(), 0);
    EXPECT_EQ(fx.Angle(), 0);
    EXPECT_EQ(PropNames(&fx), "DisabledStyle LightDepth ShadowDepth LightColor ShadowColor Style Orientation "
                              "Tracing Angle PosX PosY ");
    for (const TPropInfo* p : GetPropList(&fx)) EXPECT_EQ(p->GetOrd(&fx), *p->Default) << p->Name;

    TLuxGlyphTextLayout g;
    EXPECT_EQ(PropNames(&g), "AlignText2Glyph OffsetX OffsetY Spacing Alignment* ");
    EXPECT_EQ(g.Alignment(), agTopLeft);
    EXPECT_EQ(g.AlignText2Glyph(), taRight);
    EXPECT_EQ(g.Spacing(), 2);

    TLuxButtonLayout b;
    EXPECT_EQ(b.Alignment(), agCenter);
    EXPECT_EQ(PropNames(&b),
              "AlignText2Glyph OffsetX OffsetY Spacing Alignment Arrow ArrowColor ArrowIndent "
              "ArrowPosition ArrowSize ");
    EXPECT_EQ(*GetPropInfo(&b, "Alignment")->Default, agCenter);
    EXPECT_EQ(b.ArrowColor(), clBlack);
    EXPECT_EQ(b.ArrowIndent(), 3);
    EXPECT_EQ(b.ArrowSize(), 3);
}

TEST(Luxcaption, SettersNotifyOnlyOnChange) {
    TLuxFxCaption fx;
    TChangeCounter counter;
    Watch(fx, counter);
    // Through the published table: every property's setter stores and notifies once.
    const struct {
        const char* name;
        std::int64_t value;
    } writes[] = {{"DisabledStyle", ds3d},
                  {"LightDepth", 3},
                  {"ShadowDepth", 4},
                  {"LightColor", clRed},
                  {"ShadowColor", clBlue},
                  {"Style", tdOutline},
                  {"Orientation", toBottomRight},
                  {"Tracing", 2},
                  {"Angle", 90},
                  {"PosX", 5},
                  {"PosY", 6}};
    for (const auto& w : writes) {
        const TPropInfo* p = GetPropInfo(&fx, w.name);
        ASSERT_NE(p, nullptr) << w.name;
        const int before = counter.Changes;
        p->SetOrd(&fx, w.value);
        EXPECT_EQ(p->GetOrd(&fx), w.value) << w.name;
        EXPECT_EQ(counter.Changes, before + 1) << w.name;
        p->SetOrd(&fx, w.value);
        EXPECT_EQ(counter.Changes, before + 1) << w.name << " set again";
    }
    // Unknown indexes change nothing.
    counter.Changes = 0;
    fx.SetDepth(2, 9);
    fx.SetColor(2, clLime);
    fx.SetPos(2, 9);
    EXPECT_EQ(counter.Changes, 0);

    TLuxButtonLayout b;
    Watch(b, counter);
    b.SetInteger(1, 77);
    EXPECT_EQ(counter.Changes, 1) << "another index only notifies";
    EXPECT_EQ(b.ArrowIndent(), 3);
    b.SetInteger(0, 3);
    EXPECT_EQ(counter.Changes, 1);
    b.SetInteger(0, 5);
    EXPECT_EQ(b.ArrowIndent(), 5);
    EXPECT_EQ(counter.Changes, 2);
}

TEST(Luxcaption, AngleAndOrigin) {
    TLuxFxCaption fx;
    TChangeCounter counter;
    Watch(fx, counter);
    fx.SetAngle(0);
    EXPECT_EQ(counter.Changes, 0);
    fx.SetAngle(360);
    EXPECT_EQ(fx.Angle(), 0);
    EXPECT_EQ(counter.Changes, 1) << "360 is stored as 0, and notifies";
    fx.SetAngle(45);
    EXPECT_EQ(counter.Changes, 2);

    fx.SetPosXY(7, 9);
    EXPECT_EQ(fx.PosX(), 7);
    EXPECT_EQ(fx.PosY(), 9);
    EXPECT_EQ(counter.Changes, 2) << "SetPosXY never tells the owner";
    // And it leaves the object notifying again.
    fx.SetPos(0, 1);
    EXPECT_EQ(counter.Changes, 3);
}

TEST(Luxcaption, AssignCopiesTheValuesOfItsKindWithOneNotification) {
    TLuxFxCaption src;
    src.SetDisabledStyle(dsNone);
    src.SetDepth(0, 3);
    src.SetDepth(1, 4);
    src.SetColor(0, clRed);
    src.SetColor(1, clBlue);
    src.SetStyle(tdExtrude);
    src.SetOrientation(toBottomRight);
    src.SetTracing(2);
    src.SetAngle(30);
    src.SetPosXY(5, 6);

    TLuxFxCaption fx;
    TChangeCounter counter;
    Watch(fx, counter);
    fx.Assign(&src);
    EXPECT_EQ(counter.Changes, 1);
    for (const TPropInfo* p : GetPropList(&fx)) EXPECT_EQ(p->GetOrd(&fx), p->GetOrd(&src)) << p->Name;

    // From a plain 3-D caption: its values, the rotation and origin stay.
    TLux3DCaption plain;
    plain.SetStyle(tdSunken);
    plain.SetOrientation(toBottomLeft);
    fx.Assign(&plain);
    EXPECT_EQ(counter.Changes, 2);
    EXPECT_EQ(fx.Style(), tdSunken);
    EXPECT_EQ(fx.Orientation(), toBottomLeft) << "the extrusion direction is copied too";
    EXPECT_EQ(fx.LightDepth(), 1);
    EXPECT_EQ(fx.Angle(), 30);
    EXPECT_EQ(fx.PosX(), 5);
    EXPECT_EQ(fx.PosY(), 6);

    // A 3-D caption takes a rotated one's 3-D values.
    TLux3DCaption back;
    back.Assign(&src);
    EXPECT_EQ(back.Style(), tdExtrude);
    EXPECT_EQ(back.Orientation(), toBottomRight);

    TLuxGlyphTextLayout other;
    EXPECT_THROW(fx.Assign(&other), Exception);

    TLuxButtonLayout bsrc;
    bsrc.SetAlignment(agBottomRight);
    bsrc.SetAlignText2Glyph(taBottom);
    bsrc.SetOffset(0, -2);
    bsrc.SetOffset(1, 3);
    bsrc.SetSpacing(7);
    bsrc.SetArrow(true);
    bsrc.SetArrowColor(clRed);
    bsrc.SetInteger(0, 9);
    bsrc.SetArrowPosition(apLeftGlyph);
    bsrc.SetArrowSize(6);
    TLuxButtonLayout b;
    Watch(b, counter);
    counter.Changes = 0;
    b.Assign(&bsrc);
    for (const TPropInfo* p : GetPropList(&b)) EXPECT_EQ(p->GetOrd(&b), p->GetOrd(&bsrc)) << p->Name;
    // One notification per layout value through its setter, one for the arrow values.
    EXPECT_EQ(counter.Changes, 6);

    TLuxGlyphTextLayout g;
    Watch(g, counter);
    counter.Changes = 0;
    g.Assign(&bsrc);
    EXPECT_EQ(counter.Changes, 1);
    for (const TPropInfo* p : GetPropList(&g)) EXPECT_EQ(p->GetOrd(&g), p->GetOrd(&bsrc)) << p->Name;
}

TEST(Luxcaption, Summaries) {
    const char* const words[] = {"{Disabled}",      "{sunken}",        "{raised}",        "{sunken shadow}",
                                 "{raised shadow}", "{PColor sunken}", "{PColor raised}", "{shadow}",
                                 "{outline}",       "{extrude}",       "{extrude enh}"};
    TLuxFxCaption fx;
    for (int s = tdNone; s <= tdExtrudeEnh; ++s) {
        fx.SetStyle(static_cast<TLuxThreeDStyle>(s));
        EXPECT_EQ(fx.GetSetStr(), words[s]);
        TLux3DCaption plain;
        plain.SetStyle(static_cast<TLuxThreeDStyle>(s));
        EXPECT_EQ(plain.GetSetStr(), words[s]);
    }
    fx.SetStyle(tdSunken);
    fx.SetAngle(45);
    EXPECT_EQ(fx.GetSetStr(), "{sunken, rot: 45\xB0}");
    fx.SetStyle(tdNone);
    fx.SetAngle(270);
    EXPECT_EQ(fx.GetSetStr(), "{ rot: 270\xB0}");
    EXPECT_EQ(TLuxButtonLayout().GetSetStr(), "");
    EXPECT_EQ(TLuxGlyphTextLayout().GetSetStr(), "");
}

TEST(Luxcaption, FocusStyles) {
    EXPECT_EQ(LuxConvertFocusStyle(fcText), TLuxDrawTextStyles{dtRectText});
    EXPECT_EQ(LuxConvertFocusStyle(fcGlyph), TLuxDrawTextStyles{dtRectGlyph});
    EXPECT_EQ(LuxConvertFocusStyle(fcGlyphText), TLuxDrawTextStyles{dtRectGlyphText});
    EXPECT_TRUE(LuxConvertFocusStyle(fcControl).Empty());
    EXPECT_TRUE(LuxConvertFocusStyle(fcNone).Empty());
}
