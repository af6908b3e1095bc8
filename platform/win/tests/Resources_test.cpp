#include "platform/win/Resources.h"

#include <gtest/gtest.h>

#include <string>

TEST(Resources, FoundByNameWithoutRegardToCase) {
    for (const char* name : {"Sample_Blob", "SAMPLE_BLOB", "sample_blob"}) {
        HRSRC res = FindResource(HInstance, name, RT_RCDATA);
        ASSERT_NE(res, nullptr) << name;
        const auto* data = static_cast<const char*>(LockResource(LoadResource(HInstance, res)));
        EXPECT_EQ(std::string(data, SizeofResource(HInstance, res)), "built-in bytes\n");
    }
}

TEST(Resources, WrongNameOrTypeIsNotFound) {
    EXPECT_EQ(FindResource(HInstance, "Sample_Blob", RT_BITMAP), nullptr);
    EXPECT_EQ(FindResource(HInstance, "Sample_Blo", RT_RCDATA), nullptr);
    EXPECT_EQ(FindResource(HInstance, "", RT_RCDATA), nullptr);
    EXPECT_EQ(LoadResource(HInstance, nullptr), nullptr);
    EXPECT_EQ(SizeofResource(HInstance, nullptr), 0u);
}
