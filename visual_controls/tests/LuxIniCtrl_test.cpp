#include "visual_controls/LuxIniCtrl.h"

#include "platform/rtl/Format.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/Forms.h"
#include "visual_controls/Luxclass.h"
#include "tools/testing/TempHome.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string ReadFile(const std::string& path) {
    std::ifstream in(PosixFileName(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Joined(const TStringList& list) {
    std::string out;
    for (int i = 0; i < list.Count(); ++i) out += (i ? "|" : "") + list.Strings(i);
    return out;
}

class LuxIniCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitLuxclass();
        Application->SetTitle("Panel");
    }
    void TearDown() override { DoneLuxclass(); }
    TempHome home;
    TLuxIniCtrl store{nullptr};
};

} // namespace

TEST_F(LuxIniCtrlTest, SectionMapping) {
    struct Case {
        TLuxIniTarget target;
        bool common, netUser;
        const char* user;
        const char* section;
        std::string mapped;
    };
    const std::string me = store.GetNetUserName();
    const Case cases[] = {
        {itIniFile, true, false, "U", "S", "S"},   {itIniFile, false, false, "U", "S", "U.S"},
        {itIniFile, false, true, "U", "S", me + ".S"}, {itRegistry, false, false, "U", "S", "S"},
        {itAuto, true, false, "", "#ROOT", ""},    {itIniFile, true, false, "", "#ROOT", "#ROOT"},
    };
    for (const Case& c : cases) {
        TLuxIniCtrl s(nullptr);
        s.SetTarget(c.target);
        s.Common = c.common;
        s.SetNetUser(c.netUser);
        if (!c.netUser) s.User = c.user;
        EXPECT_EQ(s.GetSectionName(c.section), c.mapped) << c.section;
        EXPECT_EQ(s.Section(), c.mapped) << "becomes the current section";
        EXPECT_EQ(s.GetSectionName(" "), c.mapped.empty() ? "Common" : c.mapped) << "blank: the current one";
    }
    TLuxIniCtrl fresh(nullptr);
    EXPECT_EQ(fresh.GetSectionName(""), "Common");
    EXPECT_EQ(fresh.Section(), "");
}

TEST_F(LuxIniCtrlTest, DefaultsGoToTheApplicationsKeyAndWindowsDirectory) {
    store.WriteString("", "Name", "x");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Panel\\Common"));
    EXPECT_EQ(reg.ReadString("Name"), "x");
    store.WriteInteger("#ROOT", "Top", 5);
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Panel"));
    EXPECT_EQ(reg.ReadString("Top"), "5") << "the key itself";
    EXPECT_EQ(store.ReadInteger("#ROOT", "Top", 0), 5);

    store.SetTarget(itIniFile);
    const std::string exe = ExtractFileName(ChangeFileExt(Application->ExeName(), ".INI"));
    EXPECT_EQ(store.GetIniName(), home.Vexo() + "\\" + exe);
    store.WriteString("S", "k", "v");
    EXPECT_EQ(ReadFile(home.Vexo() + "/" + exe), "[S]\r\nk=v\r\n");
    store.SetIniFile(home.Path() + "/own");
    EXPECT_EQ(store.IniFile(), home.Path() + "/own.INI");
    store.IniPrefix = ppFixed;
    EXPECT_EQ(store.GetIniName(), home.Path() + "/own.INI");
    store.Common = false;
    store.User = "Ann";
    store.WriteString("S", "k", "w");
    EXPECT_EQ(ReadFile(home.Path() + "/own.INI"), "[Ann.S]\r\nk=w\r\n");
}

