// The published interface of the library, against one table: every class's names in order, their
// kinds, declared defaults and stored rules; a stream round trip of a non-default value for every
// property (events by the name of their handler); and no registered class of the library left out.
#include "platform/rtl/Streams.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TypInfo.h"
#include "visual_controls/LuxEffect.h"
#include "visual_controls/LuxFill.h"
#include "visual_controls/LuxGradient.h"
#include "visual_controls/LuxIniCtrl.h"
#include "visual_controls/LuxRegionMask.h"
#include "visual_controls/LuxRgnShadow.h"
#include "visual_controls/LuxShadow.h"
#include "visual_controls/LuxShape.h"
#include "visual_controls/LuxTeeth.h"
#include "visual_controls/LuxTimer.h"
#include "visual_controls/LuxWndProcComponent.h"
#include "visual_controls/Luxbevel.h"
#include "visual_controls/Luxcaption.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/Luxcont.h"
#include "visual_controls/Luxlabel.h"
#include "visual_controls/Luxpanel.h"
#include "visual_controls/Luxpointlist.h"
#include "visual_controls/Luxwave.h"
#include "visual_controls/luxregion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

// --- The table ------------------------------------------------------------------------------------

enum TStoredRule {
    srDefault, // stored unless equal to the declared default (always, without one)
    srNever,   // never stored as a property (the data travels in a defined property, or not at all)
    srRule,    // a rule of its own
};

struct TRow {
    std::string Name;
    TTypeKind Kind = TTypeKind::tkInteger;
    std::optional<std::int64_t> Default;
    TStoredRule Stored = srDefault;
    // Class kind: the class of the object held, or "->" and the class of the component referred to.
    std::string Detail;
    // The value the round trip sets instead of the next one after the present value.
    std::optional<std::int64_t> Sample;
    bool Keep = false;         // the round trip leaves the value as it is
    bool WhileLoading = false; // takes a value only while the component is being read
    bool ReadOnly = false;

    TRow Never() const {
        TRow r = *this;
        r.Stored = srNever;
        return r;
    }
    TRow Rule() const {
        TRow r = *this;
        r.Stored = srRule;
        return r;
    }
    TRow Set(std::int64_t v) const {
        TRow r = *this;
        r.Sample = v;
        return r;
    }
    TRow Kept() const {
        TRow r = *this;
        r.Keep = true;
        return r;
    }
    TRow Loading() const {
        TRow r = *this;
        r.WhileLoading = true;
        return r;
    }
    TRow NoSetter() const {
        TRow r = *this;
        r.ReadOnly = true;
        return r;
    }
};

using K = TTypeKind;
TRow MakeRow(std::string n, K kind, std::optional<std::int64_t> d = std::nullopt, std::string detail = "") {
    TRow r;
    r.Name = std::move(n);
    r.Kind = kind;
    r.Default = d;
    r.Detail = std::move(detail);
    return r;
}
TRow Int(std::string n, std::optional<std::int64_t> d = std::nullopt) {
    return MakeRow(std::move(n), K::tkInteger, d);
}
TRow Bool(std::string n, std::optional<bool> d = std::nullopt) {
    return MakeRow(std::move(n), K::tkEnumeration, d ? std::optional<std::int64_t>(*d) : std::nullopt);
}
TRow Enum(std::string n, std::optional<std::int64_t> d = std::nullopt) {
    return MakeRow(std::move(n), K::tkEnumeration, d);
}
TRow SetOf(std::string n, std::optional<std::int64_t> d = std::nullopt) {
    return MakeRow(std::move(n), K::tkSet, d);
}
TRow Str(std::string n) {
    return MakeRow(std::move(n), K::tkLString);
}
TRow Float(std::string n) {
    return MakeRow(std::move(n), K::tkFloat);
}
TRow Obj(std::string n, std::string cls) {
    return MakeRow(std::move(n), K::tkClass, std::nullopt, std::move(cls));
}
TRow Ref(std::string n, std::string cls) {
    return MakeRow(std::move(n), K::tkClass, std::nullopt, "->" + cls);
}
TRow Event(std::string n) {
    return MakeRow(std::move(n), K::tkMethod);
}

struct TClassRows {
    std::string Class;
    // Where the Part gives the class no list of its own: what it keeps, and why.
    std::string Note;
    std::vector<TRow> Rows;
};

