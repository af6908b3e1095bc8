// The settings store: typed settings in an INI file or under a registry key, with the same
// operations for both. Sections can be made per user; string lists are kept as one key per entry;
// fonts, points, rectangles, colours, dates and numbers as text.
#pragma once

#include "platform/registry/Registry.h"
#include "platform/rtl/Dates.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Registry.h"
#include "visual_controls/Luxbase.h"
#include "visual_controls/Luxprocs.h"

#include <string>

class TCustomIniFile;
class TStringList;

enum TLuxIniTarget { itIniFile, itRegistry, itAuto };
enum TLuxRegRootKey { rpClassesRoot, rpCurrentUser, rpLocalMachine, rpUsers, rpCurrentConfig, rpDynData };

inline constexpr const char* IDS_ROOT = "#ROOT";
inline constexpr const char* IDS_COMMON = "Common";

HKEY LuxGetRootKey(TLuxRegRootKey Root);

// A registry store on a root and key path, read-only (the key is not made) or read-write.
class TLuxRegIniFile : public TRegIniFile {
public:
    TLuxRegIniFile(HKEY Root, const std::string& Path, bool ReadOnly);
};

class TLuxIniCtrl : public TLuxCustomComponent {
public:
    explicit TLuxIniCtrl(TComponent* AOwner) : TLuxCustomComponent(AOwner) {}

    bool Common = true;
    std::string User;
    TLuxPathPrefix IniPrefix = ppWindows;
    TLuxRegRootKey RegRoot = rpCurrentUser;
    std::string RegPath;

    bool NetUser() const { return netUser_; }
    // Switching it on copies GetNetUserName into User.
    void SetNetUser(bool Value);
    const std::string& IniFile() const { return iniFile_; }
    // A name without extension gets ".INI".
    void SetIniFile(const std::string& Value);
    bool AlphaCounter() const { return alphaCounter_; }
    // On, MaxEntries is held to 26 (the letters).
    void SetAlphaCounter(bool Value);
    BYTE MaxEntries() const { return maxEntries_; }
    void SetMaxEntries(BYTE Value);
    TLuxIniTarget Target() const { return target_; }
    void SetTarget(TLuxIniTarget Value);
    const std::string& Section() const { return section_; }
    void SetSection(const std::string& Value);

    virtual std::string GetNetUserName();
    std::string GetIniName();
    std::string GetRegPath();
    std::string GetSectionName(const std::string& Section);
    std::string GetCounterIdent(int Index) const;

    bool ReadBool(const std::string& Section, const std::string& Ident, bool Default);
    int ReadInteger(const std::string& Section, const std::string& Ident, int Default);
    std::string ReadString(const std::string& Section, const std::string& Ident, const std::string& Default);
    void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
    void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
    void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
    void DeleteKey(const std::string& Section, const std::string& Ident);
    void EraseSection(const std::string& Section);
    void ReadSection(const std::string& Section, TStringList* Strings);
    void ReadSectionValues(const std::string& Section, TStringList* Strings);
    void ReadSections(TStringList* Strings);

    TColor ReadColor(const std::string& Section, const std::string& Ident, TColor Default);
    void WriteColor(const std::string& Section, const std::string& Ident, TColor Value);
    // Written as yyyy-mm-dd, hh:nn:ss and with "." for the decimal point whatever the locale; read in
    // that form or in the locale's.
    TDateTime ReadDate(const std::string& Section, const std::string& Ident, TDateTime Default);
    TDateTime ReadTime(const std::string& Section, const std::string& Ident, TDateTime Default);
    TDateTime ReadDateTime(const std::string& Section, const std::string& Ident, TDateTime Default);
    double ReadFloat(const std::string& Section, const std::string& Ident, double Default);
    void WriteDate(const std::string& Section, const std::string& Ident, TDateTime Value);
    void WriteTime(const std::string& Section, const std::string& Ident, TDateTime Value);
    void WriteDateTime(const std::string& Section, const std::string& Ident, TDateTime Value);
    void WriteFloat(const std::string& Section, const std::string& Ident, double Value);
    bool ReadFont(const std::string& Section, const std::string& Ident, TFont* Font);
    void WriteFont(const std::string& Section, const std::string& Ident, TFont* Font);
    TPoint ReadPoint(const std::string& Section, const std::string& Ident, const TPoint& Default);
    void WritePoint(const std::string& Section, const std::string& Ident, const TPoint& Value);
    TRect ReadRect(const std::string& Section, const std::string& Ident, const TRect& Default);
    void WriteRect(const std::string& Section, const std::string& Ident, const TRect& Value);
    // The section is used as given.
    void ReadColorList(const std::string& Section, TStringList* Strings);
    void WriteColorList(const std::string& Section, TStringList* Strings);
    void ReadStrings(const std::string& Section, const std::string& Ident, TStringList* Strings);
    void WriteStrings(const std::string& Section, const std::string& Ident, TStringList* Strings);
    // Entries 0 .. Count - 1, stopping at the first that is missing.
    void ReadStringsExt(const std::string& Section, const std::string& Ident, int Count,
                        TStringList* Strings);
    // Replaces the list's own keys (Ident + counter) and leaves every other key of the section.
    void WriteStringsExt(const std::string& Section, const std::string& Ident, int Count,
                         TStringList* Strings);
    // The object's published properties, one key each (LuxLoadObjectProperties, LuxSaveObjectProperties).
    void ReadObject(const std::string& Section, TPersistent* Object);
    void WriteObject(const std::string& Section, TPersistent* Object);

private:
    bool ToIni() const { return target_ == itIniFile; }
    // Runs fn on a freshly opened store, closed again afterwards.
    template <class Fn> auto WithStore(bool write, Fn fn);
    template <class Fn> void WithObjectStore(bool write, Fn fn);

    bool netUser_ = false;
    std::string iniFile_;
    std::string section_;
    bool alphaCounter_ = false;
    BYTE maxEntries_ = 16;
    TLuxIniTarget target_ = itAuto;
};

// Writes every published property of Object that has a setter and is stored, keyed by its name:
// ordinal ones unless at their declared default, floating-point ones unless 0, strings unless
// empty. Floating-point values in the one fixed form of the settings store.
void LuxSaveObjectProperties(TCustomIniFile* IniFile, const std::string& Section, TPersistent* Object);
// Reads them back. A missing key gives what was not written for it: an ordinal property takes its
// declared default (others keep their value).
void LuxLoadObjectProperties(TCustomIniFile* IniFile, const std::string& Section, TPersistent* Object);
