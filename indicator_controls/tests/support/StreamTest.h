// Shared by the streaming tests of the buttons: a component written and read back by the filer, the
// published properties a stream holds, and the published values a read-back component carries.
#pragma once

#include "platform/rtl/Streams.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>

// Writes the component and reads it back as a new one of the class the stream names; Written
// takes the bytes.
inline std::unique_ptr<TComponent> RoundTrip(TComponent& Component, std::string* Written = nullptr) {
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&Component);
    if (Written) *Written = stream.DataString();
    stream.SetPosition(0);
    return std::unique_ptr<TComponent>(TReader(&stream).ReadRootComponent(nullptr));
}

// The published properties of the object that the stream holds by their own name, in order, each
// followed by a blank: a name is written as its length in four bytes, then its characters.
inline std::string WrittenProperties(const TObject* Object, const std::string& Stream) {
    std::string names;
    for (const TPropInfo* p : GetPropList(Object)) {
        const auto n = static_cast<std::uint32_t>(p->Name.size());
        std::string key = {static_cast<char>(n & 0xFF), static_cast<char>(n >> 8 & 0xFF),
                           static_cast<char>(n >> 16 & 0xFF), static_cast<char>(n >> 24)};
        if (Stream.find(key + p->Name) != std::string::npos) names += p->Name + " ";
    }
    return names;
}

// Every ordinal published property with a declared default, but those in Skip, differs from its
// default in Original and has the same value in Back.
inline void ExpectOrdinalsReadBack(const TObject* Back, const TObject* Original,
                                   const std::set<std::string>& Skip = {}) {
    for (const TPropInfo* p : GetPropList(Original)) {
        if (!p->GetOrd || !p->Default || p->Name == "Tag" || Skip.count(p->Name)) continue;
        EXPECT_NE(p->GetOrd(Original), *p->Default) << p->Name << " left at its default";
        EXPECT_EQ(p->GetOrd(Back), p->GetOrd(Original)) << p->Name;
    }
}
