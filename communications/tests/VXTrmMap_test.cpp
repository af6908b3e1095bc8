#include "communications/VXTrmMap.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/tests/support/TempDir.h"
#include "platform/win/Resources.h"
#include "tools/testing/SourceTree.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct KeyPair {
    std::string key, value;
};

std::string Blob(const std::vector<KeyPair>& pairs) {
    std::string b = "AHT3";
    const auto n = static_cast<std::uint32_t>(pairs.size());
    for (int i = 0; i < 4; ++i) b += static_cast<char>((n >> (8 * i)) & 0xFF);
    for (const auto& p : pairs) {
        b += static_cast<char>(p.key.size()) + p.key;
        b += static_cast<char>(p.value.size()) + p.value;
    }
    return b + "AHT3";
}

std::vector<std::string> FontNames(const TVxCharSetMapping& map) {
    TStringList list;
    map.GetFontNames(&list);
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i) names.push_back(list.Strings(i));
    return names;
}

// The draw script as "font:text" items.
std::vector<std::string> Script(TVxCharSetMapping& map, const std::string& set, const std::string& text) {
    map.GenerateDrawScript(set, text);
    std::vector<std::string> commands;
    std::string font, chars;
    while (map.GetNextDrawCommand(font, chars)) commands.push_back(font + ":" + chars);
    return commands;
}

} // namespace

TEST(VXTrmMap, BuiltInResourcesFoundWithoutRegardToCase) {
    TVxKeyboardMapping keys;
    keys.LoadFromRes(HInstance, "VXVT100KeyMap");
    EXPECT_EQ(keys.Count(), 221);
    keys.LoadFromRes(HInstance, "vxvt100keymap");
    EXPECT_EQ(keys.Count(), 221);
    TVxCharSetMapping sets;
    sets.LoadFromRes(HInstance, "VXVT100CharSet");
    EXPECT_EQ(sets.Count(), 603);

    keys.LoadFromRes(HInstance, "VXVT100NoSuchMap");
    EXPECT_EQ(keys.Count(), 0);
    sets.LoadFromRes(HInstance, "VXVT100KeyMap"); // a key map read as character sets
    EXPECT_EQ(sets.Count(), 0);
}

