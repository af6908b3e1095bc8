// Published properties: per class, a table of the properties that the filer streams and that the
// settings store saves, each with its kind, its access, its declared default and its stored rule.
// A class registers its own table once (PublishProperties); an object's properties are those of
// the most derived registered class it belongs to, its ancestors' first.
#pragma once

#include "platform/rtl/Set.h"
#include "platform/ui/Classes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <typeindex>
#include <vector>

enum class TTypeKind {
    tkInteger,
    tkChar,
    tkEnumeration,
    tkFloat,
    tkString,
    tkSet,
    tkClass,
    tkMethod,
    tkLString
};

struct TPropInfo {
    std::string Name;
    TTypeKind Kind = TTypeKind::tkInteger;
    // Ordinal kinds (integer, character, enumeration, set as its bit mask).
    std::function<std::int64_t(const TObject*)> GetOrd;
    std::function<void(TObject*, std::int64_t)> SetOrd;
    std::function<double(const TObject*)> GetFloat;
    std::function<void(TObject*, double)> SetFloat;
    std::function<std::string(const TObject*)> GetStr;
    std::function<void(TObject*, const std::string&)> SetStr;
    // Class kind: the object the property holds (a persistent it owns, or a component it refers to).
    std::function<TObject*(const TObject*)> GetObject;
    std::function<void(TObject*, TObject*)> SetObject;
    // The declared default of an ordinal property; none means the value is always stored.
    std::optional<std::int64_t> Default;
    // Empty: always stored.
    std::function<bool(const TObject*)> Stored;

    bool HasSetter() const { return SetOrd || SetFloat || SetStr || SetObject; }
    bool IsStored(const TObject* object) const { return !Stored || Stored(object); }
};

using TPropList = std::vector<const TPropInfo*>;

// Registers class C's own published properties (its ancestors' come from their own tables; Parent
// is the nearest registered ancestor, void for none).
void PublishProperties(std::type_index type, std::type_index parent, std::function<bool(const TObject*)> isA,
                       std::vector<TPropInfo> props);
template <class C, class Parent = void> void PublishProperties(std::vector<TPropInfo> props) {
    PublishProperties(
        std::type_index(typeid(C)), std::type_index(typeid(Parent)),
        [](const TObject* o) { return dynamic_cast<const C*>(o) != nullptr; }, std::move(props));
}

// Every published property of the object, ancestors' first, in declaration order.
TPropList GetPropList(const TObject* object);
const TPropInfo* GetPropInfo(const TObject* object, const std::string& name);

// Building a table entry from a getter and a setter (nullptr for a read-only property).
namespace published {

template <class T> constexpr TTypeKind OrdinalKind() {
    if constexpr (std::is_same_v<T, char>)
        return TTypeKind::tkChar;
    else if constexpr (std::is_same_v<T, bool> || std::is_enum_v<T>)
        return TTypeKind::tkEnumeration;
    else
        return TTypeKind::tkInteger;
}

template <class T> struct IsSet : std::false_type {};
template <class E> struct IsSet<TSet<E>> : std::true_type {};

// Get: any callable (const C&) -> value; Set: any callable (C&, value) or nullptr.
template <class C, class Get, class Set>
TPropInfo Property(std::string name, Get get, Set set, std::optional<std::int64_t> def = std::nullopt) {
    using V = std::decay_t<std::invoke_result_t<Get, const C&>>;
    TPropInfo p;
    p.Name = std::move(name);
    p.Default = def;
    constexpr bool hasSet = !std::is_same_v<Set, std::nullptr_t>;
    if constexpr (std::is_same_v<V, std::string>) {
        p.Kind = TTypeKind::tkLString;
        p.GetStr = [get](const TObject* o) { return std::string(get(*static_cast<const C*>(o))); };
        if constexpr (hasSet)
            p.SetStr = [set](TObject* o, const std::string& v) { set(*static_cast<C*>(o), v); };
    } else if constexpr (std::is_floating_point_v<V>) {
        p.Kind = TTypeKind::tkFloat;
        p.GetFloat = [get](const TObject* o) { return static_cast<double>(get(*static_cast<const C*>(o))); };
        if constexpr (hasSet)
            p.SetFloat = [set](TObject* o, double v) { set(*static_cast<C*>(o), static_cast<V>(v)); };
    } else if constexpr (IsSet<V>::value) {
        p.Kind = TTypeKind::tkSet;
        p.GetOrd = [get](const TObject* o) {
            return static_cast<std::int64_t>(get(*static_cast<const C*>(o)).Bits());
        };
        if constexpr (hasSet)
            p.SetOrd = [set](TObject* o, std::int64_t v) {
                set(*static_cast<C*>(o), V::FromBits(static_cast<std::uint64_t>(v)));
            };
    } else if constexpr (std::is_pointer_v<V>) {
        p.Kind = TTypeKind::tkClass;
        p.GetObject = [get](const TObject* o) -> TObject* { return get(*static_cast<const C*>(o)); };
        if constexpr (hasSet)
            p.SetObject = [set](TObject* o, TObject* v) { set(*static_cast<C*>(o), dynamic_cast<V>(v)); };
    } else {
        p.Kind = OrdinalKind<V>();
        p.GetOrd = [get](const TObject* o) {
            return static_cast<std::int64_t>(get(*static_cast<const C*>(o)));
        };
        if constexpr (hasSet)
            p.SetOrd = [set](TObject* o, std::int64_t v) { set(*static_cast<C*>(o), static_cast<V>(v)); };
    }
    return p;
}

// A property held in a public field.
template <class C, class V>
TPropInfo Field(std::string name, V C::*field, std::optional<std::int64_t> def = std::nullopt) {
    return Property<C>(
        std::move(name), [field](const C& c) { return c.*field; },
        [field](C& c, const V& v) { c.*field = v; }, def);
}

} // namespace published
