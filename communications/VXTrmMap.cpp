#include "communications/VXTrmMap.h"

#include "platform/rtl/Lists.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"
#include "platform/win/Resources.h"


namespace {

constexpr char kMagic[] = "AHT3";
constexpr std::size_t kMagicLength = 4;

std::string Short(const std::string& S) {
    return S.size() > VxShortStringLength ? S.substr(0, VxShortStringLength) : S;
}

} // namespace

// Reads the records of an "AHT3" blob, never past its end.
class TAht3Reader {
public:
    explicit TAht3Reader(const std::string& Blob) : FBlob(Blob) {}

    // The record count; false when the blob does not start with the magic.
    bool Start(std::uint32_t& Count) {
        if (FBlob.compare(0, kMagicLength, kMagic) != 0 || FBlob.size() < kMagicLength + 4) return false;
        Count = 0;
        for (int i = 0; i < 4; ++i)
            Count |= static_cast<std::uint32_t>(static_cast<unsigned char>(FBlob[kMagicLength + i])) << (8 * i);
        FPos = kMagicLength + 4;
        return true;
    }
    bool Byte(unsigned char& Value) {
        if (FPos >= FBlob.size()) return false;
        Value = static_cast<unsigned char>(FBlob[FPos++]);
        return true;
    }
    bool String(std::string& Value) {
        unsigned char length;
        if (!Byte(length) || FBlob.size() - FPos < length) return false;
        Value.assign(FBlob, FPos, length);
        FPos += length;
        return true;
    }
    // The magic follows the last record.
    bool Finish() const { return FBlob.compare(FPos, kMagicLength, kMagic) == 0; }

private:
    const std::string& FBlob;
    std::size_t FPos = 0;
};

// Collects the records, then writes the file in one piece.
class TAht3Writer {
public:
    explicit TAht3Writer(int Count) {
        FBytes.append(kMagic, kMagicLength);
        for (int i = 0; i < 4; ++i) FBytes += static_cast<char>((static_cast<std::uint32_t>(Count) >> (8 * i)) & 0xFF);
    }
    void Byte(unsigned char Value) { FBytes += static_cast<char>(Value); }
    void String(const std::string& Value) {
        Byte(static_cast<unsigned char>(Value.size()));
        FBytes += Value;
    }
    void Store(const std::string& FileName) {
        FBytes.append(kMagic, kMagicLength);
        TFileStream file(FileName, fmCreate);
        file.WriteBuffer(FBytes.data(), static_cast<std::int32_t>(FBytes.size()));
    }

private:
    std::string FBytes;
};

namespace {

std::string ResourceBytes(HINSTANCE Instance, const std::string& ResName) {
    HRSRC res = FindResource(Instance, ResName, RT_RCDATA);
    if (!res) return {};
    const auto* data = static_cast<const char*>(LockResource(LoadResource(Instance, res)));
    return std::string(data, SizeofResource(Instance, res));
}

// The lines of a text file, trailing blanks removed; raises the stream error when it cannot be read.
std::vector<std::string> TextLines(const std::string& FileName) {
    TStringList list;
    list.LoadFromFile(FileName);
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(list.Count()));
    for (int i = 0; i < list.Count(); ++i) lines.push_back(TrimRight(list.Strings(i)));
    return lines;
}

bool IsBlank(char Ch) { return static_cast<unsigned char>(Ch) <= ' '; }

// The next blank-delimited word from Pos on; empty at the end of the line.
std::string NextWord(const std::string& Line, std::size_t& Pos) {
    while (Pos < Line.size() && IsBlank(Line[Pos])) ++Pos;
    const std::size_t start = Pos;
    while (Pos < Line.size() && !IsBlank(Line[Pos])) ++Pos;
    return Line.substr(start, Pos - start);
}

// A name, bare or in single or double quotes; false when there is none or it is empty.
bool NextName(const std::string& Line, std::size_t& Pos, std::string& Name) {
    while (Pos < Line.size() && IsBlank(Line[Pos])) ++Pos;
    if (Pos < Line.size() && (Line[Pos] == '\'' || Line[Pos] == '"')) {
        const std::size_t close = Line.find(Line[Pos], Pos + 1);
        if (close != std::string::npos) {
            Name = Line.substr(Pos + 1, close - Pos - 1);
            Pos = close + 1;
            return !Name.empty();
        }
    }
    Name = NextWord(Line, Pos);
    return !Name.empty();
}