std::vector<TRow> Join(std::initializer_list<std::vector<TRow>> parts) {
    std::vector<TRow> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

std::vector<TRow> ComponentRows() {
    return {Str("Name").Kept(), Int("Tag", 0)};
}

std::vector<TRow> BevelRows(std::optional<std::int64_t> mode, std::int64_t modeSample) {
    TRow modeRow = Enum("Mode", mode).Set(modeSample);
    return {Enum("StyleInner", bvNone),
            Enum("StyleOuter", bvNone),
            Int("WidthInner", 1),
            Int("WidthOuter", 1),
            Int("BorderColor", clBtnFace),
            SetOf("BorderSides", TLuxFrameSides{fsBottom, fsLeft, fsRight, fsTop}.Bits()),
            Int("BorderWidth", 0),
            Int("BorderInnerWidth", 0),
            Enum("EdgeStyle", etEtched),
            Int("LightColor", clBtnHighlight),
            modeRow,
            Int("ShadowColor", clBtnShadow),
            Enum("StandardStyle", lsSingleLowered)};
}

std::vector<TRow> CaptionRows() {
    return {Enum("DisabledStyle", dsAuto),   Int("LightDepth", 1),
            Int("ShadowDepth", 1),           Int("LightColor", clBtnHighlight),
            Int("ShadowColor", clBtnShadow), Enum("Style", tdNone),
            Enum("Orientation", toTopLeft),  Int("Tracing", 0)};
}

// The control and label rows both labels publish, in the order of the labels' table.
std::vector<TRow> LabelStandardRows() {
    return {Int("Left"),
            Int("Top"),
            Int("Width"),
            Int("Height"),
            Str("About"),
            Enum("Align", alNone),
            SetOf("Anchors", TAnchors{akLeft, akTop}.Bits()),
            Enum("BiDiMode").Rule(),
            Bool("ParentBiDiMode", true).Set(false),
            Obj("Constraints", "TSizeConstraints"),
            Int("Cursor", crDefault),
            Int("DragCursor", crDrag),
            Enum("DragKind", dkDrag),
            Enum("DragMode", dmManual),
            Bool("Enabled", true),
            Obj("Font", "TFont").Rule(),
            Str("Hint"),
            Bool("ParentFont", true).Set(false),
            Bool("ParentColor", true).Set(false),
            Bool("ParentShowHint", true).Set(false),
            Ref("PopupMenu", "TPopupMenu"),
            Bool("ShowHint").Rule(),
            Bool("Visible", true),
            Str("Caption"),
            Int("Color", clWindow).Rule()};
}

std::vector<TRow> LabelEvents() {
    return {Event("OnClick"),     Event("OnDblClick"),  Event("OnDragDrop"),  Event("OnDragOver"),
            Event("OnEndDrag"),   Event("OnMouseDown"), Event("OnMouseMove"), Event("OnMouseUp"),
            Event("OnStartDrag"), Event("OnEndDock"),   Event("OnStartDock"), Event("OnMouseEnter"),
            Event("OnMouseExit")};
}

const std::vector<TClassRows>& Table() {
    static const std::vector<TClassRows> table = {
        // Settings objects.
        {"TLuxBevel", "", BevelRows(std::nullopt, bmStandard)},
        {"TLuxScrollBoxBevel", "", BevelRows(bmWindows, bmCustom)},
        {"TLuxSimpleBevel",
         "",
         {Int("Color", clBlack), Int("Width", 2), Enum("Style", sbNormal), Int("LightColor", clBtnHighlight),
          Int("ShadowColor", clBtnShadow)}},
        {"TLux3DCaption", "", CaptionRows()},
        {"TLuxFxCaption", "", Join({CaptionRows(), {Int("Angle", 0), Int("PosX", 0), Int("PosY", 0)}})},
        {"TLuxGlyphTextLayout",
         "",
         {Enum("AlignText2Glyph", taRight), Int("OffsetX", 0), Int("OffsetY", 0), Int("Spacing", 2),
          Enum("Alignment")}},
        {"TLuxButtonLayout",
         "",
         {Enum("AlignText2Glyph", taRight), Int("OffsetX", 0), Int("OffsetY", 0), Int("Spacing", 2),
          Enum("Alignment", agCenter).Set(agTopLeft), Bool("Arrow", false), Int("ArrowColor", clBlack),
          Int("ArrowIndent", 3), Enum("ArrowPosition", apRightText), Int("ArrowSize", 3)}},
        {"TLuxShapeFill",
         "",
         {Obj("Bitmap", "TBitmap"), Enum("Style", sfBrush), Obj("Gradient", "TLuxGradient"),
          Enum("TileMode", tmTile).Set(tmCenter)}},
        {"TLuxFillObject",
         "",
         {Obj("Bitmap", "TBitmap"), Enum("Style", sfNone), Obj("Gradient", "TLuxGradient"),
          Enum("TileMode", tmTile).Set(tmCenter), Enum("Alignment"), Obj("Brush", "TBrush"),
          Int("OffsetX", 0), Int("OffsetY", 0),
          SetOf("Options", TLuxFillOptions{foFillInner, foGrUseBitmap}.Bits())}},
        {"TLuxAlphaObject",
         "",
         {Ref("ImageList", "TLuxImageList").Rule(), Int("ImageIndex", 0), Int("ListIndex", 0),
          Float("Strength"), Obj("FillObject", "TLuxFillObject")}},
        {"TLuxBitmapEffectObject",
         "",
         {Obj("AlphaBlend", "TLuxAlphaObject"), Bool("FlipVertical", false), Bool("FlipHorizontal", false),
          Bool("GrayScale", false), Bool("Invert", false), Bool("Buffered", false), Int("Brightness", 0)}},
        {"TLuxGradient",
         "",
         {Int("Color", 16711680), Int("ColorCount", 16), Enum("Style", gstVertical), Int("EndColor", 0),
          Bool("PaletteRealize", false), Bool("TwoColors", true)}},
        {"TLuxShape",
         "",
         {Obj("Bevel", "TLuxSimpleBevel"), Obj("Brush", "TBrush"), Int("RoundPercent", 33),
          Obj("Shadow", "TLuxShadow"), Enum("Shape", stRectangle), Bool("Square", false)}},
        {"TLuxShadow", "", {Int("Color", clBtnShadow), Int("Depth", 6), Enum("Style", hssSolid)}},
        {"TLuxRgnShadow", "", {Int("Color", clBtnShadow), Int("Depth", 6), Enum("Style", hssNone)}},
        {"TLuxTeeth",
         "",
         {Int("Count", 10), Enum("Direction", tdRight), Bool("Offset", true), Bool("SetPerCount", true),
          Int("Width", 10), Int("Height", 0)}},
        {"TLuxRegionBorder",
         "",
         {Enum("Style", rbSingle), Int("LightColor", clBtnHighlight), Int("ShadowColor", clBtnShadow),
          Int("SingleColor", clBlack)}},
        {"TLuxRegion",
         "",
         {Obj("Points", "TLuxPointList"), Enum("Shape", rsRoundRect).Set(rsElliptic),
          Enum("ExtPos", epLeftTop), Obj("Mask", "TLuxRegionMask"), Int("RoundX", 20), Int("RoundY", 20),
          Obj("Shadow", "TLuxRgnShadow")}},
        {"TLuxBorderRegion",
         "",
         {Obj("Points", "TLuxPointList"), Enum("Shape", rsRoundRect).Set(rsElliptic),
          Enum("ExtPos", epLeftTop), Obj("Mask", "TLuxRegionMask"), Int("RoundX", 20), Int("RoundY", 20),
          Obj("Shadow", "TLuxRgnShadow"), Obj("Border", "TLuxRegionBorder")}},
        // Region data travels in "RegionData", its size first.
        {"TLuxRegionMask",
         "",
         {Int("RegionDataSize").Kept(), Bool("Compressed", false), Enum("PixelFormat", spfDefault)}},
        {"TLuxWave", "No list: the sound travels in the defined property \"Data\".", {}},
        {"TLuxBorImageListItem",
         "",
         {Str("Name"), Ref("ImageList", "TCustomImageList"), Int("Index").Kept()}},
        {"TLuxGraphicListItem", "", {Str("Name"), Obj("Picture", "TPicture"), Int("Index").Kept()}},

        // Components.
        {"TLuxLabel", "",
         Join({ComponentRows(),
               LabelStandardRows(),
               {Enum("Alignment", agTopLeft), Bool("AutoSize", true), Obj("Bevel", "TLuxBevel"),
                Ref("FocusControl", "TEdit"), Obj("FontFX", "TLuxFxCaption"), Bool("MultiLine", false),
                SetOf("Options"), Bool("ShowAccelChar", true), Bool("Transparent", true),
                Bool("Twinkle", false), Int("TwinkleVisible", 700).Set(750),
                Int("TwinkleInVisible", 700).Set(750), Int("TwinkleColor", clNone).Set(clRed)},
               LabelEvents()})},
        {"TLuxGlyphLabel", "",
         Join({ComponentRows(),
               LabelStandardRows(),
               {Obj("Alignment", "TLuxGlyphTextLayout"), Bool("AutoSize", true), Obj("Bevel", "TLuxBevel"),
                Ref("FocusControl", "TEdit"), Obj("Font3D", "TLux3DCaption"),
                Ref("ImageList", "TLuxImageList").Rule(), Int("ImageIndex", 0), Int("ListIndex", 0),
                Bool("MultiLine", false), Bool("ShowAccelChar", true), Bool("Transparent", true)},
               LabelEvents()})},
        {"TLuxTimerPool", "",
         Join({ComponentRows(), {Str("About"), Int("MinInterval", 1000).Loading(), Event("OnTimer")}})},
        {"TLuxApplication",
         "No list: the one global services object of the unit; not registered, as a second one read from a "
         "stream would take the program's mutex and hand cursor.",
         ComponentRows()},
        {"TLuxContainer", "No list: keeps what a component publishes.", ComponentRows()},
        {"TLuxContainerCtrl", "", Join({ComponentRows(), {Str("About")}})},
        {"TLuxBitmapList", "",
         Join({ComponentRows(),
               {Str("About"), Bool("DefaultCompressed", false), Enum("DefaultPixelFormat", spfDefault)}})},
        {"TLuxImageList", "",
         Join({ComponentRows(),
               {Str("About"), Bool("DefaultCompressed", false), Enum("DefaultPixelFormat", spfDefault)}})},
        {"TLuxStringList", "", Join({ComponentRows(), {Str("About"), Bool("DefaultCompressed", false)}})},
        {"TLuxGenericList", "", Join({ComponentRows(), {Str("About"), Bool("DefaultCompressed", false)}})},
        {"TLuxWaveList", "", Join({ComponentRows(), {Str("About"), Bool("DefaultCompressed", false)}})},
        {"TLuxImageListConnector", "",
         Join({ComponentRows(), {Str("About"), Obj("ImageLists", "TLuxBorImageListItems")}})},
        {"TLuxGraphicList", "",
         Join({ComponentRows(), {Str("About"), Obj("Graphics", "TLuxGraphicListItems")}})},
        // The items' data travel in "Internal"; the values published beside it are not stored twice.
        {"TLuxBitmapListItem", "",
         Join({ComponentRows(),
               {Obj("Bitmap", "TBitmap").Never(), Int("Ident").Never(), Str("Description").Never()}})},
        {"TLuxImageListItem", "",
         Join({ComponentRows(),
               {Int("AllocBy", 4), Str("Description"), Bool("Masked", false), Int("Height", 16),
                Int("Width", 16)}})},
        {"TLuxStringListItem", "",
         Join({ComponentRows(), {Obj("Items", "TStringList").Never(), Str("Description"), Int("Ident")}})},
        {"TLuxGenericListItem", "No list: the data and its file name travel in \"Internal\".",
         ComponentRows()},
        {"TLuxWaveListItem", "",
         Join({ComponentRows(), {Obj("Wave", "TLuxWave").Never(), Str("Description"), Int("Ident")}})},
        {"TLuxIniCtrl", "",
         Join({ComponentRows(),
               {Str("About"), Bool("Common", true), Bool("NetUser", false), Str("IniFile"), Str("User"),
                Enum("IniPrefix", ppWindows), Enum("RegRoot", rpCurrentUser), Str("RegPath"),
                Bool("AlphaCounter", false), Int("MaxEntries", 16), Enum("Target", itAuto).Set(itIniFile)}})},
        {"TLuxHiTimer", "",
         Join({ComponentRows(),
               {Str("About"), Bool("Enabled", false), Int("Interval", 1000), Event("OnTimer"),
                Bool("Synchronize", true), Bool("UseThread", true),
                Enum("ThreadPriority", static_cast<std::int64_t>(TThreadPriority::tpNormal))}})},
        {"TLuxWndProcComponent", "No list of its own: its descendants publish About and Enabled.",
         ComponentRows()},
        {"TLuxFormShape", "",
         Join({ComponentRows(),
               {Str("About"), Bool("Enabled", true), Obj("Region", "TLuxBorderRegion"),
                Bool("ShowFormCaption", true), Bool("FormDragable", true), Bool("UseRgnBitmap", true),
                Obj("FillObject", "TLuxFillObject"), Ref("ImageList", "TLuxImageList").Rule(),
                Int("ListIndex", 0), Int("ImageIndex", 0)}})},
        {"TLuxCustomPanel", "No list: keeps what the windowed control publishes.", ComponentRows()},
        {"TLuxCustomBevelPanel", "No list: keeps what the windowed control publishes.", ComponentRows()},
        {"TLuxCustomStatusBar", "No list: keeps what the windowed control publishes.", ComponentRows()},
        {"TLuxCustomScrollBox", "",
         Join({ComponentRows(),
               {Str("About"), Enum("BorderStyle").NoSetter(), Bool("Ctl3D", true).Rule(),
                Bool("ParentCtl3D", false)}})},
    };
    return table;
}

const TClassRows* FindRows(const std::string& cls) {
    for (const TClassRows& c : Table())
        if (c.Class == cls) return &c;
    return nullptr;
}

} // namespace

