// The TTY emulator's byte handling, the command interpreter's parameters and attribute commands,
// and the colours a run of cells is drawn in.
#include "communications/VXTrmEmu.h"

#include "platform/ui/SeamRecorder.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct Emulator : ::testing::Test {
    std::unique_ptr<TVxTTYEmulator> emu{new TVxTTYEmulator(nullptr)};
    TVxTerminalBuffer* Buf() { return emu->Buffer(); }
    void Feed(const std::string& bytes) {
        emu->ProcessBlock(bytes.data(), static_cast<int>(bytes.size()), csPort);
    }
    std::string Line(int row, int count = 10) {
        return std::string(static_cast<const char*>(Buf()->GetLineCharPtr(row)), static_cast<std::size_t>(count));
    }
    // Replacements and commands an OnProcessChar handler gives.
    std::function<void(char, std::string&, TVxEmuCommandList*)> handler;
    void OnChar(TObject*, char c, std::string& replace, TVxEmuCommandList* commands, TVxCharSource) {
        handler(c, replace, commands);
    }
    void Hook() { emu->OnProcessChar = TVxOnProcessChar::Bind<&Emulator::OnChar>(this); }
};

TEST_F(Emulator, PrintableBytesAreWrittenAndOnlyFiveControlsAct) {
    const struct {
        std::string in;
        std::string line1, line2;
        int row, col;
    } cases[] = {
        {std::string("A\x1b" "B\x0c\xe9", 5), "AB\xe9       ", "          ", 1, 4},
        {"ab\bc", "ac        ", "          ", 1, 3},
        {"a\tb", "a       b ", "          ", 1, 10},
        {"ab\r\ncd", "ab        ", "cd        ", 2, 3},
        {"ab\ncd", "ab        ", "  cd      ", 2, 5},
        {std::string("\x00\x01\x7f\x1f", 4), "\x7f         ", "          ", 1, 2},
    };
    for (const auto& c : cases) {
        emu.reset(new TVxTTYEmulator(nullptr));
        Feed(c.in);
        EXPECT_EQ(Line(1), c.line1) << c.in;
        EXPECT_EQ(Line(2), c.line2) << c.in;
        EXPECT_EQ(Buf()->tbGetRow(), c.row) << c.in;
        EXPECT_EQ(Buf()->tbGetCol(), c.col) << c.in;
    }
}

TEST_F(Emulator, BellBeeps) {
    TSeamRecorder seam;
    Feed("\a");
    ASSERT_EQ(seam.Of(TSeamRecorder::kBeep).size(), 1u);
    EXPECT_EQ(Line(1, 1), " ");
}

TEST_F(Emulator, OnProcessCharReplacesBytesAndAddsCommands) {
    handler = [](char c, std::string& replace, TVxEmuCommandList* commands) {
        if (c == 'x') replace.clear();
        if (c == 'y') replace = "xy";
        if (c == '!') {
            replace.clear();
            TVxEmuCommandListItem* item = commands->AddCommand(ecCursorPos);
            item->AddNamedIntegerArg("Row", 3);
            item->AddNamedIntegerArg("Col", 4);
            commands->AddCommand(ecAddBold);
        }
    };
    Hook();
    Feed("axby!z");
    EXPECT_EQ(Line(1), "abxy      ");
    EXPECT_EQ(Line(3), "   z      ");
    EXPECT_TRUE(ByteToCharAttrs(Buf()->GetLineAttrPtr(3)[3]).Contains(tcaBold));
}

TEST_F(Emulator, ParametersByExactNameThenPositionThenDefault) {
    TVxEmuCommandListItem item;
    item.AddNamedStringArg("Row", "5");
    item.AddNamedStringArg("Col", "x");
    emu->teProcessCommand(ecCursorPos, item.Params());
    EXPECT_EQ(Buf()->tbGetRow(), 5);
    EXPECT_EQ(Buf()->tbGetCol(), 1);

    TVxEmuCommandParams p;
    TVxEmuCommandParamsItem* a = p.Add();
    a->Name = "scroll";
    a->Value = "yes";
    EXPECT_EQ(p.FindName("Scroll"), -1);
    EXPECT_EQ(p.FindName(""), -1);
    EXPECT_TRUE(p.GetBooleanValue("Scroll", 0, false)); // the positional value
    EXPECT_FALSE(p.GetBooleanValue("Scroll", 1, false)); // no such position: the default
    EXPECT_EQ(p.GetStringValue("scroll", 7, "d"), "yes");

    const struct {
        const char* value;
        bool expected;
    } booleans[] = {{"t", true},   {"TRUE", true},  {"1", true},   {"On", true},   {"yes", true},
                    {"f", false},  {"False", false}, {"0", false}, {"OFF", false}, {"no", false},
                    {"maybe", true}, {"", true}};
    for (const auto& b : booleans) {
        a->Value = b.value;
        EXPECT_EQ(p.GetBooleanValue("scroll", 0, true), b.expected) << b.value;
    }
    a->Value = "-12";
    EXPECT_EQ(p.GetIntegerValue("scroll", 0, 7), -12);
    a->Value = "12x";
    EXPECT_EQ(p.GetIntegerValue("scroll", 0, 7), 7);
    EXPECT_EQ(p.GetTColorValue("scroll", 0, 0x123456), 0x123456);
}

