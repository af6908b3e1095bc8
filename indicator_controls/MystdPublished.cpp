// The published tables of unit Mystd's non-visual components: the application component, the
// calculator and the two notification-area components.
#include "indicator_controls/ControlProperties.h"
#include "indicator_controls/Mystd.h"
#include "platform/rtl/Lists.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Icons.h"
#include "platform/ui/Menus.h"
#include "platform/ui/TypInfo.h"

#include <cstdint>
#include <string>

namespace {

using published::Field;
using published::Property;

// Information that takes a write and ignores it.
template <class C, class Get> TPropInfo Information(std::string Name, Get get) {
    using V = std::decay_t<std::invoke_result_t<Get, const C&>>;
    return NotStored(Property<C>(std::move(Name), get, [](C&, const V&) {}));
}

const bool kShowApp = [] {
    using A = TvShowApp;
    TPropInfo icon = Property<A>(
        "Icon", [](const A& a) { return a.Icon(); }, [](A& a, TIcon* v) { a.SetIcon(v); });
    icon.Stored = [](const TObject* o) {
        const TIcon* i = static_cast<const A*>(o)->Icon();
        return i && !i->Empty();
    };
    PublishProperties<A, TComponent>(Rows(
        Property<A>(
            "OnlyOneInstance", [](const A& a) { return a.OnlyOneInstance(); },
            [](A& a, bool v) { a.SetOnlyOneInstance(v); }, false),
        Property<A>(
            "ShortDate", [](const A& a) { return a.ShortDate(); },
            [](A& a, TvShortDateFormat v) { a.SetShortDate(v); }, sdfDontTouch),
        Property<A>(
            "UseCmdShow", [](const A& a) { return a.UseCmdShow(); },
            [](A& a, bool v) { a.SetUseCmdShow(v); }),
        Property<A>(
            "ShowOnStatusBar", [](const A& a) { return a.ShowOnStatusBar(); },
            [](A& a, bool v) { a.SetShowOnStatusBar(v); }, true),
        Property<A>(
            "ShowNonOnStatusBar", [](const A& a) { return a.ShowNonOnStatusBar(); },
            [](A& a, bool v) { a.SetShowNonOnStatusBar(v); }, false),
        Property<A>(
            "EnabledHostInfo", [](const A& a) { return a.EnabledHostInfo(); },
            [](A& a, bool v) { a.SetEnabledHostInfo(v); }, false),
        Property<A>(
            "ShowMainForm", [](const A& a) { return a.ShowMainForm(); },
            [](A& a, bool v) { a.SetShowMainForm(v); }),
        Property<A>(
            "HelpFile", [](const A& a) { return a.HelpFile(); },
            [](A& a, const std::string& v) { a.SetHelpFile(v); }),
        Property<A>(
            "Hint", [](const A& a) { return a.Hint(); }, [](A& a, const std::string& v) { a.SetHint(v); }),
        // The system's info-background colour.
        Property<A>(
            "HintColor", [](const A& a) { return a.HintColor(); }, [](A& a, TColor v) { a.SetHintColor(v); },
            static_cast<TColor>(0x80000018)),
        Property<A>(
            "HintPause", [](const A& a) { return a.HintPause(); }, [](A& a, int v) { a.SetHintPause(v); },
            500),
        Property<A>(
            "HintHidePause", [](const A& a) { return a.HintHidePause(); },
            [](A& a, int v) { a.SetHintHidePause(v); }, 2500),
        std::move(icon),
        Property<A>(
            "ShowHint", [](const A& a) { return a.ShowHint(); }, [](A& a, bool v) { a.SetShowHint(v); }),
        Property<A>(
            "Title", [](const A& a) { return a.Title(); }, [](A& a, const std::string& v) { a.SetTitle(v); }),
        Property<A>(
            "OnActivate", [](const A& a) { return a.OnActivate(); },
            [](A& a, TNotifyEvent v) { a.SetOnActivate(v); }),
        Property<A>(
            "OnDeActivate", [](const A& a) { return a.OnDeActivate(); },
            [](A& a, TNotifyEvent v) { a.SetOnDeActivate(v); }),
        Property<A>(
            "OnExecption", [](const A& a) { return a.OnExecption(); },
            [](A& a, TExceptionEvent v) { a.SetOnExecption(v); }),
        Property<A>(
            "OnHelp", [](const A& a) { return a.OnHelp(); }, [](A& a, THelpEvent v) { a.SetOnHelp(v); }),
        Property<A>(
            "OnHint", [](const A& a) { return a.OnHint(); }, [](A& a, TNotifyEvent v) { a.SetOnHint(v); }),
        Property<A>(
            "OnIdle", [](const A& a) { return a.OnIdle(); }, [](A& a, TIdleEvent v) { a.SetOnIdle(v); }),
        Property<A>(
            "OnMessage", [](const A& a) { return a.OnMessage(); },
            [](A& a, TMessageEvent v) { a.SetOnMessage(v); }),
        Property<A>(
            "OnMinimize", [](const A& a) { return a.OnMinimize(); },
            [](A& a, TNotifyEvent v) { a.SetOnMinimize(v); }),
        Property<A>(
            "OnRestore", [](const A& a) { return a.OnRestore(); },
            [](A& a, TNotifyEvent v) { a.SetOnRestore(v); }),
        Property<A>(
            "OnShowHint", [](const A& a) { return a.OnShowHint(); },
            [](A& a, TShowHintEvent v) { a.SetOnShowHint(v); }),
        Property<A>(
            "OnActiveControlChange", [](const A& a) { return a.OnActiveControlChange(); },
            [](A& a, TNotifyEvent v) { a.SetOnActiveControlChange(v); }),
        Property<A>(
            "OnActiveFormChange", [](const A& a) { return a.OnActiveFormChange(); },
            [](A& a, TNotifyEvent v) { a.SetOnActiveFormChange(v); }),
        Field<A>("OnAskEndSession", &A::OnAskEndSession), Field<A>("OnEndSession", &A::OnEndSession),
        Field<A>("OnSecondInstance", &A::OnSecondInstance),
        Field<A>("OnAnotherInstance", &A::OnAnotherInstance),
        Information<A>("BitsPerColor", [](const A& a) { return a.BitsPerColor(); }),
        Information<A>("NumberOfColors", [](const A& a) { return a.NumberOfColors(); }),
        Information<A>("WinDir", [](const A& a) { return a.WinDir(); }),
        Information<A>("SystemDir", [](const A& a) { return a.SystemDir(); }),
        Information<A>("TempDir", [](const A& a) { return a.TempDir(); }),
        // The run time's string list is no persistent here: its text stands for it.
        Information<A>("EnvironmentLines",
                       [](const A& a) { return const_cast<A&>(a).PublishedEnvironmentLines(); }),
        Information<A>("WindowKind", [](const A& a) { return a.WindowKind(); }),
        Information<A>("WinVerMajor", [](const A& a) { return a.WinVerMajor(); }),
        Information<A>("WinVerMinor", [](const A& a) { return a.WinVerMinor(); }),
        Information<A>("WinVerBuild", [](const A& a) { return a.WinVerBuild(); }),
        Information<A>("WindowsString", [](const A& a) { return a.WindowsString(); }),
        Information<A>("CPUType", [](const A& a) { return a.CPUType(); }),
        Information<A>("CPUString", [](const A& a) { return a.CPUString(); }),
        Information<A>("CPUVendor", [](const A& a) { return a.CPUVendor(); }),
        Information<A>("CPUMMX", [](const A& a) { return a.CPUMMX(); }),
        Information<A>("CPUStepping", [](const A& a) { return a.CPUStepping(); }),
        Information<A>("CPUModel", [](const A& a) { return a.CPUModel(); }),
        Information<A>("CPUSpeed", [](const A& a) { return a.CPUSpeed(); }),
        Information<A>("ComputerName", [](const A& a) { return a.ComputerName(); }),
        Information<A>("UserName", [](const A& a) { return a.UserName(); }),
        Information<A>("IPHostName", [](const A& a) { return a.IPHostName(); }),
        Information<A>("IPHostAddress", [](const A& a) { return a.IPHostAddress(); })));
    RegisterClass<TvShowApp>();
    return true;
}();

// A register's text and its value; the text takes no writes.
template <int Index> std::vector<TPropInfo> RegisterRows(const char* Letter) {
    using C = TvCalc;
    return {
        Information<C>(std::string("Register") + Letter,
                       [](const C& c) { return const_cast<C&>(c).Register(Index); }),
        Property<C>(
            std::string("Register") + Letter + "Num", [](const C& c) { return c.RegisterNum(Index); },
            [](C& c, long double v) { c.SetRegisterNum(Index, v); }),
    };
}

// The line is stored (and evaluated again when read, pushing its result) before the registers, so
// the registers come back as they were written.
const bool kCalc = [] {
    using C = TvCalc;
    std::vector<TPropInfo> texts, numbers;
    const auto add = [&](std::vector<TPropInfo> pair) {
        texts.push_back(std::move(pair[0]));
        numbers.push_back(std::move(pair[1]));
    };
    add(RegisterRows<1>("A"));
    add(RegisterRows<2>("B"));
    add(RegisterRows<3>("C"));
    add(RegisterRows<4>("D"));
    add(RegisterRows<5>("F"));
    add(RegisterRows<6>("G"));
    add(RegisterRows<7>("H"));
    add(RegisterRows<8>("I"));
    add(RegisterRows<9>("J"));
    PublishProperties<C, TComponent>(Rows(
        Property<C>(
            "CalcLine", [](const C& c) { return c.CalcLine(); },
            [](C& c, const std::string& v) { c.SetCalcLine(v); }),
        Information<C>("CalcResult", [](const C& c) { return c.CalcResult(); }),
        Information<C>("WhereIsLastError", [](const C& c) { return static_cast<int>(c.WhereIsLastError()); }),
        Property<C>(
            "PushResult", [](const C& c) { return c.PushResult(); }, [](C& c, bool v) { c.SetPushResult(v); },
            true),
        Property<C>(
            "FormatLine", [](const C& c) { return c.FormatLine(); },
            [](C& c, const std::string& v) { c.SetFormatLine(v); }),
        Information<C>("Number", [](const C& c) { return const_cast<C&>(c).Number(); }),
        Information<C>("NumberNum", [](const C& c) { return c.NumberNum(); }), std::move(texts),
        std::move(numbers), Field<C>("OnError", &C::OnError), Field<C>("OnOK", &C::OnOK),
        Field<C>("OnFindUserFunc", &C::OnFindUserFunc), Field<C>("OnUserFunc", &C::OnUserFunc)));
    RegisterClass<TvCalc>();
    return true;
}();

// The rows both notification-area components publish, around the icon that only the plain one has.
template <class T> std::vector<TPropInfo> TrayRows(std::vector<TPropInfo> Icon) {
    return Rows(
        Property<T>(
            "PopupMenu", [](const T& t) { return t.PopupMenu(); },
            [](T& t, TPopupMenu* v) { t.SetPopupMenu(v); }),
        Property<T>(
            "LeftPopupMenu", [](const T& t) { return t.LeftPopupMenu(); },
            [](T& t, TPopupMenu* v) { t.SetLeftPopupMenu(v); }),
        Property<T>(
            "HideParentForm", [](const T& t) { return t.HideParentForm(); },
            [](T& t, bool v) { t.SetHideForm(v); }, false),
        Property<T>(
            "ShowDesigning", [](const T& t) { return t.ShowDesigning(); },
            [](T& t, bool v) { t.SetShowDesigning(v); }),
        Property<T>(
            "Active", [](const T& t) { return t.Active(); }, [](T& t, bool v) { t.SetActive(v); }),
        std::move(Icon),
        Property<T>(
            "ToolTip", [](const T& t) { return t.ToolTip(); },
            [](T& t, const std::string& v) { t.SetToolTip(v); }),
        Field<T>("DoDefaultMenu", &T::DoDefaultMenu, false), EventField<T>("OnClick", &T::OnClick),
        EventField<T>("OnDblClick", &T::OnDblClick), EventField<T>("OnRightClick", &T::OnRightClick),
        EventField<T>("OnRightDblClick", &T::OnRightDblClick), EventField<T>("OnMidClick", &T::OnMidClick),
        EventField<T>("OnMidDblClick", &T::OnMidDblClick), EventField<T>("OnMouseMove", &T::OnMouseMove),
        EventField<T>("OnMouseDown", &T::OnMouseDown), EventField<T>("OnMouseUp", &T::OnMouseUp),
        EventField<T>("OnleftMenu", &T::OnleftMenu), EventField<T>("OnRightMenu", &T::OnRightMenu),
        EventField<T>("OnDefaultMenu", &T::OnDefaultMenu),
        EventField<T>("OnAskEndSession", &T::OnAskEndSession));
}

const bool kTray = [] {
    using T = TvTrayIcon;
    PublishProperties<T, TComponent>(TrayRows<T>({Property<T>(
        "Icon", [](const T& t) { return t.Icon(); }, [](T& t, TIcon* v) { t.SetIcon(v); })}));
    using M = TvcTrayMeter;
    PublishProperties<M, TComponent>(Rows(
        TrayRows<M>({}),
        Property<M>(
            "Min", [](const M& m) { return m.Min(); }, [](M& m, std::int32_t v) { m.SetMin(v); }, 0),
        Property<M>(
            "Max", [](const M& m) { return m.Max(); }, [](M& m, std::int32_t v) { m.SetMax(v); }, 100),
        Property<M>(
            "Value", [](const M& m) { return m.Value(); }, [](M& m, std::int32_t v) { m.SetValue(v); }, 0),
        Property<M>(
            "ToolTipStyle", [](const M& m) { return m.ToolTipStyle(); },
            [](M& m, TvcTrayHintStyle v) { m.SetToolTipStyle(v); }, thsPctBar),
        Property<M>(
            "Color", [](const M& m) { return m.Color(); }, [](M& m, TColor v) { m.SetColor(v); }, clBtnFace),
        Property<M>(
            "FrameColor", [](const M& m) { return m.FrameColor(); },
            [](M& m, TColor v) { m.SetFrameColor(v); }, 0),
        Property<M>(
            "PctColor", [](const M& m) { return m.PctColor(); }, [](M& m, TColor v) { m.SetPctColor(v); }, 0),
        Property<M>(
            "BarFillColor", [](const M& m) { return m.BarFillColor(); },
            [](M& m, TColor v) { m.SetBarFillColor(v); }, 0x00FF00),
        // Follows from Value, which is stored: storing it too would set Value again from the
        // rounded percentage (20 of 5..50 is 33 percent, which reads back as 19).
        NotStored(Property<M>(
            "Percent", [](const M& m) { return static_cast<int>(m.Percent()); },
            [](M& m, int v) { m.SetPercent(static_cast<std::uint8_t>(v)); })),
        Property<M>(
            "UsePctOnBar", [](const M& m) { return m.UsePctOnBar(); },
            [](M& m, bool v) { m.SetUsePctOnBar(v); }, true),
        Property<M>(
            "UseLed", [](const M& m) { return m.UseLed(); }, [](M& m, bool v) { m.SetUseLed(v); }, false),
        Property<M>(
            "Direction", [](const M& m) { return m.Direction(); },
            [](M& m, TvcTMDir v) { m.SetDirection(v); }, TvcTM_Up)));
    RegisterClass<TvTrayIcon>();
    RegisterClass<TvcTrayMeter>();
    return true;
}();

} // namespace
