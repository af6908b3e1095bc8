#include "platform/ui/IniFiles.h"

#include "platform/rtl/Lists.h"
#include "platform/rtl/Strings.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <iterator>

#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string Blankless(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && (s[a] == ' ' || s[a] == '\t')) ++a;
    while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
    return s.substr(a, b - a);
}

} // namespace

// --- TIniText ---------------------------------------------------------------------------------------

TIniText::TIniText(const std::string& bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", at);
        if (end == std::string::npos) {
            lines_.push_back(Classify(bytes.substr(at), ""));
            break;
        }
        std::size_t next = end + 1;
        if (bytes[end] == '\r' && next < bytes.size() && bytes[next] == '\n') ++next;
        lines_.push_back(Classify(bytes.substr(at, end - at), bytes.substr(end, next - end)));
        at = next;
    }
}

TIniText::Line TIniText::Classify(std::string text, std::string end) {
    Line line;
    const std::string trimmed = Blankless(text);
    if (!trimmed.empty() && trimmed[0] == '[') {
        const std::size_t close = trimmed.find(']');
        line.kind = Kind::Section;
        line.name = Blankless(trimmed.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    } else if (!trimmed.empty() && trimmed[0] != ';') {
        const std::size_t eq = trimmed.find('=');
        if (eq != std::string::npos && eq > 0) {
            line.kind = Kind::Key;
            line.name = Blankless(trimmed.substr(0, eq));
            line.value = Blankless(trimmed.substr(eq + 1));
            const std::string& v = line.value;
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                line.value = v.substr(1, v.size() - 2);
        }
    }
    line.text = std::move(text);
    line.end = std::move(end);
    return line;
}

std::string TIniText::Bytes() const {
    std::string out;
    for (const Line& l : lines_) out += l.text + l.end;
    return out;
}

int TIniText::FindSection(const std::string& section, std::size_t& end) const {
    const std::string want = Blankless(section);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].kind != Kind::Section || !SameText(lines_[i].name, want)) continue;
        end = i + 1;
        while (end < lines_.size() && lines_[end].kind != Kind::Section) ++end;
        return static_cast<int>(i);
    }
    return -1;
}

int TIniText::FindKey(const std::string& section, const std::string& ident) const {
    std::size_t end = 0;
    const int head = FindSection(section, end);
    if (head < 0) return -1;
    const std::string want = Blankless(ident);
    for (std::size_t i = static_cast<std::size_t>(head) + 1; i < end; ++i)
        if (lines_[i].kind == Kind::Key && SameText(lines_[i].name, want)) return static_cast<int>(i);
    return -1;
}

bool TIniText::Get(const std::string& section, const std::string& ident, std::string& value) const {
    const int i = FindKey(section, ident);
    if (i < 0) return false;
    value = lines_[static_cast<std::size_t>(i)].value;
    return true;
}

void TIniText::Set(const std::string& section, const std::string& ident, const std::string& value) {
    const std::string text = ident + "=" + value;
    if (const int i = FindKey(section, ident); i >= 0) {
        Line& old = lines_[static_cast<std::size_t>(i)];
        old = Classify(text, old.end);
        return;
    }
    // A line added after the last one needs that line to be ended first.
    auto endLast = [this] {
        if (!lines_.empty() && lines_.back().end.empty()) lines_.back().end = "\r\n";
    };
    std::size_t end = 0;
    const int head = FindSection(section, end);
    if (head < 0) {
        endLast();
        lines_.push_back(Classify("[" + section + "]", "\r\n"));
        lines_.push_back(Classify(text, "\r\n"));
        return;
    }
    // After the section's last line that is not blank.
    std::size_t at = end;
    while (at > static_cast<std::size_t>(head) + 1 && Blankless(lines_[at - 1].text).empty()) --at;
    if (at == lines_.size()) endLast();
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Classify(text, "\r\n"));
}

bool TIniText::DeleteKey(const std::string& section, const std::string& ident) {
    const int i = FindKey(section, ident);
    if (i < 0) return false;
    lines_.erase(lines_.begin() + i);
    return true;
}

