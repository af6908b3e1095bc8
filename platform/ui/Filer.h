// The filer: components written to a stream and read back with their published properties, the
// properties they define themselves (DefineProperty, DefineBinaryProperty) and their children.
//
// The stream is our own: "VXF1", then the root component. A component is its class name, its name,
// its properties (name and value) up to an end mark, then its children up to an end mark. A value
// is a tag byte and its data, lengths and numbers little-endian. A binary property holds exactly the
// bytes its writer wrote, and its reader gets exactly those. A published collection is written with
// all its items, each with its own properties; reading it replaces the collection's items inside
// one update bracket.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Classes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TReader;
class TWriter;

using TReaderProc = std::function<void(TReader* Reader)>;
using TWriterProc = std::function<void(TWriter* Writer)>;
using TStreamProc = std::function<void(TStream* Stream)>;

enum class TValueType : std::uint8_t {
    vaNull = 0,   // end of a list
    vaList = 1,   // a list of values up to vaNull
    vaInt = 2,    // 8 bytes, signed
    vaFloat = 3,  // 8 bytes, IEEE double
    vaString = 4, // 4-byte length, bytes
    vaFalse = 5,
    vaTrue = 6,
    vaBinary = 7,      // 4-byte length, bytes
    vaNil = 8,         // no object
    vaRef = 9,         // 4-byte length, the name of a component
    vaCollection = 10, // items up to vaNull, each vaList, its properties and an empty name
    vaIdent = 11,      // 4-byte length, the name of a method the root publishes (an event's handler)
};

class TFiler {
public:
    explicit TFiler(TStream* Stream) : stream_(Stream) {}
    virtual ~TFiler() = default;
    // A property of the object's own: ReadData is called when the stream holds it, WriteData when
    // HasData says there is something to write.
    virtual void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                                bool HasData) = 0;
    virtual void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                                      bool HasData) = 0;
    TComponent* Root() const { return root_; }
    TStream* Stream() const { return stream_; }

protected:
    TStream* stream_;
    TComponent* root_ = nullptr;
};

class TWriter : public TFiler {
public:
    using TFiler::TFiler;
    // Writes the component with its properties and children (GetChildren).
    void WriteRootComponent(TComponent* Root);
    void WriteComponent(TComponent* Component);

    void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                              bool HasData) override;

    void WriteInteger(std::int64_t Value);
    void WriteBoolean(bool Value);
    void WriteFloat(double Value);
    void WriteString(const std::string& Value);
    void WriteListBegin();
    void WriteListEnd();

private:
    void WriteValue(TValueType type);
    void WriteStr(const std::string& s);
    void WriteProperties(TPersistent* instance, const std::string& prefix);
    std::string prefix_;
};

class TReader : public TFiler {
public:
    using TFiler::TFiler;
    // Reads a root written by WriteRootComponent into Root (its class must match), or, with Root
    // nullptr, into a new component of the registered class. Loaded runs on every component read
    // once all are read. EReadError for a stream that is not one of ours or is cut short,
    // EClassNotFound for a class that is not registered. Events are bound by name to the methods the
    // root publishes (the root as their object); a name it does not publish, or one of another
    // signature, leaves that event as it was and raises EReadError ("Invalid property value") once
    // everything else is read (a root the reader made is freed then).
    TComponent* ReadRootComponent(TComponent* Root);

    void DefineProperty(const std::string& Name, TReaderProc ReadData, TWriterProc WriteData,
                        bool HasData) override;
    void DefineBinaryProperty(const std::string& Name, TStreamProc ReadData, TStreamProc WriteData,
                              bool HasData) override;

    // The component the children being read belong to (GetChildParent of the one read last).
    TComponent* Parent() const { return parent_; }
    TComponent* Owner() const { return owner_; }

    std::int64_t ReadInteger();
    bool ReadBoolean();
    double ReadFloat();
    std::string ReadString();
    void ReadListBegin();
    void ReadListEnd();
    bool EndOfList();
    TValueType NextValue();

    // Reads the properties and children of the component (TComponent::ReadState).
    void ReadComponentData(TComponent* Instance);

private:
    friend class TComponent;
    TValueType ReadValue();
    std::uint32_t ReadU32();
    std::string ReadStr();
    void ReadProperty(TPersistent* instance, const std::string& name);
    void ReadCollection(class TCollection* collection);
    void SkipValue();
    TComponent* ReadComponent();

    TComponent* parent_ = nullptr;
    TComponent* owner_ = nullptr;
    // While a property is read: its name, and whether a defined property took it.
    std::string wanted_;
    bool taken_ = false;
    std::vector<TComponent*> loaded_;
    struct Fixup {
        TObject* instance;
        const void* prop;
        std::string name;
    };
    std::vector<Fixup> fixups_;
    // An event named a handler the root does not publish (or of another signature): the event stays
    // as it was, the rest is read, and the error is raised at the end.
    bool unresolved_ = false;
};

class EClassNotFound : public Exception {
public:
    using Exception::Exception;
};

using TComponentFactory = std::function<TComponent*(TComponent* Owner)>;
// Makes the class known to the reader by its name.
void RegisterClass(const std::string& ClassName, TComponentFactory Factory);
template <class C> void RegisterClass() {
    RegisterClass(ClassNameOf<C>(), [](TComponent* Owner) -> TComponent* { return new C(Owner); });
}
struct TRegisteredClass {
    std::string Name; // as registered
    TComponentFactory Factory;
};
// Every registered class, in name order.
std::vector<TRegisteredClass> GetRegisteredClasses();
// The factory of a registered class; EClassNotFound ("Class X not found") otherwise.
TComponentFactory FindClass(const std::string& ClassName);
TComponentFactory GetClass(const std::string& ClassName); // empty when not registered