// --- A root that publishes a handler of every signature the library's events have ----------------

class TEventRoot : public TForm {
public:
    using TForm::TForm;
    void HandleNotify(TObject*) {}
    void HandleMouse(TObject*, TMouseButton, TShiftState, int, int) {}
    void HandleMouseMove(TObject*, TShiftState, int, int) {}
    void HandleDragDrop(TObject*, TObject*, int, int) {}
    void HandleDragOver(TObject*, TObject*, int, int, TDragState, bool&) {}
    void HandleEndDrag(TObject*, TObject*, int, int) {}
    void HandleStartDrag(TObject*, TDragObject*&) {}
    void HandleStartDock(TObject*, TDragDockObject*&) {}
    void HandlePoolTimer(TObject*, WORD, int) {}
};

const char* const kHandlers[] = {"HandleNotify",    "HandleMouse",     "HandleMouseMove",
                                 "HandleDragDrop",  "HandleDragOver",  "HandleEndDrag",
                                 "HandleStartDrag", "HandleStartDock", "HandlePoolTimer"};

namespace {

const bool kRootPublished = [] {
    using published::Method;
    PublishMethods<TEventRoot, TForm>({
        Method<&TEventRoot::HandleNotify>("HandleNotify"),
        Method<&TEventRoot::HandleMouse>("HandleMouse"),
        Method<&TEventRoot::HandleMouseMove>("HandleMouseMove"),
        Method<&TEventRoot::HandleDragDrop>("HandleDragDrop"),
        Method<&TEventRoot::HandleDragOver>("HandleDragOver"),
        Method<&TEventRoot::HandleEndDrag>("HandleEndDrag"),
        Method<&TEventRoot::HandleStartDrag>("HandleStartDrag"),
        Method<&TEventRoot::HandleStartDock>("HandleStartDock"),
        Method<&TEventRoot::HandlePoolTimer>("HandlePoolTimer"),
    });
    RegisterClass<TEventRoot>();
    // The platform's classes the samples refer to.
    RegisterClass<TEdit>();
    RegisterClass<TPopupMenu>();
    RegisterClass<TCustomImageList>();
    return true;
}();

// The root's handler whose signature the event takes.
std::string HandlerFor(const TObject* root, const TPropInfo& event) {
    for (const char* name : kHandlers) {
        const auto entry = FindPublishedMethod(root, name);
        if (entry && entry->Signature == event.MethodSignature) return name;
    }
    return "";
}

// The container a list item lives in.
const std::map<std::string, std::string> kItemContainers = {
    {"TLuxBitmapListItem", "TLuxBitmapList"}, {"TLuxImageListItem", "TLuxImageList"},
    {"TLuxStringListItem", "TLuxStringList"}, {"TLuxGenericListItem", "TLuxGenericList"},
    {"TLuxWaveListItem", "TLuxWaveList"},
};

// Settings objects and other persistents, made alone.
std::unique_ptr<TPersistent> NewPersistent(const std::string& cls) {
    static const std::map<std::string, std::function<TPersistent*()>> made = {
        {"TLuxBevel", [] { return new TLuxBevel; }},
        {"TLuxScrollBoxBevel", [] { return new TLuxScrollBoxBevel; }},
        {"TLuxSimpleBevel", [] { return new TLuxSimpleBevel; }},
        {"TLux3DCaption", [] { return new TLux3DCaption; }},
        {"TLuxFxCaption", [] { return new TLuxFxCaption; }},
        {"TLuxGlyphTextLayout", [] { return new TLuxGlyphTextLayout; }},
        {"TLuxButtonLayout", [] { return new TLuxButtonLayout; }},
        {"TLuxShapeFill", [] { return new TLuxShapeFill; }},
        {"TLuxFillObject", [] { return new TLuxFillObject; }},
        {"TLuxAlphaObject", [] { return new TLuxAlphaObject; }},
        {"TLuxBitmapEffectObject", [] { return new TLuxBitmapEffectObject; }},
        {"TLuxGradient", [] { return new TLuxGradient; }},
        {"TLuxShape", [] { return new TLuxShape; }},
        {"TLuxShadow", [] { return new TLuxShadow; }},
        {"TLuxRgnShadow", [] { return new TLuxRgnShadow; }},
        {"TLuxTeeth", [] { return new TLuxTeeth; }},
        {"TLuxRegionBorder", [] { return new TLuxRegionBorder; }},
        {"TLuxRegion", [] { return new TLuxRegion; }},
        {"TLuxBorderRegion", [] { return new TLuxBorderRegion; }},
        {"TLuxRegionMask", [] { return new TLuxRegionMask; }},
        {"TLuxWave", [] { return new TLuxWave; }},
    };
    auto it = made.find(cls);
    return it == made.end() ? nullptr : std::unique_ptr<TPersistent>(it->second());
}

// A component of the class in Root (a list item inside a list of its own kind); nullptr for a class
// that is not registered.
TComponent* NewComponent(const std::string& cls, TComponent* root) {
    TComponent* made = nullptr;
    if (auto it = kItemContainers.find(cls); it != kItemContainers.end()) {
        auto* list = dynamic_cast<TLuxCustomContainer*>(FindClass(it->second)(root));
        list->SetName("List");
        made = list->GetItem(list->Add(nullptr));
    } else if (TComponentFactory factory = GetClass(cls)) {
        made = factory(root);
    } else {
        return nullptr;
    }
    made->SetName("Subject");
    if (auto* control = dynamic_cast<TControl*>(made); control && root)
        control->SetParent(static_cast<TWinControl*>(dynamic_cast<TForm*>(root)));
    return made;
}

class RoundTrip {
public:
    explicit RoundTrip(TEventRoot* Root) : root_(Root) {}

