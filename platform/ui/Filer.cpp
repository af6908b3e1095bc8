#include "platform/ui/Filer.h"

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Collection.h"
#include "platform/ui/TypInfo.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>

namespace {

const char kSignature[4] = {'V', 'X', 'F', '1'};

bool SameText(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) ==
                      std::toupper(static_cast<unsigned char>(y));
           });
}

bool IsOrdinal(TTypeKind k) {
    return k == TTypeKind::tkInteger || k == TTypeKind::tkChar || k == TTypeKind::tkEnumeration ||
           k == TTypeKind::tkSet;
}

bool IsString(TTypeKind k) {
    return k == TTypeKind::tkString || k == TTypeKind::tkLString;
}

void PutLE(TStream* stream, std::uint64_t v, int bytes) {
    unsigned char b[8];
    for (int i = 0; i < bytes; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
    stream->WriteBuffer(b, bytes);
}

struct Classes {
    std::mutex lock;
    std::map<std::string, TRegisteredClass> byName; // by upper-case name
};

Classes& TheClasses() {
    static auto* classes = new Classes;
    return *classes;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

// --- Writer ---------------------------------------------------------------------------------------

void TWriter::WriteValue(TValueType type) {
    const auto b = static_cast<std::uint8_t>(type);
    stream_->WriteBuffer(&b, 1);
}

void TWriter::WriteStr(const std::string& s) {
    PutLE(stream_, s.size(), 4);
    if (!s.empty()) stream_->WriteBuffer(s.data(), static_cast<std::int32_t>(s.size()));
}

void TWriter::WriteInteger(std::int64_t Value) {
    WriteValue(TValueType::vaInt);
    PutLE(stream_, static_cast<std::uint64_t>(Value), 8);
}

void TWriter::WriteBoolean(bool Value) {
    WriteValue(Value ? TValueType::vaTrue : TValueType::vaFalse);
}

void TWriter::WriteFloat(double Value) {
    WriteValue(TValueType::vaFloat);
    std::uint64_t bits;
    std::memcpy(&bits, &Value, 8);
    PutLE(stream_, bits, 8);
}

void TWriter::WriteString(const std::string& Value) {
    WriteValue(TValueType::vaString);
    WriteStr(Value);
}

void TWriter::WriteListBegin() {
    WriteValue(TValueType::vaList);
}

void TWriter::WriteListEnd() {
    WriteValue(TValueType::vaNull);
}

void TWriter::WriteRootComponent(TComponent* Root) {
    root_ = Root;
    stream_->WriteBuffer(kSignature, 4);
    WriteComponent(Root);
}

void TWriter::WriteComponent(TComponent* Component) {
    if (!root_) root_ = Component;
    WriteStr(Component->ClassName());
    WriteStr(Component->Name());
    WriteProperties(Component, "");
    WriteStr(""); // end of the properties
    Component->GetChildren([this](TComponent* child) { WriteComponent(child); }, root_);
    WriteStr(""); // end of the children
}

void TWriter::WriteProperties(TPersistent* instance, const std::string& prefix) {
    for (const TPropInfo* p : GetPropList(instance)) {
        if (!p->IsStored(instance)) continue;
        const std::string name = prefix + p->Name;
        if (p->Kind == TTypeKind::tkClass) {
            if (!p->GetObject) continue;
            TObject* value = p->GetObject(instance);
            if (auto* component = dynamic_cast<TComponent*>(value)) {
                if (!p->SetObject || component->Name().empty()) continue;
                WriteStr(name);
                WriteValue(TValueType::vaRef);
                WriteStr(component->Name());
            } else if (auto* collection = dynamic_cast<TCollection*>(value)) {
                WriteStr(name);
                WriteValue(TValueType::vaCollection);
                for (int i = 0; i < collection->Count(); ++i) {
                    WriteValue(TValueType::vaList);
                    WriteProperties(collection->Items(i), "");
                    WriteStr("");
                }
                WriteValue(TValueType::vaNull);
            } else if (auto* persistent = dynamic_cast<TPersistent*>(value)) {
                WriteProperties(persistent, name + ".");
            }
            continue;
        }
        if (!p->HasSetter()) continue;
        if (p->Kind == TTypeKind::tkMethod) {
            // An event is stored as the name the root publishes its handler's code under; a
            // handler the root does not publish is not stored.
            const TRawMethod m = p->GetMethod(instance);
            const std::string method = m.Code ? MethodName(root_, m.Code) : std::string();
            if (method.empty()) continue;
            WriteStr(name);
            WriteValue(TValueType::vaIdent);
            WriteStr(method);
            continue;
        }
        if (IsOrdinal(p->Kind)) {
            const std::int64_t v = p->GetOrd(instance);
            if (p->Default && *p->Default == v) continue;
            WriteStr(name);
            WriteInteger(v);
        } else if (p->Kind == TTypeKind::tkFloat) {
            const double v = p->GetFloat(instance);
            if (v == 0) continue;
            WriteStr(name);
            WriteFloat(v);
        } else if (IsString(p->Kind)) {
            const std::string v = p->GetStr(instance);
            if (v.empty()) continue;
            WriteStr(name);
            WriteString(v);
        }
    }
    const std::string saved = prefix_;
    prefix_ = prefix;
    instance->DefineProperties(this);
    prefix_ = saved;
}

void TWriter::DefineProperty(const std::string& Name, TReaderProc, TWriterProc WriteData, bool HasData) {
    if (!HasData || !WriteData) return;
    WriteStr(prefix_ + Name);
    WriteData(this);
}

void TWriter::DefineBinaryProperty(const std::string& Name, TStreamProc, TStreamProc WriteData,
                                   bool HasData) {
    if (!HasData || !WriteData) return;
    TMemoryStream data;
    WriteData(&data);
    WriteStr(prefix_ + Name);
    WriteValue(TValueType::vaBinary);
    WriteStr(
        std::string(reinterpret_cast<const char*>(data.Memory()), static_cast<std::size_t>(data.Size())));
}

// --- Reader ---------------------------------------------------------------------------------------

std::uint32_t TReader::ReadU32() {
    unsigned char b[4];
    stream_->ReadBuffer(b, 4);
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 |
           std::uint32_t(b[3]) << 24;
}

std::string TReader::ReadStr() {
    const std::uint32_t n = ReadU32();
    if (n > stream_->Size() - stream_->Position()) throw EReadError();
    std::string s(n, '\0');
    if (n) stream_->ReadBuffer(s.data(), static_cast<std::int32_t>(n));
    return s;
}

TValueType TReader::ReadValue() {
    std::uint8_t b;
    stream_->ReadBuffer(&b, 1);
    if (b > static_cast<std::uint8_t>(TValueType::vaIdent)) throw EReadError("Invalid property value");
    return static_cast<TValueType>(b);
}

TValueType TReader::NextValue() {
    const TValueType v = ReadValue();
    stream_->Seek(-1, TSeekOrigin::soCurrent);
    return v;
}

std::int64_t TReader::ReadInteger() {
    if (ReadValue() != TValueType::vaInt) throw EReadError("Invalid property value");
    const std::uint64_t lo = ReadU32();
    const std::uint64_t hi = ReadU32();
    return static_cast<std::int64_t>(lo | hi << 32);
}

bool TReader::ReadBoolean() {
    const TValueType v = ReadValue();
    if (v != TValueType::vaTrue && v != TValueType::vaFalse) throw EReadError("Invalid property value");
    return v == TValueType::vaTrue;
}

double TReader::ReadFloat() {
    if (ReadValue() != TValueType::vaFloat) throw EReadError("Invalid property value");
    const std::uint64_t lo = ReadU32();
    const std::uint64_t hi = ReadU32();
    const std::uint64_t bits = lo | hi << 32;
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

std::string TReader::ReadString() {
    if (ReadValue() != TValueType::vaString) throw EReadError("Invalid property value");
    return ReadStr();
}

void TReader::ReadListBegin() {
    if (ReadValue() != TValueType::vaList) throw EReadError("Invalid property value");
}

void TReader::ReadListEnd() {
    if (ReadValue() != TValueType::vaNull) throw EReadError("Invalid property value");
}

bool TReader::EndOfList() {
    return NextValue() == TValueType::vaNull;
}

void TReader::SkipValue() {
    switch (ReadValue()) {
    case TValueType::vaList:
        while (!EndOfList()) SkipValue();
        ReadListEnd();
        break;
    case TValueType::vaCollection:
        while (!EndOfList()) {
            if (ReadValue() != TValueType::vaList) throw EReadError("Invalid property value");
            for (std::string name = ReadStr(); !name.empty(); name = ReadStr()) SkipValue();
        }
        ReadListEnd();
        break;
    case TValueType::vaInt:
    case TValueType::vaFloat:
        stream_->Seek(8, TSeekOrigin::soCurrent);
        break;
    case TValueType::vaString:
    case TValueType::vaBinary:
    case TValueType::vaRef:
    case TValueType::vaIdent:
        ReadStr();
        break;
    default:
        break;
    }
}

TComponent* TReader::ReadRootComponent(TComponent* Root) {
    unresolved_ = false;
    char signature[4];
    stream_->ReadBuffer(signature, 4);
    if (std::memcmp(signature, kSignature, 4) != 0) throw EReadError("Invalid stream format");
    const std::string className = ReadStr();
    const std::string name = ReadStr();
    bool made = false;
    if (!Root) {
        Root = FindClass(className)(nullptr);
        made = true;
    } else if (!SameText(Root->ClassName(), className)) {
        throw EReadError("Invalid stream format");
    }
    root_ = owner_ = parent_ = Root;
    try {
        if (!name.empty()) Root->SetName(name);
        Root->ReadState(this);
    } catch (...) {
        for (TComponent* c : loaded_) c->state_ = c->state_ - TComponentState{TComponentStateItem::csReading};
        if (made) delete Root;
        throw;
    }
    for (const Fixup& f : fixups_) {
        TComponent* target = SameText(Root->Name(), f.name) ? Root : Root->FindComponent(f.name);
        if (target) static_cast<const TPropInfo*>(f.prop)->SetObject(f.instance, target);
    }
    fixups_.clear();
    const auto loaded = std::move(loaded_);
    for (TComponent* c : loaded) {
        c->state_ =
            c->state_ - TComponentState{TComponentStateItem::csReading, TComponentStateItem::csLoading};
        c->Loaded();
    }
    if (unresolved_) {
        unresolved_ = false;
        if (made) delete Root;
        throw EReadError("Invalid property value");
    }
    return Root;
}

void TReader::ReadComponentData(TComponent* Instance) {
    loaded_.push_back(Instance);
    Instance->state_ =
        Instance->state_ + TComponentState{TComponentStateItem::csReading, TComponentStateItem::csLoading};
    for (std::string name = ReadStr(); !name.empty(); name = ReadStr()) ReadProperty(Instance, name);
    TComponent* const savedParent = parent_;
    TComponent* const savedOwner = owner_;
    parent_ = Instance->GetChildParent();
    owner_ = Instance->GetChildOwner() ? Instance->GetChildOwner() : root_;
    while (ReadComponent()) {
    }
    parent_ = savedParent;
    owner_ = savedOwner;
}

TComponent* TReader::ReadComponent() {
    const std::string className = ReadStr();
    if (className.empty()) return nullptr;
    const std::string name = ReadStr();
    TComponent* child = FindClass(className)(owner_);
    try {
        child->SetName(name);
        child->ReadState(this);
    } catch (...) {
        loaded_.erase(std::remove(loaded_.begin(), loaded_.end(), child), loaded_.end());
        delete child;
        throw;
    }
    return child;
}

void TReader::ReadProperty(TPersistent* instance, const std::string& name) {
    const std::size_t dot = name.find('.');
    if (dot != std::string::npos) {
        const TPropInfo* p = GetPropInfo(instance, name.substr(0, dot));
        auto* inner = p && p->Kind == TTypeKind::tkClass && p->GetObject
                          ? dynamic_cast<TPersistent*>(p->GetObject(instance))
                          : nullptr;
        if (!inner) throw EReadError("Property " + name.substr(0, dot) + " does not exist");
        ReadProperty(inner, name.substr(dot + 1));
        return;
    }
    const TPropInfo* p = GetPropInfo(instance, name);
    if (!p) {
        const std::string savedWanted = wanted_;
        wanted_ = name;
        taken_ = false;
        instance->DefineProperties(this);
        const bool taken = taken_;
        wanted_ = savedWanted;
        taken_ = false;
        if (!taken) throw EReadError("Property " + name + " does not exist");
        return;
    }
    if (p->Kind == TTypeKind::tkClass && NextValue() == TValueType::vaCollection) {
        auto* collection = p->GetObject ? dynamic_cast<TCollection*>(p->GetObject(instance)) : nullptr;
        if (!collection) throw EReadError("Invalid property value");
        ReadCollection(collection);
        return;
    }
    if (!p->HasSetter()) {
        SkipValue();
        return;
    }
    if (p->Kind == TTypeKind::tkMethod) {
        const TValueType v = ReadValue();
        if (v == TValueType::vaNil) {
            p->SetMethod(instance, TRawMethod{});
            return;
        }
        if (v != TValueType::vaIdent) throw EReadError("Invalid property value");
        const std::string method = ReadStr();
        const auto entry = FindPublishedMethod(root_, method);
        if (!entry || entry->Signature != p->MethodSignature) {
            unresolved_ = true;
            return;
        }
        p->SetMethod(instance, TRawMethod{entry->Code, root_, entry->Signature});
        return;
    }
    if (IsOrdinal(p->Kind)) {
        p->SetOrd(instance, NextValue() == TValueType::vaInt ? ReadInteger() : ReadBoolean() ? 1 : 0);
    } else if (p->Kind == TTypeKind::tkFloat) {
        p->SetFloat(instance, ReadFloat());
    } else if (IsString(p->Kind)) {
        p->SetStr(instance, ReadString());
    } else if (p->Kind == TTypeKind::tkClass) {
        const TValueType v = ReadValue();
        if (v == TValueType::vaNil)
            p->SetObject(instance, nullptr);
        else if (v == TValueType::vaRef)
            fixups_.push_back(Fixup{instance, p, ReadStr()});
        else
            throw EReadError("Invalid property value");
    } else {
        SkipValue();
    }
}

void TReader::ReadCollection(TCollection* collection) {
    ReadValue();
    collection->BeginUpdate();
    try {
        collection->Clear();
        while (!EndOfList()) {
            if (ReadValue() != TValueType::vaList) throw EReadError("Invalid property value");
            TCollectionItem* item = collection->Add();
            for (std::string name = ReadStr(); !name.empty(); name = ReadStr()) ReadProperty(item, name);
        }
        ReadListEnd();
    } catch (...) {
        collection->EndUpdate();
        throw;
    }
    collection->EndUpdate();
}

void TReader::DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc, bool) {
    if (taken_ || !ReadData || !SameText(Name, wanted_)) return;
    taken_ = true;
    ReadData(this);
}

void TReader::DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc, bool) {
    if (taken_ || !ReadData || !SameText(Name, wanted_)) return;
    taken_ = true;
    if (ReadValue() != TValueType::vaBinary) throw EReadError("Invalid property value");
    TMemoryStream data(ReadStr());
    ReadData(&data);
}

// --- Classes --------------------------------------------------------------------------------------

void RegisterClass(const std::string& ClassName, TComponentFactory Factory) {
    Classes& c = TheClasses();
    std::lock_guard<std::mutex> g(c.lock);
    c.byName[Upper(ClassName)] = TRegisteredClass{ClassName, std::move(Factory)};
}

std::vector<TRegisteredClass> GetRegisteredClasses() {
    Classes& c = TheClasses();
    std::lock_guard<std::mutex> g(c.lock);
    std::vector<TRegisteredClass> list;
    for (const auto& [upper, entry] : c.byName) list.push_back(entry);
    return list;
}

TComponentFactory GetClass(const std::string& ClassName) {
    Classes& c = TheClasses();
    std::lock_guard<std::mutex> g(c.lock);
    auto it = c.byName.find(Upper(ClassName));
    return it == c.byName.end() ? TComponentFactory() : it->second.Factory;
}

TComponentFactory FindClass(const std::string& ClassName) {
    TComponentFactory f = GetClass(ClassName);
    if (!f) throw EClassNotFound("Class " + ClassName + " not found");
    return f;
}
