#include "visual_controls/LuxIniCtrl.h"

#include "platform/rtl/Format.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/Forms.h"
#include "platform/ui/IniFiles.h"
#include "platform/ui/TypInfo.h"
#include "tools/testing/TempHome.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/Luxlabel.h"
#include "visual_controls/Luxpanel.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

// An object with a property of each kind the settings store keeps.
class TIniSample : public TPersistent {
public:
    int Size = 10;
    bool Shown = false;
    double Ratio = 0;
    std::string Label;
    int ReadOnlyCount = 0;
};

namespace {

const bool kSamplePublished = [] {
    using namespace published;
    PublishProperties<TIniSample>({
        Field<TIniSample>("Size", &TIniSample::Size, 10),
        Field<TIniSample>("Shown", &TIniSample::Shown, false),
        Field<TIniSample>("Ratio", &TIniSample::Ratio),
        Field<TIniSample>("Label", &TIniSample::Label),
        Property<TIniSample>(
            "ReadOnlyCount", [](const TIniSample& s) { return s.ReadOnlyCount; }, nullptr, 0),
    });
    return true;
}();

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
        {itIniFile, true, false, "U", "S", "S"},       {itIniFile, false, false, "U", "S", "U.S"},
        {itIniFile, false, true, "U", "S", me + ".S"}, {itRegistry, false, false, "U", "S", "S"},
        {itAuto, true, false, "", "#ROOT", ""},        {itIniFile, true, false, "", "#ROOT", "#ROOT"},
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

TEST_F(LuxIniCtrlTest, ObjectsRoundTripAndAMissingKeyTakesTheDeclaredDefault) {
    const struct {
        TLuxIniTarget target;
        TLuxRegRootKey root;
    } stores[] = {{itIniFile, rpCurrentUser}, {itRegistry, rpCurrentUser}, {itRegistry, rpLocalMachine}};
    for (const auto& where : stores) {
        SCOPED_TRACE(static_cast<int>(where.target) * 10 + static_cast<int>(where.root));
        TLuxIniCtrl s(nullptr);
        s.SetTarget(where.target);
        s.RegRoot = where.root;
        s.SetIniFile(home.Vexo() + "/objects.ini");
        s.IniPrefix = ppFixed;

        TIniSample saved;
        saved.Size = 7;
        saved.Ratio = 2.5;
        saved.Label = "left side";
        saved.ReadOnlyCount = 4;
        s.WriteObject("Sample", &saved);
        TStringList keys;
        s.ReadSectionValues("Sample", &keys);
        EXPECT_EQ(Joined(keys), "Size=7|Ratio=2.5|Label=left side")
            << "defaults, 0, empty texts and read-only properties are not written";

        // Keys not written come back as the declared default; a float or text that is missing
        // keeps what the object holds.
        TIniSample loaded;
        loaded.Shown = true;
        loaded.ReadOnlyCount = 9;
        s.ReadObject("Sample", &loaded);
        EXPECT_EQ(loaded.Size, 7);
        EXPECT_FALSE(loaded.Shown) << "missing: the declared default, as it was when saved";
        EXPECT_EQ(loaded.Ratio, 2.5);
        EXPECT_EQ(loaded.Label, "left side");
        EXPECT_EQ(loaded.ReadOnlyCount, 9);

        TIniSample empty;
        empty.Size = 3;
        empty.Ratio = 1.5;
        empty.Label = "kept";
        s.ReadObject("Nothing", &empty);
        EXPECT_EQ(empty.Size, 10);
        EXPECT_EQ(empty.Ratio, 1.5);
        EXPECT_EQ(empty.Label, "kept");
    }
    // The registry stores went under their own roots.
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\Panel\\Sample"));
    EXPECT_EQ(reg.ReadString("Label"), "left side");
    EXPECT_NE(ReadFile(home.Vexo() + "/objects.ini").find("Ratio=2.5\r\n"), std::string::npos);
}

TEST_F(LuxIniCtrlTest, ItsOwnPropertiesAreAnObjectToo) {
    TLuxIniCtrl subject(nullptr);
    subject.Common = false;
    subject.User = "Ann";
    subject.SetMaxEntries(20);
    subject.SetTarget(itIniFile);
    store.WriteObject("Store", &subject);
    TStringList keys;
    store.ReadSectionValues("Store", &keys);
    EXPECT_EQ(Joined(keys), "Common=0|User=Ann|MaxEntries=20|Target=0");
    TLuxIniCtrl back(nullptr);
    back.SetAlphaCounter(true);
    store.ReadObject("Store", &back);
    EXPECT_FALSE(back.Common);
    EXPECT_EQ(back.User, "Ann");
    EXPECT_FALSE(back.AlphaCounter());
    EXPECT_EQ(back.MaxEntries(), 20);
    EXPECT_EQ(back.Target(), itIniFile);
}

namespace {

struct Clicks {
    int count = 0;
    void Click(TObject*) { ++count; }
};

bool HasKey(const TStringList& keys, const std::string& name) {
    for (int i = 0; i < keys.Count(); ++i)
        if (keys.Names(i) == name) return true;
    return false;
}

} // namespace

TEST_F(LuxIniCtrlTest, ControlsKeepTheirNewlyPublishedValuesAndSkipEventsAndObjects) {
    store.SetTarget(itIniFile);
    store.SetIniFile(home.Vexo() + "/controls.ini");
    store.IniPrefix = ppFixed;
    TForm form(nullptr);
    Clicks clicks;

    auto* label = new TLuxLabel(&form);
    label->SetParent(&form);
    label->SetBiDiMode(bdRightToLeft);
    label->SetDragMode(dmAutomatic);
    label->SetDragKind(dkDock);
    label->SetDragCursor(crHandPoint);
    label->Constraints()->SetMaxWidth(90);
    label->SetCaption("Freeze");
    label->OnClick = TNotifyEvent::Bind<&Clicks::Click>(&clicks);
    store.WriteObject("Label", label);
    TStringList keys;
    store.ReadSectionValues("Label", &keys);
    EXPECT_EQ(keys.Values("BiDiMode"), "1");
    EXPECT_EQ(keys.Values("ParentBiDiMode"), "0");
    EXPECT_EQ(keys.Values("DragMode"), "1");
    EXPECT_EQ(keys.Values("DragKind"), "1");
    EXPECT_EQ(keys.Values("DragCursor"), "-21");
    EXPECT_EQ(keys.Values("Caption"), "Freeze");
    for (const char* skipped :
         {"OnClick", "Constraints", "Font", "Bevel", "FontFX", "PopupMenu", "HelpContext"})
        EXPECT_FALSE(HasKey(keys, skipped)) << skipped;

    auto* back = new TLuxLabel(&form);
    back->SetParent(&form);
    store.ReadObject("Label", back);
    EXPECT_EQ(back->BiDiMode(), bdRightToLeft);
    EXPECT_FALSE(back->ParentBiDiMode());
    EXPECT_EQ(back->DragMode(), dmAutomatic);
    EXPECT_EQ(back->DragKind(), dkDock);
    EXPECT_EQ(back->DragCursor(), crHandPoint);
    EXPECT_EQ(back->Caption(), "Freeze");
    EXPECT_EQ(back->Constraints()->MaxWidth(), 0) << "objects are not the store's";
    EXPECT_FALSE(back->OnClick) << "events are not the store's";

    // The scroll box: Ctl3D is its own again, and the read-only border style is not written.
    auto* box = new TLuxCustomScrollBox(&form);
    box->SetParent(&form);
    box->SetCtl3D(false);
    store.WriteObject("Box", box);
    store.ReadSectionValues("Box", &keys);
    EXPECT_EQ(keys.Values("Ctl3D"), "0");
    EXPECT_FALSE(HasKey(keys, "BorderStyle"));
    EXPECT_FALSE(HasKey(keys, "ParentCtl3D")) << "its declared default";
    auto* other = new TLuxCustomScrollBox(&form);
    other->SetParent(&form);
    store.ReadObject("Box", other);
    EXPECT_FALSE(other->Ctl3D);
    EXPECT_FALSE(other->ParentCtl3D());
}