    // A value other than the present one in every published property, recursively.
    void Fill(TPersistent* o) {
        const TClassRows* rows = FindRows(o->ClassName());
        for (const TPropInfo* p : GetPropList(o)) {
            const TRow* row = nullptr;
            if (rows)
                for (const TRow& r : rows->Rows)
                    if (r.Name == p->Name) row = &r;
            if (row && row->Keep) continue;
            if (p->Name == "Name" && dynamic_cast<TComponent*>(o)) continue;
            SCOPED_TRACE(o->ClassName() + "." + p->Name);
            FillOne(o, *p, row);
        }
    }

    // Every published value of Copy against Original's.
    void Compare(const TObject* original, const TObject* copy, const TEventRoot* copyRoot,
                 const std::string& path) {
        if (auto* points = dynamic_cast<const TLuxPointList*>(original)) {
            auto* other = dynamic_cast<const TLuxPointList*>(copy);
            ASSERT_TRUE(other) << path;
            ASSERT_EQ(other->Count(), points->Count()) << path;
            for (int i = 0; i < points->Count(); ++i)
                EXPECT_EQ(other->GetPoint(i), points->GetPoint(i)) << path;
            return;
        }
        if (auto* item = dynamic_cast<const TLuxStringListItem*>(original)) {
            auto* other = dynamic_cast<const TLuxStringListItem*>(copy);
            ASSERT_TRUE(other) << path;
            EXPECT_EQ(other->Items()->Text(), item->Items()->Text()) << path << ".Items";
        }
        if (auto* collection = dynamic_cast<const TCollection*>(original)) {
            auto* other = dynamic_cast<const TCollection*>(copy);
            ASSERT_TRUE(other) << path;
            ASSERT_EQ(other->Count(), collection->Count()) << path;
            for (int i = 0; i < collection->Count(); ++i)
                Compare(collection->Items(i), other->Items(i), copyRoot,
                        path + "[" + std::to_string(i) + "]");
            return;
        }
        for (const TPropInfo* p : GetPropList(original)) {
            const std::string name = path + "." + p->Name;
            switch (p->Kind) {
            case K::tkClass: {
                TObject* a = p->GetObject(original);
                TObject* b = p->GetObject(copy);
                auto* ca = dynamic_cast<TComponent*>(a);
                if (ca || dynamic_cast<TComponent*>(b)) {
                    ASSERT_TRUE(ca && b) << name;
                    EXPECT_EQ(static_cast<TComponent*>(b)->Name(), ca->Name()) << name;
                    EXPECT_EQ(static_cast<TComponent*>(b)->Owner(), copyRoot) << name;
                } else if (a) {
                    ASSERT_TRUE(b) << name;
                    Compare(a, b, copyRoot, name);
                }
                break;
            }
            case K::tkMethod: {
                const TRawMethod a = p->GetMethod(original);
                const TRawMethod b = p->GetMethod(copy);
                ASSERT_TRUE(b.Code) << name << " lost its handler";
                EXPECT_EQ(MethodName(copyRoot, b.Code), MethodName(root_, a.Code)) << name;
                EXPECT_EQ(b.Data, static_cast<const void*>(copyRoot)) << name;
                break;
            }
            case K::tkFloat:
                EXPECT_EQ(p->GetFloat(copy), p->GetFloat(original)) << name;
                break;
            case K::tkString:
            case K::tkLString:
                EXPECT_EQ(p->GetStr(copy), p->GetStr(original)) << name;
                break;
            default:
                EXPECT_EQ(p->GetOrd(copy), p->GetOrd(original)) << name;
                break;
            }
        }
    }

private:
    TComponent* Sibling(const std::string& cls) {
        TComponent*& s = siblings_[cls];
        if (!s) {
            s = FindClass(cls)(root_);
            s->SetName("Ref" + cls.substr(1));
            if (auto* control = dynamic_cast<TControl*>(s)) control->SetParent(root_);
        }
        return s;
    }

