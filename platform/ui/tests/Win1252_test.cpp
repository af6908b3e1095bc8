// The one place where the system's Windows-1252 bytes meet Qt's Unicode text.
#include "platform/ui/Win1252.h"

#include <gtest/gtest.h>

namespace {

TEST(Win1252, EveryByteComesBackUnchanged) {
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    const QString text = Win1252ToQString(all);
    EXPECT_EQ(text.size(), 256);
    EXPECT_EQ(QStringToWin1252(text), all);
}

TEST(Win1252, BytesMapToTheirCharacters) {
    struct Case {
        unsigned char byte;
        char16_t unicode;
    };
    for (const Case& c :
         {Case{0x41, u'A'}, Case{0x80, u'\u20AC'}, Case{0x85, u'\u2026'}, Case{0x8A, u'\u0160'},
          Case{0x92, u'\u2019'}, Case{0x9F, u'\u0178'}, Case{0x81, u'\u0081'}, Case{0xA0, u'\u00A0'},
          Case{0xE9, u'\u00E9'}, Case{0xFF, u'\u00FF'}}) {
        const QString text = Win1252ToQString(std::string(1, static_cast<char>(c.byte)));
        ASSERT_EQ(text.size(), 1);
        EXPECT_EQ(text[0].unicode(), c.unicode) << int(c.byte);
    }
}

TEST(Win1252, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    EXPECT_EQ(QStringToWin1252(QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC \xE2\x86\x92 \xF0\x9F\x99\x82")),
              "Caf\xE9 \x80 ? ?"); // one mark per character, a surrogate pair included
}

} // namespace
