#include "tools/switcher_sim/SwitcherModel.h"

#include <algorithm>
#include <cctype>

namespace switchersim {

namespace {

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::vector<std::string> Words(std::string_view line) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.emplace_back(line.substr(start, i - start));
    }
    return words;
}

std::optional<std::string> StateValue(std::string_view text) {
    std::string v = Upper(text);
    if (v == "ON" || v == "OFF" || v == "BLINK" || v == "N/A") return v;
    return std::nullopt;
}

const char* const Crlf = "\r\n";

} // namespace

std::optional<Model> ParseModel(std::string_view name) {
    const std::string n = Upper(name);
    if (n == "CORVANE") return Model::CorvaneII;
    if (n == "HALVERIN") return Model::HalverinII;
    return std::nullopt;
}

const char* ModelName(Model model) {
    return model == Model::CorvaneII ? "Corvane II" : "Halverin II";
}

SwitcherModel::SwitcherModel(Model model, std::string version)
    : Kind(model), SoftwareVersion(std::move(version)) {
    for (int n = 1; n <= 8; ++n) Status.push_back({std::to_string(n), Section::Source, "OFF", "OFF"});
    if (Kind == Model::CorvaneII) {
        Status.push_back({"SDI1", Section::Source, "OFF", "OFF"});
        Status.push_back({"SDI2", Section::Source, "OFF", "OFF"});
    } else {
        // The Halverin II has one SDI key; the panel's second SDI slot answers as absent.
        Status.push_back({"SDI", Section::Source, "OFF", "OFF"});
        Status.push_back({"SDI2", Section::Absent, "N/A", "N/A"});
    }
    Status.push_back({"LOGO", Section::Source, "OFF", "OFF"});
    if (Kind == Model::CorvaneII) {
        Status.push_back({"SPLITLAYER", Section::Layer, "OFF", "N/A"});
        Status.push_back({"LAYERA", Section::Layer, "OFF", "OFF"});
        Status.push_back({"LAYERB", Section::Layer, "OFF", "OFF"});
        // A mix swaps the buses, so the next source waits on preview.
        Status[0].Pgm = "ON";
        Status[1].Pvw = "ON";
    } else {
        Status.push_back({"PIP", Section::Layer, "OFF", "OFF"});
        Status.push_back({"KEY", Section::Layer, "OFF", "OFF"});
        Status[0].Pgm = "ON";
        Status[0].Pvw = "ON";
    }
}