    void FillOne(TPersistent* o, const TPropInfo& p, const TRow* row) {
        switch (p.Kind) {
        case K::tkClass: {
            // The item's lines are filled through the published list and come back through "Internal".
            if (auto* item = dynamic_cast<TLuxStringListItem*>(o); item && p.Name == "Items") {
                auto* lines = dynamic_cast<TPersistentStrings*>(p.GetObject(o));
                ASSERT_TRUE(lines);
                lines->SetLines({"first line", "second line"});
                EXPECT_EQ(item->Items()->Count(), 2);
                return;
            }
            if (row && row->Detail.rfind("->", 0) == 0) {
                ASSERT_TRUE(p.SetObject);
                p.SetObject(o, Sibling(row->Detail.substr(2)));
                return;
            }
            TObject* inner = p.GetObject(o);
            if (auto* points = dynamic_cast<TLuxPointList*>(inner)) {
                points->AddPoint(TPoint(3, -4));
                points->AddPoint(TPoint(70, 9));
            } else if (auto* bitmap = dynamic_cast<TBitmap*>(inner)) {
                bitmap->SetSize(3, 2);
                bitmap->Canvas()->SetPixels(1, 1, clRed);
            } else if (auto* collection = dynamic_cast<TCollection*>(inner)) {
                Fill(collection->Add());
            } else if (auto* nested = dynamic_cast<TPersistent*>(inner);
                       nested && !dynamic_cast<TComponent*>(inner)) {
                Fill(nested);
            }
            return;
        }
        case K::tkMethod: {
            const std::string handler = HandlerFor(root_, p);
            ASSERT_FALSE(handler.empty()) << "no handler of this signature on the root";
            const auto entry = FindPublishedMethod(root_, handler);
            p.SetMethod(o, TRawMethod{entry->Code, root_, entry->Signature});
            return;
        }
        default:
            break;
        }
        if (!p.HasSetter()) return;
        auto* component = dynamic_cast<TComponent*>(o);
        if (row && row->WhileLoading && component) component->BeginLoading();
        switch (p.Kind) {
        case K::tkFloat:
            p.SetFloat(o, p.GetFloat(o) + 0.25);
            break;
        case K::tkString:
        case K::tkLString:
            p.SetStr(o, "S" + p.Name);
            break;
        default: {
            const std::int64_t now = p.GetOrd(o);
            std::int64_t next = now + 1;
            if (row && row->Sample)
                next = *row->Sample;
            else if (p.Kind == K::tkEnumeration)
                next = now > 0 ? now - 1 : 1;
            else if (p.Kind == K::tkSet)
                next = now ^ 1;
            p.SetOrd(o, next);
            if (row && row->Default && row->Stored == srDefault) {
                EXPECT_NE(p.GetOrd(o), *row->Default) << "the sample did not take";
            }
            break;
        }
        }
        if (row && row->WhileLoading && component) component->EndLoading();
    }

