#include "platform/ui/Registry.h"

#include "platform/rtl/Lists.h"
#include "platform/rtl/Strings.h"

#include <cstring>
#include <vector>

namespace {

TRegDataType DataTypeOf(DWORD type) {
    switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
    }
}

[[noreturn]] void InvalidType(const std::string& name) {
    throw ERegistryException("Invalid data type for '" + name + "'");
}

} // namespace

// --- TRegistry ----------------------------------------------------------------------------------------

TRegistry::TRegistry() = default;

TRegistry::TRegistry(REGSAM AAccess) : Access(AAccess) {}

TRegistry::~TRegistry() {
    CloseKey();
}

void TRegistry::SetRootKey(HKEY Value) {
    if (Value == rootKey_) return;
    CloseKey();
    rootKey_ = Value;
}

void TRegistry::ChangeKey(HKEY Value, const std::string& Path) {
    currentKey_ = Value;
    currentPath_ = Path;
}

HKEY TRegistry::BaseFor(const std::string& Key, std::string& relative) const {
    relative = Key;
    if (!relative.empty() && relative[0] == '\\') {
        relative.erase(0, 1);
        return rootKey_;
    }
    return currentKey_ ? currentKey_ : rootKey_;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
    std::string relative;
    const HKEY base = BaseFor(Key, relative);
    HKEY opened = 0;
    const LONG rc = CanCreate ? RegCreateKeyEx(base, relative.c_str(), 0, nullptr, 0, Access, nullptr, &opened, nullptr)
                              : RegOpenKeyEx(base, relative.c_str(), 0, Access, &opened);
    if (rc != ERROR_SUCCESS) return false;
    std::string path = (base == currentKey_ && currentKey_) ? currentPath_ : std::string();
    if (!relative.empty()) path = path.empty() ? relative : path + "\\" + relative;
    while (!path.empty() && path.back() == '\\') path.pop_back();
    CloseKey();
    ChangeKey(opened, path);
    return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
    const REGSAM saved = Access;
    Access = KEY_READ;
    const bool ok = OpenKey(Key, false);
    if (!ok) Access = saved;
    return ok;
}

void TRegistry::CloseKey() {
    if (currentKey_) RegCloseKey(currentKey_);
    currentKey_ = 0;
    currentPath_.clear();
}

bool TRegistry::CreateKey(const std::string& Key) {
    std::string relative;
    const HKEY base = BaseFor(Key, relative);
    HKEY created = 0;
    if (RegCreateKeyEx(base, relative.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr) !=
        ERROR_SUCCESS)
        throw ERegistryException("Failed to create key " + Key);
    RegCloseKey(created);
    return true;
}

