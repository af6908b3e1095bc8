#include "visual_controls/LuxIniCtrl.h"

#include "platform/rtl/Format.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Lists.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/IniFiles.h"
#include "platform/ui/TypInfo.h"
#include "visual_controls/Luxclass.h"
#include "visual_controls/Luxstrings.h"
#include "visual_controls/Luxutils.h"
#include "visual_controls/luxsysin.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

// The one form dates, times and numbers are written in, whatever the locale.
TFormatSettings FixedSettings() {
    TFormatSettings fs;
    fs.DecimalSeparator = '.';
    fs.ThousandSeparator = '\0';
    fs.DateSeparator = '-';
    fs.TimeSeparator = ':';
    fs.ShortDateFormat = "yyyy/mm/dd";
    fs.LongTimeFormat = "hh:nn:ss";
    return fs;
}

bool IsBlank(const std::string& s) {
    return Trim(s).empty();
}

// Reads text written in the fixed form, or failing that in the locale's; EConvertError otherwise.
template <class Try, class Locale> auto ReadEither(const std::string& text, Try tryFixed, Locale locale) {
    decltype(locale(text)) value{};
    if (tryFixed(text, value)) return value;
    return locale(text);
}

} // namespace

HKEY LuxGetRootKey(TLuxRegRootKey Root) {
    switch (Root) {
    case rpClassesRoot:
        return HKEY_CLASSES_ROOT;
    case rpCurrentUser:
        return HKEY_CURRENT_USER;
    case rpLocalMachine:
        return HKEY_LOCAL_MACHINE;
    case rpUsers:
        return HKEY_USERS;
    case rpCurrentConfig:
        return HKEY_CURRENT_CONFIG;
    case rpDynData:
        return HKEY_DYN_DATA;
    }
    return HKEY_CURRENT_USER;
}

TLuxRegIniFile::TLuxRegIniFile(HKEY Root, const std::string& Path, bool ReadOnly)
    : TRegIniFile("", ReadOnly ? KEY_READ : KEY_ALL_ACCESS) {
    LazyWrite = true;
    SetRootKey(Root);
    OpenKey(Path, !ReadOnly);
}

// --- Properties and names -----------------------------------------------------------------------------

void TLuxIniCtrl::SetNetUser(bool Value) {
    if (Value == netUser_) return;
    netUser_ = Value;
    if (Value) User = GetNetUserName();
}

void TLuxIniCtrl::SetIniFile(const std::string& Value) {
    iniFile_ = !Value.empty() && ExtractFileExt(Value).empty() ? Value + ".INI" : Value;
}

void TLuxIniCtrl::SetAlphaCounter(bool Value) {
    if (Value == alphaCounter_) return;
    alphaCounter_ = Value;
    if (maxEntries_ > 26) maxEntries_ = 26;
}

void TLuxIniCtrl::SetMaxEntries(BYTE Value) {
    if (Value == maxEntries_ || (alphaCounter_ && Value > 26)) return;
    maxEntries_ = Value;
}

void TLuxIniCtrl::SetTarget(TLuxIniTarget Value) {
    target_ = Value;
}

void TLuxIniCtrl::SetSection(const std::string& Value) {
    section_ = GetSectionName(Value);
}

std::string TLuxIniCtrl::GetNetUserName() {
    return LuxSIUserName();
}

std::string TLuxIniCtrl::GetIniName() {
    if (iniFile_.empty())
        iniFile_ = ChangeFileExt(Application ? Application->ExeName() : std::string(), ".INI");
    if (IniPrefix == ppFixed) return iniFile_;
    return LuxCreatePathPrefix(IniPrefix, true) + ExtractFileName(iniFile_);
}

std::string TLuxIniCtrl::GetRegPath() {
    if (IsBlank(RegPath))
        return LuxApplication ? LuxApplication->GetDefaultRegPath() : std::string("Software\\");
    return LuxSlashAdd(RegPath);
}

