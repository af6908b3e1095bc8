#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace switchersim {

enum class Model { CorvaneII, HalverinII };

// "corvane" or "halverin", any case.
std::optional<Model> ParseModel(std::string_view name);
const char* ModelName(Model model);

// One section of the status reply: a key or a layer with its preview and program state, each
// "ON", "OFF", "BLINK" or "N/A".
struct Section {
    enum Kind { Source, Absent, Layer };
    std::string Name;
    Kind Role = Source;
    std::string Pvw;
    std::string Pgm;
};

struct Answer {
    std::string Bytes; // everything the switcher sends back, echo included
    std::string Note;  // what the command did, for the log
    bool Known = false;
};

// The switcher's console: one command line in, the answer out, with the key, layer, Freeze and
// mode state the commands change. No I/O and no time: the transport decides when bytes move.
class SwitcherModel {
public:
    static constexpr const char* DefaultVersion = "1.20.A";

    explicit SwitcherModel(Model model, std::string version = DefaultVersion);

    // line is one command without its line end.
    Answer Execute(std::string_view line);

    Model GetModel() const { return Kind; }
    const std::string& Version() const { return SoftwareVersion; }
    // An empty text, or one holding control characters, could not be read back from the reply.
    static bool ValidVersion(std::string_view version);
    bool SetVersion(std::string_view version);

    const std::vector<Section>& Sections() const { return Status; }
    const Section* Find(std::string_view name) const;
    // Values are "ON", "OFF", "BLINK" or "N/A", any case; false for anything else or an unknown section.
    bool SetSection(std::string_view name, std::string_view pvw, std::string_view pgm);

    bool Frozen(char channel) const;
    // Last argument of "Remote", "Lockout", "ACQMODE", "OpMode" (by upper-case name); empty if never sent.
    std::string Setting(std::string_view name) const;
    // Arguments of the last "PIP ..." / "KEY ..." set-up (Halverin II).
    std::string LayerSetup(std::string_view layer) const;

    std::string KeyStatusBody() const;
    std::string Summary() const;

private:
    Section* FindMutable(std::string_view name);
    bool SelectOnPreview(std::string_view name);
    void Transition();
    bool LayerKey(std::string_view word);
    std::string ExecuteKey(std::string_view word, bool& known);

    Model Kind;
    std::string SoftwareVersion;
    std::vector<Section> Status;
    bool FreezeA = false;
    bool FreezeB = false;
    std::map<std::string, std::string, std::less<>> Settings;
    std::map<std::string, std::string, std::less<>> LayerSetups;
};

} // namespace switchersim