    TEventRoot* root_;
    std::map<std::string, TComponent*> siblings_;
};

struct LuxPublishedTest : ::testing::Test {
    static void SetUpTestSuite() { Application->Initialize(); }
    void SetUp() override {
        InitLuxclass();
        InitLuxcont();
    }
    void TearDown() override {
        DoneLuxcont();
        DoneLuxclass();
    }
};

} // namespace

TEST_F(LuxPublishedTest, EveryClassPublishesItsListInOrderWithItsDefaultsAndStoredRules) {
    for (const TClassRows& cls : Table()) {
        SCOPED_TRACE(cls.Class);
        TEventRoot root(nullptr);
        std::unique_ptr<TPersistent> own = NewPersistent(cls.Class);
        TPersistent* object = own.get();
        if (!object && cls.Class == "TLuxApplication") object = LuxApplication;
        if (!object && cls.Class == "TLuxBorImageListItem")
            object = static_cast<TLuxImageListConnector*>(NewComponent("TLuxImageListConnector", &root))
                         ->ImageLists()
                         ->Add();
        if (!object && cls.Class == "TLuxGraphicListItem")
            object = static_cast<TLuxGraphicList*>(NewComponent("TLuxGraphicList", &root))->Graphics()->Add();
        if (!object) object = NewComponent(cls.Class, &root);
        ASSERT_TRUE(object) << "neither registered nor made here";
        EXPECT_EQ(object->ClassName(), cls.Class);

        std::vector<std::string> published, expected;
        for (const TPropInfo* p : GetPropList(object)) published.push_back(p->Name);
        for (const TRow& r : cls.Rows) expected.push_back(r.Name);
        ASSERT_EQ(published, expected);

        for (const TRow& r : cls.Rows) {
            SCOPED_TRACE(r.Name);
            const TPropInfo* p = GetPropInfo(object, r.Name);
            EXPECT_EQ(p->Kind, r.Kind);
            EXPECT_EQ(p->Default, r.Default);
            switch (r.Stored) {
            case srDefault:
                EXPECT_FALSE(p->Stored) << "a rule of its own";
                break;
            case srNever:
                EXPECT_FALSE(p->IsStored(object)) << "stored";
                break;
            case srRule:
                EXPECT_TRUE(p->Stored) << "no rule of its own";
                break;
            }
            if (r.ReadOnly) {
                EXPECT_FALSE(p->HasSetter()) << "has a setter";
            }
            // A new object holds the declared default.
            if (r.Default && p->GetOrd && r.Stored == srDefault) {
                EXPECT_EQ(p->GetOrd(object), *r.Default) << "value after construction";
            }
        }
    }
}