bool SwitcherModel::ValidVersion(std::string_view version) {
    return !version.empty() && std::none_of(version.begin(), version.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
}

bool SwitcherModel::SetVersion(std::string_view version) {
    if (!ValidVersion(version)) return false;
    SoftwareVersion = version;
    return true;
}

const Section* SwitcherModel::Find(std::string_view name) const {
    auto it = std::find_if(Status.begin(), Status.end(), [&](const Section& s) { return s.Name == name; });
    return it == Status.end() ? nullptr : &*it;
}

Section* SwitcherModel::FindMutable(std::string_view name) {
    return const_cast<Section*>(Find(name));
}

bool SwitcherModel::SetSection(std::string_view name, std::string_view pvw, std::string_view pgm) {
    Section* s = FindMutable(Upper(name));
    const auto v = StateValue(pvw);
    const auto p = StateValue(pgm);
    if (!s || !v || !p) return false;
    s->Pvw = *v;
    s->Pgm = *p;
    return true;
}

bool SwitcherModel::Frozen(char channel) const {
    return (channel == 'A' || channel == 'a')   ? FreezeA
           : (channel == 'B' || channel == 'b') ? FreezeB
                                                : false;
}

std::string SwitcherModel::Setting(std::string_view name) const {
    auto it = Settings.find(name);
    return it == Settings.end() ? std::string() : it->second;
}

std::string SwitcherModel::LayerSetup(std::string_view layer) const {
    auto it = LayerSetups.find(layer);
    return it == LayerSetups.end() ? std::string() : it->second;
}

std::string SwitcherModel::KeyStatusBody() const {
    std::string body;
    for (const Section& s : Status) {
        body += "<" + s.Name + "><PVW>" + s.Pvw + "</PVW><PGM>" + s.Pgm + "</PGM></" + s.Name + ">" + Crlf;
    }
    return body;
}

std::string SwitcherModel::Summary() const {
    std::string pvw, pgm, layers;
    for (const Section& s : Status) {
        if (s.Role == Section::Source) {
            if (s.Pvw != "OFF") pvw += " " + s.Name + (s.Pvw == "ON" ? "" : "(" + s.Pvw + ")");
            if (s.Pgm != "OFF") pgm += " " + s.Name + (s.Pgm == "ON" ? "" : "(" + s.Pgm + ")");
        } else if (s.Role == Section::Layer) {
            layers += " " + s.Name + " " + s.Pvw + "/" + s.Pgm;
        }
    }
    return "PVW" + (pvw.empty() ? std::string(" -") : pvw) + ", PGM" +
           (pgm.empty() ? std::string(" -") : pgm) + "," + layers;
}

bool SwitcherModel::SelectOnPreview(std::string_view name) {
    const Section* target = Find(name);
    if (!target || target->Role != Section::Source) return false;
    for (Section& s : Status)
        if (s.Role == Section::Source) s.Pvw = (s.Name == name) ? "ON" : "OFF";
    return true;
}

void SwitcherModel::Transition() {
    for (Section& s : Status) {
        if (s.Role == Section::Absent || s.Pvw == "N/A" || s.Pgm == "N/A") continue;
        if (Kind == Model::CorvaneII) {
            // Mix and cut swap the buses: what was on program waits on preview.
            std::swap(s.Pvw, s.Pgm);
        } else if (s.Role == Section::Source) {
            // A Halverin II transition takes preview to program and leaves preview as it was.
            s.Pgm = s.Pvw;
        } else {
            s.Pgm = (s.Pvw == "ON" || s.Pvw == "BLINK") ? "ON" : "OFF";
        }
    }
}

bool SwitcherModel::LayerKey(std::string_view word) {
    if (Kind == Model::CorvaneII) {
        Section* split = FindMutable("SPLITLAYER");
        Section* a = FindMutable("LAYERA");
        Section* b = FindMutable("LAYERB");
        if (word == "SPLITLAYER") {
            split->Pvw = split->Pvw == "ON" ? "OFF" : "ON";
        } else if (word == "LAYERA" || word == "LAYERB") {
            Section* self = word == "LAYERA" ? a : b;
            Section* other = word == "LAYERA" ? b : a;
            if (split->Pvw == "ON") {
                // Split: both layers may be up, each key toggles its own.
                self->Pvw = self->Pvw == "ON" ? "OFF" : "ON";
            } else {
                self->Pvw = "ON";
                other->Pvw = "OFF";
            }
        } else if (word == "CLEARLAYER") {
            a->Pvw = "OFF";
            b->Pvw = "OFF";
        } else {
            return false;
        }
        return true;
    }
    if (word == "PIP" || word == "KEY") {
        // Selecting a layer again keeps it selected: the panel resends it after every pop-up.
        FindMutable("PIP")->Pvw = word == "PIP" ? "BLINK" : "OFF";
        FindMutable("KEY")->Pvw = word == "KEY" ? "BLINK" : "OFF";
        return true;
    }
    return false;
}

std::string SwitcherModel::ExecuteKey(std::string_view word, bool& known) {
    known = true;
    const bool corvane = Kind == Model::CorvaneII;
    if ((corvane && (word == "MIX" || word == "CUT")) || (!corvane && word == "TRANS")) {
        Transition();
        return "transition";
    }
    if (SelectOnPreview(word)) return "preview " + std::string(word);
    if (LayerKey(word)) return "layer key " + std::string(word);
    known = false;
    return "no such key";
}

Answer SwitcherModel::Execute(std::string_view line) {
    Answer a;
    const std::vector<std::string> words = Words(line);
    if (words.empty()) return a;
    a.Bytes = std::string(line) + Crlf;
    const std::string cmd = Upper(words[0]);
    const size_t args = words.size() - 1;
    std::string body;
    bool query = false;
    a.Known = true;

    if (cmd == "WHOAREYOU?" && args == 0) {
        query = true;
        body = std::string(ModelName(Kind)) + " Application" + Crlf;
        a.Note = "identification";
    } else if (cmd == "REV" && args == 0) {
        query = true;
        body = "Software : " + SoftwareVersion + Crlf;
        a.Note = "software version " + SoftwareVersion;
    } else if (cmd == "KEYSTATUS" && args == 0) {
        query = true;
        body = KeyStatusBody();
        a.Note = "key status: " + Summary();
    } else if ((cmd == "REMOTE" || cmd == "LOCKOUT" || cmd == "ACQMODE" || cmd == "OPMODE") && args == 1) {
        Settings[cmd] = words[1];
        a.Note = cmd + " " + words[1];
    } else if (cmd == "FREEZ" && args == 3 && (Upper(words[2]) == "A" || Upper(words[2]) == "B") &&
               (words[3] == "0" || words[3] == "1")) {
        (Upper(words[2]) == "A" ? FreezeA : FreezeB) = words[3] == "1";
        a.Note = std::string("freeze A ") + (FreezeA ? "on" : "off") + ", B " + (FreezeB ? "on" : "off");
    } else if (cmd == "KP" && args == 1) {
        a.Note = "KP " + words[1] + ": " + ExecuteKey(Upper(words[1]), a.Known);
        if (a.Known) a.Note += "; " + Summary();
    } else if (Kind == Model::HalverinII && (cmd == "PIP" || cmd == "KEY") && args > 0) {
        std::string params;
        for (size_t i = 1; i < words.size(); ++i) params += (i > 1 ? " " : "") + words[i];
        LayerSetups[cmd] = params;
        a.Note = cmd + " set-up " + params;
    } else {
        a.Known = false;
        a.Note = "unknown command, ignored";
    }
    if (query) a.Bytes += Crlf + body + "#";
    return a;
}

} // namespace switchersim
