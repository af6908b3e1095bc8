#include "tools/switcher_sim/SwitcherModel.h"

#include <gtest/gtest.h>

#include <set>

using namespace switchersim;

namespace {

// The front panel's reading of a reply, so these tests show the answers survive it: trim, then
// drop up to three bytes after the first '?' and everything before, and the last bytes.
std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return s.substr(b, e - b);
}

std::string PanelCut(const std::string& reply) {
    const std::string s = Trim(reply);
    const size_t q = s.find('?');
    const long i = q == std::string::npos ? 0 : static_cast<long>(q) + 1 + 4;
    const long start = std::max(i, 1L);
    const long count = static_cast<long>(s.size()) - i - 2;
    if (count < 1 || start > static_cast<long>(s.size())) return "";
    return Trim(s.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count)));
}

std::string PanelVersion(const std::string& cut) {
    const size_t p = cut.find("Software");
    const size_t start = (p == std::string::npos ? 0 : p + 1) + 11;
    return start > cut.size() ? "" : Trim(cut.substr(start - 1, 8));
}

std::string ExtractTag(const std::string& text, const std::string& tag) {
    const size_t open = text.find("<" + tag + ">");
    if (open == std::string::npos) return "0";
    const size_t start = open + tag.size() + 2;
    const size_t end = text.find("</" + tag + ">");
    if (end == std::string::npos || end < start) return "";
    return text.substr(start, end - start);
}

std::set<std::string> OnBus(const SwitcherModel& m, bool program) {
    std::set<std::string> on;
    for (const Section& s : m.Sections())
        if (s.Role == Section::Source && (program ? s.Pgm : s.Pvw) == "ON") on.insert(s.Name);
    return on;
}

std::string ExecuteAll(SwitcherModel& m, std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* l : lines) out += m.Execute(l).Bytes;
    return out;
}

} // namespace

TEST(SwitcherModel, IdentifiesItselfAsEachModel) {
    SwitcherModel corvane(Model::CorvaneII), halverin(Model::HalverinII);
    EXPECT_EQ(corvane.Execute("WhoAreYou?").Bytes, "WhoAreYou?\r\n\r\nCorvane II Application\r\n#");
    EXPECT_EQ(halverin.Execute("WhoAreYou?").Bytes, "WhoAreYou?\r\n\r\nHalverin II Application\r\n#");
    EXPECT_EQ(PanelCut(corvane.Execute("WhoAreYou?").Bytes), "Corvane II Application");
    EXPECT_EQ(PanelCut(halverin.Execute("WhoAreYou?").Bytes), "Halverin II Application");
}

TEST(SwitcherModel, ReportsItsSoftwareVersionWhereThePanelReadsIt) {
    SwitcherModel m(Model::HalverinII);
    EXPECT_EQ(m.Execute("Rev").Bytes, "Rev\r\n\r\nSoftware : 1.20.A\r\n#");
    for (const char* v : {"1.20.A", "1.19.Z", "1.3", "10.20.AB"}) {
        ASSERT_TRUE(m.SetVersion(v));
        EXPECT_EQ(PanelVersion(PanelCut(m.Execute("Rev").Bytes)), v);
    }
    for (const char* bad : {"", "1.2\r", "a\nb"}) EXPECT_FALSE(m.SetVersion(bad)) << bad;
    EXPECT_EQ(m.Version(), "10.20.AB");
}