std::string TLuxIniCtrl::GetSectionName(const std::string& Section) {
    if (IsBlank(Section)) return IsBlank(section_) ? IDS_COMMON : section_;
    std::string name;
    if (ToIni())
        name = Common ? Section : (netUser_ ? GetNetUserName() : User) + "." + Section;
    else
        name = Section == IDS_ROOT ? std::string() : Section;
    section_ = name;
    return name;
}

std::string TLuxIniCtrl::GetCounterIdent(int Index) const {
    return alphaCounter_ ? std::string(1, static_cast<char>(65 + Index)) : IntToStr(Index);
}

// --- Opening the store ---------------------------------------------------------------------------------

template <class Fn> auto TLuxIniCtrl::WithStore(bool write, Fn fn) {
    if (ToIni()) {
        TIniFile ini(GetIniName());
        return fn(ini);
    }
    TLuxRegIniFile reg(LuxGetRootKey(RegRoot), GetRegPath(), !write);
    if (!write && !reg.CurrentKey()) {
        // No key to read: every read answers its default.
        TIniFile none("");
        return fn(none);
    }
    return fn(reg);
}

bool TLuxIniCtrl::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
    const std::string s = GetSectionName(Section);
    return WithStore(false, [&](auto& store) { return store.ReadBool(s, Ident, Default); });
}

int TLuxIniCtrl::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
    const std::string s = GetSectionName(Section);
    return WithStore(false, [&](auto& store) { return store.ReadInteger(s, Ident, Default); });
}

std::string TLuxIniCtrl::ReadString(const std::string& Section, const std::string& Ident,
                                    const std::string& Default) {
    const std::string s = GetSectionName(Section);
    return WithStore(false, [&](auto& store) { return store.ReadString(s, Ident, Default); });
}

void TLuxIniCtrl::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
    const std::string s = GetSectionName(Section);
    WithStore(true, [&](auto& store) { store.WriteBool(s, Ident, Value); });
}

void TLuxIniCtrl::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
    const std::string s = GetSectionName(Section);
    WithStore(true, [&](auto& store) { store.WriteInteger(s, Ident, Value); });
}

void TLuxIniCtrl::WriteString(const std::string& Section, const std::string& Ident,
                              const std::string& Value) {
    const std::string s = GetSectionName(Section);
    WithStore(true, [&](auto& store) { store.WriteString(s, Ident, Value); });
}

void TLuxIniCtrl::DeleteKey(const std::string& Section, const std::string& Ident) {
    const std::string s = GetSectionName(Section);
    WithStore(true, [&](auto& store) { store.DeleteKey(s, Ident); });
}

void TLuxIniCtrl::EraseSection(const std::string& Section) {
    const std::string s = GetSectionName(Section);
    WithStore(true, [&](auto& store) { store.EraseSection(s); });
}

void TLuxIniCtrl::ReadSection(const std::string& Section, TStringList* Strings) {
    const std::string s = GetSectionName(Section);
    WithStore(false, [&](auto& store) { store.ReadSection(s, Strings); });
}

void TLuxIniCtrl::ReadSectionValues(const std::string& Section, TStringList* Strings) {
    const std::string s = GetSectionName(Section);
    WithStore(false, [&](auto& store) { store.ReadSectionValues(s, Strings); });
}

void TLuxIniCtrl::ReadSections(TStringList* Strings) {
    WithStore(false, [&](auto& store) { store.ReadSections(Strings); });
}

// --- Typed values ---------------------------------------------------------------------------------------

TColor TLuxIniCtrl::ReadColor(const std::string& Section, const std::string& Ident, TColor Default) {
    return StringToColor(ReadString(Section, Ident, ColorToString(Default)));
}

void TLuxIniCtrl::WriteColor(const std::string& Section, const std::string& Ident, TColor Value) {
    WriteString(Section, Ident, ColorToString(Value));
}

TDateTime TLuxIniCtrl::ReadDate(const std::string& Section, const std::string& Ident, TDateTime Default) {
    const std::string text = ReadString(Section, Ident, "");
    if (text.empty()) return Default;
    return ReadEither(
        text, [](const std::string& t, TDateTime& v) { return TryStrToDate(t, v, FixedSettings()); },
        [](const std::string& t) { return StrToDate(t); });
}