// Key code, then the key name with its modifiers, then the terminal key with the mode's digit.
TEST(VXTrmMap, ThreeLayerKeyLookup) {
    TVxKeyboardMapping map;
    map.LoadFromRes(HInstance, "VXVT100KeyMap");
    auto send = [&](const std::string& code, const std::string& modifiers, char cursorDigit, char keypadDigit) {
        const std::string name = map.Get(code);
        if (name.empty()) return std::string("<no name>");
        std::string key = map.Get(modifiers + name);
        if (key.empty()) return name + " unhandled";
        if (key.back() == 'c') key.back() = cursorDigit;
        else if (key.back() == 'k') key.back() = keypadDigit;
        return map.Get(key);
    };
    struct Case {
        const char* code;
        const char* modifiers;
        char cursor, keypad;
        std::string sent;
    };
    const Case cases[] = {
        {"\\x26", "", '1', '5', "\\e[A"},
        {"\\x26", "", '2', '5', "\\eOA"},
        {"\\x25", "", '0', '3', "\\eD"},
        {"\\x26", "shift+", '1', '5', "VK_UP unhandled"},
        {"\\x2E", "", '1', '5', "VK_DELETE unhandled"},
        {"\\x2e", "", '1', '5', "<no name>"},
        {"\\x41", "", '1', '5', "VK_A unhandled"},
        {"\\x2A", "", '1', '5', "<no name>"},
        {"\\x90", "", '1', '5', "\\eOP"},
        {"\\x70", "", '1', '3', "\\eP"},
        {"\\x73", "", '1', '6', "\\eOS"},
        {"\\x65", "", '1', '4', "\\e?u"},
        {"\\x65", "", '1', '5', "5"},
        {"\\x65", "", '1', '6', "\\eOu"},
        {"\\x6E", "ctrl+", '1', '6', "\\eOl"},
        {"\\x6E", "", '1', '3', "."},
        {"\\x6B", "", '1', '6', "\\eOm"},
        {"\\x2B", "", '1', '5', "\\x0D"},
        {"\\x2B", "", '1', '4', "\\e?M"},
        {"\\x2B", "shift+", '1', '5', "\\x0A"},
        {"\\x0D", "shift+", '1', '5', "\\x0A"},
        {"\\x0D", "", '1', '5', "VK_RETURN unhandled"},
        {"\\x08", "", '1', '5', "\\x7F"},
        {"\\x08", "shift+", '1', '5', "\\x08"},
        {"\\x7A", "", '1', '5', "\\x08"},
        {"\\x20", "ctrl+", '1', '5', "\\x00"},
        {"\\x87", "", '1', '5', "VK_F24 unhandled"},
        {"\\x91", "", '1', '5', "VK_SCROLL unhandled"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(send(c.code, c.modifiers, c.cursor, c.keypad), c.sent) << c.modifiers << c.code;
}

TEST(VXTrmMap, AddRefusesDuplicates) {
    TVxKeyboardMapping keys;
    EXPECT_TRUE(keys.Add("DEC_BS", "\\x08"));
    EXPECT_FALSE(keys.Add("DEC_BS", "\\x7F"));
    EXPECT_EQ(keys.Get("DEC_BS"), "\\x08");
    EXPECT_EQ(keys.Count(), 1);
    EXPECT_EQ(keys.Get("dec_bs"), "");

    TVxCharSetMapping sets;
    EXPECT_TRUE(sets.Add("VT100-UK", 'B', 'b', "<Default>", 'B'));
    EXPECT_FALSE(sets.Add("VT100-UK", 'A', 'a', "<Default>", 'C'));
    EXPECT_EQ(sets.Count(), 1);
    EXPECT_TRUE(sets.Add("VT100-ROM1", 'A', 'a', "<Default>", 'C')); // another set
    EXPECT_TRUE(sets.Add("VT100-UK", '\xFE', '\x01', "Terminal", '\xFF'));
    EXPECT_EQ(sets.Count(), 6);
    EXPECT_EQ(Script(sets, "VT100-ROM1", "ABC"), std::vector<std::string>{"<Default>:abc"});
    EXPECT_EQ(Script(sets, "VT100-UK", "\xFF"), std::vector<std::string>{"Terminal:\x02"});
}

TEST(VXTrmMap, ShortStringsAreCut) {
    TVxKeyboardMapping keys;
    const std::string longKey(70, 'k');
    EXPECT_TRUE(keys.Add(longKey, std::string(70, 'v')));
    EXPECT_FALSE(keys.Add(longKey.substr(0, 63) + "other", "x"));
    EXPECT_EQ(keys.Get(longKey.substr(0, 63)), std::string(63, 'v'));
}

TEST(VXTrmMap, DrawScripts) {
    TVxCharSetMapping map;
    map.LoadFromRes(HInstance, "VXVT100CharSet");
    using V = std::vector<std::string>;
    EXPECT_EQ(Script(map, "VT100-linedraw", "lqk"), V{"Terminal:\xDA\xC4\xBF"});
    EXPECT_EQ(Script(map, "VT100-USASCII", "ab"), V{"<Default>:ab"});
    // The pound sign is the OEM face's, whatever the terminal's own font.
    EXPECT_EQ(Script(map, "VT100-UK", "#1"), (V{"Terminal:\x9C", "<Default>:1"}));
    EXPECT_EQ(Script(map, "VT100-USASCII", "a\xC4\xDB" "b"), (V{"<Default>:a", "Terminal:\xC4\xDB", "<Default>:b"}));
    // An unknown set and characters outside a set draw themselves in the terminal's font.
    EXPECT_EQ(Script(map, "VT100-Nowhere", "lqk"), V{"<Default>:lqk"});
    EXPECT_EQ(Script(map, "VT100-UK", std::string("\x01\x7F", 2)), V{std::string("<Default>:\x01\x7F", 12)});
    EXPECT_EQ(Script(map, "VT100-ROM2", "x_~"), V{"Terminal:\xB3\x20\xFA"});

    // An empty text leaves the script as it was; a new one replaces it.
    map.GenerateDrawScript("VT100-linedraw", "qq");
    map.GenerateDrawScript("VT100-linedraw", "");
    std::string font, text;
    ASSERT_TRUE(map.GetNextDrawCommand(font, text));
    EXPECT_EQ(text, "\xC4\xC4");
    EXPECT_FALSE(map.GetNextDrawCommand(font, text));
    map.GenerateDrawScript("VT100-linedraw", "ab");
    map.GenerateDrawScript("VT100-linedraw", "x");
    ASSERT_TRUE(map.GetNextDrawCommand(font, text));
    EXPECT_EQ(text, "\xB3");
    EXPECT_FALSE(map.GetNextDrawCommand(font, text));
}

// The terminal measures its cell with each font in turn; its own font must come last.
TEST(VXTrmMap, FontNamesInBucketOrder) {
    TVxCharSetMapping map;
    map.LoadFromRes(HInstance, "VXVT100CharSet");
    EXPECT_EQ(FontNames(map), (std::vector<std::string>{"Terminal", "<Default>"}));

    // Whatever the order of the records.
    TStringList lines;
    lines.LoadFromFile((SourceTree() / "communications/resources/VXVT100CharSet.txt").string());
    std::string text;
    for (int i = lines.Count() - 1; i >= 0; --i) text += lines.Strings(i) + "\n";
    TempDir dir;
    TempDir::Write(dir.File("reversed.txt"), text);
    TVxCharSetMapping reversed;
    reversed.LoadFromFile(dir.File("reversed.txt"));
    EXPECT_EQ(reversed.Count(), 603);
    EXPECT_EQ(FontNames(reversed), (std::vector<std::string>{"Terminal", "<Default>"}));

    TVxCharSetMapping cased;
    cased.Add("A", 'a', 'a', "Fixed", 'a');
    cased.Add("B", 'a', 'a', "FIXED", 'a');
    EXPECT_EQ(FontNames(cased).size(), 1u);
}

TEST(VXTrmMap, BinaryFileRoundTrip) {
    TempDir dir;
    TVxKeyboardMapping keys;
    keys.LoadFromRes(HInstance, "VXVT100KeyMap");
    keys.StoreToBinFile(dir.File("keys.aht"));
    TVxKeyboardMapping keysBack;
    ASSERT_TRUE(keysBack.LoadFromBin(TempDir::Read(dir.File("keys.aht"))));
    EXPECT_EQ(keysBack.Count(), 221);
    for (const char* k : {"\\x25", "VK_LEFT", "DEC_LEFT1", "ctrl+VK_DECIMAL", "DEC_KP,6", "DEC_NULL"})
        EXPECT_EQ(keysBack.Get(k), keys.Get(k)) << k;

    TVxCharSetMapping sets;
    sets.LoadFromRes(HInstance, "VXVT100CharSet");
    sets.StoreToBinFile(dir.File("sets.aht"));
    const std::string blob = TempDir::Read(dir.File("sets.aht"));
    TVxCharSetMapping setsBack;
    ASSERT_TRUE(setsBack.LoadFromBin(blob));
    EXPECT_EQ(setsBack.Count(), 603);
    for (const char* set : {"VT100-USASCII", "VT100-UK", "VT100-ROM1", "VT100-linedraw", "VT100-ROM2"}) {
        for (int ch = 0; ch < 256; ++ch) {
            const std::string text(1, static_cast<char>(ch));
            EXPECT_EQ(Script(setsBack, set, text), Script(sets, set, text)) << set << " " << ch;
        }
    }

    EXPECT_THROW(keys.StoreToBinFile(dir.File("no/such/dir")), EStreamError);
}

TEST(VXTrmMap, MalformedBlobsGiveAnEmptyMap) {
    const std::string good = Blob({{"DEC_BS", "\\x08"}, {"DEC_DEL", "\\x7F"}});
    std::string wrongCount = good;
    wrongCount[4] = 3;
    std::string hugeCount = good;
    hugeCount[7] = '\x7F';
    std::string longKey = good;
    longKey[8] = '\xFF';
    struct Case {
        const char* what;
        std::string blob;
    };
    const Case cases[] = {
        {"empty", ""},
        {"magic only", "AHT3"},
        {"count cut short", "AHT3\x02\x00"},
        {"other magic", "AHT2" + good.substr(4)},
        {"trailing magic missing", good.substr(0, good.size() - 4)},
        {"trailing magic cut", good.substr(0, good.size() - 1)},
        {"trailing magic wrong", good.substr(0, good.size() - 1) + "4"},
        {"cut inside a record", good.substr(0, 12)},
        {"more records counted than sent", wrongCount},
        {"count beyond the data", hugeCount},
        {"length beyond the data", longKey},
    };
    TVxKeyboardMapping keys;
    ASSERT_TRUE(keys.LoadFromBin(good));
    EXPECT_EQ(keys.Count(), 2);
    for (const auto& c : cases) {
        EXPECT_FALSE(keys.LoadFromBin(c.blob)) << c.what;
        EXPECT_EQ(keys.Count(), 0) << c.what;
        EXPECT_EQ(keys.Get("DEC_BS"), "") << c.what;
    }
    // Bytes after the trailing magic are not read.
    EXPECT_TRUE(keys.LoadFromBin(good + "junk"));

    TVxCharSetMapping sets;
    EXPECT_FALSE(sets.LoadFromBin(std::string("AHT3\x01\x00\x00\x00\x01" "A\x01" "F" "a", 13)));
    EXPECT_EQ(sets.Count(), 0);
    EXPECT_TRUE(sets.LoadFromBin(std::string("AHT3\x01\x00\x00\x00\x01" "A\x01" "F" "ab" "AHT3", 18)));
    EXPECT_EQ(sets.Count(), 1);
}

TEST(VXTrmMap, TextFiles) {
    TempDir dir;
    TempDir::Write(dir.File("keys.txt"), "* a comment\r\n"
                                         "\r\n"
                                         "DEC_BS \\x08   \r\n"
                                         "  VK_UP\tDEC_UPc extra words\r\n"
                                         "lonely\r\n"
                                         "DEC_BS \\x7F\r\n"
                                         " *notacomment value\n");
    TVxKeyboardMapping keys;
    keys.Add("stale", "x");
    keys.LoadFromFile(dir.File("keys.txt"));
    EXPECT_EQ(keys.Count(), 3);
    EXPECT_EQ(keys.Get("DEC_BS"), "\\x08");
    EXPECT_EQ(keys.Get("VK_UP"), "DEC_UPc");
    EXPECT_EQ(keys.Get("*notacomment"), "value");
    EXPECT_EQ(keys.Get("stale"), "");

    TempDir::Write(dir.File("sets.txt"), "not indented A a z <Default> a\n"
                                         " plain a c Font \\x41\n"
                                         " 'quoted set' \\x30 \\x31 \"Courier New\" x\n"
                                         " 'empty' a a '' a\n"
                                         " fewer a a Font\n"
                                         " badchar ab b Font a\n"
                                         " badhex \\xG0 a Font a\n"
                                         " plain b b Again b\n");
    TVxCharSetMapping sets;
    sets.LoadFromFile(dir.File("sets.txt"));
    EXPECT_EQ(sets.Count(), 5);
    EXPECT_EQ(Script(sets, "plain", "abc"), std::vector<std::string>{"Font:ABC"});
    EXPECT_EQ(Script(sets, "quoted set", "01"), std::vector<std::string>{"Courier New:xy"});
    EXPECT_EQ(Script(sets, "empty", "a"), std::vector<std::string>{"<Default>:a"});

    EXPECT_THROW(keys.LoadFromFile(dir.File("missing.txt")), EStreamError);
    EXPECT_THROW(sets.LoadFromFile(dir.File("missing.txt")), EStreamError);
}
