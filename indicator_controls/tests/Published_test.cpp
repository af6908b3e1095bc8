// The library's published interface against one table: each component class's published names in
// order, their kinds, declared defaults and stored rules, and a round trip of a value other than
// the default for every property (events by the name of a handler the root publishes) through the
// filer. Every class the library registers must have its entry here.
#include "indicator_controls/Mystd.h"
#include "indicator_controls/MystdLabels.h"
#include "indicator_controls/MystdPanels.h"
#include "indicator_controls/MystdTabList.h"
#include "indicator_controls/MystdTitleBar.h"
#include "indicator_controls/Std2.h"
#include "indicator_controls/Std2Fancy.h"
#include "indicator_controls/Std2Shape.h"
#include "indicator_controls/Vanimate.h"
#include "indicator_controls/VanimateColorBtn.h"
#include "indicator_controls/VanimateNWBtn.h"
#include "indicator_controls/VanimateShape.h"
#include "indicator_controls/Vled.h"
#include "platform/gdi/Region.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Menus.h"
#include "platform/ui/PersistentStrings.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/TypInfo.h"
#include "tools/testing/SourceTree.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <typeindex>
#include <vector>

namespace {

// --- The root: a form that publishes a handler of every event type of the library -----------------

class TPublishedRoot : public TForm {
public:
    explicit TPublishedRoot(TComponent* AOwner) : TForm(AOwner) {}

    template <class R, class... A> R Handle(A...) {
        ++Calls;
        return R();
    }

    int Calls = 0;
};

template <class Event> struct HandlerOf;
template <class R, class... A> struct HandlerOf<TMethod<R(A...)>> {
    static TMethodEntry Entry(const std::string& Name) {
        return published::Method<&TPublishedRoot::Handle<R, A...>>(Name);
    }
    static TMethod<R(A...)> Bound(TPublishedRoot* Root) {
        return TMethod<R(A...)>::template Bind<&TPublishedRoot::Handle<R, A...>>(Root);
    }
};

// The handler the root publishes for each event type, by the type's name.
struct Handlers {
    std::vector<TMethodEntry> entries;
    template <class Event> Handlers& Add(const std::string& Name) {
        entries.push_back(HandlerOf<Event>::Entry(Name));
        return *this;
    }
};

const std::vector<TMethodEntry>& RootHandlers() {
    static const std::vector<TMethodEntry> entries =
        Handlers()
            .Add<TNotifyEvent>("NotifyHandler")
            .Add<TMouseEvent>("MouseHandler")
            .Add<TMouseMoveEvent>("MouseMoveHandler")
            .Add<TKeyEvent>("KeyHandler")
            .Add<TKeyPressEvent>("KeyPressHandler")
            .Add<TDragOverEvent>("DragOverHandler")
            .Add<TDragDropEvent>("DragDropHandler")
            .Add<TStartDragEvent>("StartDragHandler")
            .Add<TEndDragEvent>("EndDragHandler")
            .Add<TStartDockEvent>("StartDockHandler")
            .Add<TCanResizeEvent>("CanResizeHandler")
            .Add<TConstrainedResizeEvent>("ConstrainedResizeHandler")
            .Add<TContextPopupEvent>("ContextPopupHandler")
            .Add<vcGetColor>("GetColorHandler")
            .Add<TUpdateEvent>("UpdateHandler")
            .Add<TChangeEvent>("ChangeHandler")
            .Add<TScrollEvent>("ScrollHandler")
            .Add<TCalcErrorEvent>("CalcErrorHandler")
            .Add<TFindUserFunc>("FindUserFuncHandler")
            .Add<TUserFunc>("UserFuncHandler")
            .Add<TAskEndSession>("AskEndSessionHandler")
            .Add<TEndSession>("EndSessionHandler")
            .Add<TOneInstance>("OneInstanceHandler")
            .Add<TExceptionEvent>("ExceptionHandler")
            .Add<THelpEvent>("HelpHandler")
            .Add<TIdleEvent>("IdleHandler")
            .Add<TMessageEvent>("MessageHandler")
            .Add<TShowHintEvent>("ShowHintHandler")
            .Add<THintShowEvent>("HintShowHandler")
            .Add<TvcDefaultMenuEvent>("DefaultMenuHandler")
            .Add<TvcError>("RunErrorHandler")
            .Add<TAskSize>("AskSizeHandler")
            .Add<TsbGetRegEvent>("GetRegionHandler")
            .Add<TsbShapeDrawEvent>("ShapeDrawHandler")
            .Add<TsbDrawEvent>("DrawHandler")
            .entries;
    return entries;
}

const bool kRoot = [] {
    PublishMethods<TPublishedRoot, TForm>(RootHandlers());
    RegisterClass<TPopupMenu>();
    RegisterClass<TEdit>();
    return true;
}();

const TMethodEntry* HandlerFor(std::type_index Signature) {
    for (const TMethodEntry& e : RootHandlers())
        if (e.Signature == Signature) return &e;
    return nullptr;
}

// --- The table ---------------------------------------------------------------------------------------

constexpr std::optional<std::int64_t> NoDefault = std::nullopt;

// What a round trip writes into a property.
struct Sample {
    enum Kind {
        None,
        Ordinal,
        Float,
        Text,
        Handler,
        Reference,
        Inner,
        Image,
        Icon,
        Lines,
        Region
    } kind = None;
    std::int64_t ordinal = 0;
    double number = 0;
    std::string text; // a string, a component's name, or an inner property's name
};
Sample Ord(std::int64_t v) {
    return {Sample::Ordinal, v, 0, {}};
}
Sample Num(double v) {
    return {Sample::Float, 0, v, {}};
}
Sample Txt(const std::string& v) {
    return {Sample::Text, 0, 0, v};
}
Sample Ref(const std::string& name) {
    return {Sample::Reference, 0, 0, name};
}
// An ordinal property of the object the property holds.
Sample Inner(const std::string& name, std::int64_t v) {
    return {Sample::Inner, v, 0, name};
}
Sample Picture() {
    return {Sample::Image, 0, 0, {}};
}
Sample IconSample() {
    return {Sample::Icon, 0, 0, {}};
}
// Lines of a published string list.
Sample LinesSample() {
    return {Sample::Lines, 0, 0, {}};
}
Sample RegionSample() {
    return {Sample::Region, 0, 0, {}};
}

enum class Stored {
    Value,        // an ordinal unless it is its default, a text unless empty, a number unless 0, an event
                  // with a handler, an object always
    Never,        // read-only (a write is ignored) or following from other properties
    UnlessParent, // unless the Parent... flag named in Parent is set
    NotEmpty,     // an icon, only when it holds one
};

struct Row {
    std::string Name;
    TTypeKind Kind = TTypeKind::tkInteger;
    std::optional<std::int64_t> Default;
    Sample Value;
    Stored Rule = Stored::Value;
    std::string Parent;
    // Set by another property of the class (its value follows that one): the value read back is
    // the one written, whatever sample it was given.
    std::string FollowsFrom;
    // Why the value is not compared at all.
    std::string Uncompared;