TEST_F(Emulator, AttributeCommandsAddOnlyRemoveAndInvert) {
    using A = TVxTerminalCharAttrs;
    const struct {
        A before;
        TVxEmuCommand command;
        A after;
    } cases[] = {
        {A{tcaUnderline}, ecAddBold, A{tcaBold, tcaUnderline}},
        {A{tcaUnderline}, ecBoldOnly, A{tcaBold}},
        {A{tcaBold, tcaUnderline}, ecRemoveBold, A{tcaUnderline}},
        {A{tcaBold}, ecInvertBold, A{}},
        {A{}, ecInvertInvisible, A{tcaInvisible}},
        {A{tcaBold}, ecReverseOnly, A{tcaReverse}},
        {A{tcaBold}, ecAddSelected, A{tcaBold, tcaSelected}},
        // 73 and 74 do what their names say.
        {A{tcaBold, tcaSelected}, ecRemoveSelected, A{tcaBold}},
        {A{tcaBold}, ecSelectedOnly, A{tcaSelected}},
        {A{tcaBold, tcaSelected}, ecInvertSelected, A{tcaBold}},
        {A{tcaBold, tcaBlink}, ecRemoveAllAttr, A{}},
        {A{tcaBold, tcaSelected}, ecRemoveAllAttrIgnoreSelect, A{tcaSelected}},
        {A{tcaBold}, ecRemoveAllAttrIgnoreSelect, A{}},
    };
    for (const auto& c : cases) {
        Buf()->SetCharAttrs(c.before);
        emu->teProcessCommand(c.command, nullptr);
        EXPECT_EQ(Buf()->GetCharAttrs(), c.after) << c.command;
    }
    TVxEmuCommandListItem set;
    set.AddBooleanArg(true);
    set.AddBooleanArg(false);
    set.AddNamedBooleanArg("Selected", true);
    emu->teProcessCommand(ecSetCharAttr, set.Params());
    // The named one also stands third, where Strikethrough is read from.
    EXPECT_EQ(Buf()->GetCharAttrs(), (A{tcaBold, tcaStrikethrough, tcaSelected}));
}

TEST_F(Emulator, CursorCommandsSaveRestoreAndFill) {
    Buf()->SetCursorPosition(4, 6);
    Buf()->tbSetForeColor(0x0000FF);
    emu->teProcessCommand(ecSaveCursorPos, nullptr);
    emu->teProcessCommand(ecHome, nullptr);
    Buf()->tbSetForeColor(0x00FF00);
    emu->teProcessCommand(ecRestoreCursorPos, nullptr);
    EXPECT_EQ(Buf()->tbGetRow(), 4);
    EXPECT_EQ(Buf()->tbGetCol(), 6);
    EXPECT_EQ(Buf()->ForeColor(), 0x0000FF);

    emu->teProcessCommand(ecDECALN, nullptr);
    EXPECT_EQ(Line(24, 3), "EEE");
    EXPECT_EQ(Buf()->DefAnsiChar(), ' ');
    emu->teProcessCommand(ecCursorEOL, nullptr);
    EXPECT_EQ(Buf()->tbGetCol(), 80);
    emu->teProcessCommand(ecCursorBottom, nullptr);
    EXPECT_EQ(Buf()->tbGetRow(), 24);
    emu->teProcessCommand(ecNEL, nullptr); // scrolls, back to column 1
    EXPECT_EQ(Buf()->tbGetCol(), 1);
    EXPECT_EQ(Line(23, 3), "EEE");
    EXPECT_EQ(Line(24, 3), "   ");
    // Without a terminal a reply goes nowhere and nothing fails.
    emu->teProcessCommand(ecDeviceStatusReport, nullptr);
    emu->teProcessCommand(ecAnswerback, nullptr);
}

TEST(TTYRunColors, ReverseSelectionInvisibleAndBold) {
    const BYTE bold = CharAttrsToByte({tcaBold});
    const struct {
        BYTE attrs;
        TColor text, fill;
    } cases[] = {
        {0, 0x000080, 0x101010},
        {bold, 0x8080FF, 0x101010},
        {CharAttrsToByte({tcaReverse}), 0x101010, 0x000080},
        {CharAttrsToByte({tcaSelected}), 0x101010, 0x000080},
        {CharAttrsToByte({tcaReverse, tcaSelected}), 0x000080, 0x101010},
        {CharAttrsToByte({tcaInvisible, tcaBold}), 0x101010, 0x101010},
        {CharAttrsToByte({tcaBold, tcaReverse}), 0x101010, 0x8080FF},
    };
    for (const auto& c : cases) {
        const TVxRunColors got = TTYRunColors(0x000080, 0x101010, c.attrs);
        EXPECT_EQ(got.Text, c.text) << int(c.attrs);
        EXPECT_EQ(got.Fill, c.fill) << int(c.attrs);
    }
}

} // namespace
