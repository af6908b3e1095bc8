#include "communications/VxStrMap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <string>

TEST(VxStrMap, TableIsStrictlyAscendingByMagnitude) {
    ASSERT_EQ(std::size(VxMessageNumberLookup), 892u);
    for (int i = 1; i < VxMessageNumberLookupCount; ++i) {
        EXPECT_LT(std::abs(VxMessageNumberLookup[i - 1].Code), std::abs(VxMessageNumberLookup[i].Code)) << i;
    }
    EXPECT_EQ(VxMessageNumberLookup[0].Code, 0);
    EXPECT_EQ(VxMessageNumberLookup[VxMessageNumberLookupCount - 1].Code, 15742);
}

// The search must reach every record, from either sign of its code.
TEST(VxStrMap, EveryRecordIsFoundByItsCodeAndItsNegation) {
    for (const auto& record : VxMessageNumberLookup) {
        EXPECT_EQ(MessageNumberToString(record.Code), record.Text) << record.Code;
        EXPECT_EQ(MessageNumberToString(-record.Code), record.Text) << record.Code;
    }
}

TEST(VxStrMap, TextsAreExact) {
    struct Case {
        int code;
        const char* text;
    };
    const Case cases[] = {
        {0, "OK"},
        {-2, "File not found"},
        {-8, "Insufficient memory"},
        {-162, "General failure"},
        {-1002, "Bad argument passed to function"},
        {-2001, "ie_BadId - Specified comport doesn't exist"},
        {-2011, "The ComNumber property of the TVexComPort has not been set"},
        {-3006, "Output buffer too small for block"},
        {-3007, "Buffer is empty"},
        {-6012, "Cant write file"},
        {-8054, "BMP size exceeds Windows' maxheight of 32767"},
        {4306, "Connected at %d baud"},
        {4707, "File skipped "},
        {4711, "Duplicate block received and ignored "},
        {9001, "Vexo Error"},
        {9004, "Winsock not initialized - %s"},
        {10037, "WSAEALREADY: watch out, Al is ready"},
        {13542, "Ppen change"},
        {13556, "Compltion cancel"},
        {13933, "TAPI disabled for 16-bit environments"},
        {-13933, "TAPI disabled for 16-bit environments"},
        {-13950, "Voice over IP not available (requires Windows 2000 and above)"},
        {15501, "Time      Type      SubType       Data      OtherData"},
        {15502, "--------  --------  ------------  --------  ---------"},
        {15607, "RI "},
        {15703, "Supress Go Ahead"},
        {15707, "Remote Trans & Echo"},
        {15742, "Character Set"},
    };
    for (const auto& c : cases) EXPECT_EQ(MessageNumberToString(c.code), c.text) << c.code;
}

TEST(VxStrMap, CodesWithoutTextGiveEmpty) {
    // Gaps inside families, beyond both ends, the 16-bit limits, and wider values that would wrap
    // onto listed codes (65538 onto 2, -65536 onto 0).
    for (int code : {1, -1, -7, -163, 4729, -4018, 15743, 32767, -32768, 65538, -65536, 1 << 30}) {
        EXPECT_EQ(MessageNumberToString(code), "") << code;
    }
}