int HexDigit(char Ch) {
    if (Ch >= '0' && Ch <= '9') return Ch - '0';
    if (Ch >= 'A' && Ch <= 'F') return Ch - 'A' + 10;
    if (Ch >= 'a' && Ch <= 'f') return Ch - 'a' + 10;
    return -1;
}

// A character written as itself or as \x and two hexadecimal digits.
bool NextChar(const std::string& Line, std::size_t& Pos, char& Ch) {
    const std::string word = NextWord(Line, Pos);
    if (word.size() == 1) {
        Ch = word[0];
        return true;
    }
    if (word.size() == 4 && word[0] == '\\' && word[1] == 'x' && HexDigit(word[2]) >= 0 && HexDigit(word[3]) >= 0) {
        Ch = static_cast<char>(HexDigit(word[2]) * 16 + HexDigit(word[3]));
        return true;
    }
    return false;
}

} // namespace

std::uint32_t VxHashString(const std::string& S, std::uint32_t Seed) {
    std::uint32_t h = Seed;
    for (char ch : S) {
        h = (h << 4) + static_cast<unsigned char>(ch);
        const std::uint32_t g = h & 0xF0000000u;
        if (g != 0) h ^= g >> 24;
        h &= ~g;
    }
    return h;
}

// --- TVxHashMapping ---

void TVxHashMapping::LoadFromRes(HINSTANCE Instance, const std::string& ResName) {
    LoadFromBin(ResourceBytes(Instance, ResName));
}

bool TVxHashMapping::LoadFromBin(const std::string& Blob) {
    Clear();
    TAht3Reader reader(Blob);
    std::uint32_t count;
    if (!reader.Start(count)) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!ReadRecord(reader)) {
            Clear();
            return false;
        }
    }
    if (!reader.Finish()) {
        Clear();
        return false;
    }
    return true;
}

void TVxHashMapping::StoreToBinFile(const std::string& FileName) const {
    TAht3Writer writer(FCount);
    WriteRecords(writer);
    writer.Store(FileName);
}

// --- TVxKeyboardMapping ---

TVxKeyboardMapping::TVxKeyboardMapping() = default;

bool TVxKeyboardMapping::Add(const std::string& Key, const std::string& Value) {
    const std::string key = Short(Key);
    auto& bucket = FBuckets[VxHashString(key) % BucketCount];
    for (const TEntry& e : bucket)
        if (e.Key == key) return false;
    bucket.push_back({key, Short(Value)});
    ++FCount;
    return true;
}

std::string TVxKeyboardMapping::Get(const std::string& Key) const {
    const std::string key = Short(Key);
    for (const TEntry& e : FBuckets[VxHashString(key) % BucketCount])
        if (e.Key == key) return e.Value;
    return {};
}

void TVxKeyboardMapping::Clear() {
    for (auto& bucket : FBuckets) bucket.clear();
    FCount = 0;
}

bool TVxKeyboardMapping::ReadRecord(TAht3Reader& Reader) {
    std::string key, value;
    if (!Reader.String(key) || !Reader.String(value)) return false;
    Add(key, value);
    return true;
}

void TVxKeyboardMapping::LoadFromFile(const std::string& FileName) {
    Clear();
    for (const std::string& line : TextLines(FileName)) {
        if (line.empty() || line[0] == '*') continue;
        std::size_t pos = 0;
        const std::string key = NextWord(line, pos);
        const std::string value = NextWord(line, pos);
        if (!value.empty()) Add(key, value);
    }
}

void TVxKeyboardMapping::WriteRecords(TAht3Writer& Writer) const {
    for (const auto& bucket : FBuckets) {
        for (auto e = bucket.rbegin(); e != bucket.rend(); ++e) {
            Writer.String(e->Key);
            Writer.String(e->Value);
        }
    }
}

// --- TVxCharSetMapping ---

TVxCharSetMapping::TVxCharSetMapping() = default;

