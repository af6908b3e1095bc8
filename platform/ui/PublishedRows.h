// The rows of the standard control and component properties and events, by name, for a class's
// published table:
//
//   PublishProperties<TMyLabel, TComponent>(Standard<TMyLabel>({"Left", "Top", "Caption", "OnClick"}));
//
// Each row uses C's own accessors (a class that shadows Color or Caption gets its own), with the
// class library's default and stored rule: Font is stored when not ParentFont, Color when not
// ParentColor, Ctl3D when not ParentCtl3D, BiDiMode when not ParentBiDiMode, ShowHint when not
// ParentShowHint. A row may be changed before it is published (another default, say). A name C
// cannot carry raises EPropertyError with the class and the name, at start-up where tables are made.
#pragma once

#include "platform/ui/Controls.h"
#include "platform/ui/Menus.h"
#include "platform/ui/TypInfo.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace published {

namespace detail {
[[noreturn]] void CannotCarry(const std::string& className, std::string_view name);
} // namespace detail

// A property with a getter Name() and a setter SetName(value).
#define VX_STANDARD_PROPERTY(N, DEF, STORED)                                                                 \
    if (name == #N) {                                                                                        \
        if constexpr (requires(C & c, const C& k) {                                                          \
                          k.N();                                                                             \
                          c.Set##N(k.N());                                                                   \
                      }) {                                                                                   \
            TPropInfo p = Property<C>(                                                                       \
                #N, [](const C& k) { return k.N(); }, [](C& c, const auto& v) { c.Set##N(v); }, DEF);        \
            p.Stored = STORED;                                                                               \
            return p;                                                                                        \
        } else {                                                                                             \
            detail::CannotCarry(ClassNameOf<C>(), name);                                                     \
        }                                                                                                    \
    }

// An event held in a public field.
#define VX_STANDARD_EVENT(N)                                                                                 \
    if (name == #N) {                                                                                        \
        if constexpr (requires(C & c) { c.N = c.N; })                                                        \
            return Field<C>(#N, &C::N);                                                                      \
        else                                                                                                 \
            detail::CannotCarry(ClassNameOf<C>(), name);                                                     \
    }

template <class C> TPropInfo Standard(std::string_view name) {
    using Rule = std::function<bool(const TObject*)>;
    const auto unless = [](auto parentFlag) -> Rule {
        return [parentFlag](const TObject* o) { return !parentFlag(*static_cast<const C*>(o)); };
    };
    VX_STANDARD_PROPERTY(Left, std::nullopt, Rule())
    VX_STANDARD_PROPERTY(Top, std::nullopt, Rule())
    VX_STANDARD_PROPERTY(Width, std::nullopt, Rule())
    VX_STANDARD_PROPERTY(Height, std::nullopt, Rule())
    VX_STANDARD_PROPERTY(Align, alNone, Rule())
    if (name == "Anchors") {
        if constexpr (requires(C & c) { c.Anchors = c.Anchors; })
            return Field<C>("Anchors", &C::Anchors, TAnchors{akLeft, akTop}.Bits());
        else if constexpr (requires(C & c, const C& k) { c.SetAnchors(k.Anchors()); })
            return Property<C>(
                "Anchors", [](const C& k) { return k.Anchors(); }, [](C& c, TAnchors v) { c.SetAnchors(v); },
                TAnchors{akLeft, akTop}.Bits());
        else
            detail::CannotCarry(ClassNameOf<C>(), name);
    }
    VX_STANDARD_PROPERTY(AutoSize, false, Rule())
    if constexpr (requires(const C& k) { k.ParentBiDiMode(); }) {
        VX_STANDARD_PROPERTY(BiDiMode, std::nullopt, unless([](const C& k) { return k.ParentBiDiMode(); }))
    } else {
        VX_STANDARD_PROPERTY(BiDiMode, std::nullopt, Rule())
    }
    VX_STANDARD_PROPERTY(BorderWidth, 0, Rule())
    VX_STANDARD_PROPERTY(Caption, std::nullopt, Rule())
    if constexpr (requires(const C& k) { k.ParentColor(); }) {
        VX_STANDARD_PROPERTY(Color, clWindow, unless([](const C& k) { return k.ParentColor(); }))
    } else {
        VX_STANDARD_PROPERTY(Color, clWindow, Rule())
    }
    if (name == "Constraints") {
        if constexpr (requires(C & c, const C& k) { c.SetConstraints(k.Constraints()); })
            return Property<C>(
                "Constraints", [](const C& k) { return k.Constraints(); },
                [](C& c, TSizeConstraints* v) {
                    if (v) c.SetConstraints(v);
                });
        else
            detail::CannotCarry(ClassNameOf<C>(), name);
    }
    if (name == "Ctl3D") {
        if constexpr (requires(C & c, const C& k) {
                          c.SetCtl3D(bool(k.Ctl3D));
                          k.ParentCtl3D();
                      }) {
            TPropInfo p = Property<C>(
                "Ctl3D", [](const C& k) { return bool(k.Ctl3D); }, [](C& c, bool v) { c.SetCtl3D(v); });
            p.Stored = unless([](const C& k) { return k.ParentCtl3D(); });
            return p;
        } else {
            detail::CannotCarry(ClassNameOf<C>(), name);
        }
    }
    VX_STANDARD_PROPERTY(Cursor, crDefault, Rule())
    VX_STANDARD_PROPERTY(DragCursor, crDrag, Rule())
    VX_STANDARD_PROPERTY(DragKind, dkDrag, Rule())
    VX_STANDARD_PROPERTY(DragMode, dmManual, Rule())
    VX_STANDARD_PROPERTY(Enabled, true, Rule())
    if (name == "Font") {
        if constexpr (requires(C & c, const C& k) {
                          c.SetFont(k.Font());
                          k.ParentFont();
                      }) {
            TPropInfo p = Property<C>(
                "Font", [](const C& k) { return k.Font(); },
                [](C& c, TFont* v) {
                    if (v) c.SetFont(v);
                });
            p.Stored = unless([](const C& k) { return k.ParentFont(); });
            return p;
        } else {
            detail::CannotCarry(ClassNameOf<C>(), name);
        }
    }
    VX_STANDARD_PROPERTY(HelpContext, 0, Rule())
    VX_STANDARD_PROPERTY(Hint, std::nullopt, Rule())
    VX_STANDARD_PROPERTY(ParentBiDiMode, true, Rule())
    VX_STANDARD_PROPERTY(ParentColor, true, Rule())
    VX_STANDARD_PROPERTY(ParentCtl3D, true, Rule())
    VX_STANDARD_PROPERTY(ParentFont, true, Rule())
    VX_STANDARD_PROPERTY(ParentShowHint, true, Rule())
    VX_STANDARD_PROPERTY(PopupMenu, std::nullopt, Rule())
    if constexpr (requires(const C& k) { k.ParentShowHint(); }) {
        VX_STANDARD_PROPERTY(ShowHint, std::nullopt, unless([](const C& k) { return k.ParentShowHint(); }))
    } else {
        VX_STANDARD_PROPERTY(ShowHint, std::nullopt, Rule())
    }
    VX_STANDARD_PROPERTY(TabOrder, -1, Rule())
    VX_STANDARD_PROPERTY(TabStop, false, Rule())
    VX_STANDARD_PROPERTY(Visible, true, Rule())

    VX_STANDARD_EVENT(OnCanResize)
    VX_STANDARD_EVENT(OnClick)
    VX_STANDARD_EVENT(OnConstrainedResize)
    VX_STANDARD_EVENT(OnContextPopup)
    VX_STANDARD_EVENT(OnDblClick)
    VX_STANDARD_EVENT(OnDragDrop)
    VX_STANDARD_EVENT(OnDragOver)
    VX_STANDARD_EVENT(OnEndDock)
    VX_STANDARD_EVENT(OnEndDrag)
    VX_STANDARD_EVENT(OnEnter)
    VX_STANDARD_EVENT(OnExit)
    VX_STANDARD_EVENT(OnKeyDown)
    VX_STANDARD_EVENT(OnKeyPress)
    VX_STANDARD_EVENT(OnKeyUp)
    VX_STANDARD_EVENT(OnMouseDown)
    VX_STANDARD_EVENT(OnMouseMove)
    VX_STANDARD_EVENT(OnMouseUp)
    VX_STANDARD_EVENT(OnMouseWheel)
    VX_STANDARD_EVENT(OnMouseWheelDown)
    VX_STANDARD_EVENT(OnMouseWheelUp)
    VX_STANDARD_EVENT(OnResize)
    VX_STANDARD_EVENT(OnStartDock)
    VX_STANDARD_EVENT(OnStartDrag)
    detail::CannotCarry(ClassNameOf<C>(), name);
}

#undef VX_STANDARD_PROPERTY
#undef VX_STANDARD_EVENT

// The rows of the names, in the order named.
template <class C> std::vector<TPropInfo> Standard(std::initializer_list<std::string_view> names) {
    std::vector<TPropInfo> rows;
    rows.reserve(names.size());
    for (std::string_view name : names) rows.push_back(Standard<C>(name));
    return rows;
}

} // namespace published
