// Method pointers, as the class library's events hold them: a code address and an object.
// Two method pointers are the same method when their codes are equal; Data tells the objects apart.
//
//   TMethod<void(int)> m = TMethod<void(int)>::Bind<&Port::Changed>(port);
//   if (m) m(5);
#pragma once

#include <utility>

template <typename Sig>
class TMethod;

template <typename R, typename... Args>
class TMethod<R(Args...)> {
public:
    using TCode = R (*)(void*, Args...);

    constexpr TMethod() = default;
    constexpr TMethod(std::nullptr_t) {}
    constexpr TMethod(TCode code, void* data) : Code(code), Data(data) {}

    template <auto MemberFn, typename C>
    static TMethod Bind(C* object) {
        return TMethod(&Thunk<MemberFn, C>, static_cast<void*>(object));
    }

    explicit operator bool() const { return Code != nullptr; }
    bool Assigned() const { return Code != nullptr; }
    R operator()(Args... args) const { return Code(Data, std::forward<Args>(args)...); }

    bool operator==(const TMethod& o) const { return Code == o.Code && Data == o.Data; }
    bool SameCode(const TMethod& o) const { return Code == o.Code; }

    TCode Code = nullptr;
    void* Data = nullptr;

private:
    template <auto MemberFn, typename C>
    static R Thunk(void* data, Args... args) {
        return (static_cast<C*>(data)->*MemberFn)(std::forward<Args>(args)...);
    }
};