    Row Never() && {
        Rule = Stored::Never;
        return std::move(*this);
    }
    Row Unless(const std::string& Flag) && {
        Rule = Stored::UnlessParent;
        Parent = Flag;
        return std::move(*this);
    }
    Row WhenNotEmpty() && {
        Rule = Stored::NotEmpty;
        return std::move(*this);
    }
    Row NotCompared(const std::string& Why) && {
        Uncompared = Why;
        return std::move(*this);
    }
    Row Follows(const std::string& Other) && {
        FollowsFrom = Other;
        return std::move(*this);
    }
};

Row MakeRow(const std::string& n, TTypeKind k, std::optional<std::int64_t> d, Sample s) {
    Row r;
    r.Name = n;
    r.Kind = k;
    r.Default = d;
    r.Value = s;
    return r;
}
Row Int(const std::string& n, std::optional<std::int64_t> d, Sample s) {
    return MakeRow(n, TTypeKind::tkInteger, d, s);
}
Row Enum(const std::string& n, std::optional<std::int64_t> d, Sample s) {
    return MakeRow(n, TTypeKind::tkEnumeration, d, s);
}
Row Chr(const std::string& n, std::optional<std::int64_t> d, Sample s) {
    return MakeRow(n, TTypeKind::tkChar, d, s);
}
Row SetOf(const std::string& n, std::optional<std::int64_t> d, Sample s) {
    return MakeRow(n, TTypeKind::tkSet, d, s);
}
Row Str(const std::string& n, Sample s) {
    return MakeRow(n, TTypeKind::tkLString, NoDefault, s);
}
Row Flt(const std::string& n, Sample s) {
    return MakeRow(n, TTypeKind::tkFloat, NoDefault, s);
}
Row Obj(const std::string& n, Sample s) {
    return MakeRow(n, TTypeKind::tkClass, NoDefault, s);
}
Row Event(const std::string& n) {
    return MakeRow(n, TTypeKind::tkMethod, NoDefault, Sample{Sample::Handler, 0, 0, {}});
}
// Read only: a write is accepted and ignored, and the value is never stored.
Row Info(const std::string& n, TTypeKind k) {
    return MakeRow(n, k, NoDefault, Sample{}).Never();
}

// The class library's standard rows, with its defaults and stored rules.
Row Std(const std::string& n) {
    using K = TTypeKind;
    static const std::map<std::string, Row> rows = [] {
        std::map<std::string, Row> m;
        const auto add = [&](Row r) { m.emplace(r.Name, std::move(r)); };
        // Aligning moves and sizes the control: what it gives is what comes back.
        add(Int("Left", NoDefault, Ord(17)).Follows("Align"));
        add(Int("Top", NoDefault, Ord(23)).Follows("Align"));
        add(Int("Width", NoDefault, Ord(61)).Follows("Align"));
        add(Int("Height", NoDefault, Ord(37)).Follows("Align"));
        add(Enum("Align", alNone, Ord(alRight)));
        add(SetOf("Anchors", TAnchors{akLeft, akTop}.Bits(), Ord(TAnchors{akLeft, akBottom}.Bits())));
        add(Enum("AutoSize", false, Ord(true)));
        add(Enum("BiDiMode", NoDefault, Ord(bdRightToLeft)).Unless("ParentBiDiMode"));
        add(Int("BorderWidth", 0, Ord(3)));
        add(Str("Caption", Txt("Hello there")));
        add(Int("Color", clWindow, Ord(0x123456)).Unless("ParentColor"));
        add(Obj("Constraints", Inner("MaxWidth", 500)));
        add(Enum("Ctl3D", NoDefault, Ord(false)).Unless("ParentCtl3D"));
        add(Int("Cursor", crDefault, Ord(crHandPoint)));
        add(Int("DragCursor", crDrag, Ord(crHandPoint)));
        add(Enum("DragKind", dkDrag, Ord(dkDock)));
        add(Enum("DragMode", dmManual, Ord(dmAutomatic)));
        add(Enum("Enabled", true, Ord(false)));
        add(Obj("Font", Inner("Height", -19)).Unless("ParentFont"));
        add(Int("HelpContext", 0, Ord(77)));
        add(Str("Hint", Txt("A hint")));
        add(Enum("ParentBiDiMode", true, Ord(false)));
        add(Enum("ParentColor", true, Ord(false)));
        add(Enum("ParentCtl3D", true, Ord(false)));
        add(Enum("ParentFont", true, Ord(false)));
        add(Enum("ParentShowHint", true, Ord(false)));
        add(Obj("PopupMenu", Ref("Menu1")));
        add(Enum("ShowHint", NoDefault, Ord(true)).Unless("ParentShowHint"));
        add(Int("TabOrder", -1, Ord(0)));
        add(Enum("TabStop", false, Ord(true)));
        add(Enum("Visible", true, Ord(false)));
        for (const char* e : {"OnCanResize",    "OnClick",     "OnConstrainedResize",
                              "OnContextPopup", "OnDblClick",  "OnDragDrop",
                              "OnDragOver",     "OnEndDock",   "OnEndDrag",
                              "OnEnter",        "OnExit",      "OnKeyDown",
                              "OnKeyPress",     "OnKeyUp",     "OnMouseDown",
                              "OnMouseMove",    "OnMouseUp",   "OnResize",
                              "OnStartDock",    "OnStartDrag", "OnMouseEnter",
                              "OnMouseLeave",   "OnPaint"})
            add(Event(e));
        (void)K::tkInteger;
        return m;
    }();
    const auto it = rows.find(n);
    if (it == rows.end()) throw std::logic_error("no standard row " + n);
    return it->second;
}
std::vector<Row> Std(std::initializer_list<const char*> names) {
    std::vector<Row> rows;
    for (const char* n : names) rows.push_back(Std(n));
    return rows;
}
// A standard row with the class's own default (a flag's sample is then the other value).
Row Std(const std::string& n, std::optional<std::int64_t> Default) {
    Row r = Std(n);
    r.Default = Default;
    if (Default && r.Kind == TTypeKind::tkEnumeration && r.Value.ordinal == *Default)
        r.Value.ordinal = !*Default;
    return r;
}

std::vector<Row> Join(std::initializer_list<std::vector<Row>> parts) {
    std::vector<Row> all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

struct ClassEntry {
    std::string Class;
    // The entry whose list this one continues (a property it names again keeps its place there), or
    // empty.
    std::string Inherits;
    std::vector<Row> Rows;
    // Where the entry says more than the rows do.
    std::string Note;
};

// The inherited Name and Tag lead every component's list.
std::vector<Row> ComponentRows() {
    return {Str("Name", Sample{}), Int("Tag", 0, Ord(42))};
}

// The class library's label properties, which the library's labels publish as usual.
std::vector<Row> LabelRows() {
    return Join({
        Std({"Left", "Top", "Width", "Height", "Align"}),
        {Enum("Alignment", taLeftJustify, Ord(taRightJustify))},
        Std({"Anchors"}),
        {Std("AutoSize", true)},
        Std({"BiDiMode", "Caption", "Color", "Constraints", "DragCursor", "DragKind", "DragMode", "Enabled"}),
        {Obj("FocusControl", Ref("Edit1"))},
        Std({"Font", "Hint", "ParentBiDiMode", "ParentColor", "ParentFont", "ParentShowHint", "PopupMenu"}),
        {Enum("ShowAccelChar", true, Ord(false))},
        Std({"ShowHint"}),
        {Enum("Transparent", false, Ord(true))},
        {Enum("Layout", tlTop, Ord(tlBottom))},
        Std({"Visible"}),
        {Enum("WordWrap", false, Ord(true))},
        Std({"OnClick", "OnContextPopup", "OnDblClick", "OnDragDrop", "OnDragOver", "OnEndDock", "OnEndDrag",
             "OnMouseDown", "OnMouseMove", "OnMouseUp", "OnStartDock", "OnStartDrag"}),
    });
}

std::vector<Row> ThreeDRows(bool Use3D) {
    return {
        Int("HighlightColor", clBtnHighlight, Ord(0x00AA00)),
        Int("ShadowColor", clBtnShadow, Ord(0x0000AA)),
        Enum("Raised", true, Ord(false)),
        Int("DropShadowSize", 2, Ord(4)),
        Enum("UseDropShadow", false, Ord(true)),
        Enum("Use3D", Use3D, Ord(!Use3D)),
    };
}

std::vector<Row> TrayRows(bool WithIcon) {
    std::vector<Row> rows = {
        Obj("PopupMenu", Ref("Menu1")),
        Obj("LeftPopupMenu", Ref("Menu1")),
        Enum("HideParentForm", false, Ord(true)),
        // Only the designer shows the icon.
        Enum("ShowDesigning", NoDefault, Ord(false)),
        Enum("Active", NoDefault, Ord(false)),
    };
    if (WithIcon) rows.push_back(Obj("Icon", IconSample()));
    for (Row r : std::vector<Row>{Str("ToolTip", Txt("Tray tip")), Enum("DoDefaultMenu", false, Ord(true))})
        rows.push_back(r);
    for (const char* e : {"OnClick", "OnDblClick", "OnRightClick", "OnRightDblClick", "OnMidClick",
                          "OnMidDblClick", "OnMouseMove", "OnMouseDown", "OnMouseUp", "OnleftMenu",
                          "OnRightMenu", "OnDefaultMenu", "OnAskEndSession"})
        rows.push_back(Event(e));
    return rows;
}

// The four resources of each state of a skinned button, by the state's suffix.
std::vector<Row> StateRows(const char* Kind, std::initializer_list<const char*> Suffixes) {
    std::vector<Row> rows;
    for (const char* s : Suffixes) {
        const std::string k = Kind;
        const std::string name = k + s;
        if (k == "Glyph")
            rows.push_back(Obj(name, Picture()));
        else if (k == "BtnRgn")
            rows.push_back(Obj(name, RegionSample()));
        else
            rows.push_back(Obj(name, Inner("Left", 9)));
    }
    return rows;
}

std::vector<Row> CaptionRows() {
    return {
        Enum("HorzAlign", vbha_Center, Ord(vbha_Bottom)),
        Enum("MultipleLines", false, Ord(true)),
        Enum("WordWrap", false, Ord(true)),
        Enum("Alignment", taCenter, Ord(taLeftJustify)),
    };
}

const char* const kStick = "sticking places the panel again when it is loaded";
const char* const kRegionSize = "a loaded skinned button takes the size of its state's region when it paints";

// The skinned base of the check box and the radio button: its size follows its state's region.
std::vector<Row> SkinnedRows() {
    const auto states = {"Disabled", "FocusedChecked", "Focused", "Checked", ""};
    return Join(
        {Std({"Left", "Top", "Anchors"}),
         {Int("TransparentColor", NoDefault, Ord(0x00FF00)),
          Int("Width", 89, Ord(70)).NotCompared(kRegionSize),
          Int("Height", 33, Ord(20)).NotCompared(kRegionSize), Enum("DefaultLook", dlfBold, Ord(dlfNone))},
         CaptionRows(),
         {Event("OnPaint")},
         StateRows("TextSize", states),
         StateRows("BtnRgn", states),
         StateRows("OffsetGlyph", states),
         StateRows("Glyph", states)});
}

// The custom bitmap under the bitmap and the animation: setting the bitmap sizes the control.
std::vector<Row> CustomBitmapRows() {
    return Join({Std({"Left", "Top"}),
                 {Int("Width", 30, Ord(41)).Follows("BitMap"), Int("Height", 30, Ord(43)).Follows("BitMap")},
                 Std({"Visible", "Enabled"}),
                 {Enum("AutoBackColor", false, Ord(true)).Follows("TransparentColor"),
                  Enum("RealTransparent", false, Ord(true)), Obj("BitMap", Picture()),
                  Enum("Transparent", true, Ord(false)), Int("TransparentColor", 0xFFFFFF, Ord(0x00FF00)),
                  Event("OnPaint"), Event("OnMouseEnter"), Event("OnMouseLeave")},
                 Std({"OnClick", "OnDblClick", "OnMouseDown", "OnMouseMove", "OnMouseUp", "OnDragDrop",
                      "OnDragOver", "OnEndDrag", "OnStartDrag"})});
}

const std::vector<ClassEntry>& Table() {
    static const std::vector<ClassEntry> table = {
        {"TvLed", "",
         Join({Std({"Left", "Top"}),
               {Enum("SteelLook", false, Ord(true)), Enum("LedStyle", lstRound, Ord(lstSquare)),
                Enum("LEDColor", NoDefault, Ord(lctCyan)), Enum("Enabled", false, Ord(true)),
                Enum("Blink", false, Ord(true)), Int("BlinkInterval", 500, Ord(900)), Int("Width", 17, Ord(21)).Follows("Align"),
                Int("Height", 17, Ord(19)).Follows("Align"), Event("OnChange"), Event("OnPaint"), Event("OnMouseEnter"),
                Event("OnMouseLeave"), Event("OnGetOnColor"), Event("OnGetOffColor")},
               Std({"Align", "Anchors", "DragCursor", "DragMode", "Hint", "ShowHint", "ParentShowHint", "Visible",
                    "OnClick", "OnDblClick", "OnMouseDown", "OnMouseUp", "OnMouseMove", "OnDragDrop", "OnDragOver",
                    "OnEndDrag"})}),
         "Enabled is the lamp's lit state"},

        {"TvShowApp", "",
         {Enum("OnlyOneInstance", false, Ord(true)), Enum("ShortDate", sdfDontTouch, Ord(sdf4DigitYear)),
          Enum("UseCmdShow", NoDefault, Ord(true)), Enum("ShowOnStatusBar", true, Ord(false)),
          Enum("ShowNonOnStatusBar", false, Ord(true)), Enum("EnabledHostInfo", false, Ord(true)),
          Enum("ShowMainForm", NoDefault, Ord(false)), Str("HelpFile", Txt("help.hlp")), Str("Hint", Txt("App hint")),
          Int("HintColor", static_cast<TColor>(0x80000018), Ord(0x00FFFF)), Int("HintPause", 500, Ord(800)),
          Int("HintHidePause", 2500, Ord(4000)), Obj("Icon", IconSample()).WhenNotEmpty(), Enum("ShowHint", NoDefault, Ord(false)),
          Str("Title", Txt("An application")), Event("OnActivate"), Event("OnDeActivate"), Event("OnExecption"),
          Event("OnHelp"), Event("OnHint"), Event("OnIdle"), Event("OnMessage"), Event("OnMinimize"),
          Event("OnRestore"), Event("OnShowHint"), Event("OnActiveControlChange"), Event("OnActiveFormChange"),
          Event("OnAskEndSession"), Event("OnEndSession"), Event("OnSecondInstance"), Event("OnAnotherInstance"),
          Info("BitsPerColor", TTypeKind::tkInteger), Info("NumberOfColors", TTypeKind::tkFloat),
          Info("WinDir", TTypeKind::tkLString), Info("SystemDir", TTypeKind::tkLString),
          Info("TempDir", TTypeKind::tkLString), Info("EnvironmentLines", TTypeKind::tkClass),
          Info("WindowKind", TTypeKind::tkInteger), Info("WinVerMajor", TTypeKind::tkInteger),
          Info("WinVerMinor", TTypeKind::tkInteger), Info("WinVerBuild", TTypeKind::tkInteger),
          Info("WindowsString", TTypeKind::tkLString), Info("CPUType", TTypeKind::tkInteger),
          Info("CPUString", TTypeKind::tkLString), Info("CPUVendor", TTypeKind::tkLString),
          Info("CPUMMX", TTypeKind::tkEnumeration), Info("CPUStepping", TTypeKind::tkInteger),
          Info("CPUModel", TTypeKind::tkInteger), Info("CPUSpeed", TTypeKind::tkInteger),
          Info("ComputerName", TTypeKind::tkLString), Info("UserName", TTypeKind::tkLString),
          Info("IPHostName", TTypeKind::tkLString), Info("IPHostAddress", TTypeKind::tkLString)},
         "the hint values are stored only when not 0x80000018, 500, 2500; the icon when it holds one"},

        {"TvCalc", "",
         Join({{Str("CalcLine", Txt("1+2")), Info("CalcResult", TTypeKind::tkEnumeration),
                Info("WhereIsLastError", TTypeKind::tkInteger), Enum("PushResult", true, Ord(false)),
                Str("FormatLine", Txt("%.3f")), Info("Number", TTypeKind::tkLString),
                Info("NumberNum", TTypeKind::tkFloat)},
               [] {
                   std::vector<Row> r;
                   for (const char* l : {"A", "B", "C", "D", "F", "G", "H", "I", "J"})
                       r.push_back(Info(std::string("Register") + l, TTypeKind::tkLString));
                   double v = 1.5;
                   for (const char* l : {"A", "B", "C", "D", "F", "G", "H", "I", "J"})
                       r.push_back(Flt(std::string("Register") + l + "Num", Num(v += 1)));
                   return r;
               }(),
               {Event("OnError"), Event("OnOK"), Event("OnFindUserFunc"), Event("OnUserFunc")}}),
         "the line is evaluated again when read, before the registers are"},

        {"TvBigLabel", "",
         Join({LabelRows(),
               {Std("AutoSize", true), Enum("WordWrap", false, Ord(true)), Event("OnMouseEnter"),
                Event("OnMouseLeave")}}),
         "the class library's label properties, then its own"},
        {"Tv3DLabel", "TvBigLabel", ThreeDRows(true), ""},
        {"TvcURLLabel", "Tv3DLabel",
         {Int("Cursor", crHandPoint, Ord(crDefault)), Enum("Use3D", false, Ord(true)),
          Enum("LastClickOK", true, Ord(false)).Never(), Str("URL", Txt("http://example.org/"))},
         "LastClickOK is read-only in effect"},
        {"TvAngleLabel", "",
         Join({LabelRows(), ThreeDRows(false),
               {Int("Angle", 0, Ord(90)), Enum("Transparent", true, Ord(false)), Event("OnPaint")}}),
         "the label properties, then its own; it keeps itself square"},
        {"TvMouseSpot", "",
         Join({LabelRows(),
               {Int("Width", 20, Ord(31)).Follows("Align"), Int("Height", 20, Ord(29)).Follows("Align"), Event("OnParentPaint"), Event("OnMouseEnter"),
                Event("OnMouseLeave")}}),
         ""},
        {"TvHint", "",
         {Enum("HintPosition", hpLeftAbove, Ord(hpRightUnder)), Int("PartOfScreen", 2, Ord(4)),
          Int("MoveBeforeOff", 5, Ord(9)), Enum("MultiLine", true, Ord(false)), Enum("Use3D", true, Ord(false)),
          Int("HighLightColor", clBtnHighlight, Ord(0x00AA00)), Int("ShadowColor", clBtnShadow, Ord(0x0000AA)),
          Obj("Font", Inner("Height", -19)), Event("OnHintPaint"), Event("OnHintShow")},
         "the settings are the process's own"},

        {"TvMovePanel", "",
         Join({{Std("Left").NotCompared(kStick), Std("Top").NotCompared(kStick), Std("Width").NotCompared(kStick),
                Std("Height").NotCompared(kStick)},
               {Enum("StickWhere", stNone, Ord(stBoth)), Enum("StickOldStyle", true, Ord(false)),
                Event("OnBeforeUpdate"), Event("OnMouseEnter"), Event("OnMouseLeave")},
               {Std("Align").NotCompared(kStick)}, {Enum("Alignment", taCenter, Ord(taLeftJustify))},
               Std({"Anchors"}),
               {Enum("BevelInner", static_cast<int>(TBevelCut::bvNone), Ord(static_cast<int>(TBevelCut::bvLowered))),
                Enum("BevelOuter", static_cast<int>(TBevelCut::bvRaised), Ord(static_cast<int>(TBevelCut::bvNone))),
                Int("BevelWidth", 1, Ord(2))},
               Std({"BiDiMode", "BorderWidth"}), {Enum("BorderStyle", bsNone, Ord(bsSingle))}, Std({"Caption"}),
               {Std("Color", clBtnFace)},
               Std({"Constraints", "Ctl3D", "DragCursor", "DragKind", "DragMode", "Enabled", "Font", "Hint"}),
               {Enum("Locked", false, Ord(true))},
               Std({"ParentBiDiMode", "ParentColor", "ParentCtl3D", "ParentFont", "ParentShowHint", "PopupMenu",
                    "ShowHint", "TabOrder", "TabStop", "Visible", "OnCanResize", "OnClick", "OnConstrainedResize",
                    "OnContextPopup", "OnDblClick", "OnDragDrop", "OnDragOver", "OnEndDock", "OnEndDrag", "OnEnter",
                    "OnExit", "OnMouseDown", "OnMouseMove", "OnMouseUp", "OnResize", "OnStartDock",
                    "OnStartDrag"})}),
         "its own rows, then the panel properties with its constructor's defaults; sticking places it again "
         "when it is loaded"},
        {"TvTitleBar", "",
         {Enum("AllowMoveWhitoutTitle", true, Ord(false)), Enum("TitleBarOnFormShow", true, Ord(false)),
          Event("OnChange")},
         ""},
        {"TvTabListbox", "",
         Join({Std({"Left", "Top", "Width", "Height"}),
               {Enum("AutoFocus", false, Ord(true)), Enum("SizeAfterDel", true, Ord(false)), Event("OnChange"),
                Event("OnMouseEnter"), Event("OnMouseLeave"), Event("OnScroll")},
               Std({"Align", "Anchors", "BiDiMode"}), {Enum("BorderStyle", bsSingle, Ord(bsNone))},
               Std({"Color", "Constraints", "Ctl3D", "DragCursor", "DragKind", "DragMode", "Enabled", "Font", "Hint"}),
               {Obj("Items", LinesSample())},
               Std({"ParentBiDiMode", "ParentColor", "ParentCtl3D", "ParentFont", "ParentShowHint", "PopupMenu",
                    "ShowHint"}),
               {Enum("Sorted", false, Ord(true))}, Std({"TabOrder"}), {Std("TabStop", true)},
               Std({"Visible", "OnClick", "OnContextPopup", "OnDblClick", "OnDragDrop", "OnDragOver", "OnEndDock",
                    "OnEndDrag", "OnEnter", "OnExit", "OnKeyDown", "OnKeyPress", "OnKeyUp", "OnMouseDown",
                    "OnMouseMove", "OnMouseUp", "OnStartDock", "OnStartDrag"})}),
         "its own rows, then the list box properties this platform's list box carries"},

        {"TvTrayIcon", "", TrayRows(true), ""},
        {"TvcTrayMeter", "",
         Join({TrayRows(false),
               {Int("Min", 0, Ord(5)), Int("Max", 100, Ord(50)), Int("Value", 0, Ord(20)),
                Enum("ToolTipStyle", thsPctBar, Ord(thsTotPct)), Int("Color", clBtnFace, Ord(0x202020)),
                Int("FrameColor", 0, Ord(0x0000FF)), Int("PctColor", 0, Ord(0xFFFFFF)),
                Int("BarFillColor", 0x00FF00, Ord(0xFF0000)), Info("Percent", TTypeKind::tkInteger),
                Enum("UsePctOnBar", true, Ord(false)), Enum("UseLed", false, Ord(true)),
                Enum("Direction", TvcTM_Up, Ord(TvcTM_Left))}}),
         "Percent follows from Value and is not stored"},

        {"TvcTimer", "",
         {Enum("Priority", static_cast<int>(TThreadPriority::tpNormal), Ord(static_cast<int>(TThreadPriority::tpLower))),
          Enum("Enabled", true, Ord(false)), Int("Interval", 1000, Ord(3000)), Event("OnTimer")},
         ""},
        {"TvcMMTimer", "",
         {Enum("Enabled", true, Ord(false)), Int("Interval", 1000, Ord(3000)), Int("Resolution", 10, Ord(20)),
          Event("OnTimer")},
         ""},
        {"TvcRunProg", "",
         {Str("CmdLine", Txt("/bin/true")), Enum("Visiblility", vrs_SHOWNORMAL, Ord(vrs_SHOWMAXIMIZED)),
          Enum("Wait", true, Ord(false)), Enum("HardWait", false, Ord(true)),
          Info("LastResultCode", TTypeKind::tkEnumeration), Info("ReturnCode", TTypeKind::tkInteger),
          Event("OnError"), Event("OnBeforeRun"), Event("OnBeforeWait"), Event("OnFinish")},
         ""},
        {"TvcVerInfo", "",
         [] {
             std::vector<Row> r = {Info("ExistVerInfo", TTypeKind::tkEnumeration)};
             for (const char* s : {"CompanyName", "FileDescription", "FileVersion", "InternalName", "OriginalFileName",
                                   "ProductName", "ProductVersion", "LegalTrademarks", "PrivateBuild", "SpecialBuild",
                                   "Comments", "LegalCopyright", "LocaleID", "CodePage", "Language"})
                 r.push_back(Info(s, TTypeKind::tkLString));
             for (const char* s : {"IS_DEBUG", "IS_PRERELEASE", "IS_PATCHED", "IS_PRIVATEBUILD", "IS_INFOINFERRED",
                                   "IS_SPECIALBUILD"})
                 r.push_back(Info(s, TTypeKind::tkEnumeration));
             r.push_back(Str("VerFile", Txt("/nonexistent/no-version.exe")));
             return r;
         }(),
         "everything but VerFile is read from the file"},

        {"TvcFancyForm", "", {Obj("Region", RegionSample())}, ""},
        {"TvcFancyControl", "", {Obj("Region", RegionSample()), Obj("ControlComponent", Ref("Edit1"))}, ""},

        {"TvSplashForm", "",
         {Obj("Picture", Sample{}).Never(), Obj("BitMap", Picture()), Enum("MoveSplashUp", true, Ord(false)),
          Int("MainFormDelay", 500, Ord(10)), Enum("Shape", ssVRectangle, Ord(ssCircle)),
          Int("Color", static_cast<TColor>(0x8000000F), Ord(0x101010)),
          Int("HighligtColor", static_cast<TColor>(0x80000014), Ord(0x202020)),
          Int("ShadowColor", static_cast<TColor>(0x80000010), Ord(0x303030)),
          Int("FrameColor", 0xFF00FF, Ord(0x404040)), Enum("DrawFrame", true, Ord(false)),
          Int("FrameThickness", 4, Ord(6)), Int("FrameMargin", 8, Ord(2)), Enum("Use3D", true, Ord(false)),
          Enum("AutoBackColor", false, Ord(true)).Follows("TransparentColor"),
          Int("TransparentColor", 0xFFFFFF, Ord(0x00FF00)), Enum("RealTransparent", false, Ord(true)),
          Int("AddWidth", 0, Ord(5)), Int("AddHeight", 0, Ord(7)), Enum("AdjustforFrame", true, Ord(false)),
          Enum("Fill", true, Ord(false)), Event("OnBeforeShow"), Event("OnBeforeClose"), Event("OnAfterClose"),
          Event("OnShow"), Event("OnBeforeDelay"), Event("OnCreate")},
         "Picture is published but not stored; a transparent colour of its own switches AutoBackColor off"},
        {"TvMinMax", "",
         {Enum("ShowOnStatusBar", false, Ord(true)), Enum("AutoTaskBarAjust", false, Ord(true)),
          Enum("UseDefaultSize", false, Ord(true)), Event("OnSizeChange"), Int("MaxLeft", 0, Ord(3)),
          Int("MaxTop", 0, Ord(4)), Int("MaxWidth", 600, Ord(700)), Int("MaxDragWidth", 600, Ord(800)),
          Int("MaxHeight", 400, Ord(500)), Int("MaxDragHeight", 400, Ord(550)), Int("MinDragWidth", 0, Ord(100)),
          Int("MinDragHeight", 0, Ord(80))},
         ""},
        {"TvCompCanvas", "", {Obj("ControlComponent", Ref("Edit1"))}, ""},

        {"TvBitmap", "",
         Join({CustomBitmapRows(),
               {Enum("DrawType", bdDrawNormal, Ord(bdDrawCenter))}}),
         "the custom bitmap's properties, then its own"},
        {"TvAnimated", "",
         Join({CustomBitmapRows(),
               {Int("Interval", 0, Ord(250)), Int("FrameCount", 1, Ord(3)), Int("Frame", 0, Ord(2)),
                Enum("Play", false, Ord(true)), Enum("Reverse", false, Ord(true)), Enum("Loop", true, Ord(false)),
                Event("OnChangeFrame")}}),
         ""},
        {"TvDivider", "",
         Join({Std({"Left", "Top"}), {Int("Width", 50, Ord(80)), Int("Height", 50, Ord(60))}, Std({"Visible"}),
               {Enum("Orientation", doHorz, Ord(doVert)), Enum("Raised", false, Ord(true)), Event("OnPaint")}}),
         ""},
        {"TvFrame", "",
         Join({Std({"Left", "Top"}), {Int("Width", 50, Ord(80)), Int("Height", 50, Ord(60))}, Std({"Visible"}),
               {Enum("PassMouseOn", true, Ord(false)), Int("Color", clWindow, Ord(0x123456)),
                Enum("BevelInner", static_cast<int>(TBevelCut::bvNone), Ord(static_cast<int>(TBevelCut::bvLowered))),
                Enum("BevelOuter", static_cast<int>(TBevelCut::bvRaised), Ord(static_cast<int>(TBevelCut::bvNone))),
                Int("BevelWidth", 1, Ord(3)), Int("BorderWidth", 0, Ord(2)), Enum("Filled", false, Ord(true)),
                Event("OnPaint")}}),
         ""},

        {"TvcFancyCheckBox", "",
         Join({SkinnedRows(),
               StateRows("Glyph", {"FocusedGrayed", "Grayed"}), StateRows("OffsetGlyph", {"FocusedGrayed", "Grayed"}),
               StateRows("TextSize", {"FocusedGrayed", "Grayed"}), StateRows("BtnRgn", {"FocusedGrayed", "Grayed"}),
               {Std("TabStop", true)},
               {Enum("AllowGrayed", false, Ord(true))}, Std({"Caption"}),
               {Enum("Checked", NoDefault, Ord(true)).Never().Follows("State")},
               Std({"Color", "DragCursor", "DragMode", "Enabled", "Font", "ParentColor", "ParentFont", "ParentShowHint",
                    "PopupMenu", "ShowHint"}),
               {Enum("State", cbUnchecked, Ord(cbGrayed))},
               Std({"TabOrder", "Visible", "OnClick", "OnDragDrop", "OnDragOver", "OnEndDrag", "OnEnter", "OnExit",
                    "OnKeyDown", "OnKeyPress", "OnKeyUp", "OnMouseDown", "OnMouseMove", "OnMouseUp", "OnStartDrag"})}),
         "the skinned base, the check box's grayed states, then its own; Checked is not stored"},
        {"TvcFancyRadioButton", "",
         Join({SkinnedRows(),
               {Enum("Checked", false, Ord(true)), Int("GroupIndex", 0, Ord(2))},
               Std({"Caption", "Color", "DragCursor", "DragMode", "Enabled", "Font", "ParentColor", "ParentFont",
                    "ParentShowHint", "PopupMenu", "ShowHint", "TabOrder"}),
               {Std("TabStop", false).Follows("Checked")},
               Std({"Visible", "OnClick", "OnDblClick", "OnDragDrop", "OnDragOver", "OnEndDrag", "OnEnter", "OnExit",
                    "OnKeyDown", "OnKeyPress", "OnKeyUp", "OnMouseDown", "OnMouseMove", "OnMouseUp", "OnStartDrag"})}),
         "checking it sets TabStop"},
        {"TvcFancyButton", "",
         Join({Std({"Left", "Top", "Anchors"}), {Int("TransparentColor", NoDefault, Ord(0x00FF00))},
               StateRows("TextSize", {"Focused", "Disabled", "Up", "Down"}),
               StateRows("OffsetGlyph", {"Focused", "Disabled", "Up", "Down"}),
               StateRows("Glyph", {"Focused", "Disabled", "Up", "Down"}),
               StateRows("BtnRgn", {"Focused", "Disabled", "Up", "Down"}),
               {Enum("DefaultLook", dlfBold, Ord(dlfNone))}, CaptionRows(),
               {Event("OnPaint"), Enum("Cancel", false, Ord(true)), Int("ModalResult", 0, Ord(2)),
                Enum("Default", false, Ord(true))},
               Std({"PopupMenu", "OnDragDrop", "OnDragOver", "OnEndDrag", "OnStartDrag", "OnKeyDown", "OnKeyPress",
                    "OnKeyUp", "OnMouseDown", "OnMouseMove", "OnMouseUp", "DragCursor", "DragMode", "Font",
                    "ParentFont", "Caption", "Color", "ParentColor", "HelpContext"}),
               {Std("TabStop", true)}, Std({"TabOrder"}),
               {Int("Width", 89, Ord(70)).NotCompared(kRegionSize),
                Int("Height", 33, Ord(20)).NotCompared(kRegionSize)},
               Std({"Enabled", "ParentShowHint", "ShowHint", "Visible", "OnEnter", "OnExit", "OnClick", "OnDblClick",
                    "OnMouseEnter", "OnMouseLeave"})}),
         ""},

        {"TvcShapeColorBtn", "",
         Join({Std({"Left", "Top", "Anchors"}),
               {Enum("ShowFocus", true, Ord(false)), Obj("TextSize", Inner("Left", 9)),
                Enum("DefaultLook", dlfBold, Ord(dlfNone)), Enum("HorzAlign", vbha_Center, Ord(vbha_Bottom)),
                Enum("MultipleLines", false, Ord(true)), Int("ModalResult", 0, Ord(2)), Enum("Cancel", false, Ord(true)),
                Enum("Default", false, Ord(true)), Enum("WordWrap", false, Ord(true)),
                Enum("Alignment", taCenter, Ord(taLeftJustify)), Enum("Shape", sbRectangle, Ord(3)),
                Int("HighLightColor", clBtnHighlight, Ord(0x00AA00)), Int("ShadowColor", clBtnShadow, Ord(0x0000AA)),
                Event("OnPaint"), Event("OnGetRegion"), Event("OnOwnerDraw"), Std("Color", clBtnFace)},
               Std({"Caption", "Font", "ParentFont", "PopupMenu", "OnDragDrop", "OnDragOver", "OnEndDrag", "DragMode",
                    "DragCursor", "OnKeyDown", "OnKeyPress", "OnKeyUp", "ParentColor", "HelpContext"}),
               {Int("Height", 50, Ord(45)), Int("Width", 50, Ord(55))},
               Std({"Enabled", "ParentShowHint", "ShowHint"}), {Std("TabStop", true)},
               Std({"TabOrder", "Visible", "OnEnter", "OnExit", "OnClick", "OnDblClick", "OnMouseDown", "OnMouseMove",
                    "OnMouseUp", "OnMouseEnter", "OnMouseLeave"})}),
         ""},
        {"TvcShapeGradBtn", "TvcShapeColorBtn",
         {Std("Color", clBtnFace), Enum("FillType", gVert, Ord(gCenter)), Int("EndColor", clBtnFace, Ord(0x445566)),
          Int("Bands", 75, Ord(20))},
         "Color keeps its place"},
        {"TvcShapeBitColBtn", "TvcShapeColorBtn",
         {Obj("OffsetGlyph", Inner("Left", 9)), Event("OnPaint"), Obj("Glyph", Picture()), Int("NumGlyphs", 1, Ord(2)),
          Int("TransparentColor", NoDefault, Ord(0x00FF00)).Follows("AutoBackColor"), Std("Color", clBtnFace),
          Enum("AutoBackColor", false, Ord(true))},
         ""},
        {"TvcShapeIconColBtn", "TvcShapeColorBtn",
         {Obj("OffsetIcon", Inner("Left", 9)), Enum("AutoAllIcons", true, Ord(false)), Event("OnPaint"),
          Obj("GlyphEnabled", IconSample()), Obj("GlyphDown", IconSample()), Obj("GlyphDisabled", IconSample()),
          Int("Width", 140, Ord(120)), Int("Height", 140, Ord(110))},
         ""},
        {"TvShapeBtn", "",
         Join({Std({"Left", "Top", "Anchors", "DragCursor", "DragMode"}),
               {Enum("Transparent", false, Ord(true)), Chr("AcceleratorKey", ' ', Ord('k')).Follows("Shape"),
                Enum("Shape", sbRectangle, Ord(3)), Int("HighLightColor", NoDefault, Ord(0x00AA00)),
                Int("ShadowColor", NoDefault, Ord(0x0000AA)), Event("OnPaint"), Event("OnGetRegion"),
                Event("OnOwnerDraw"), Std("Color", clBtnFace), Enum("ParentColor", true, Ord(false)),
                Int("Height", 25, Ord(31)), Int("Width", 25, Ord(33))},
               Std({"Enabled", "ParentShowHint", "ShowHint", "Visible", "OnClick", "OnMouseDown", "OnMouseMove",
                    "OnMouseUp", "OnDragDrop", "OnDragOver", "OnEndDrag", "OnMouseEnter", "OnMouseLeave"})}),
         "the edge colours have no declared default"},

        {"TvColorBtn", "",
         Join({Std({"Left", "Top", "Anchors"}),
               {Enum("ShowFocus", true, Ord(false)), Enum("DefaultLook", dlBold, Ord(dlFrame)),
                Enum("AutoFocus", false, Ord(true)), Enum("Flat", false, Ord(true))},
               CaptionRows(),
               {Event("OnPaint"), Enum("Cancel", false, Ord(true)), Int("ModalResult", 0, Ord(2)),
                Enum("Default", false, Ord(true))},
               Std({"PopupMenu", "OnDragDrop", "OnDragOver", "OnEndDrag", "OnKeyDown", "OnKeyPress", "OnKeyUp",
                    "OnMouseDown", "OnMouseMove", "OnMouseUp", "DragCursor", "DragMode", "Font", "ParentFont",
                    "Caption", "Color", "ParentColor", "HelpContext"}),
               {Int("HighLightColor", clBtnHighlight, Ord(0x00AA00)), Int("ShadowColor", clBtnShadow, Ord(0x0000AA)),
                Std("TabStop", true)},
               Std({"TabOrder"}), {Int("Width", 89, Ord(70)), Int("Height", 33, Ord(20))},
               Std({"Enabled", "ParentShowHint", "ShowHint", "Visible", "OnEnter", "OnExit", "OnClick", "OnDblClick",
                    "OnMouseEnter", "OnMouseLeave"})}),
         ""},
        {"TvGradBtn", "TvColorBtn",
         {Std("Color"), Enum("FillType", gVert, Ord(gCenter)), Int("EndColor", clBtnFace, Ord(0x445566)),
          Int("Bands", 75, Ord(20)), Event("OnPaint")},
         "Color and OnPaint keep their places"},
        {"TvBitColBtn", "TvColorBtn",
         {Enum("TextOnTop", false, Ord(true)), Event("OnPaint"), Obj("Glyph", Picture()), Int("NumGlyphs", 1, Ord(2)),
          Int("TransparentColor", NoDefault, Ord(0x00FF00)).Follows("AutoBackColor"),
          Enum("BitmapWhere", v_BWLeft, Ord(v_BWRight)), Std("Color"), Enum("AutoBackColor", false, Ord(true))},
         ""},
        {"TvIconColBtn", "TvColorBtn",
         {Enum("AutoAllIcons", true, Ord(false)), Event("OnPaint"), Obj("GlyphEnabled", IconSample()),
          Obj("GlyphDown", IconSample()), Obj("GlyphDisabled", IconSample()), Enum("IconWhere", v_BWLeft, Ord(v_BWRight)),
          Int("Width", 140, Ord(120)), Int("Height", 44, Ord(50))},
         ""},

        {"TvNWColorBtn", "",
         Join({Std({"Left", "Top", "Anchors"}),
               {Int("LeftOffSet", 5, Ord(7)), Int("TopOffSet", 5, Ord(6)), Enum("Frame", true, Ord(false)),
                Enum("Movement", true, Ord(false)), Enum("Flat", false, Ord(true))},
               CaptionRows(), {Event("OnPaint"), Enum("Cancel", false, Ord(true))},
               Std({"PopupMenu", "OnDragDrop", "OnDragOver", "OnEndDrag", "OnMouseDown", "OnMouseMove", "OnMouseUp",
                    "DragCursor", "DragMode", "Font", "ParentFont", "Caption", "Color", "ParentColor"}),
               {Int("HighLightColor", clBtnHighlight, Ord(0x00AA00)), Int("ShadowColor", clBtnShadow, Ord(0x0000AA)),
                Int("Width", 89, Ord(70)), Int("Height", 33, Ord(20))},
               Std({"Enabled", "ParentShowHint", "ShowHint", "Visible", "OnClick", "OnMouseEnter", "OnMouseLeave"}),
               {Enum("Transparent", NoDefault, Ord(true)), Int("GlassValue", 0, Ord(40))}}),
         "Transparent has no declared default"},
        {"TvNWBitColBtn", "TvNWColorBtn",
         {Enum("TextOnTop", false, Ord(true)), Event("OnPaint"), Obj("Glyph", Picture()), Int("NumGlyphs", 1, Ord(2)),
          Int("TransparentColor", NoDefault, Ord(0x00FF00)).Follows("AutoBackColor"),
          Enum("BitmapWhere", v_BWLeft, Ord(v_BWRight)), Std("Color"), Enum("AutoBackColor", false, Ord(true)),
          Int("GlyphMargin", 5, Ord(8))},
         ""},
        {"TvNWIconColBtn", "TvNWColorBtn",
         {Int("GlyphMargin", 5, Ord(8)), Enum("AutoAllIcons", true, Ord(false)), Event("OnPaint"),
          Obj("GlyphEnabled", IconSample()), Obj("GlyphDown", IconSample()), Obj("GlyphDisabled", IconSample()),
          Enum("IconWhere", v_BWLeft, Ord(v_BWRight)), Int("Width", 140, Ord(120)), Int("Height", 44, Ord(50))},
         ""},
    };
    return table;
}

const ClassEntry* EntryOf(const std::string& Class) {
    for (const ClassEntry& e : Table())
        if (e.Class == Class) return &e;
    return nullptr;
}

// The whole list of a class: the component's own rows, its ancestors' entries, then its own rows;
// a row named again keeps the earlier place.
std::vector<Row> Expected(const ClassEntry& Entry) {
    std::vector<Row> rows = Entry.Inherits.empty() ? ComponentRows() : Expected(*EntryOf(Entry.Inherits));
    for (const Row& r : Entry.Rows) {
        auto same = std::find_if(rows.begin(), rows.end(), [&](const Row& q) { return q.Name == r.Name; });
        if (same != rows.end())
            *same = r;
        else
            rows.push_back(r);
    }
    return rows;
}

// --- Samples -----------------------------------------------------------------------------------------

std::unique_ptr<TBitmap> SampleBitmap() {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(6, 4);
    b->Canvas()->Brush()->SetColor(0x3366CC);
    b->Canvas()->FillRect(Rect(0, 0, 6, 4));
    b->Canvas()->SetPixels(2, 1, 0x00FF00);
    return b;
}

// Tabs, an empty line and one with spaces at its ends come back as they were.
std::vector<std::string> SampleLines() {
    return {"first\tcolumn", "", "  spaced  "};
}

// 5 x 3, its right column masked out.
std::unique_ptr<TIcon> SampleIconImage() {
    auto color = SampleBitmap();
    color->SetSize(5, 3);
    color->Canvas()->Brush()->SetColor(clBlack);
    color->Canvas()->FillRect(Rect(4, 0, 5, 3));
    auto mask = std::make_unique<TBitmap>();
    mask->SetSize(5, 3);
    mask->Canvas()->Brush()->SetColor(clBlack);
    mask->Canvas()->FillRect(Rect(0, 0, 5, 3));
    mask->Canvas()->Brush()->SetColor(clWhite);
    mask->Canvas()->FillRect(Rect(4, 0, 5, 3));
    ICONINFO info;
    info.hbmColor = color->Handle();
    info.hbmMask = mask->Handle();
    auto icon = std::make_unique<TIcon>();
    icon->SetHandle(CreateIconIndirect(&info));
    return icon;
}

std::vector<std::uint8_t> SampleRegionBytes() {
    RECT r[2] = {{0, 0, 10, 5}, {2, 5, 8, 9}};
    HRGN rgn = CreateRectsRgn(r, 2);
    const DWORD size = GetRegionData(rgn, 0, nullptr);
    std::vector<std::uint8_t> bytes(size);
    GetRegionData(rgn, size, reinterpret_cast<RGNDATA*>(bytes.data()));
    DeleteObject(rgn);
    return bytes;
}

void SetSample(TObject* Object, const TPropInfo& P, const Row& R, TPublishedRoot* Root) {
    const Sample& s = R.Value;
    switch (s.kind) {
    case Sample::Ordinal:
        P.SetOrd(Object, s.ordinal);
        break;
    case Sample::Float:
        P.SetFloat(Object, s.number);
        break;
    case Sample::Text:
        P.SetStr(Object, s.text);
        break;
    case Sample::Handler: {
        const TMethodEntry* e = HandlerFor(P.MethodSignature);
        ASSERT_NE(e, nullptr) << "no handler of the type of " << R.Name;
        P.SetMethod(Object, TRawMethod{e->Code, Root, e->Signature});
        break;
    }
    case Sample::Reference:
        P.SetObject(Object, Root->FindComponent(s.text));
        break;
    case Sample::Inner: {
        TObject* inner = P.GetObject(Object);
        const TPropInfo* q = GetPropInfo(inner, s.text);
        ASSERT_NE(q, nullptr) << R.Name << "." << s.text;
        q->SetOrd(inner, s.ordinal);
        break;
    }
    case Sample::Image: {
        auto b = SampleBitmap();
        if (P.SetObject)
            P.SetObject(Object, b.get());
        else
            dynamic_cast<TBitmap*>(P.GetObject(Object))->Assign(b.get());
        break;
    }
    case Sample::Icon: {
        auto icon = SampleIconImage();
        if (P.SetObject)
            P.SetObject(Object, icon.get());
        else
            dynamic_cast<TIcon*>(P.GetObject(Object))->Assign(icon.get());
        break;
    }
    case Sample::Lines:
        dynamic_cast<TPersistentStrings*>(P.GetObject(Object))->SetLines(SampleLines());
        break;
    case Sample::Region: {
        const auto bytes = SampleRegionBytes();
        TvcRgn region;
        region.SetRgn(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        dynamic_cast<TvcRgn*>(P.GetObject(Object))->Assign(&region);
        break;
    }
    case Sample::None:
        break;
    }
}

void ExpectSameValue(const TObject* Back, const TObject* Original, const TPropInfo& P, const Row& R,
                     TPublishedRoot* BackRoot) {
    const Sample& s = R.Value;
    switch (s.kind) {
    case Sample::Ordinal:
        EXPECT_EQ(P.GetOrd(Back), P.GetOrd(Original)) << R.Name;
        if (R.FollowsFrom.empty()) {
            EXPECT_EQ(P.GetOrd(Original), s.ordinal) << R.Name << " did not take its sample";
        }
        break;
    case Sample::Float:
        EXPECT_EQ(P.GetFloat(Back), s.number) << R.Name;
        break;
    case Sample::Text:
        EXPECT_EQ(P.GetStr(Back), P.GetStr(Original)) << R.Name;
        break;
    case Sample::Handler: {
        const TRawMethod m = P.GetMethod(Back);
        const TMethodEntry* e = HandlerFor(P.MethodSignature);
        EXPECT_TRUE(e && m.Code == e->Code) << R.Name << " lost its handler";
        EXPECT_EQ(m.Data, static_cast<void*>(BackRoot)) << R.Name << " is not bound to the root read";
        break;
    }
    case Sample::Reference: {
        const auto* c = dynamic_cast<const TComponent*>(P.GetObject(Back));
        EXPECT_TRUE(c && c->Name() == s.text) << R.Name;
        EXPECT_TRUE(c && c->Owner() == BackRoot) << R.Name << " refers outside the root read";
        break;
    }
    case Sample::Inner: {
        const TObject* inner = P.GetObject(Back);
        const TPropInfo* q = GetPropInfo(inner, s.text);
        ASSERT_NE(q, nullptr) << R.Name;
        EXPECT_EQ(q->GetOrd(inner), s.ordinal) << R.Name << "." << s.text;
        break;
    }
    case Sample::Image: {
        auto* b = dynamic_cast<TBitmap*>(P.GetObject(Back));
        ASSERT_NE(b, nullptr) << R.Name;
        EXPECT_EQ(b->Width(), 6) << R.Name;
        EXPECT_EQ(b->Height(), 4) << R.Name;
        if (b->Width() == 6 && b->Height() == 4) {
            EXPECT_EQ(b->Canvas()->Pixels(2, 1), 0x00FF00) << R.Name;
        }
        break;
    }
    case Sample::Icon: {
        auto* icon = dynamic_cast<TIcon*>(P.GetObject(Back));
        ASSERT_NE(icon, nullptr) << R.Name;
        ASSERT_EQ(icon->Width(), 5) << R.Name;
        ASSERT_EQ(icon->Height(), 3) << R.Name;
        TBitmap drawn;
        drawn.SetSize(5, 3);
        drawn.Canvas()->Brush()->SetColor(clRed);
        drawn.Canvas()->FillRect(Rect(0, 0, 5, 3));
        drawn.Canvas()->Draw(0, 0, icon);
        EXPECT_EQ(drawn.Canvas()->Pixels(2, 1), 0x00FF00) << R.Name;
        EXPECT_EQ(drawn.Canvas()->Pixels(4, 1), clRed) << R.Name << ": the mask was lost";
        break;
    }
    case Sample::Lines: {
        auto* lines = dynamic_cast<TPersistentStrings*>(P.GetObject(Back));
        ASSERT_NE(lines, nullptr) << R.Name;
        // A sorted list keeps its lines in its own order.
        const auto* original = dynamic_cast<const TPersistentStrings*>(P.GetObject(Original));
        EXPECT_EQ(original->Lines().size(), SampleLines().size()) << R.Name;
        EXPECT_EQ(lines->Lines(), original->Lines()) << R.Name;
        break;
    }
    case Sample::Region: {
        auto* r = dynamic_cast<TvcRgn*>(P.GetObject(Back));
        ASSERT_NE(r, nullptr) << R.Name;
        const auto bytes = SampleRegionBytes();
        ASSERT_EQ(r->Size(), bytes.size()) << R.Name;
        EXPECT_EQ(std::memcmp(r->Data().data(), bytes.data(), bytes.size()), 0) << R.Name;
        break;
    }
    case Sample::None:
        break;
    }
}

// A root holding a popup menu, an edit box and the component under test (a control is placed on
// the root).
struct Scene {
    std::unique_ptr<TPublishedRoot> root = std::make_unique<TPublishedRoot>(nullptr);
    TComponent* component = nullptr;

    explicit Scene(const std::string& Class) {
        root->SetName("Root");
        root->SetBounds(0, 0, 400, 300);
        auto* menu = new TPopupMenu(root.get());
        menu->SetName("Menu1");
        auto* edit = new TEdit(root.get());
        edit->SetName("Edit1");
        edit->SetParent(root.get());
        component = FindClass(Class)(root.get());
        component->SetName("Sample1");
        if (auto* control = dynamic_cast<TControl*>(component)) control->SetParent(root.get());
    }
};

std::string TypeName(TTypeKind k) {
    switch (k) {
    case TTypeKind::tkInteger:
        return "integer";
    case TTypeKind::tkChar:
        return "char";
    case TTypeKind::tkEnumeration:
        return "enumeration";
    case TTypeKind::tkFloat:
        return "float";
    case TTypeKind::tkString:
    case TTypeKind::tkLString:
        return "string";
    case TTypeKind::tkSet:
        return "set";
    case TTypeKind::tkClass:
        return "class";
    case TTypeKind::tkMethod:
        return "method";
    }
    return "?";
}

class Published : public ::testing::TestWithParam<std::string> {};

TEST_P(Published, NamesKindsDefaultsAndStoredRulesAreThePartsOwn) {
    const ClassEntry& entry = *EntryOf(GetParam());
    Scene scene(entry.Class);
    const TPropList list = GetPropList(scene.component);
    const std::vector<Row> rows = Expected(entry);
    std::string names, expected;
    for (const TPropInfo* p : list) names += p->Name + " ";
    for (const Row& r : rows) expected += r.Name + " ";
    ASSERT_EQ(names, expected);

    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        const TPropInfo& p = *list[i];
        EXPECT_EQ(TypeName(p.Kind), TypeName(r.Kind)) << r.Name;
        EXPECT_EQ(p.Default, r.Default) << r.Name;
        if (r.Default && r.Value.kind == Sample::Ordinal) {
            EXPECT_NE(*r.Default, r.Value.ordinal) << r.Name;
        }
        switch (r.Rule) {
        case Stored::Never:
            EXPECT_FALSE(p.IsStored(scene.component)) << r.Name;
            break;
        case Stored::UnlessParent: {
            const TPropInfo* flag = GetPropInfo(scene.component, r.Parent);
            ASSERT_NE(flag, nullptr) << r.Parent;
            flag->SetOrd(scene.component, 1);
            EXPECT_FALSE(p.IsStored(scene.component)) << r.Name << " with " << r.Parent;
            flag->SetOrd(scene.component, 0);
            EXPECT_TRUE(p.IsStored(scene.component)) << r.Name << " without " << r.Parent;
            break;
        }
        case Stored::NotEmpty:
            EXPECT_FALSE(p.IsStored(scene.component)) << r.Name << " while empty";
            break;
        case Stored::Value:
            EXPECT_TRUE(p.IsStored(scene.component)) << r.Name;
            break;
        }
    }
}

TEST_P(Published, EveryValueComesBackWithItsHandlerBoundByName) {
    const ClassEntry& entry = *EntryOf(GetParam());
    Scene scene(entry.Class);
    const std::vector<Row> rows = Expected(entry);
    for (const Row& r : rows) {
        const TPropInfo* p = GetPropInfo(scene.component, r.Name);
        ASSERT_NE(p, nullptr) << r.Name;
        if (r.Rule != Stored::Never && r.Value.kind != Sample::None)
            SetSample(scene.component, *p, r, scene.root.get());
    }

    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(scene.root.get());
    stream.SetPosition(0);
    auto back = std::make_unique<TPublishedRoot>(nullptr);
    back->SetBounds(0, 0, 400, 300);
    TReader(&stream).ReadRootComponent(back.get());
    TComponent* read = back->FindComponent("Sample1");
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->ClassName(), entry.Class);

    for (const Row& r : rows) {
        if (r.Rule == Stored::Never || !r.Uncompared.empty() || r.Value.kind == Sample::None) continue;
        ExpectSameValue(read, scene.component, *GetPropInfo(read, r.Name), r, back.get());
    }
}

std::vector<std::string> TableClasses() {
    std::vector<std::string> names;
    for (const ClassEntry& e : Table()) names.push_back(e.Class);
    return names;
}

INSTANTIATE_TEST_SUITE_P(Library, Published, ::testing::ValuesIn(TableClasses()),
                         [](const ::testing::TestParamInfo<std::string>& tested) { return tested.param; });

TEST(PublishedTable, EveryRegisteredClassOfTheLibraryHasItsEntry) {
    int seen = 0;
    for (const TRegisteredClass& c : GetRegisteredClasses()) {
        if (c.Name.rfind("Tv", 0) != 0) continue;
        ++seen;
        EXPECT_NE(EntryOf(c.Name), nullptr) << c.Name << " is registered but not in the table";
    }
    EXPECT_GT(seen, 0);
    for (const ClassEntry& e : Table()) EXPECT_TRUE(GetClass(e.Class)) << e.Class << " is not registered";
}

// The handlers a form binds by name are the read root's own: a click on the button and the panel
// read back, and the timer's tick, reach it.
TEST(PublishedHandlers, TheClickAndTheTimerReachTheRootRead) {
    auto root = std::make_unique<TPublishedRoot>(nullptr);
    root->SetName("Root");
    auto* menu = new TPopupMenu(root.get());
    menu->SetName("Menu1");
    auto* button = new TvColorBtn(root.get());
    button->SetName("Button1");
    button->SetParent(root.get());
    auto* other = new TvColorBtn(root.get());
    other->SetName("Button2");
    other->SetParent(root.get());
    button->SetTabOrder(1);
    other->SetTabOrder(0);
    other->SetPopupMenu(menu);
    other->SetShowHint(true);
    other->OnClick = HandlerOf<TNotifyEvent>::Bound(root.get());
    auto* panel = new TvMovePanel(root.get());
    panel->SetName("Panel1");
    panel->SetParent(root.get());
    panel->SetCaption("Move me");
    panel->SetBounds(17, 23, 120, 80);
    panel->OnClick = HandlerOf<TNotifyEvent>::Bound(root.get());
    auto* timer = new TvcTimer(root.get());
    timer->SetName("Timer1");
    timer->SetInterval(5000);
    timer->SetOnTimer(HandlerOf<TNotifyEvent>::Bound(root.get()));

    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(root.get());
    stream.SetPosition(0);
    auto back = std::make_unique<TPublishedRoot>(nullptr);
    TReader(&stream).ReadRootComponent(back.get());

    auto* otherBack = dynamic_cast<TvColorBtn*>(back->FindComponent("Button2"));
    auto* panelBack = dynamic_cast<TvMovePanel*>(back->FindComponent("Panel1"));
    auto* timerBack = dynamic_cast<TvcTimer*>(back->FindComponent("Timer1"));
    ASSERT_TRUE(otherBack && panelBack && timerBack);
    EXPECT_EQ(otherBack->TabOrder(), 0);
    EXPECT_EQ(otherBack->PopupMenu(), back->FindComponent("Menu1"));
    EXPECT_TRUE(otherBack->ShowHint());
    EXPECT_EQ(panelBack->Caption(), "Move me");
    EXPECT_EQ(panelBack->BoundsRect(), Rect(17, 23, 137, 103));
    EXPECT_EQ(timerBack->Interval(), 5000u);

    otherBack->OnClick(otherBack);
    panelBack->OnClick(panelBack);
    timerBack->OnTimer()(timerBack);
    EXPECT_EQ(back->Calls, 3);
    EXPECT_EQ(root->Calls, 0);
}

} // namespace