TEST(SwitcherModel, KeyStatusHoldsEverySectionThePanelReads) {
    const struct {
        Model Kind;
        std::vector<std::string> Names;
    } models[] = {
        {Model::CorvaneII,
         {"1", "2", "3", "4", "5", "6", "7", "8", "SDI1", "SDI2", "LOGO", "SPLITLAYER", "LAYERA", "LAYERB"}},
        {Model::HalverinII, {"1", "2", "3", "4", "5", "6", "7", "8", "SDI", "SDI2", "LOGO", "PIP", "KEY"}},
    };
    const std::set<std::string> values{"ON", "OFF", "BLINK", "N/A"};
    for (const auto& c : models) {
        SwitcherModel m(c.Kind);
        const std::string reply = m.Execute("KeyStatus").Bytes;
        ASSERT_EQ(reply.substr(0, 13), "KeyStatus\r\n\r\n");
        ASSERT_EQ(reply.substr(reply.size() - 3), "\r\n#");
        EXPECT_EQ(reply.find('#'), reply.size() - 1) << "a '#' inside would end the panel's reply early";
        EXPECT_EQ(reply.find('?'), std::string::npos) << "a '?' changes how the panel cuts the reply";
        std::string expected = "KeyStatus\r\n\r\n";
        for (const auto& name : c.Names) {
            const Section* s = m.Find(name);
            ASSERT_NE(s, nullptr) << name;
            expected += "<" + name + "><PVW>" + s->Pvw + "</PVW><PGM>" + s->Pgm + "</PGM></" + name + ">\r\n";
            const std::string section = ExtractTag(PanelCut(reply), name);
            EXPECT_TRUE(values.count(ExtractTag(section, "PVW"))) << name;
            EXPECT_TRUE(values.count(ExtractTag(section, "PGM"))) << name;
        }
        EXPECT_EQ(reply, expected + "#");
    }
}

TEST(SwitcherModel, HalverinAnswersItsMissingSecondSdiKeyAsAbsent) {
    SwitcherModel m(Model::HalverinII);
    EXPECT_EQ(m.Find("SDI2")->Pvw, "N/A");
    EXPECT_EQ(m.Find("SDI2")->Pgm, "N/A");
    EXPECT_FALSE(m.Execute("KP SDI2").Known);
    EXPECT_EQ(m.Find("SDI1"), nullptr);
    EXPECT_EQ(m.Find("SDI2")->Pvw, "N/A");
}

// The Corvane II panel paints from program, the Halverin II panel from preview: after a source
// key and its transition the pressed source must be lit where that model's panel looks.
TEST(SwitcherModel, KeyCommandsMoveSourcesAsEachModelDoes) {
    const struct {
        Model Kind;
        std::vector<const char*> Lines;
        std::set<std::string> Pvw, Pgm;
    } cases[] = {
        {Model::CorvaneII, {}, {"2"}, {"1"}},
        {Model::CorvaneII, {"KP 3"}, {"3"}, {"1"}},
        {Model::CorvaneII, {"KP 3", "KP Mix"}, {"1"}, {"3"}},
        {Model::CorvaneII, {"KP 3", "KP CUT"}, {"1"}, {"3"}},
        {Model::CorvaneII, {"KP SDI2", "KP Mix", "KP SDI1", "KP Mix"}, {"SDI2"}, {"SDI1"}},
        // Logo on (last source, LOGO, transition), then off (last source, transition).
        {Model::CorvaneII, {"KP 3", "KP Mix", "KP 3", "KP LOGO", "KP Mix"}, {"3"}, {"LOGO"}},
        {Model::CorvaneII,
         {"KP 3", "KP Mix", "KP 3", "KP LOGO", "KP Mix", "KP 3", "KP Mix"},
         {"LOGO"},
         {"3"}},
        {Model::CorvaneII, {"KP 3", "KP Trans", "KP SDI"}, {"3"}, {"1"}},
        {Model::HalverinII, {}, {"1"}, {"1"}},
        {Model::HalverinII, {"KP 3"}, {"3"}, {"1"}},
        {Model::HalverinII, {"KP 3", "KP Trans"}, {"3"}, {"3"}},
        {Model::HalverinII, {"KP SDI", "KP Trans"}, {"SDI"}, {"SDI"}},
        {Model::HalverinII, {"KP 3", "KP Trans", "KP 3", "KP LOGO", "KP Trans"}, {"LOGO"}, {"LOGO"}},
        {Model::HalverinII, {"KP 3", "KP LOGO", "KP Trans", "KP 3", "KP Trans"}, {"3"}, {"3"}},
        {Model::HalverinII, {"KP 3", "KP Mix", "KP CUT", "KP SDI1"}, {"3"}, {"1"}},
    };
    for (const auto& c : cases) {
        SwitcherModel m(c.Kind);
        std::string trace = ModelName(c.Kind);
        for (const char* l : c.Lines) {
            m.Execute(l);
            trace += std::string(" / ") + l;
        }
        EXPECT_EQ(OnBus(m, false), c.Pvw) << trace;
        EXPECT_EQ(OnBus(m, true), c.Pgm) << trace;
    }
}