bool TRegistry::DeleteKey(const std::string& Key) {
    std::string relative;
    const HKEY base = BaseFor(Key, relative);
    return RegDeleteKey(base, relative.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const std::string& Key) {
    std::string relative;
    const HKEY base = BaseFor(Key, relative);
    HKEY probe = 0;
    if (RegOpenKeyEx(base, relative.c_str(), 0, KEY_READ, &probe) != ERROR_SUCCESS) return false;
    RegCloseKey(probe);
    return true;
}

bool TRegistry::HasSubKeys() {
    DWORD subKeys = 0;
    return RegQueryInfoKey(currentKey_ ? currentKey_ : rootKey_, nullptr, nullptr, nullptr, &subKeys, nullptr,
                           nullptr, nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
           subKeys > 0;
}

namespace {

// Fills Strings with the names enumerate gives for index 0, 1 ... until it fails.
template <class Enumerate> void ListNames(TStringList* Strings, Enumerate enumerate) {
    if (!Strings) return;
    Strings->Clear();
    for (DWORD i = 0;; ++i) {
        std::vector<char> name(256);
        DWORD size = static_cast<DWORD>(name.size());
        LONG rc = enumerate(i, name.data(), &size);
        if (rc == ERROR_MORE_DATA) {
            name.resize(size);
            rc = enumerate(i, name.data(), &size);
        }
        if (rc != ERROR_SUCCESS) break;
        Strings->Add(std::string(name.data(), size));
    }
}

} // namespace

void TRegistry::GetKeyNames(TStringList* Strings) {
    const HKEY key = currentKey_ ? currentKey_ : rootKey_;
    ListNames(Strings, [key](DWORD i, char* name, DWORD* size) {
        return RegEnumKeyEx(key, i, name, size, nullptr, nullptr, nullptr, nullptr);
    });
}

void TRegistry::GetValueNames(TStringList* Strings) {
    const HKEY key = currentKey_ ? currentKey_ : rootKey_;
    ListNames(Strings, [key](DWORD i, char* name, DWORD* size) {
        return RegEnumValue(key, i, name, size, nullptr, nullptr, nullptr, nullptr);
    });
}

bool TRegistry::ValueExists(const std::string& Name) {
    TRegDataInfo info;
    return GetDataInfo(Name, info);
}

bool TRegistry::DeleteValue(const std::string& Name) {
    return RegDeleteValue(currentKey_ ? currentKey_ : rootKey_, Name.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::GetDataInfo(const std::string& ValueName, TRegDataInfo& Value) {
    DWORD type = 0, size = 0;
    Value = TRegDataInfo{};
    if (RegQueryValueEx(currentKey_ ? currentKey_ : rootKey_, ValueName.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return false;
    Value.RegData = DataTypeOf(type);
    Value.DataSize = static_cast<int>(size);
    return true;
}

TRegDataType TRegistry::GetDataType(const std::string& ValueName) {
    TRegDataInfo info;
    return GetDataInfo(ValueName, info) ? info.RegData : rdUnknown;
}

int TRegistry::GetDataSize(const std::string& ValueName) {
    TRegDataInfo info;
    return GetDataInfo(ValueName, info) ? info.DataSize : -1;
}

void TRegistry::PutData(const std::string& Name, const void* Buffer, int BufSize, DWORD type) {
    if (RegSetValueEx(currentKey_ ? currentKey_ : rootKey_, Name.c_str(), 0, type, static_cast<const BYTE*>(Buffer),
                      static_cast<DWORD>(BufSize)) != ERROR_SUCCESS)
        throw ERegistryException("Failed to set data for '" + Name + "'");
}

int TRegistry::GetData(const std::string& Name, void* Buffer, int BufSize, TRegDataType& type) {
    DWORD t = 0, size = static_cast<DWORD>(BufSize);
    if (RegQueryValueEx(currentKey_ ? currentKey_ : rootKey_, Name.c_str(), nullptr, &t, static_cast<BYTE*>(Buffer),
                        &size) != ERROR_SUCCESS)
        throw ERegistryException("Failed to get data for '" + Name + "'");
    type = DataTypeOf(t);
    return static_cast<int>(size);
}

std::string TRegistry::ReadString(const std::string& Name) {
    const int size = GetDataSize(Name);
    if (size <= 0) return {};
    std::string buffer(static_cast<std::size_t>(size), '\0');
    TRegDataType type = rdUnknown;
    const int got = GetData(Name, buffer.data(), size, type);
    if (type != rdString && type != rdExpandString) InvalidType(Name);
    buffer.resize(static_cast<std::size_t>(got));
    return buffer.substr(0, buffer.find('\0'));
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
    PutData(Name, Value.c_str(), static_cast<int>(Value.size() + 1), REG_SZ);
}

void TRegistry::WriteExpandString(const std::string& Name, const std::string& Value) {
    PutData(Name, Value.c_str(), static_cast<int>(Value.size() + 1), REG_EXPAND_SZ);
}

int TRegistry::ReadInteger(const std::string& Name) {
    if (GetDataType(Name) != rdInteger || GetDataSize(Name) != 4) InvalidType(Name);
    std::int32_t value = 0;
    TRegDataType type = rdUnknown;
    GetData(Name, &value, 4, type);
    return value;
}

void TRegistry::WriteInteger(const std::string& Name, int Value) {
    const std::int32_t v = Value;
    PutData(Name, &v, 4, REG_DWORD);
}

bool TRegistry::ReadBool(const std::string& Name) {
    return ReadInteger(Name) != 0;
}

void TRegistry::WriteBool(const std::string& Name, bool Value) {
    WriteInteger(Name, Value ? 1 : 0);
}

int TRegistry::ReadBinaryData(const std::string& Name, void* Buffer, int BufSize) {
    TRegDataInfo info;
    if (!GetDataInfo(Name, info) || (info.RegData != rdBinary && info.RegData != rdUnknown)) InvalidType(Name);
    if (info.DataSize > BufSize) throw ERegistryException("Invalid data size for '" + Name + "'");
    TRegDataType type = rdUnknown;
    return GetData(Name, Buffer, BufSize, type);
}

void TRegistry::WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize) {
    PutData(Name, Buffer, BufSize, REG_BINARY);
}

// --- TRegIniFile --------------------------------------------------------------------------------------

TRegIniFile::TRegIniFile(const std::string& FileName) : TRegIniFile(FileName, KEY_ALL_ACCESS) {}

TRegIniFile::TRegIniFile(const std::string& FileName, REGSAM AAccess) : TRegistry(AAccess), fileName_(FileName) {
    // A store opened for reading only does not make its key.
    OpenKey(FileName, (AAccess & KEY_CREATE_SUB_KEY) != 0);
}

bool TRegIniFile::OpenSection(const std::string& Section, bool create) {
    HKEY opened = 0;
    const HKEY base = CurrentKey() ? CurrentKey() : RootKey();
    const LONG rc = create ? RegCreateKeyEx(base, Section.c_str(), 0, nullptr, 0, Access, nullptr, &opened, nullptr)
                           : RegOpenKeyEx(base, Section.c_str(), 0, Access, &opened);
    if (rc != ERROR_SUCCESS) return false;
    ChangeKey(opened, CurrentPath().empty() ? Section : CurrentPath() + "\\" + Section);
    return true;
}

void TRegIniFile::LeaveSection(HKEY outer, const std::string& outerPath) {
    RegCloseKey(CurrentKey());
    ChangeKey(outer, outerPath);
}

std::string TRegIniFile::ReadString(const std::string& Section, const std::string& Ident, const std::string& Default) {
    std::string result = Default;
    InSection(Section, false, [&] {
        if (ValueExists(Ident)) result = TRegistry::ReadString(Ident);
    });
    return result;
}

void TRegIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
    InSection(Section, true, [&] { TRegistry::WriteString(Ident, Value); });
}

int TRegIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
    int result = Default;
    InSection(Section, false, [&] {
        const TRegDataType type = GetDataType(Ident);
        if (type == rdString)
            result = StrToIntDef(TRegistry::ReadString(Ident), Default);
        else if (type == rdInteger)
            result = TRegistry::ReadInteger(Ident);
    });
    return result;
}

void TRegIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
    WriteString(Section, Ident, IntToStr(Value));
}

bool TRegIniFile::ReadBool(const std::string& Section, const std::string& Ident, bool Default) {
    return ReadInteger(Section, Ident, Default ? 1 : 0) != 0;
}

void TRegIniFile::WriteBool(const std::string& Section, const std::string& Ident, bool Value) {
    WriteInteger(Section, Ident, Value ? 1 : 0);
}

void TRegIniFile::ReadSection(const std::string& Section, TStringList* Strings) {
    if (!Strings) return;
    Strings->Clear();
    InSection(Section, false, [&] { GetValueNames(Strings); });
}

void TRegIniFile::ReadSections(TStringList* Strings) {
    GetKeyNames(Strings);
}

void TRegIniFile::ReadSectionValues(const std::string& Section, TStringList* Strings) {
    if (!Strings) return;
    TStringList names;
    ReadSection(Section, &names);
    Strings->Clear();
    InSection(Section, false, [&] {
        for (int i = 0; i < names.Count(); ++i) {
            const std::string& name = names.Strings(i);
            const TRegDataType type = GetDataType(name);
            const std::string value = type == rdInteger ? IntToStr(TRegistry::ReadInteger(name))
                                      : type == rdString || type == rdExpandString ? TRegistry::ReadString(name)
                                                                                   : std::string();
            Strings->Add(name + "=" + value);
        }
    });
}

void TRegIniFile::EraseSection(const std::string& Section) {
    TRegistry::DeleteKey(Section);
}

void TRegIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
    InSection(Section, false, [&] { DeleteValue(Ident); });
}

// --- TRegistryIniFile ---------------------------------------------------------------------------------

TRegistryIniFile::TRegistryIniFile(const std::string& FileName) : TRegistryIniFile(FileName, KEY_ALL_ACCESS) {}

TRegistryIniFile::TRegistryIniFile(const std::string& FileName, REGSAM AAccess)
    : TCustomIniFile(FileName), regIniFile_(new TRegIniFile(FileName, AAccess)) {}

TRegistryIniFile::~TRegistryIniFile() {
    delete regIniFile_;
}

std::string TRegistryIniFile::ReadString(const std::string& Section, const std::string& Ident,
                                         const std::string& Default) {
    return regIniFile_->ReadString(Section, Ident, Default);
}

void TRegistryIniFile::WriteString(const std::string& Section, const std::string& Ident, const std::string& Value) {
    regIniFile_->WriteString(Section, Ident, Value);
}

int TRegistryIniFile::ReadInteger(const std::string& Section, const std::string& Ident, int Default) {
    return regIniFile_->ReadInteger(Section, Ident, Default);
}

void TRegistryIniFile::WriteInteger(const std::string& Section, const std::string& Ident, int Value) {
    regIniFile_->InSection(Section, true, [&] { regIniFile_->TRegistry::WriteInteger(Ident, Value); });
}

void TRegistryIniFile::ReadSection(const std::string& Section, TStringList* Strings) {
    regIniFile_->ReadSection(Section, Strings);
}

void TRegistryIniFile::ReadSections(TStringList* Strings) {
    regIniFile_->ReadSections(Strings);
}

void TRegistryIniFile::ReadSectionValues(const std::string& Section, TStringList* Strings) {
    regIniFile_->ReadSectionValues(Section, Strings);
}

void TRegistryIniFile::EraseSection(const std::string& Section) {
    regIniFile_->EraseSection(Section);
}

void TRegistryIniFile::DeleteKey(const std::string& Section, const std::string& Ident) {
    regIniFile_->DeleteKey(Section, Ident);
}

bool TRegistryIniFile::ValueExists(const std::string& Section, const std::string& Ident) {
    bool found = false;
    regIniFile_->InSection(Section, false, [&] { found = regIniFile_->ValueExists(Ident); });
    return found;
}
