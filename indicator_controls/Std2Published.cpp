// The published tables of unit Std2's non-visual components: the two timers, the program runner,
// the version reader, the window size limits and the control canvas.
#include "indicator_controls/ControlProperties.h"
#include "indicator_controls/Std2.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"

#include <cstdint>
#include <string>

namespace {

using published::Field;
using published::Property;

const bool kTimers = [] {
    using T = TvcTimer;
    PublishProperties<T, TComponent>({
        Property<T>(
            "Priority", [](const T& t) { return t.Priority(); },
            [](T& t, TThreadPriority v) { t.SetPriority(v); },
            static_cast<std::int64_t>(TThreadPriority::tpNormal)),
        Property<T>(
            "Enabled", [](const T& t) { return t.Enabled(); }, [](T& t, bool v) { t.SetEnabled(v); }, true),
        Property<T>(
            "Interval", [](const T& t) { return t.Interval(); },
            [](T& t, std::uint32_t v) { t.SetInterval(v); }, 1000),
        Property<T>(
            "OnTimer", [](const T& t) { return t.OnTimer(); }, [](T& t, TNotifyEvent v) { t.SetOnTimer(v); }),
    });
    using M = TvcMMTimer;
    PublishProperties<M, TComponent>({
        Property<M>(
            "Enabled", [](const M& m) { return m.Enabled(); }, [](M& m, bool v) { m.SetEnabled(v); }, true),
        Property<M>(
            "Interval", [](const M& m) { return m.Interval(); },
            [](M& m, std::uint32_t v) { m.SetInterval(v); }, 1000),
        Property<M>(
            "Resolution", [](const M& m) { return m.Resolution(); },
            [](M& m, std::uint32_t v) { m.SetResolution(v); }, 10),
        Property<M>(
            "OnTimer", [](const M& m) { return m.OnTimer(); }, [](M& m, TNotifyEvent v) { m.SetOnTimer(v); }),
    });
    RegisterClass<TvcTimer>();
    RegisterClass<TvcMMTimer>();
    return true;
}();

const bool kRunProg = [] {
    using R = TvcRunProg;
    PublishProperties<R, TComponent>({
        Property<R>(
            "CmdLine", [](const R& r) { return r.CmdLine(); },
            [](R& r, const std::string& v) { r.SetCmdLine(v); }),
        Property<R>(
            "Visiblility", [](const R& r) { return r.Visiblility(); },
            [](R& r, TvcRunShow v) { r.SetVisiblility(v); }, vrs_SHOWNORMAL),
        Property<R>(
            "Wait", [](const R& r) { return r.Wait(); }, [](R& r, bool v) { r.SetWait(v); }, true),
        Property<R>(
            "HardWait", [](const R& r) { return r.HardWait(); }, [](R& r, bool v) { r.SetHardWait(v); },
            false),
        NotStored(Property<R>(
            "LastResultCode", [](const R& r) { return r.LastResultCode(); },
            [](R& r, TvcRunError v) { r.SetLastResultCode(v); })),
        NotStored(Property<R>(
            "ReturnCode", [](const R& r) { return r.ReturnCode(); },
            [](R& r, std::int32_t v) { r.SetReturnCode(v); })),
        Field<R>("OnError", &R::OnError),
        Field<R>("OnBeforeRun", &R::OnBeforeRun),
        Field<R>("OnBeforeWait", &R::OnBeforeWait),
        Field<R>("OnFinish", &R::OnFinish),
    });
    RegisterClass<TvcRunProg>();
    return true;
}();

// Every value but the file is read from the file: writes are ignored and nothing else is stored.
template <class Get> TPropInfo VersionValue(std::string Name, Get get) {
    using V = std::decay_t<std::invoke_result_t<Get, const TvcVerInfo&>>;
    return NotStored(Property<TvcVerInfo>(std::move(Name), get, [](TvcVerInfo&, const V&) {}));
}

const bool kVerInfo = [] {
    using V = TvcVerInfo;
    PublishProperties<V, TComponent>({
        VersionValue("ExistVerInfo", [](const V& v) { return v.ExistVerInfo(); }),
        VersionValue("CompanyName", [](const V& v) { return v.CompanyName(); }),
        VersionValue("FileDescription", [](const V& v) { return v.FileDescription(); }),
        VersionValue("FileVersion", [](const V& v) { return v.FileVersion(); }),
        VersionValue("InternalName", [](const V& v) { return v.InternalName(); }),
        VersionValue("OriginalFileName", [](const V& v) { return v.OriginalFileName(); }),
        VersionValue("ProductName", [](const V& v) { return v.ProductName(); }),
        VersionValue("ProductVersion", [](const V& v) { return v.ProductVersion(); }),
        VersionValue("LegalTrademarks", [](const V& v) { return v.LegalTrademarks(); }),
        VersionValue("PrivateBuild", [](const V& v) { return v.PrivateBuild(); }),
        VersionValue("SpecialBuild", [](const V& v) { return v.SpecialBuild(); }),
        VersionValue("Comments", [](const V& v) { return v.Comments(); }),
        VersionValue("LegalCopyright", [](const V& v) { return v.LegalCopyright(); }),
        VersionValue("LocaleID", [](const V& v) { return v.LocaleID(); }),
        VersionValue("CodePage", [](const V& v) { return v.CodePage(); }),
        VersionValue("Language", [](const V& v) { return v.Language(); }),
        VersionValue("IS_DEBUG", [](const V& v) { return v.IS_DEBUG(); }),
        VersionValue("IS_PRERELEASE", [](const V& v) { return v.IS_PRERELEASE(); }),
        VersionValue("IS_PATCHED", [](const V& v) { return v.IS_PATCHED(); }),
        VersionValue("IS_PRIVATEBUILD", [](const V& v) { return v.IS_PRIVATEBUILD(); }),
        VersionValue("IS_INFOINFERRED", [](const V& v) { return v.IS_INFOINFERRED(); }),
        VersionValue("IS_SPECIALBUILD", [](const V& v) { return v.IS_SPECIALBUILD(); }),
        Property<V>(
            "VerFile", [](const V& v) { return v.VerFile(); },
            [](V& v, const std::string& f) { v.SetVerFile(f); }),
    });
    RegisterClass<TvcVerInfo>();
    return true;
}();

const bool kMinMax = [] {
    using M = TvMinMax;
    const auto size = [](const char* name, int (M::*get)() const, void (M::*set)(int), int def) {
        return Property<M>(
            name, [get](const M& m) { return (m.*get)(); }, [set](M& m, int v) { (m.*set)(v); }, def);
    };
    PublishProperties<M, TComponent>({
        Property<M>(
            "ShowOnStatusBar", [](const M& m) { return m.ShowOnStatusBar(); },
            [](M& m, bool v) { m.SetShowOnStatusBar(v); }, false),
        Property<M>(
            "AutoTaskBarAjust", [](const M& m) { return m.AutoTaskBarAjust(); },
            [](M& m, bool v) { m.SetAutoTaskBarAjust(v); }, false),
        Property<M>(
            "UseDefaultSize", [](const M& m) { return m.UseDefaultSize(); },
            [](M& m, bool v) { m.SetUseDefaultSize(v); }, false),
        Field<M>("OnSizeChange", &M::OnSizeChange),
        size("MaxLeft", &M::MaxLeft, &M::SetMaxLeft, 0),
        size("MaxTop", &M::MaxTop, &M::SetMaxTop, 0),
        size("MaxWidth", &M::MaxWidth, &M::SetMaxWidth, 600),
        size("MaxDragWidth", &M::MaxDragWidth, &M::SetMaxDragWidth, 600),
        size("MaxHeight", &M::MaxHeight, &M::SetMaxHeight, 400),
        size("MaxDragHeight", &M::MaxDragHeight, &M::SetMaxDragHeight, 400),
        size("MinDragWidth", &M::MinDragWidth, &M::SetMinDragWidth, 0),
        size("MinDragHeight", &M::MinDragHeight, &M::SetMinDragHeight, 0),
    });
    using C = TvCompCanvas;
    PublishProperties<C, TComponent>({
        Property<C>(
            "ControlComponent", [](const C& c) { return c.ControlComponent(); },
            [](C& c, TWinControl* v) { c.SetControlComponent(v); }),
    });
    RegisterClass<TvMinMax>();
    RegisterClass<TvCompCanvas>();
    return true;
}();

} // namespace