TEST(SwitcherModel, TransitionsKeepValuesSetFromOutside) {
    SwitcherModel corvane(Model::CorvaneII);
    ASSERT_TRUE(corvane.SetSection("5", "blink", "n/a"));
    ASSERT_TRUE(corvane.SetSection("6", "BLINK", "OFF"));
    corvane.Execute("KP CUT");
    EXPECT_EQ(corvane.Find("5")->Pvw, "BLINK") << "a bus marked N/A takes no part in a swap";
    EXPECT_EQ(corvane.Find("6")->Pgm, "BLINK");
    EXPECT_FALSE(corvane.SetSection("5", "LIT", "ON"));
    EXPECT_FALSE(corvane.SetSection("PIP", "ON", "ON"));
    EXPECT_FALSE(corvane.SetSection("5", "ON", ""));
}

TEST(SwitcherModel, CorvaneLayerKeys) {
    SwitcherModel m(Model::CorvaneII);
    auto layers = [&] {
        return m.Find("SPLITLAYER")->Pvw + "/" + m.Find("SPLITLAYER")->Pgm + " " + m.Find("LAYERA")->Pvw +
               "/" + m.Find("LAYERA")->Pgm + " " + m.Find("LAYERB")->Pvw + "/" + m.Find("LAYERB")->Pgm;
    };
    EXPECT_EQ(layers(), "OFF/N/A OFF/OFF OFF/OFF");
    m.Execute("KP LAYERA");
    EXPECT_EQ(layers(), "OFF/N/A ON/OFF OFF/OFF");
    m.Execute("KP LAYERB");
    EXPECT_EQ(layers(), "OFF/N/A OFF/OFF ON/OFF") << "without split, one layer at a time";
    m.Execute("KP SPLITLAYER");
    m.Execute("KP LAYERA");
    EXPECT_EQ(layers(), "ON/N/A ON/OFF ON/OFF") << "with split, both";
    m.Execute("KP Mix");
    EXPECT_EQ(layers(), "ON/N/A OFF/ON OFF/ON") << "a transition takes the layers along";
    // What the panel's first-tick sync sends for split on, both layers on program, both off on preview.
    ExecuteAll(m, {"KP CUT", "KP SPLITLAYER", "KP LAYERA"});
    EXPECT_EQ(layers(), "OFF/N/A ON/OFF OFF/OFF");
    m.Execute("KP SPLITLAYER");
    m.Execute("KP LAYERB");
    m.Execute("KP LAYERA");
    EXPECT_EQ(layers(), "ON/N/A OFF/OFF ON/OFF") << "with split, a layer key toggles its own layer";
    m.Execute("KP CLEARLAYER");
    EXPECT_EQ(layers(), "ON/N/A OFF/OFF OFF/OFF");
    EXPECT_FALSE(m.Execute("KP PIP").Known);
    EXPECT_FALSE(m.Execute("PIP 1 1 a a 1 0 0").Known);
}