TEST_F(LuxPublishedTest, EveryRegisteredClassOfTheLibraryIsInTheTable) {
    // The library's units register their classes when they are linked in; the table's own test
    // above makes one of each.
    for (const TClassRows& cls : Table()) {
        TEventRoot root(nullptr);
        NewComponent(cls.Class, &root);
    }
    std::vector<std::string> missing;
    for (const TRegisteredClass& c : GetRegisteredClasses())
        if (c.Name.rfind("TLux", 0) == 0 && !FindRows(c.Name)) missing.push_back(c.Name);
    EXPECT_TRUE(missing.empty()) << ::testing::PrintToString(missing);
}

TEST_F(LuxPublishedTest, EveryComponentSurvivesAStreamRoundTripWithEveryValueAndHandler) {
    for (const TClassRows& cls : Table()) {
        if (!GetClass(cls.Class)) continue;
        SCOPED_TRACE(cls.Class);
        TEventRoot root(nullptr);
        root.SetName("Root");
        root.SetClientSize(300, 200);
        TComponent* subject = NewComponent(cls.Class, &root);
        RoundTrip trip(&root);
        trip.Fill(subject);
        if (HasFatalFailure()) return;

        TMemoryStream stream;
        TWriter(&stream).WriteRootComponent(&root);
        stream.SetPosition(0);
        TEventRoot copy(nullptr);
        copy.SetClientSize(300, 200);
        TReader(&stream).ReadRootComponent(&copy);

        TComponent* back = copy.FindComponent("Subject");
        if (!back)
            if (TComponent* list = copy.FindComponent("List")) back = list->FindComponent("Subject");
        ASSERT_TRUE(back) << "not read back";
        EXPECT_EQ(back->ClassName(), cls.Class);
        trip.Compare(subject, back, &copy, cls.Class);
    }
}

// --- Streams written before the events were published ----------------------------------------------

namespace {

// Written by the library before its classes published their events and the standard control rows.
const char* const kOldLabel =
    "5658463109000000544C75784C6162656C0700000041646472657373040000004E616D65040700000041646472657373"
    "040000004C65667402110000000000000003000000546F70021700000000000000050000005769647468025000000000"
    "000000060000004865696768740215000000000000000500000041626F7574040B00000070616E656C206C6162656C08"
    "0000004175746F53697A6502000000000000000010000000426576656C2E5374796C65496E6E65720201000000000000"
    "0010000000426576656C2E5769647468496E6E657202020000000000000010000000426576656C2E57696474684F7574"
    "65720200000000000000000A000000426576656C2E4D6F64650200000000000000000700000043617074696F6E040800"
    "000031302E302E302E310A000000466F6E742E436F6C6F720200FF0000000000000B000000466F6E742E486569676874"
    "02F5FFFFFFFFFFFFFF09000000466F6E742E4E616D65040D0000004D532053616E732053657269660A000000466F6E74"
    "2E5374796C650201000000000000000400000048696E74040A000000495020416464726573730A000000506172656E74"
    "466F6E740200000000000000000E000000506172656E7453686F7748696E740200000000000000000800000053686F77"
    "48696E7402010000000000000009000000416C69676E6D656E740204000000000000000E000000466F6E7446582E5472"
    "6163696E67020200000000000000070000004F7074696F6E730200000000000000000C0000005477696E6B6C65436F6C"
    "6F7202FF000000000000000000000000000000";
const char* const kOldShape =
    "565846310D000000544C7578466F726D5368617065050000005368617065040000004E616D6504050000005368617065"
    "0500000041626F7574040500000073686170650C000000526567696F6E2E53686170650211000000000000001A000000"
    "526567696F6E2E4D61736B2E526567696F6E4461746153697A6502000000000000000013000000526567696F6E2E5368"
    "61646F772E5374796C6502010000000000000013000000526567696F6E2E426F726465722E5374796C65020200000000"
    "00000010000000526567696F6E2E506F696E744C69737401020000000000000000020000000000000000027800000000"
    "000000020A00000000000000023C00000000000000025A00000000000000000C000000466F726D4472616761626C6502"
    "00000000000000001000000046696C6C4F626A6563742E5374796C650205000000000000000000000000000000";
const char* const kOldStrings =
    "565846310E000000544C7578537472696E674C697374050000005465787473040000004E616D65040500000054657874"
    "730500000041626F7574040500000074657874731100000044656661756C74436F6D7072657373656402010000000000"
    "00000000000012000000544C7578537472696E674C6973744974656D050000004669727374040000004E616D65040500"
    "000046697273740B0000004465736372697074696F6E04080000006772656574696E67050000004964656E7402070000"
    "000000000008000000496E7465726E616C07200000000E086772656574696E67070000000E00000068656C6C6F0D0A74"
    "686572650D0A000000000000000000000000";
const char* const kOldTimer =
    "565846310B000000544C7578486954696D65720500000054696D6572040000004E616D65040500000054696D65720500"
    "000041626F7574040500000074696D657208000000496E74657276616C02FA0000000000000009000000557365546872"
    "6561640200000000000000000000000000000000";

std::string Bytes(const char* hex) {
    std::string out;
    for (const char* p = hex; p[0] && p[1]; p += 2)
        out += static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16));
    return out;
}

