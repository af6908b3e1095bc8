// Published properties: per class, a table of the properties that the filer streams and that the
// settings store saves, each with its kind, its access, its declared default and its stored rule.
// A class registers its own table once (PublishProperties); an object's properties are those of
// the most derived registered class it belongs to, its ancestors' first.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Method.h"
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

// A method pointer of any signature, as an event row hands it over: the TMethod's code as a generic
// function pointer, its object, and the TMethod type it came from.
struct TRawMethod {
    using TCode = void (*)();
    TCode Code = nullptr;
    void* Data = nullptr;
    std::type_index Signature = std::type_index(typeid(void));
};

template <class Sig> TRawMethod ToRawMethod(const TMethod<Sig>& m) {
    return TRawMethod{reinterpret_cast<TRawMethod::TCode>(m.Code), m.Data,
                      std::type_index(typeid(TMethod<Sig>))};
}
// Empty for a method of another signature.
template <class Sig> TMethod<Sig> FromRawMethod(const TRawMethod& m) {
    if (!m.Code || m.Signature != std::type_index(typeid(TMethod<Sig>))) return TMethod<Sig>();
    return TMethod<Sig>(reinterpret_cast<typename TMethod<Sig>::TCode>(m.Code), m.Data);
}

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
    // Method kind (events): the handler, and the TMethod type a handler must have. SetMethod
    // refuses a handler of another signature (EPropertyError) and clears the event for an empty one.
    std::function<TRawMethod(const TObject*)> GetMethod;
    std::function<void(TObject*, const TRawMethod&)> SetMethod;
    std::type_index MethodSignature = std::type_index(typeid(void));
    // The declared default of an ordinal property; none means the value is always stored.
    std::optional<std::int64_t> Default;
    // Empty: always stored.
    std::function<bool(const TObject*)> Stored;

    bool HasSetter() const { return SetOrd || SetFloat || SetStr || SetObject || SetMethod; }
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

// Raised for a handler of the wrong signature given to an event.
class EPropertyError : public Exception {
public:
    using Exception::Exception;
};

// Published methods: a root class (a form, a data module, any component that owns handlers)
// publishes its handler methods by name, so that the filer can store an event as the name of its
// handler and bind it again on reading.
struct TMethodEntry {
    std::string Name;
    TRawMethod::TCode Code = nullptr;
    std::type_index Signature = std::type_index(typeid(void));
};

void PublishMethods(std::type_index type, std::type_index parent, std::function<bool(const TObject*)> isA,
                    std::vector<TMethodEntry> methods);
template <class C, class Parent = void> void PublishMethods(std::vector<TMethodEntry> methods) {
    PublishMethods(
        std::type_index(typeid(C)), std::type_index(typeid(Parent)),
        [](const TObject* o) { return dynamic_cast<const C*>(o) != nullptr; }, std::move(methods));
}

// The method the object's class or an ancestor publishes under the name (case-insensitive; the
// most derived class's first); none when no class of the object publishes it.
std::optional<TMethodEntry> FindPublishedMethod(const TObject* object, const std::string& name);
// The code of the published method of that name, nullptr for none.
TRawMethod::TCode MethodAddress(const TObject* object, const std::string& name);
// The name the object's class or an ancestor publishes the code under; empty for none.
std::string MethodName(const TObject* object, TRawMethod::TCode code);

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
template <class T> struct IsMethod : std::false_type {};
template <class Sig> struct IsMethod<TMethod<Sig>> : std::true_type { using Signature = Sig; };

template <class F> struct MemberMethod;
template <class R, class C, class... Args> struct MemberMethod<R (C::*)(Args...)> {
    using Class = C;
    using Event = TMethod<R(Args...)>;
};
template <class R, class C, class... Args> struct MemberMethod<R (C::*)(Args...) const> {
    using Class = C;
    using Event = TMethod<R(Args...)>;
};

// A published method: PublishMethods<TMyForm, TForm>({Method<&TMyForm::Button1Click>("Button1Click")}).
// Its code is the one TMethod::Bind gives the same member, so a handler assigned in code is found
// by name too.
template <auto MemberFn> TMethodEntry Method(std::string name) {
    using M = MemberMethod<decltype(MemberFn)>;
    using C = typename M::Class;
    const auto bound = M::Event::template Bind<MemberFn, C>(static_cast<C*>(nullptr));
    return TMethodEntry{std::move(name), ToRawMethod(bound).Code, std::type_index(typeid(typename M::Event))};
}

// Get: any callable (const C&) -> value; Set: any callable (C&, value) or nullptr.
template <class C, class Get, class Set>
TPropInfo Property(std::string name, Get get, Set set, std::optional<std::int64_t> def = std::nullopt) {
    using V = std::decay_t<std::invoke_result_t<Get, const C&>>;
    TPropInfo p;
    p.Name = std::move(name);
    p.Default = def;
    constexpr bool hasSet = !std::is_same_v<Set, std::nullptr_t>;
    if constexpr (IsMethod<V>::value) {
        p.Kind = TTypeKind::tkMethod;
        p.MethodSignature = std::type_index(typeid(V));
        p.GetMethod = [get](const TObject* o) { return ToRawMethod(get(*static_cast<const C*>(o))); };
        if constexpr (hasSet)
            p.SetMethod = [set, name = p.Name](TObject* o, const TRawMethod& m) {
                if (m.Code && m.Signature != std::type_index(typeid(V)))
                    throw EPropertyError("Invalid handler for " + name);
                set(*static_cast<C*>(o), FromRawMethod<typename IsMethod<V>::Signature>(m));
            };
    } else if constexpr (std::is_same_v<V, std::string>) {
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

// A property held in a public field of C or of a base class (an event, say: Field<C>("OnClick",
// &C::OnClick)).
template <class C, class V, class B>
requires std::is_base_of_v<B, C> TPropInfo Field(std::string name, V B::*field,
                                                 std::optional<std::int64_t> def = std::nullopt) {
    return Property<C>(
        std::move(name), [field](const C& c) { return c.*field; },
        [field](C& c, const V& v) { c.*field = v; }, def);
}

} // namespace published