const TVxCharSetMapping::TEntry* TVxCharSetMapping::Find(const std::string& CharSetName, unsigned char Ch) const {
    for (const TEntry& e : FBuckets[VxHashString(CharSetName, Ch) % BucketCount])
        if (e.Char == Ch && e.CharSetName == CharSetName) return &e;
    return nullptr;
}

bool TVxCharSetMapping::Add(const std::string& CharSetName, char FirstChar, char FirstGlyph,
                            const std::string& FontName, char LastChar) {
    const std::string name = Short(CharSetName);
    const int first = static_cast<unsigned char>(FirstChar);
    const int last = static_cast<unsigned char>(LastChar);
    for (int ch = first; ch <= last; ++ch)
        if (Find(name, static_cast<unsigned char>(ch))) return false;
    const std::string font = Short(FontName);
    unsigned char glyph = static_cast<unsigned char>(FirstGlyph);
    for (int ch = first; ch <= last; ++ch, ++glyph) {
        FBuckets[VxHashString(name, static_cast<std::uint32_t>(ch)) % BucketCount].push_back(
            {name, font, static_cast<unsigned char>(ch), glyph});
        ++FCount;
    }
    return true;
}

void TVxCharSetMapping::Clear() {
    for (auto& bucket : FBuckets) bucket.clear();
    FCount = 0;
    FScriptLength = 0;
    FNextCommand = 0;
}

void TVxCharSetMapping::GenerateDrawScript(const std::string& CharSetName, const std::string& Text) {
    if (Text.empty()) return;
    FScriptLength = 0;
    FNextCommand = 0;
    const std::string name = Short(CharSetName);
    const std::string defaultFont = VxDefaultFontName;
    TDrawCommand* command = nullptr;
    for (char ch : Text) {
        const TEntry* e = Find(name, static_cast<unsigned char>(ch));
        const std::string& font = e ? e->FontName : defaultFont;
        if (!command || command->FontName != font) {
            if (FScriptLength == FScript.size()) FScript.emplace_back();
            command = &FScript[FScriptLength++];
            command->FontName = font;
            command->Text.clear();
        }
        command->Text += e ? static_cast<char>(e->Glyph) : ch;
    }
}

bool TVxCharSetMapping::GetNextDrawCommand(std::string& FontName, std::string& Text) {
    if (FNextCommand >= FScriptLength) return false;
    const TDrawCommand& command = FScript[FNextCommand++];
    FontName = command.FontName;
    Text = command.Text;
    return true;
}

void TVxCharSetMapping::GetFontNames(TStringList* List) const {
    List->Clear();
    for (const auto& bucket : FBuckets) {
        for (auto e = bucket.rbegin(); e != bucket.rend(); ++e) {
            bool listed = false;
            for (int i = 0; i < List->Count() && !listed; ++i) listed = SameText(List->Strings(i), e->FontName);
            if (!listed) List->Add(e->FontName);
        }
    }
}

bool TVxCharSetMapping::ReadRecord(TAht3Reader& Reader) {
    std::string name, font;
    unsigned char ch, glyph;
    if (!Reader.String(name) || !Reader.String(font) || !Reader.Byte(ch) || !Reader.Byte(glyph)) return false;
    Add(name, static_cast<char>(ch), static_cast<char>(glyph), font, static_cast<char>(ch));
    return true;
}

void TVxCharSetMapping::LoadFromFile(const std::string& FileName) {
    Clear();
    for (const std::string& line : TextLines(FileName)) {
        if (line.empty() || !IsBlank(line[0])) continue;
        std::size_t pos = 0;
        std::string name, font;
        char first, last, glyph;
        if (NextName(line, pos, name) && NextChar(line, pos, first) && NextChar(line, pos, last) &&
            NextName(line, pos, font) && NextChar(line, pos, glyph))
            Add(name, first, glyph, font, last);
    }
}

void TVxCharSetMapping::WriteRecords(TAht3Writer& Writer) const {
    for (const auto& bucket : FBuckets) {
        for (auto e = bucket.rbegin(); e != bucket.rend(); ++e) {
            Writer.String(e->CharSetName);
            Writer.String(e->FontName);
            Writer.Byte(e->Char);
            Writer.Byte(e->Glyph);
        }
    }
}