namespace {

// Streams the library wrote before it published the full lists (one a line: the class, a blank,
// the bytes in hexadecimal) still read back with every value they hold.
std::map<std::string, std::string> EarlierStreams() {
    std::ifstream in(SourceTree() / "indicator_controls/tests/data/StreamsBeforeTheFullLists.txt");
    std::map<std::string, std::string> streams;
    std::string name, hex;
    while (in >> name >> hex) {
        std::string bytes;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
            bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        streams[name] = bytes;
    }
    return streams;
}

std::unique_ptr<TComponent> ReadEarlier(const std::string& Bytes) {
    TMemoryStream stream;
    stream.WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size()));
    stream.SetPosition(0);
    return std::unique_ptr<TComponent>(TReader(&stream).ReadRootComponent(nullptr));
}

TEST(PublishedTable, AStreamWrittenBeforeTheFullListsReadsBack) {
    const auto streams = EarlierStreams();
    ASSERT_EQ(streams.size(), 6u);

    auto button = ReadEarlier(streams.at("TvColorBtn"));
    auto* b = dynamic_cast<TvColorBtn*>(button.get());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->BoundsRect(), Rect(17, 23, 137, 63));
    EXPECT_EQ(b->Caption(), "Hello there");
    EXPECT_TRUE(b->IsFlat());
    EXPECT_EQ(b->HighLightColor(), 0x123456);
    EXPECT_EQ(b->ModalResult(), 2);
    EXPECT_TRUE(b->Default());
    EXPECT_EQ(b->HorzAlign(), vbha_Top);

    auto box = ReadEarlier(streams.at("TvcFancyCheckBox"));
    auto* k = dynamic_cast<TvcFancyCheckBox*>(box.get());
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->Caption(), "Check");
    EXPECT_TRUE(k->AllowGrayed());
    EXPECT_EQ(k->State(), cbGrayed);
    EXPECT_EQ(k->TransparentColor(), 0x00FF00);
    EXPECT_EQ(k->TextSizeChecked()->Left(), 4);
    const auto region = SampleRegionBytes();
    ASSERT_EQ(k->BtnRgnFocused()->Size(), region.size());
    EXPECT_EQ(std::memcmp(k->BtnRgnFocused()->Data().data(), region.data(), region.size()), 0);

    auto label = ReadEarlier(streams.at("TvBigLabel"));
    auto* l = dynamic_cast<TvBigLabel*>(label.get());
    ASSERT_NE(l, nullptr);
    EXPECT_FALSE(l->AutoSize());
    EXPECT_TRUE(l->WordWrap());

    auto panel = ReadEarlier(streams.at("TvMovePanel"));
    auto* p = dynamic_cast<TvMovePanel*>(panel.get());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->StickWhere(), stBottom);
    EXPECT_FALSE(p->StickOldStyle());

    auto anim = ReadEarlier(streams.at("TvAnimated"));
    auto* a = dynamic_cast<TvAnimated*>(anim.get());
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->FrameCount(), 3);
    EXPECT_FALSE(a->Loop());
    EXPECT_EQ(a->TransparentColor(), 0x0000FF);

    auto shape = ReadEarlier(streams.at("TvcShapeColorBtn"));
    auto* s = dynamic_cast<TvcShapeColorBtn*>(shape.get());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Shape(), 3);
    EXPECT_EQ(s->TextSize()->Width(), 30);
    EXPECT_EQ(s->Caption(), "Go");
}

} // namespace
