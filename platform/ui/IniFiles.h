// Settings files: TCustomIniFile, the interface the settings stores share, and TIniFile over a file
// of "[Section]" and "Key=Value" lines. Every call reads the file anew; a write changes only its
// own line and saves by writing a new file and renaming it over the old, so that every other byte
// of the file (comments, blanks, LF or CR LF line ends) stays as it was. New lines end in CR LF.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Classes.h"

#include <string>
#include <utility>
#include <vector>

class TStringList;

// A settings file's text, kept line by line with its line ends.
class TIniText {
public:
    explicit TIniText(const std::string& bytes = {});
    std::string Bytes() const;

    // Section and key names compare case-blind and without surrounding blanks; the value loses its
    // blanks and one pair of enclosing quotes. The first section and the first key of a name count.
    bool Get(const std::string& section, const std::string& ident, std::string& value) const;
    void Set(const std::string& section, const std::string& ident, const std::string& value);
    bool DeleteKey(const std::string& section, const std::string& ident);
    bool EraseSection(const std::string& section);
    bool HasSection(const std::string& section) const;
    std::vector<std::string> Sections() const;
    std::vector<std::pair<std::string, std::string>> Keys(const std::string& section) const;

private:
    enum class Kind { Other, Section, Key };
    struct Line {
        std::string text;
        std::string end; // "\r\n", "\n", "\r" or "" (the last line)
        Kind kind = Kind::Other;
        std::string name;  // section or key
        std::string value; // a key's value
    };
    static Line Classify(std::string text, std::string end);
    // Index of the section's header, or -1; end gets the index after its last line.
    int FindSection(const std::string& section, std::size_t& end) const;
    int FindKey(const std::string& section, const std::string& ident) const;

    std::vector<Line> lines_;
};

class TCustomIniFile : public TObject {
public:
    explicit TCustomIniFile(const std::string& FileName) : fileName_(FileName) {}
    const std::string& FileName() const { return fileName_; }

    virtual std::string ReadString(const std::string& Section, const std::string& Ident,
                                   const std::string& Default) = 0;
    virtual void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) = 0;
    // A decimal or "0x"/"$" hex number; Default when the value is missing or not a number.
    virtual int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
    virtual void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
    // Stored as "1" / "0"; any number other than 0 reads as true.
    virtual bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
    virtual void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
    // The key names / sections / "name=value" lines; each clears Strings first.
    virtual void ReadSection(const std::string& Section, TStringList* Strings) = 0;
    virtual void ReadSections(TStringList* Strings) = 0;
    virtual void ReadSectionValues(const std::string& Section, TStringList* Strings) = 0;
    virtual void EraseSection(const std::string& Section) = 0;
    virtual void DeleteKey(const std::string& Section, const std::string& Ident) = 0;
    virtual void UpdateFile() = 0;
    bool SectionExists(const std::string& Section);
    virtual bool ValueExists(const std::string& Section, const std::string& Ident);

private:
    std::string fileName_;
};

// A write that cannot save raises EIniFileException "Unable to write to <file>".
class TIniFile : public TCustomIniFile {
public:
    using TCustomIniFile::TCustomIniFile;
    std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) override;
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
    void ReadSection(const std::string& Section, TStringList* Strings) override;
    void ReadSections(TStringList* Strings) override;
    void ReadSectionValues(const std::string& Section, TStringList* Strings) override;
    void EraseSection(const std::string& Section) override;
    void DeleteKey(const std::string& Section, const std::string& Ident) override;
    // Writes are on disk when they return.
    void UpdateFile() override {}

private:
    TIniText Load() const;
    void Save(const TIniText& text);
};

// Saving a settings file failed.
class EIniFileException : public Exception {
public:
    using Exception::Exception;
};