bool TIniText::EraseSection(const std::string& section) {
    std::size_t end = 0;
    const int head = FindSection(section, end);
    if (head < 0) return false;
    lines_.erase(lines_.begin() + head, lines_.begin() + static_cast<std::ptrdiff_t>(end));
    return true;
}

bool TIniText::HasSection(const std::string& section) const {
    std::size_t end = 0;
    return FindSection(section, end) >= 0;
}

std::vector<std::string> TIniText::Sections() const {
    std::vector<std::string> names;
    for (const Line& l : lines_)
        if (l.kind == Kind::Section) names.push_back(l.name);
    return names;
}

std::vector<std::pair<std::string, std::string>> TIniText::Keys(const std::string& section) const {
    std::vector<std::pair<std::string, std::string>> keys;
    std::size_t end = 0;
    const int head = FindSection(section, end);
    if (head < 0) return keys;
    for (std::size_t i = static_cast<std::size_t>(head) + 1; i < end; ++i)
        if (lines_[i].kind == Kind::Key) keys.emplace_back(lines_[i].name, lines_[i].value);
    return keys;
}

// --- TCustomIniFile -----------------------------------------------------------------------------------

int TCustomIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
    std::string text = ReadString(Section, Ident, "");
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text = "$" + text.substr(2);
    return StrToIntDef(text, Default);
}

void TCustomIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TCustomIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
    WriteString(Section, Ident, Value ? "1" : "0");
}

bool TCustomIniFile::SectionExists(const std::string& Section) {
    TStringList keys;
    ReadSection(Section, &keys);
    return keys.Count() > 0;
}

bool TCustomIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
    TStringList keys;
    ReadSection(Section, &keys);
    for (int i = 0; i < keys.Count(); ++i)
        if (SameText(keys.Strings(i), Ident)) return true;
    return false;
}

// --- TIniFile -----------------------------------------------------------------------------------------

TIniText TIniFile::Load() const {
    std::ifstream in(PosixFileName(FileName()), std::ios::binary);
    return TIniText(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
}

void TIniFile::Save(const TIniText& text) {
    const std::string file = PosixFileName(FileName());
    const std::string temp = file + ".new";
    const std::string bytes = text.Bytes();
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f) ok = std::fflush(f) == 0 && ::fsync(::fileno(f)) == 0 && ok;
    if (f) ok = std::fclose(f) == 0 && ok;
    if (ok) {
        // The new file keeps the old one's permissions.
        struct stat st{};
        if (::stat(file.c_str(), &st) == 0) ::chmod(temp.c_str(), st.st_mode & 07777);
        ok = std::rename(temp.c_str(), file.c_str()) == 0;
    }
    if (!ok) {
        std::remove(temp.c_str());
        throw EIniFileException("Unable to write to " + FileName());
    }
}

std::string TIniFile::ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) {
    std::string value;
    return Load().Get(Section, Ident, value) ? value : Default;
}

void TIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
    TIniText text = Load();
    std::string old;
    if (text.Get(Section, Ident, old) && old == Value) return;
    text.Set(Section, Ident, Value);
    Save(text);
}

void TIniFile::ReadSection(const std::string& Section, TStringList* Strings) {
    if (!Strings) return;
    Strings->Clear();
    for (const auto& [name, value] : Load().Keys(Section)) Strings->Add(name);
}

void TIniFile::ReadSections(TStringList* Strings) {
    if (!Strings) return;
    Strings->Clear();
    for (const std::string& name : Load().Sections()) Strings->Add(name);
}

void TIniFile::ReadSectionValues(const std::string& Section, TStringList* Strings) {
    if (!Strings) return;
    Strings->Clear();
    for (const auto& [name, value] : Load().Keys(Section)) Strings->Add(name + "=" + value);
}

void TIniFile::EraseSection(const std::string& Section) {
    TIniText text = Load();
    if (text.EraseSection(Section)) Save(text);
}

void TIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
    TIniText text = Load();
    if (text.DeleteKey(Section, Ident)) Save(text);
}