TDateTime TLuxIniCtrl::ReadTime(const std::string& Section, const std::string& Ident, TDateTime Default) {
    const std::string text = ReadString(Section, Ident, "");
    if (text.empty()) return Default;
    return ReadEither(
        text, [](const std::string& t, TDateTime& v) { return TryStrToTime(t, v, FixedSettings()); },
        [](const std::string& t) { return StrToTime(t); });
}

TDateTime TLuxIniCtrl::ReadDateTime(const std::string& Section, const std::string& Ident, TDateTime Default) {
    const std::string text = ReadString(Section, Ident, "");
    if (text.empty()) return Default;
    return ReadEither(
        text, [](const std::string& t, TDateTime& v) { return TryStrToDateTime(t, v, FixedSettings()); },
        [](const std::string& t) { return StrToDateTime(t); });
}

double TLuxIniCtrl::ReadFloat(const std::string& Section, const std::string& Ident, double Default) {
    const std::string text = ReadString(Section, Ident, "");
    if (text.empty()) return Default;
    return ReadEither(
        text, [](const std::string& t, double& v) { return TryStrToFloat(t, v, FixedSettings()); },
        [](const std::string& t) { return StrToFloat(t); });
}

void TLuxIniCtrl::WriteDate(const std::string& Section, const std::string& Ident, TDateTime Value) {
    WriteString(Section, Ident, DateToStr(Value, FixedSettings()));
}

void TLuxIniCtrl::WriteTime(const std::string& Section, const std::string& Ident, TDateTime Value) {
    WriteString(Section, Ident, TimeToStr(Value, FixedSettings()));
}

void TLuxIniCtrl::WriteDateTime(const std::string& Section, const std::string& Ident, TDateTime Value) {
    WriteString(Section, Ident, DateTimeToStr(Value, FixedSettings()));
}

void TLuxIniCtrl::WriteFloat(const std::string& Section, const std::string& Ident, double Value) {
    WriteString(Section, Ident, FloatToStr(Value, FixedSettings()));
}

bool TLuxIniCtrl::ReadFont(const std::string& Section, const std::string& Ident, TFont* Font) {
    const std::string text = ReadString(Section, Ident, "");
    if (text.empty()) return false;
    LuxStringToFont(text, Font);
    return true;
}

void TLuxIniCtrl::WriteFont(const std::string& Section, const std::string& Ident, TFont* Font) {
    WriteString(Section, Ident, LuxFontToString(Font));
}

TPoint TLuxIniCtrl::ReadPoint(const std::string& Section, const std::string& Ident, const TPoint& Default) {
    return LuxStringToPoint(ReadString(Section, Ident, LuxPointToString(Default)));
}

void TLuxIniCtrl::WritePoint(const std::string& Section, const std::string& Ident, const TPoint& Value) {
    WriteString(Section, Ident, LuxPointToString(Value));
}

TRect TLuxIniCtrl::ReadRect(const std::string& Section, const std::string& Ident, const TRect& Default) {
    return LuxStringToRect(ReadString(Section, Ident, LuxRectToString(Default)));
}

void TLuxIniCtrl::WriteRect(const std::string& Section, const std::string& Ident, const TRect& Value) {
    WriteString(Section, Ident, LuxRectToString(Value));
}

void TLuxIniCtrl::ReadColorList(const std::string& Section, TStringList* Strings) {
    if (!Strings) return;
    Strings->Clear();
    WithStore(false, [&](auto& store) { store.ReadSectionValues(Section, Strings); });
}

void TLuxIniCtrl::WriteColorList(const std::string& Section, TStringList* Strings) {
    if (!Strings) return;
    WithStore(true, [&](auto& store) {
        for (int i = 0; i < Strings->Count(); ++i) {
            if (Strings->Strings(i).find('=') == std::string::npos) continue;
            const std::string name = Strings->Names(i);
            store.WriteString(Section, name, Strings->Values(name));
        }
    });
}