void ReadInto(const char* hex, TComponent* root) {
    const std::string bytes = Bytes(hex);
    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    stream.SetPosition(0);
    TReader(&stream).ReadRootComponent(root);
}

std::string Written(TComponent* root) {
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(root);
    return std::string(reinterpret_cast<const char*>(stream.Memory()),
                       static_cast<std::size_t>(stream.Size()));
}

} // namespace

TEST_F(LuxPublishedTest, StreamsWrittenBeforeStillReadBackAndUnchangedClassesWriteTheSameBytes) {
    TForm form(nullptr);
    auto* label = new TLuxLabel(&form);
    ReadInto(kOldLabel, label);
    EXPECT_EQ(label->Name(), "Address");
    EXPECT_EQ(label->BoundsRect(), TRect(17, 23, 97, 44));
    EXPECT_EQ(label->Caption(), "10.0.0.1");
    EXPECT_EQ(label->About, "panel label");
    EXPECT_EQ(label->Alignment(), agCenter);
    EXPECT_TRUE(label->ShowHint());
    EXPECT_EQ(label->Font()->Color(), clLime);
    EXPECT_EQ(label->Font()->Style(), TFontStyles{fsBold});
    EXPECT_EQ(label->Bevel()->StyleInner(), bvLowered);
    EXPECT_EQ(label->Bevel()->Extent(), 2);
    EXPECT_EQ(label->FontFX()->Tracing(), 2);
    EXPECT_EQ(label->TwinkleColor(), clRed);
    EXPECT_FALSE(label->OnClick);

    auto* shape = new TLuxFormShape(&form);
    ReadInto(kOldShape, shape);
    EXPECT_EQ(shape->About, "shape");
    EXPECT_EQ(shape->Region()->Shape(), rsPointList);
    ASSERT_EQ(shape->Region()->Points()->Count(), 3);
    EXPECT_EQ(shape->Region()->Points()->GetPoint(1), TPoint(120, 10));
    EXPECT_EQ(shape->Region()->Shadow()->Style(), hssSolid);
    EXPECT_EQ(shape->Region()->Border()->Style(), rbRaised);
    EXPECT_FALSE(shape->FormDragable());
    EXPECT_EQ(shape->FillObject()->Style(), sfGradient);
    // The fill's alignment is always written now; the region's points keep their bytes.
    const std::string points =
        Bytes("10000000526567696F6E2E506F696E744C697374010200000000000000000200000000000000000278000000000000"
              "00020A00000000000000023C00000000000000025A0000000000000000");
    EXPECT_NE(Bytes(kOldShape).find(points), std::string::npos);
    EXPECT_NE(Written(shape).find(points), std::string::npos);

    auto* strings = new TLuxStringList(&form);
    ReadInto(kOldStrings, strings);
    EXPECT_EQ(strings->About, "texts");
    EXPECT_TRUE(strings->DefaultCompressed());
    ASSERT_EQ(strings->GetCount(), 1);
    auto* item = static_cast<TLuxStringListItem*>(strings->GetItem(0));
    EXPECT_EQ(item->Description(), "greeting");
    EXPECT_EQ(item->Ident(), 7);
    EXPECT_EQ(item->Items()->Text(), "hello\r\nthere\r\n");
    EXPECT_EQ(Written(strings), Bytes(kOldStrings));

    auto* timer = new TLuxHiTimer(&form);
    ReadInto(kOldTimer, timer);
    EXPECT_EQ(timer->About, "timer");
    EXPECT_EQ(timer->Interval(), 250u);
    EXPECT_FALSE(timer->UseThread());
    EXPECT_EQ(Written(timer), Bytes(kOldTimer));
}

TEST_F(LuxPublishedTest, AHandlerTheRootDoesNotPublishIsAReadErrorAndTheRestIsKept) {
    TEventRoot root(nullptr);
    root.SetName("Root");
    auto* label = new TLuxLabel(&root);
    label->SetName("Address");
    label->SetParent(&root);
    label->SetCaption("10.0.0.1");
    label->OnClick = TNotifyEvent::Bind<&TEventRoot::HandleNotify>(&root);
    label->SetTwinkleColor(clRed); // written after the event
    std::string bytes = Written(&root);
    const std::size_t at = bytes.find("HandleNotify");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 12, "HandleNotifx");

    TMemoryStream stream;
    stream.WriteBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    stream.SetPosition(0);
    TEventRoot copy(nullptr);
    EXPECT_THROW(TReader(&stream).ReadRootComponent(&copy), EReadError);
    auto* back = dynamic_cast<TLuxLabel*>(copy.FindComponent("Address"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Caption(), "10.0.0.1");
    EXPECT_EQ(back->TwinkleColor(), clRed);
    EXPECT_FALSE(back->OnClick);
}