TEST_F(LuxIniCtrlTest, RoundTripsInBothStores) {
    for (TLuxIniTarget target : {itRegistry, itIniFile}) {
        SCOPED_TRACE(target == itIniFile ? "INI file" : "registry");
        store.SetTarget(target);
        store.IniPrefix = ppFixed;
        store.SetIniFile(home.Path() + "/rt.ini");
        store.WriteBool("S", "b", true);
        store.WriteInteger("S", "i", -7);
        store.WriteColor("S", "c", clBtnFace);
        store.WritePoint("S", "p", Point(3, -4));
        store.WriteRect("S", "r", Rect(1, 2, 3, 4));
        const TDateTime when = EncodeDate(2026, 12, 10) + EncodeTime(18, 5, 9, 0);
        store.WriteDateTime("S", "dt", when);
        store.WriteDate("S", "d", when);
        store.WriteTime("S", "t", when);
        store.WriteFloat("S", "f", 4.25);
        TFont font;
        font.SetName("Courier");
        font.SetStyle({fsItalic});
        store.WriteFont("S", "font", &font);
        EXPECT_TRUE(store.ReadBool("S", "b", false));
        EXPECT_EQ(store.ReadInteger("S", "i", 0), -7);
        EXPECT_EQ(store.ReadString("S", "c", ""), "clBtnFace");
        EXPECT_EQ(store.ReadColor("S", "c", clRed), clBtnFace);
        EXPECT_EQ(store.ReadColor("S", "none", clRed), clRed);
        EXPECT_EQ(store.ReadPoint("S", "p", Point(0, 0)), Point(3, -4));
        EXPECT_EQ(store.ReadRect("S", "r", TRect()), Rect(1, 2, 3, 4));
        EXPECT_EQ(store.ReadString("S", "dt", ""), "2026-12-10 18:05:09");
        EXPECT_EQ(store.ReadString("S", "f", ""), "4.25");
        EXPECT_DOUBLE_EQ(store.ReadDateTime("S", "dt", 0), when);
        EXPECT_DOUBLE_EQ(store.ReadDate("S", "d", 0), EncodeDate(2026, 12, 10));
        EXPECT_NEAR(store.ReadTime("S", "t", 0), EncodeTime(18, 5, 9, 0), 1e-9);
        EXPECT_DOUBLE_EQ(store.ReadFloat("S", "f", 0), 4.25);
        EXPECT_DOUBLE_EQ(store.ReadFloat("S", "missing", 1.5), 1.5);
        // The locale's own form reads too.
        store.WriteString("S", "local", DateToStr(EncodeDate(2001, 2, 3)));
        EXPECT_DOUBLE_EQ(store.ReadDate("S", "local", 0), EncodeDate(2001, 2, 3));
        store.WriteString("S", "bad", "soon");
        EXPECT_THROW(store.ReadDate("S", "bad", 0), EConvertError);
        TFont back;
        EXPECT_TRUE(store.ReadFont("S", "font", &back));
        EXPECT_EQ(back.Name(), "Courier");
        EXPECT_EQ(back.Style(), TFontStyles{fsItalic});
        back.SetName("Kept");
        EXPECT_FALSE(store.ReadFont("S", "nofont", &back));
        EXPECT_EQ(back.Name(), "Kept");
        TStringList names;
        store.ReadSection("S", &names);
        EXPECT_EQ(names.Count(), 12);
        store.DeleteKey("S", "bad");
        store.ReadSection("S", &names);
        EXPECT_EQ(names.Count(), 11);
        store.EraseSection("S");
        EXPECT_EQ(store.ReadInteger("S", "i", 99), 99);
    }
}

TEST_F(LuxIniCtrlTest, StringListsKeepTheirNeighboursAndEmptyEntries) {
    for (TLuxIniTarget target : {itIniFile, itRegistry}) {
        SCOPED_TRACE(target == itIniFile ? "INI file" : "registry");
        store.SetTarget(target);
        store.IniPrefix = ppFixed;
        store.SetIniFile(home.Path() + "/lists.ini");
        store.WriteString("L", "other", "stays");
        store.WriteString("L", "item19", "old tail");
        TStringList list;
        for (int i = 0; i < 20; ++i) list.Add(i == 3 ? "" : "v" + IntToStr(i));
        store.WriteStrings("L", "item", &list);
        TStringList keys;
        store.ReadSection("L", &keys);
        EXPECT_EQ(keys.Count(), 17) << "16 entries and the neighbour";
        EXPECT_EQ(store.ReadString("L", "other", ""), "stays");
        EXPECT_EQ(store.ReadString("L", "item16", "-"), "-");
        TStringList back;
        store.ReadStrings("L", "item", &back);
        EXPECT_EQ(back.Count(), 16) << "the empty entry 3 does not end the list";
        EXPECT_EQ(back.Strings(3), "");
        EXPECT_EQ(back.Strings(15), "v15");
        store.DeleteKey("L", "item5");
        store.ReadStrings("L", "item", &back);
        EXPECT_EQ(Joined(back), "v0|v1|v2||v4") << "stops at the first missing key";

        store.SetAlphaCounter(true);
        EXPECT_EQ(store.MaxEntries(), 16);
        store.SetMaxEntries(27);
        EXPECT_EQ(store.MaxEntries(), 16) << "no more than the letters";
        store.SetMaxEntries(26);
        TStringList abc;
        for (const char* s : {"a", "b", "c"}) abc.Add(s);
        store.WriteStrings("L", "x", &abc);
        EXPECT_EQ(store.ReadString("L", "xA", ""), "a");
        EXPECT_EQ(store.ReadString("L", "xC", ""), "c");
        EXPECT_EQ(store.ReadString("L", "item0", ""), "v0") << "another list of the section stays";
        store.SetAlphaCounter(false);
        store.SetMaxEntries(16);
        store.EraseSection("L");
    }
}

TEST_F(LuxIniCtrlTest, ColorListsUseTheSectionAsGiven) {
    store.SetTarget(itIniFile);
    store.IniPrefix = ppFixed;
    store.SetIniFile(home.Path() + "/colors.ini");
    store.Common = false;
    store.User = "Ann";
    TStringList colors;
    colors.Add("ColorA=FFFFFF");
    colors.Add("no equals sign");
    colors.Add("ColorB=C0C0C0");
    store.WriteColorList("Custom Colors", &colors);
    EXPECT_EQ(ReadFile(home.Path() + "/colors.ini"), "[Custom Colors]\r\nColorA=FFFFFF\r\nColorB=C0C0C0\r\n");
    TStringList back;
    store.ReadColorList("Custom Colors", &back);
    EXPECT_EQ(Joined(back), "ColorA=FFFFFF|ColorB=C0C0C0");
}

TEST_F(LuxIniCtrlTest, ReadingMakesNoKey) {
    EXPECT_EQ(store.ReadString("S", "x", "d"), "d");
    TStringList sections;
    store.ReadSections(&sections);
    EXPECT_EQ(sections.Count(), 0);
    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists("\\Software\\Panel"));
}