void TLuxIniCtrl::ReadStrings(const std::string& Section, const std::string& Ident, TStringList* Strings) {
    ReadStringsExt(Section, Ident, maxEntries_, Strings);
}

void TLuxIniCtrl::WriteStrings(const std::string& Section, const std::string& Ident, TStringList* Strings) {
    WriteStringsExt(Section, Ident, maxEntries_, Strings);
}

void TLuxIniCtrl::ReadStringsExt(const std::string& Section, const std::string& Ident, int Count,
                                 TStringList* Strings) {
    if (!Strings) return;
    Strings->Clear();
    const std::string s = GetSectionName(Section);
    WithStore(false, [&](auto& store) {
        TStringList keys;
        store.ReadSection(s, &keys);
        // An entry that is there but empty is part of the list; the first missing one ends it.
        for (int i = 0; i < Count; ++i) {
            const std::string key = Ident + GetCounterIdent(i);
            bool present = false;
            for (int k = 0; k < keys.Count() && !present; ++k) present = SameText(keys.Strings(k), key);
            if (!present) break;
            Strings->Add(store.ReadString(s, key, ""));
        }
    });
}

void TLuxIniCtrl::WriteStringsExt(const std::string& Section, const std::string& Ident, int Count,
                                  TStringList* Strings) {
    if (!Strings) return;
    const std::string s = GetSectionName(Section);
    WithStore(true, [&](auto& store) {
        // Only this list's keys go: other settings in the section stay.
        TStringList keys;
        store.ReadSection(s, &keys);
        const int span = alphaCounter_ ? 26 : 256;
        for (int k = 0; k < keys.Count(); ++k)
            for (int i = 0; i < span; ++i)
                if (SameText(keys.Strings(k), Ident + GetCounterIdent(i))) {
                    store.DeleteKey(s, keys.Strings(k));
                    break;
                }
        const int n = std::min(Strings->Count(), Count);
        for (int i = 0; i < n; ++i) store.WriteString(s, Ident + GetCounterIdent(i), Strings->Strings(i));
    });
}

// --- Objects --------------------------------------------------------------------------------------

namespace {

bool IsOrdinalKind(TTypeKind k) {
    return k == TTypeKind::tkInteger || k == TTypeKind::tkChar || k == TTypeKind::tkEnumeration ||
           k == TTypeKind::tkSet;
}

bool IsStringKind(TTypeKind k) {
    return k == TTypeKind::tkString || k == TTypeKind::tkLString;
}

} // namespace

void LuxSaveObjectProperties(TCustomIniFile* IniFile, const std::string& Section, TPersistent* Object) {
    if (!IniFile || !Object) return;
    for (const TPropInfo* p : GetPropList(Object)) {
        if (!p->HasSetter() || !p->IsStored(Object)) continue;
        if (IsOrdinalKind(p->Kind)) {
            const std::int64_t v = p->GetOrd(Object);
            if (p->Default && *p->Default == v) continue;
            IniFile->WriteInteger(Section, p->Name, static_cast<int>(v));
        } else if (p->Kind == TTypeKind::tkFloat) {
            const double v = p->GetFloat(Object);
            if (v != 0) IniFile->WriteString(Section, p->Name, FloatToStr(v, FixedSettings()));
        } else if (IsStringKind(p->Kind)) {
            const std::string v = p->GetStr(Object);
            if (!v.empty()) IniFile->WriteString(Section, p->Name, v);
        }
    }
}

