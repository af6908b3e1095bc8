// The VT100 emulator's two tables of data: the key map, which turns key names into other names and
// finally into the characters to send, and the character-set map, which tells for a character of
// a VT100 character set which font and glyph draw it. Both are hash tables of short strings (at
// most 63 characters; longer ones are cut), loaded from built-in resources or text files and stored
// to binary files in the "AHT3" format:
//
//   "AHT3", record count (uint32, little-endian), the records, "AHT3"
//   key-map record:          key, value (each a length byte and its characters)
//   character-set record:    set name, font name (as above), character, glyph (a byte each)
//
// A missing or malformed resource leaves a map empty; nothing raises. A file that cannot be opened
// or written raises the stream error.
#pragma once

#include "platform/ui/Classes.h"
#include "platform/win/Types.h"

#include <cstdint>
#include <string>
#include <vector>

class TStringList;

inline constexpr int VxShortStringLength = 63;

// The font name that stands for the terminal's own font.
inline constexpr const char* VxDefaultFontName = "<Default>";

class TAht3Reader;
class TAht3Writer;

// What both maps share: their entry count and the "AHT3" framing around their records.
class TVxHashMapping : public TObject {
public:
    virtual void Clear() = 0;
    int Count() const { return FCount; }

    // Clears, then reads the RT_RCDATA resource of that name (any case).
    void LoadFromRes(HINSTANCE Instance, const std::string& ResName);
    // Clears, then reads an "AHT3" blob; false (and the map empty) for a malformed one.
    bool LoadFromBin(const std::string& Blob);
    // The records in bucket order.
    void StoreToBinFile(const std::string& FileName) const;

protected:
    virtual bool ReadRecord(TAht3Reader& Reader) = 0;
    virtual void WriteRecords(TAht3Writer& Writer) const = 0;

    int FCount = 0;
};

class TVxKeyboardMapping : public TVxHashMapping {
public:
    static constexpr int BucketCount = 57;

    TVxKeyboardMapping();

    // False when the key is present already; the value it has stays.
    bool Add(const std::string& Key, const std::string& Value);
    // The value, or empty.
    std::string Get(const std::string& Key) const;
    void Clear() override;

    // Clears, then reads "key value" lines; empty lines and lines starting with "*" are skipped.
    void LoadFromFile(const std::string& FileName);

protected:
    bool ReadRecord(TAht3Reader& Reader) override;
    void WriteRecords(TAht3Writer& Writer) const override;

private:
    struct TEntry {
        std::string Key;
        std::string Value;
    };
    // Each bucket lists its entries oldest first; the newest is the front of the bucket.
    std::vector<TEntry> FBuckets[BucketCount];
};

class TVxCharSetMapping : public TVxHashMapping {
public:
    static constexpr int BucketCount = 199;

    TVxCharSetMapping();

    // One entry per character of FirstChar..LastChar, the glyph counting up from FirstGlyph; adds
    // nothing and returns false when any of them is present for that set already.
    bool Add(const std::string& CharSetName, char FirstChar, char FirstGlyph, const std::string& FontName,
             char LastChar);
    void Clear() override;

    // Splits Text into draw commands, each a run of characters drawn with one font: a character
    // the set maps gives its glyph and font, any other itself and "<Default>". An empty text leaves
    // the script as it was.
    void GenerateDrawScript(const std::string& CharSetName, const std::string& Text);
    // False when the script is used up; else hands out (and removes) the next command.
    bool GetNextDrawCommand(std::string& FontName, std::string& Text);
    // Each font name of the map once (names differing only in case count as one), in bucket order.
    void GetFontNames(TStringList* List) const;

    // Clears, then reads the lines that begin with a blank, each with five fields: set name, first
    // character, last character, font name, first glyph. Names may be quoted with ' or "; a
    // character is itself or \x and two hexadecimal digits.
    void LoadFromFile(const std::string& FileName);

protected:
    bool ReadRecord(TAht3Reader& Reader) override;
    void WriteRecords(TAht3Writer& Writer) const override;

private:
    struct TEntry {
        std::string CharSetName;
        std::string FontName;
        unsigned char Char;
        unsigned char Glyph;
    };
    struct TDrawCommand {
        std::string FontName;
        std::string Text;
    };
    const TEntry* Find(const std::string& CharSetName, unsigned char Ch) const;

    std::vector<TEntry> FBuckets[BucketCount];
    // The script: commands before FNextCommand are used up. Kept between scripts so that their
    // strings keep their room.
    std::vector<TDrawCommand> FScript;
    std::size_t FScriptLength = 0;
    std::size_t FNextCommand = 0;
};

// The PJW string hash both maps bucket by; the character-set map seeds it with the character.
std::uint32_t VxHashString(const std::string& S, std::uint32_t Seed = 0);