TEST(SwitcherModel, HalverinLayerKeys) {
    SwitcherModel m(Model::HalverinII);
    EXPECT_EQ(m.Execute("PIP 1 1 a a 1 0 0").Bytes, "PIP 1 1 a a 1 0 0\r\n");
    EXPECT_EQ(m.LayerSetup("PIP"), "1 1 a a 1 0 0");
    m.Execute("KP PIP");
    EXPECT_EQ(m.Find("PIP")->Pvw, "BLINK");
    m.Execute("KP PIP");
    EXPECT_EQ(m.Find("PIP")->Pvw, "BLINK") << "the panel resends it after every pop-up";
    m.Execute("KP Trans");
    EXPECT_EQ(m.Find("PIP")->Pgm, "ON");
    m.Execute("KEY 1 1 a 1 1 1");
    m.Execute("KP KEY");
    EXPECT_EQ(m.LayerSetup("KEY"), "1 1 a 1 1 1");
    EXPECT_EQ(m.Find("KEY")->Pvw, "BLINK");
    EXPECT_EQ(m.Find("PIP")->Pvw, "OFF");
    m.Execute("KP Trans");
    EXPECT_EQ(m.Find("PIP")->Pgm, "OFF");
    EXPECT_EQ(m.Find("KEY")->Pgm, "ON");
    EXPECT_FALSE(m.Execute("KP SPLITLAYER").Known);
}

TEST(SwitcherModel, FreezeAndModesAreKeptWithoutAnswer) {
    SwitcherModel m(Model::CorvaneII);
    EXPECT_EQ(ExecuteAll(m, {"Remote 0", "Lockout 2", "ACQMODE 0", "FREEZ 1 B 1", "FREEZ 1 A 1", "OpMode 2"}),
              "Remote 0\r\nLockout 2\r\nACQMODE 0\r\nFREEZ 1 B 1\r\nFREEZ 1 A 1\r\nOpMode 2\r\n");
    EXPECT_TRUE(m.Frozen('A'));
    EXPECT_TRUE(m.Frozen('B'));
    EXPECT_EQ(m.Setting("REMOTE"), "0");
    EXPECT_EQ(m.Setting("LOCKOUT"), "2");
    EXPECT_EQ(m.Setting("OPMODE"), "2");
    // A cut while frozen still moves the sources underneath.
    ExecuteAll(m, {"KP 5", "KP CUT", "FREEZ 1 A 0"});
    EXPECT_EQ(OnBus(m, true), std::set<std::string>{"5"});
    EXPECT_FALSE(m.Frozen('A'));
    EXPECT_TRUE(m.Frozen('B'));
    for (const char* bad : {"FREEZ 1 C 1", "FREEZ 1 A 2", "FREEZ 1 A"})
        EXPECT_FALSE(m.Execute(bad).Known) << bad;
    EXPECT_TRUE(m.Frozen('B'));
}

TEST(SwitcherModel, CommandWordsIgnoreCaseAndSpacingButEchoAsReceived) {
    SwitcherModel m(Model::HalverinII);
    EXPECT_EQ(m.Execute(" kp   4 ").Bytes, " kp   4 \r\n");
    EXPECT_EQ(OnBus(m, false), std::set<std::string>{"4"});
    EXPECT_EQ(m.Execute("keystatus").Bytes.back(), '#');
    EXPECT_EQ(m.Execute("WHOAREYOU?").Bytes, "WHOAREYOU?\r\n\r\nHalverin II Application\r\n#");
}

TEST(SwitcherModel, UnknownCommandsAreEchoedAndChangeNothing) {
    SwitcherModel m(Model::CorvaneII);
    const std::string before = m.KeyStatusBody();
    for (const char* l : {"Hello", "KP 9", "KP", "KP 1 2", "Rev 2", "KeyStatus now", "WhoAreYou"}) {
        const Answer a = m.Execute(l);
        EXPECT_FALSE(a.Known) << l;
        EXPECT_EQ(a.Bytes, std::string(l) + "\r\n");
    }
    EXPECT_EQ(m.KeyStatusBody(), before);
    EXPECT_EQ(m.Execute("").Bytes, "");
    EXPECT_EQ(m.Execute(" \t ").Bytes, "");
}