void LuxLoadObjectProperties(TCustomIniFile* IniFile, const std::string& Section, TPersistent* Object) {
    if (!IniFile || !Object) return;
    for (const TPropInfo* p : GetPropList(Object)) {
        if (!p->HasSetter()) continue;
        if (IsOrdinalKind(p->Kind)) {
            const std::int64_t current = p->GetOrd(Object);
            if (IniFile->ValueExists(Section, p->Name))
                p->SetOrd(Object, IniFile->ReadInteger(Section, p->Name, static_cast<int>(current)));
            else
                p->SetOrd(Object, p->Default ? *p->Default : current);
        } else if (p->Kind == TTypeKind::tkFloat) {
            const std::string text = IniFile->ReadString(Section, p->Name, "");
            if (IsBlank(text)) continue;
            p->SetFloat(Object, ReadEither(
                                    text,
                                    [](const std::string& t, double& v) {
                                        return TryStrToFloat(t, v, FixedSettings());
                                    },
                                    [](const std::string& t) { return StrToFloat(t); }));
        } else if (IsStringKind(p->Kind)) {
            p->SetStr(Object, IniFile->ReadString(Section, p->Name, p->GetStr(Object)));
        }
    }
}

template <class Fn> void TLuxIniCtrl::WithObjectStore(bool write, Fn fn) {
    if (ToIni()) {
        TIniFile ini(GetIniName());
        fn(ini);
        return;
    }
    TRegistryIniFile reg(GetRegPath(), write ? KEY_ALL_ACCESS : KEY_READ);
    const HKEY root = LuxGetRootKey(RegRoot);
    if (root != HKEY_CURRENT_USER) {
        TRegIniFile* r = reg.RegIniFile();
        r->CloseKey();
        r->SetRootKey(root);
        if (write)
            r->OpenKey(GetRegPath(), true);
        else
            r->OpenKeyReadOnly(GetRegPath());
    }
    fn(reg);
}

void TLuxIniCtrl::ReadObject(const std::string& Section, TPersistent* Object) {
    const std::string s = GetSectionName(Section);
    WithObjectStore(false, [&](TCustomIniFile& store) { LuxLoadObjectProperties(&store, s, Object); });
}

void TLuxIniCtrl::WriteObject(const std::string& Section, TPersistent* Object) {
    const std::string s = GetSectionName(Section);
    WithObjectStore(true, [&](TCustomIniFile& store) { LuxSaveObjectProperties(&store, s, Object); });
}

namespace {

const bool kPublished = [] {
    using namespace published;
    PublishProperties<TLuxIniCtrl, TLuxCustomComponent>({
        LuxAboutProperty<TLuxIniCtrl>(),
        Field<TLuxIniCtrl>("Common", &TLuxIniCtrl::Common, true),
        Property<TLuxIniCtrl>(
            "NetUser", [](const TLuxIniCtrl& c) { return c.NetUser(); },
            [](TLuxIniCtrl& c, bool v) { c.SetNetUser(v); }, false),
        Property<TLuxIniCtrl>(
            "IniFile", [](const TLuxIniCtrl& c) { return c.IniFile(); },
            [](TLuxIniCtrl& c, const std::string& v) { c.SetIniFile(v); }),
        Field<TLuxIniCtrl>("User", &TLuxIniCtrl::User),
        Field<TLuxIniCtrl>("IniPrefix", &TLuxIniCtrl::IniPrefix, ppWindows),
        Field<TLuxIniCtrl>("RegRoot", &TLuxIniCtrl::RegRoot, rpCurrentUser),
        Field<TLuxIniCtrl>("RegPath", &TLuxIniCtrl::RegPath),
        Property<TLuxIniCtrl>(
            "AlphaCounter", [](const TLuxIniCtrl& c) { return c.AlphaCounter(); },
            [](TLuxIniCtrl& c, bool v) { c.SetAlphaCounter(v); }, false),
        Property<TLuxIniCtrl>(
            "MaxEntries", [](const TLuxIniCtrl& c) { return c.MaxEntries(); },
            [](TLuxIniCtrl& c, BYTE v) { c.SetMaxEntries(v); }, 16),
        Property<TLuxIniCtrl>(
            "Target", [](const TLuxIniCtrl& c) { return c.Target(); },
            [](TLuxIniCtrl& c, TLuxIniTarget v) { c.SetTarget(v); }, itAuto),
    });
    RegisterClass<TLuxIniCtrl>();
    return true;
}();

} // namespace
