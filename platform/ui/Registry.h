// The class library's registry classes over the Reg* calls: TRegistry (one open key at a time),
// TRegIniFile (sections as sub keys, values as text) and TRegistryIniFile (a TCustomIniFile on a
// TRegIniFile).
#pragma once

#include "platform/registry/Registry.h"
#include "platform/ui/IniFiles.h"

#include <string>

class TStringList;

class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

enum TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

struct TRegDataInfo {
    TRegDataType RegData = rdUnknown;
    int DataSize = 0;
};

class TRegistry : public TObject {
public:
    TRegistry();
    explicit TRegistry(REGSAM AAccess);
    ~TRegistry() override;
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const { return rootKey_; }
    // Closes the current key first.
    void SetRootKey(HKEY Value);
    HKEY CurrentKey() const { return currentKey_; }
    const std::string& CurrentPath() const { return currentPath_; }
    REGSAM Access = KEY_ALL_ACCESS;
    // Accepted for the class library's sake: every write is on disk when it returns.
    bool LazyWrite = true;

    // A key starting with "\" is taken from the root; otherwise below the current key.
    bool OpenKey(const std::string& Key, bool CanCreate);
    bool OpenKeyReadOnly(const std::string& Key);
    void CloseKey();
    bool CreateKey(const std::string& Key);
    bool DeleteKey(const std::string& Key);
    bool KeyExists(const std::string& Key);
    bool HasSubKeys();
    void GetKeyNames(TStringList* Strings);

    bool ValueExists(const std::string& Name);
    bool DeleteValue(const std::string& Name);
    void GetValueNames(TStringList* Strings);
    bool GetDataInfo(const std::string& ValueName, TRegDataInfo& Value);
    TRegDataType GetDataType(const std::string& ValueName);
    // -1 for a missing value.
    int GetDataSize(const std::string& ValueName);

    // "" for a missing value; a value of another type raises ERegistryException
    // "Invalid data type for '<name>'", as do the other reads for a missing value.
    std::string ReadString(const std::string& Name);
    void WriteString(const std::string& Name, const std::string& Value);
    void WriteExpandString(const std::string& Name, const std::string& Value);
    int ReadInteger(const std::string& Name);
    void WriteInteger(const std::string& Name, int Value);
    bool ReadBool(const std::string& Name);
    void WriteBool(const std::string& Name, bool Value);
    int ReadBinaryData(const std::string& Name, void* Buffer, int BufSize);
    void WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize);

protected:
    // Makes Value (with its path) the current key without closing the one before.
    void ChangeKey(HKEY Value, const std::string& Path);

private:
    HKEY BaseFor(const std::string& Key, std::string& relative) const;
    void PutData(const std::string& Name, const void* Buffer, int BufSize, DWORD type);
    int GetData(const std::string& Name, void* Buffer, int BufSize, TRegDataType& type);

    HKEY rootKey_ = HKEY_CURRENT_USER;
    HKEY currentKey_ = 0;
    std::string currentPath_;
};

// Sections are sub keys of the opened key ("" the key itself), idents value names; integers and
// Booleans are written as text, and read from text or from a number.
class TRegIniFile : public TRegistry {
public:
    explicit TRegIniFile(const std::string& FileName);
    TRegIniFile(const std::string& FileName, REGSAM AAccess);
    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default);
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
    int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
    void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
    bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
    void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
    void ReadSection(const std::string& Section, TStringList* Strings);
    void ReadSections(TStringList* Strings);
    void ReadSectionValues(const std::string& Section, TStringList* Strings);
    void EraseSection(const std::string& Section);
    void DeleteKey(const std::string& Section, const std::string& Ident);

    // Makes the section's key the current one while fn runs; false when it does not exist (and,
    // with create, cannot be made).
    template <class Fn> bool InSection(const std::string& Section, bool create, Fn fn) {
        if (Section.empty()) {
            fn();
            return true;
        }
        const HKEY outer = CurrentKey();
        const std::string outerPath = CurrentPath();
        if (!OpenSection(Section, create)) return false;
        try {
            fn();
        } catch (...) {
            LeaveSection(outer, outerPath);
            throw;
        }
        LeaveSection(outer, outerPath);
        return true;
    }

private:
    bool OpenSection(const std::string& Section, bool create);
    void LeaveSection(HKEY outer, const std::string& outerPath);

    std::string fileName_;
};

// The INI interface on a registry key: integers as REG_DWORD values, everything else as text.
class TRegistryIniFile : public TCustomIniFile {
public:
    explicit TRegistryIniFile(const std::string& FileName);
    TRegistryIniFile(const std::string& FileName, REGSAM AAccess);
    ~TRegistryIniFile() override;
    TRegIniFile* RegIniFile() const { return regIniFile_; }

    std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) override;
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) override;
    int ReadInteger(const std::string& Section, const std::string& Ident, int Default) override;
    void WriteInteger(const std::string& Section, const std::string& Ident, int Value) override;
    void ReadSection(const std::string& Section, TStringList* Strings) override;
    void ReadSections(TStringList* Strings) override;
    void ReadSectionValues(const std::string& Section, TStringList* Strings) override;
    void EraseSection(const std::string& Section) override;
    void DeleteKey(const std::string& Section, const std::string& Ident) override;
    void UpdateFile() override {}
    bool ValueExists(const std::string& Section, const std::string& Ident) override;

private:
    TRegIniFile* regIniFile_;
};
