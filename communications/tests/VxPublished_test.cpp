// The library's published interface, one table for every component class: each class's published
// names in their order with kind, declared default and stored rule, checked against the classes'
// own tables; a round trip of a value other than the default for every property through the filer
// (events by the name of a handler the root publishes); and every registered class of the library
// must be in the table.
#include "communications/VXTerm.h"
#include "communications/VXTrmEmu.h"
#include "communications/VxPacket.h"
#include "communications/VxPort.h"
#include "communications/VxStatLt.h"
#include "communications/VxWnPort.h"
#include "communications/tests/support/TestPty.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/tests/support/TempDir.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Graphics.h"
#include "platform/ui/Menus.h"
#include "platform/ui/TypInfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using K = TTypeKind;

// How a property decides whether it is written.
enum class Rule {
    Default,     // ordinal: when not the declared default; string: when not empty; event: when set
    Always,      // an ordinal without a declared default
    Never,       // not stored
    UnlessParent // the control's Parent... flag is off (Color, Ctl3D, Font)
};

struct Row {
    const char* Class;
    const char* Name;
    K Kind;
    std::optional<std::int64_t> Default;
    Rule Stored;
    // A value other than the default for the round trip: an ordinal's number, a string, a handler's
    // name for an event, "=Name" for a component reference, "Prop:value;..." for an owned
    // persistent. nullptr: Note says where the property is tested instead.
    const char* Sample;
    const char* Note = "";
};

constexpr std::int64_t clWindowValue = static_cast<std::int32_t>(0x80000005);

// Name and Tag come from the class library's component, Version from the library's bases (read
// from the build, never stored). Every control has the class library's Left, Top, Width, Height.
#define COMPONENT_ROWS(C)                                                                                    \
    {C, "Name", K::tkLString, {}, Rule::Default, nullptr, "the component's name, written as its name"},      \
        {C, "Tag", K::tkInteger, 0, Rule::Default, "7"}, {                                                   \
        C, "Version", K::tkLString, {}, Rule::Never, nullptr, "VersionIsTheBuildsNeverStored"                \
    }
#define CONTROL_ROWS(C)                                                                                      \
    {C, "Name", K::tkLString, {}, Rule::Default, nullptr, "the component's name, written as its name"},      \
        {C, "Tag", K::tkInteger, 0, Rule::Default, "7"}, {C, "Left", K::tkInteger, {}, Rule::Always, "11"},  \
        {C, "Top", K::tkInteger, {}, Rule::Always, "12"},                                                    \
        {C, "Width", K::tkInteger, {}, Rule::Always, "31"},                                                  \
        {C, "Height", K::tkInteger, {}, Rule::Always, "21"}, {                                               \
        C, "Version", K::tkLString, {}, Rule::Never, nullptr, "VersionIsTheBuildsNeverStored"                \
    }

// The port's settings and events; the TCP port publishes them too (its own samples where the
// device layer changes what a value can be).
#define PORT_ROWS(C, LAYER, TAPI, MSR)                                                                       \
    COMPONENT_ROWS(C),                                                                                       \
        {C,                                                                                                  \
         "DeviceLayer",                                                                                      \
         K::tkEnumeration,                                                                                   \
         0,                                                                                                  \
         Rule::Default,                                                                                      \
         LAYER,                                                                                              \
         "the serial port accepts only dlWin32: nothing else to carry"},                                     \
        {C, "ComNumber", K::tkInteger, 0, Rule::Default, "3"},                                               \
        {C, "Baud", K::tkInteger, 19200, Rule::Default, "38400"},                                            \
        {C, "PromptForPort", K::tkEnumeration, 1, Rule::Default, "0"},                                       \
        {C, "Parity", K::tkEnumeration, 0, Rule::Default, "2"},                                              \
        {C, "DataBits", K::tkInteger, 8, Rule::Default, "7"},                                                \
        {C, "StopBits", K::tkInteger, 1, Rule::Default, "2"},                                                \
        {C, "InSize", K::tkInteger, 4096, Rule::Default, "8192"},                                            \
        {C, "OutSize", K::tkInteger, 4096, Rule::Default, "2048"},                                           \
        {C, "AutoOpen", K::tkEnumeration, 1, Rule::Default, "0"},                                            \
        {C, "Open", K::tkEnumeration, 0, Rule::Default, nullptr, "PortOpenInTheStreamOpensAtLoaded"},        \
        {C, "DTR", K::tkEnumeration, 1, Rule::Default, "0"},                                                 \
        {C, "RTS", K::tkEnumeration, 1, Rule::Default, "0"},                                                 \
        {C, "HWFlowOptions", K::tkSet, 0, Rule::Default, "5"},                                               \
        {C, "SWFlowOptions", K::tkEnumeration, 0, Rule::Default, "3"},                                       \
        {C, "XOnChar", K::tkChar, 17, Rule::Default, "1"},                                                   \
        {C, "XOffChar", K::tkChar, 19, Rule::Default, "2"},                                                  \
        {C, "BufferFull", K::tkInteger, 0, Rule::Default, "3000"},                                           \
        {C, "BufferResume", K::tkInteger, 0, Rule::Default, "300"},                                          \
        {C, "Tracing", K::tkEnumeration, 0, Rule::Default, "1"},                                             \
        {C, "TraceSize", K::tkInteger, 10000, Rule::Default, "5000"},                                        \
        {C, "TraceName", K::tkLString, {}, Rule::Default, "port.trc"},                                       \
        {C, "TraceHex", K::tkEnumeration, 1, Rule::Default, "0"},                                            \
        {C, "TraceAllHex", K::tkEnumeration, 0, Rule::Default, "1"},                                         \
        {C, "Logging", K::tkEnumeration, 0, Rule::Default, "1"},                                             \
        {C, "LogSize", K::tkInteger, 10000, Rule::Default, "6000"},                                          \
        {C, "LogName", K::tkLString, {}, Rule::Default, "port.log"},                                         \
        {C, "LogHex", K::tkEnumeration, 1, Rule::Default, "0"},                                              \
        {C, "LogAllHex", K::tkEnumeration, 0, Rule::Default, "1"},                                           \
        {C, "UseMSRShadow", K::tkEnumeration, 1, Rule::Default, MSR, "False on the Winsock layer"},          \
        {C, "UseEventWord", K::tkEnumeration, 1, Rule::Default, "0"},                                        \
        {C, "CommNotificationLevel", K::tkInteger, 10, Rule::Default, "20"},                                 \
        {C, "TapiMode", K::tkEnumeration, 1, Rule::Default, TAPI},                                           \
        {C, "RS485Mode", K::tkEnumeration, 0, Rule::Default, "1"},                                           \
        {C, "OnPortOpen", K::tkMethod, {}, Rule::Default, "PortOpen"},                                       \
        {C, "OnPortClose", K::tkMethod, {}, Rule::Default, "PortClose"},                                     \
        {C, "OnTrigger", K::tkMethod, {}, Rule::Default, "Trigger"},                                         \
        {C, "OnTriggerAvail", K::tkMethod, {}, Rule::Default, "TriggerAvail"},                               \
        {C, "OnTriggerData", K::tkMethod, {}, Rule::Default, "TriggerData"},                                 \
        {C, "OnTriggerStatus", K::tkMethod, {}, Rule::Default, "TriggerStatus"},                             \
        {C, "OnTriggerTimer", K::tkMethod, {}, Rule::Default, "TriggerTimer"},                               \
        {C, "OnTriggerLineError", K::tkMethod, {}, Rule::Default, "TriggerLineError"},                       \
        {C, "OnTriggerModemStatus", K::tkMethod, {}, Rule::Default, "Notify"},                               \
        {C, "OnTriggerOutbuffFree", K::tkMethod, {}, Rule::Default, "Notify"},                               \
        {C, "OnTriggerOutbuffUsed", K::tkMethod, {}, Rule::Default, "Notify"}, {                             \
        C, "OnTriggerOutSent", K::tkMethod, {}, Rule::Default, "Notify"                                      \
    }

const std::vector<Row>& Table() {
    static const std::vector<Row> rows = {
        // Tag is the class library's own and keeps its place after Name.
        PORT_ROWS("TVexComPort", nullptr, "3", "0"),

        PORT_ROWS("TVexWinsockPort", "1", "0", nullptr),
        {"TVexWinsockPort", "WsAddress", K::tkLString, {}, Rule::Default, "switcher.local"},
        {"TVexWinsockPort",
         "WsPort",
         K::tkLString,
         {},
         Rule::Default,
         "3000",
         "the constructor's \"telnet\""},
        {"TVexWinsockPort", "WsMode", K::tkEnumeration, 0, Rule::Default, "1"},
        {"TVexWinsockPort", "WsTelnet", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVexWinsockPort",
         "WsLocalAddresses",
         K::tkClass,
         {},
         Rule::Never,
         nullptr,
         "the host's addresses, listed afresh at every read: nothing to store"},
        {"TVexWinsockPort", "WsLocalAddressIndex", K::tkInteger, {}, Rule::Always, "2"},
        {"TVexWinsockPort",
         "WsSocksServerInfo",
         K::tkClass,
         {},
         Rule::Default,
         "Address:proxy.local;Password:secret;Port:1080;SocksVersion:3;UserCode:me"},
        {"TVexWinsockPort", "OnWsAccept", K::tkMethod, {}, Rule::Default, "WsAccept"},
        {"TVexWinsockPort", "OnWsConnect", K::tkMethod, {}, Rule::Default, "Notify"},
        {"TVexWinsockPort", "OnWsDisconnect", K::tkMethod, {}, Rule::Default, "Notify"},
        {"TVexWinsockPort", "OnWsError", K::tkMethod, {}, Rule::Default, "WsError"},
        {"TVexWinsockPort", "OnWaitChar", K::tkMethod, {}, Rule::Default, "WaitChar"},

        // The terminal's own list, then the inherited ones it publishes (Width and Height at the
        // control's place).
        CONTROL_ROWS("TVxTerminal"),
        {"TVxTerminal", "Active", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVxTerminal", "AutoCopy", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVxTerminal", "AutoScrollback", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVxTerminal", "BlinkTime", K::tkInteger, 500, Rule::Default, "300"},
        {"TVxTerminal", "BorderStyle", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVxTerminal", "Capture", K::tkEnumeration, 0, Rule::Default, "1"},
        {"TVxTerminal",
         "CaptureFile",
         K::tkLString,
         {},
         Rule::Default,
         "term.cap",
         "the constructor's \"VEXOTERM.CAP\""},
        {"TVxTerminal", "Columns", K::tkInteger, 80, Rule::Default, "100"},
        {"TVxTerminal", "ComPort", K::tkClass, {}, Rule::Default, "=VexComPort1"},
        {"TVxTerminal", "CursorType", K::tkEnumeration, 2, Rule::Default, "1"},
        {"TVxTerminal", "FollowCursor", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVxTerminal", "HalfDuplex", K::tkEnumeration, 0, Rule::Default, "1"},
        {"TVxTerminal", "HideScrollbars", K::tkEnumeration, 0, Rule::Default, "1"},
        {"TVxTerminal", "LazyByteDelay", K::tkInteger, 200, Rule::Default, "300"},
        {"TVxTerminal", "LazyTimeDelay", K::tkInteger, 100, Rule::Default, "150"},
        {"TVxTerminal", "MouseSelect", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVxTerminal", "PasteToPort", K::tkEnumeration, 0, Rule::Default, "1"},
        {"TVxTerminal", "PasteToScreen", K::tkEnumeration, 0, Rule::Default, "1"},
        {"TVxTerminal", "Rows", K::tkInteger, 24, Rule::Default, "30"},
        {"TVxTerminal", "ScrollbackRows", K::tkInteger, 200, Rule::Default, "300"},
        {"TVxTerminal", "Scrollback", K::tkEnumeration, {}, Rule::Always, "1", "the constructor's False"},
        {"TVxTerminal", "UseLazyDisplay", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVxTerminal", "WantAllKeys", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVxTerminal", "FreezeScrollBack", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVxTerminal", "OnCursorMoved", K::tkMethod, {}, Rule::Default, "CursorMoved"},
        {"TVxTerminal",
         "Emulator",
         K::tkClass,
         {},
         Rule::Default,
         "=VxVT100Emulator1",
         "nil: the built-in TTY emulator"},
        {"TVxTerminal", "Align", K::tkEnumeration, 0, Rule::Default, "1"},
        {"TVxTerminal", "Color", K::tkInteger, clWindowValue, Rule::UnlessParent, "255",
         "the constructor's 0"},
        {"TVxTerminal", "Ctl3D", K::tkEnumeration, {}, Rule::UnlessParent, "0"},
        {"TVxTerminal", "Enabled", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVxTerminal",
         "Font",
         K::tkClass,
         {},
         Rule::UnlessParent,
         "Height:-16",
         "the constructor's \"Terminal\", 9, 0xC0C0C0"},
        {"TVxTerminal", "ParentColor", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVxTerminal", "ParentCtl3D", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVxTerminal", "ParentFont", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVxTerminal", "PopupMenu", K::tkClass, {}, Rule::Default, "=PopupMenu1"},
        {"TVxTerminal", "TabOrder", K::tkInteger, -1, Rule::Default, nullptr,
         "a place among a parent's controls: a read control has no parent here"},
        {"TVxTerminal", "TabStop", K::tkEnumeration, 0, Rule::Default, "1"},
        {"TVxTerminal", "Visible", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVxTerminal", "OnClick", K::tkMethod, {}, Rule::Default, "Notify"},
        {"TVxTerminal", "OnDblClick", K::tkMethod, {}, Rule::Default, "Notify"},
        {"TVxTerminal", "OnExit", K::tkMethod, {}, Rule::Default, "Notify"},
        {"TVxTerminal", "OnKeyDown", K::tkMethod, {}, Rule::Default, "Key"},
        {"TVxTerminal", "OnKeyPress", K::tkMethod, {}, Rule::Default, "KeyPress"},
        {"TVxTerminal", "OnKeyUp", K::tkMethod, {}, Rule::Default, "Key"},
        {"TVxTerminal", "OnMouseDown", K::tkMethod, {}, Rule::Default, "MouseButton"},
        {"TVxTerminal", "OnMouseMove", K::tkMethod, {}, Rule::Default, "MouseMove"},
        {"TVxTerminal", "OnMouseUp", K::tkMethod, {}, Rule::Default, "MouseButton"},

        // Every emulator also streams its answerback by its own rule (AnswerbackStreaming).
        COMPONENT_ROWS("TVxTTYEmulator"),
        {"TVxTTYEmulator", "Terminal", K::tkClass, {}, Rule::Default, "=VxTerminal2"},
        {"TVxTTYEmulator", "OnProcessChar", K::tkMethod, {}, Rule::Default, "ProcessChar"},

        COMPONENT_ROWS("TVxVT100Emulator"),
        {"TVxVT100Emulator", "Terminal", K::tkClass, {}, Rule::Default, "=VxTerminal1"},
        {"TVxVT100Emulator",
         "Answerback",
         K::tkLString,
         {},
         Rule::Never,
         "VT-1",
         "written by the emulator's own rule, empty or not (AnswerbackStreaming)"},
        {"TVxVT100Emulator",
         "DisplayUpperASCII",
         K::tkEnumeration,
         {},
         Rule::Always,
         "1",
         "the constructor's False"},
        {"TVxVT100Emulator", "OnProcessChar", K::tkMethod, {}, Rule::Default, "ProcessChar"},

        COMPONENT_ROWS("TVexDataPacket"),
        {"TVexDataPacket", "Enabled", K::tkEnumeration, {}, Rule::Always, "1", "the constructor's False"},
        {"TVexDataPacket", "AutoEnable", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVexDataPacket", "StartCond", K::tkEnumeration, 0, Rule::Default, "1"},
        {"TVexDataPacket", "EndCond", K::tkSet, 0, Rule::Default, "3"},
        {"TVexDataPacket", "StartString", K::tkLString, {}, Rule::Default, "<POPUPMSG>"},
        {"TVexDataPacket", "EndString", K::tkLString, {}, Rule::Default, "</POPUPMSG>"},
        {"TVexDataPacket", "IgnoreCase", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVexDataPacket", "ComPort", K::tkClass, {}, Rule::Default, "=VexWinsockPort1"},
        {"TVexDataPacket", "PacketSize", K::tkInteger, {}, Rule::Always, "64"},
        {"TVexDataPacket", "IncludeStrings", K::tkEnumeration, 1, Rule::Default, "0"},
        {"TVexDataPacket", "TimeOut", K::tkInteger, 2184, Rule::Default, "91"},
        {"TVexDataPacket", "OnPacket", K::tkMethod, {}, Rule::Default, "Packet"},
        {"TVexDataPacket", "OnStringPacket", K::tkMethod, {}, Rule::Default, "StringPacket"},
        {"TVexDataPacket", "OnTimeout", K::tkMethod, {}, Rule::Default, "Notify"},

        CONTROL_ROWS("TVexStatusLight"),
        {"TVexStatusLight",
         "Glyph",
         K::tkClass,
         {},
         Rule::Default,
         "@glyph",
         "a bitmap: lit left, unlit right"},
        {"TVexStatusLight", "Lit", K::tkEnumeration, 0, Rule::Default, "1"},
        {"TVexStatusLight", "LitColor", K::tkInteger, 255, Rule::Default, "65535"},
        {"TVexStatusLight", "NotLitColor", K::tkInteger, 32768, Rule::Default, "128"},

        // Monitoring is public, not published.
        COMPONENT_ROWS("TVexSLController"),
        {"TVexSLController",
         "ComPort",
         K::tkClass,
         {},
         Rule::Default,
         "=VexWinsockPort1",
         "the owner's first port at construction"},
        {"TVexSLController", "ErrorOffTimeout", K::tkInteger, 36, Rule::Default, "40"},
        {"TVexSLController", "BreakOffTimeout", K::tkInteger, 36, Rule::Default, "41"},
        {"TVexSLController", "RXDOffTimeout", K::tkInteger, 1, Rule::Default, "2"},
        {"TVexSLController", "TXDOffTimeout", K::tkInteger, 1, Rule::Default, "3"},
        {"TVexSLController", "RingOffTimeout", K::tkInteger, 8, Rule::Default, "9"},
        {"TVexSLController",
         "Lights",
         K::tkClass,
         {},
         Rule::Default,
         "CTSLight:=VexStatusLight1;DCDLight:=VexStatusLight1;BREAKLight:=VexStatusLight1"},
    };
    return rows;
}

// The owned persistents' own lists, checked the same way.
const std::vector<Row>& NestedTable() {
    static const std::vector<Row> rows = {
        {"TVexSocksServerInfo", "Address", K::tkLString, {}, Rule::Default, nullptr},
        {"TVexSocksServerInfo", "Password", K::tkLString, {}, Rule::Default, nullptr},
        {"TVexSocksServerInfo", "Port", K::tkInteger, {}, Rule::Always, nullptr},
        {"TVexSocksServerInfo", "SocksVersion", K::tkEnumeration, 0, Rule::Default, nullptr},
        {"TVexSocksServerInfo", "UserCode", K::tkLString, {}, Rule::Default, nullptr},
        {"TLightSet", "CTSLight", K::tkClass, {}, Rule::Default, nullptr},
        {"TLightSet", "DSRLight", K::tkClass, {}, Rule::Default, nullptr},
        {"TLightSet", "DCDLight", K::tkClass, {}, Rule::Default, nullptr},
        {"TLightSet", "RINGLight", K::tkClass, {}, Rule::Default, nullptr},
        {"TLightSet", "TXDLight", K::tkClass, {}, Rule::Default, nullptr},
        {"TLightSet", "RXDLight", K::tkClass, {}, Rule::Default, nullptr},
        {"TLightSet", "ERRORLight", K::tkClass, {}, Rule::Default, nullptr},
        {"TLightSet", "BREAKLight", K::tkClass, {}, Rule::Default, nullptr},
    };
    return rows;
}

std::vector<const Row*> RowsOf(const std::vector<Row>& table, const std::string& cls) {
    std::vector<const Row*> rows;
    for (const Row& r : table)
        if (cls == r.Class) rows.push_back(&r);
    return rows;
}

std::vector<std::string> Classes() {
    std::vector<std::string> names;
    for (const Row& r : Table())
        if (std::find(names.begin(), names.end(), r.Class) == names.end()) names.push_back(r.Class);
    return names;
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = s.find(sep, from)) != std::string::npos; from = at + 1)
        parts.push_back(s.substr(from, at - from));
    parts.push_back(s.substr(from));
    return parts;
}

// The root the components are written with: it owns them, writes them as its children and
// publishes a handler of every event type the library's components have.
class TPublishRoot : public TComponent {
public:
    using TComponent::TComponent;
    void GetChildren(TGetChildProc Proc, TComponent*) override {
        for (int i = 0; i < ComponentCount(); ++i) Proc(Components(i));
    }

    void PortOpen(TObject*) { Calls.push_back("PortOpen"); }
    void PortClose(TObject*) { Calls.push_back("PortClose"); }
    void Notify(TObject*) { Calls.push_back("Notify"); }
    void Trigger(TObject*, WORD, WORD, WORD) { Calls.push_back("Trigger"); }
    void TriggerAvail(TObject*, WORD Count) { Calls.push_back("TriggerAvail " + std::to_string(Count)); }
    void TriggerData(TObject*, WORD) { Calls.push_back("TriggerData"); }
    void TriggerStatus(TObject*, WORD) { Calls.push_back("TriggerStatus"); }
    void TriggerTimer(TObject*, WORD) { Calls.push_back("TriggerTimer"); }
    void TriggerLineError(TObject*, WORD, bool) { Calls.push_back("TriggerLineError"); }
    void WaitChar(TObject*, char) { Calls.push_back("WaitChar"); }
    void WsAccept(TObject*, TInAddr, bool&) { Calls.push_back("WsAccept"); }
    void WsError(TObject*, int) { Calls.push_back("WsError"); }
    void CursorMoved(TObject*, int, int) { Calls.push_back("CursorMoved"); }
    void ProcessChar(TObject*, char C, std::string& ReplaceWith, TVxEmuCommandList*, TVxCharSource) {
        Calls.push_back(std::string("ProcessChar ") + C);
        ReplaceWith = "<" + ReplaceWith + ">";
    }
    void Packet(TObject*, void*, int) { Calls.push_back("Packet"); }
    void StringPacket(TObject*, const std::string&) { Calls.push_back("StringPacket"); }
    void Key(TObject*, WORD&, TShiftState) { Calls.push_back("Key"); }
    void KeyPress(TObject*, char&) { Calls.push_back("KeyPress"); }
    void MouseButton(TObject*, TMouseButton, TShiftState, int, int) { Calls.push_back("MouseButton"); }
    void MouseMove(TObject*, TShiftState, int, int) { Calls.push_back("MouseMove"); }

    std::vector<std::string> Calls;
};

const bool kRootPublished = [] {
    using namespace published;
    using R = TPublishRoot;
    PublishMethods<R>({
        Method<&R::PortOpen>("PortOpen"),
        Method<&R::PortClose>("PortClose"),
        Method<&R::Notify>("Notify"),
        Method<&R::Trigger>("Trigger"),
        Method<&R::TriggerAvail>("TriggerAvail"),
        Method<&R::TriggerData>("TriggerData"),
        Method<&R::TriggerStatus>("TriggerStatus"),
        Method<&R::TriggerTimer>("TriggerTimer"),
        Method<&R::TriggerLineError>("TriggerLineError"),
        Method<&R::WaitChar>("WaitChar"),
        Method<&R::WsAccept>("WsAccept"),
        Method<&R::WsError>("WsError"),
        Method<&R::CursorMoved>("CursorMoved"),
        Method<&R::ProcessChar>("ProcessChar"),
        Method<&R::Packet>("Packet"),
        Method<&R::StringPacket>("StringPacket"),
        Method<&R::Key>("Key"),
        Method<&R::KeyPress>("KeyPress"),
        Method<&R::MouseButton>("MouseButton"),
        Method<&R::MouseMove>("MouseMove"),
    });
    PublishProperties<R, TComponent>({});
    RegisterClass<TPublishRoot>();
    if (!GetClass("TPopupMenu")) RegisterClass<TPopupMenu>();
    return true;
}();

// One component of every class, in an order whose references the reader can resolve, named as a
// form would name them.
void Populate(TPublishRoot* root) {
    auto name = [](TComponent* c, const char* n) { c->SetName(n); };
    name(new TVexComPort(root), "VexComPort1");
    name(new TVexWinsockPort(root), "VexWinsockPort1");
    name(new TPopupMenu(root), "PopupMenu1");
    name(new TVxTerminal(root), "VxTerminal1");
    name(new TVxTerminal(root), "VxTerminal2");
    name(new TVxVT100Emulator(root), "VxVT100Emulator1");
    name(new TVxTTYEmulator(root), "VxTTYEmulator1");
    name(new TVexDataPacket(root), "VexDataPacket1");
    name(new TVexStatusLight(root), "VexStatusLight1");
    name(new TVexSLController(root), "VexSLController1");
}

TComponent* ComponentOfClass(TComponent* root, const std::string& cls) {
    for (int i = 0; i < root->ComponentCount(); ++i)
        if (root->Components(i)->ClassName() == cls) return root->Components(i);
    return nullptr;
}

void Glyph(TBitmap* b) {
    b->SetWidth(26);
    b->SetHeight(13);
    for (int x = 0; x < 26; ++x)
        for (int y = 0; y < 13; ++y) b->Canvas()->SetPixels(x, y, x < 13 ? 0x0000FF : 0x00FF00);
}

// Sets a persistent's property from its sample (a nested "Prop:value" sets the nested one).
void SetSample(TPublishRoot* root, TObject* instance, const TPropInfo* p, const std::string& sample) {
    switch (p->Kind) {
    case K::tkMethod: {
        const auto m = FindPublishedMethod(root, sample);
        ASSERT_TRUE(m) << sample;
        p->SetMethod(instance, TRawMethod{m->Code, root, m->Signature});
        break;
    }
    case K::tkClass: {
        if (sample == "@glyph") {
            TBitmap glyph;
            Glyph(&glyph);
            p->SetObject(instance, &glyph);
        } else if (sample[0] == '=') {
            p->SetObject(instance, root->FindComponent(sample.substr(1)));
        } else {
            TObject* nested = p->GetObject(instance);
            for (const std::string& assignment : Split(sample, ';')) {
                const std::size_t eq = assignment.find(':');
                const TPropInfo* q = GetPropInfo(nested, assignment.substr(0, eq));
                ASSERT_NE(q, nullptr) << assignment;
                SetSample(root, nested, q, assignment.substr(eq + 1));
            }
        }
        break;
    }
    case K::tkLString:
    case K::tkString:
        p->SetStr(instance, sample);
        break;
    default:
        p->SetOrd(instance, std::stoll(sample));
        break;
    }
}

// A property's value as text, so that a written and a read component can be compared: a handler as
// its published name and whether it is bound to its own root, a reference as its name, an owned
// persistent as its published values, a bitmap as its size and two pixels.
std::string Describe(const TComponent* root, const TObject* instance, const TPropInfo* p) {
    switch (p->Kind) {
    case K::tkMethod: {
        const TRawMethod m = p->GetMethod(instance);
        if (!m.Code) return "nil";
        return MethodName(root, m.Code) + (m.Data == root ? " of the root" : " of another object");
    }
    case K::tkClass: {
        if (!p->GetObject) return "not kept";
        TObject* value = p->GetObject(instance);
        if (!value) return "nil";
        if (auto* c = dynamic_cast<TComponent*>(value))
            return "=" + c->Name() + (c->Owner() == root ? "" : " (elsewhere)");
        if (auto* b = dynamic_cast<TBitmap*>(value))
            return b->Empty() ? "empty bitmap"
                              : std::to_string(b->Width()) + "x" + std::to_string(b->Height()) + " " +
                                    std::to_string(b->Canvas()->Pixels(0, 0)) + " " +
                                    std::to_string(b->Canvas()->Pixels(20, 5));
        std::string s;
        for (const TPropInfo* q : GetPropList(value)) s += q->Name + "=" + Describe(root, value, q) + ";";
        return s;
    }
    case K::tkFloat:
        return std::to_string(p->GetFloat(instance));
    case K::tkLString:
    case K::tkString:
        return "\"" + p->GetStr(instance) + "\"";
    default:
        return std::to_string(p->GetOrd(instance));
    }
}

std::string Bytes(TMemoryStream& stream) {
    return stream.DataString();
}

// Runs a test in a directory of its own (a terminal's capture file is made where it runs).
class InTempDir {
public:
    InTempDir() : old_(std::filesystem::current_path()) { std::filesystem::current_path(dir_.Path()); }
    ~InTempDir() { std::filesystem::current_path(old_); }

private:
    TempDir dir_;
    std::filesystem::path old_;
};

// A packet's collector goes once its last packet has left, through a posted message.
class VxPublished : public ::testing::Test {
protected:
    void TearDown() override {
        for (int i = 0; i < 5; ++i) Application->ProcessMessages();
    }
};

TEST_F(VxPublished, EachClassPublishesItsListInOrderWithDefaultsAndStoredRules) {
    TPublishRoot root(nullptr);
    Populate(&root);
    auto check = [&](const std::vector<Row>& table, const std::string& cls, TObject* instance) {
        SCOPED_TRACE(cls);
        std::vector<std::string> expected, actual;
        for (const Row* r : RowsOf(table, cls)) expected.push_back(r->Name);
        for (const TPropInfo* p : GetPropList(instance)) actual.push_back(p->Name);
        ASSERT_EQ(actual, expected);
        for (const Row* r : RowsOf(table, cls)) {
            SCOPED_TRACE(r->Name);
            const TPropInfo* p = GetPropInfo(instance, r->Name);
            EXPECT_EQ(p->Kind == K::tkString ? K::tkLString : p->Kind, r->Kind);
            EXPECT_EQ(p->Default, r->Default);
            switch (r->Stored) {
            case Rule::Default:
            case Rule::Always:
                EXPECT_FALSE(p->Stored);
                EXPECT_EQ(!p->Default.has_value(), r->Stored == Rule::Always || r->Kind == K::tkLString ||
                                                       r->Kind == K::tkClass || r->Kind == K::tkMethod);
                break;
            case Rule::Never:
                EXPECT_FALSE(p->IsStored(instance));
                break;
            case Rule::UnlessParent:
                EXPECT_TRUE(p->Stored);
                break;
            }
        }
    };
    for (const std::string& cls : Classes()) {
        TComponent* c = ComponentOfClass(&root, cls);
        ASSERT_NE(c, nullptr) << cls;
        check(Table(), cls, c);
    }
    auto* ws = static_cast<TVexWinsockPort*>(ComponentOfClass(&root, "TVexWinsockPort"));
    check(NestedTable(), "TVexSocksServerInfo", ws->WsSocksServerInfo());
    auto* ctl = static_cast<TVexSLController*>(ComponentOfClass(&root, "TVexSLController"));
    check(NestedTable(), "TLightSet", ctl->Lights());
}

TEST_F(VxPublished, EveryRegisteredClassOfTheLibraryIsInTheTableAndReadsBack) {
    const std::vector<std::string> tabled = Classes();
    for (const TRegisteredClass& c : GetRegisteredClasses()) {
        const std::string& n = c.Name;
        if (n.rfind("TVex", 0) != 0 && n.rfind("TVx", 0) != 0 && n.rfind("TAd", 0) != 0) continue;
        EXPECT_NE(std::find(tabled.begin(), tabled.end(), n), tabled.end()) << n << " is not in the table";
    }
    for (const std::string& n : tabled) {
        TComponentFactory make = GetClass(n);
        ASSERT_TRUE(make) << n << " is not registered";
        std::unique_ptr<TComponent> c(make(nullptr));
        EXPECT_EQ(c->ClassName(), n);
    }
}

TEST_F(VxPublished, EveryPropertyRoundTripsThroughTheFilerWithHandlersByName) {
    InTempDir here;
    TPublishRoot root(nullptr);
    Populate(&root);
    root.SetName("Root");
    std::map<std::string, std::string> written; // "Component.Property" → its value
    for (int i = 0; i < root.ComponentCount(); ++i) {
        TComponent* c = root.Components(i);
        for (const Row* r : RowsOf(Table(), c->ClassName())) {
            if (!r->Sample) continue;
            const TPropInfo* p = GetPropInfo(c, r->Name);
            ASSERT_NE(p, nullptr) << c->Name() << "." << r->Name;
            const std::string before = Describe(&root, c, p);
            SetSample(&root, c, p, r->Sample);
            // A sample that does not take would round-trip nothing.
            if (p->Default) {
                EXPECT_NE(p->GetOrd(c), *p->Default) << c->Name() << "." << r->Name;
            } else {
                EXPECT_NE(Describe(&root, c, p), before) << c->Name() << "." << r->Name;
            }
        }
    }
    for (int i = 0; i < root.ComponentCount(); ++i) {
        TComponent* c = root.Components(i);
        for (const TPropInfo* p : GetPropList(c)) written[c->Name() + "." + p->Name] = Describe(&root, c, p);
    }

    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&root);
    stream.SetPosition(0);
    std::unique_ptr<TComponent> read(TReader(&stream).ReadRootComponent(nullptr));
    auto* back = dynamic_cast<TPublishRoot*>(read.get());
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->ComponentCount(), root.ComponentCount());
    for (int i = 0; i < back->ComponentCount(); ++i) {
        TComponent* c = back->Components(i);
        EXPECT_EQ(c->ClassName(), root.Components(i)->ClassName());
        for (const TPropInfo* p : GetPropList(c)) {
            const std::string key = c->Name() + "." + p->Name;
            EXPECT_EQ(Describe(back, c, p), written[key]) << key;
        }
    }

    // The handlers are the new root's: a port event and an emulator's character event run there.
    root.Calls.clear();
    back->Calls.clear();
    auto* port = static_cast<TVexComPort*>(back->FindComponent("VexComPort1"));
    port->OnTriggerAvail()(port, 5);
    auto* vt = static_cast<TVxVT100Emulator*>(back->FindComponent("VxVT100Emulator1"));
    std::string replace = "x";
    vt->OnProcessChar(vt, 'x', replace, vt->CommandList(), csPort);
    EXPECT_EQ(back->Calls, (std::vector<std::string>{"TriggerAvail 5", "ProcessChar x"}));
    EXPECT_EQ(replace, "<x>");
    EXPECT_TRUE(root.Calls.empty());
}

TEST_F(VxPublished, AStreamNamingAnUnknownHandlerFailsAndKeepsWhatWasRead) {
    TPublishRoot root(nullptr);
    auto* first = new TVexComPort(&root);
    first->SetName("VexComPort1");
    first->SetBaud(9600);
    first->SetOnTriggerAvail(TTriggerAvailEvent::Bind<&TPublishRoot::TriggerAvail>(&root));
    auto* second = new TVexComPort(&root);
    second->SetName("VexComPort2");
    second->SetBaud(2400);
    second->SetOnTriggerStatus(TTriggerStatusEvent::Bind<&TPublishRoot::TriggerStatus>(&root));
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&root);
    std::string bytes = Bytes(stream);
    // The handler's name, after the event's.
    const std::size_t event = bytes.find("OnTriggerStatus", bytes.find("VexComPort2"));
    ASSERT_NE(event, std::string::npos);
    const std::size_t at = bytes.find("TriggerStatus", event + 15);
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 13, "TriggerStatuX"); // a handler the root does not publish

    TMemoryStream bad(bytes);
    TPublishRoot into(nullptr);
    try {
        TReader(&bad).ReadRootComponent(&into);
        FAIL() << "read an unknown handler";
    } catch (const EReadError&) {
    }
    auto* kept = dynamic_cast<TVexComPort*>(into.FindComponent("VexComPort1"));
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(kept->Baud(), 9600);
    EXPECT_EQ(MethodName(&into, ToRawMethod(kept->OnTriggerAvail()).Code), "TriggerAvail");
    EXPECT_EQ(kept->OnTriggerAvail().Data, &into);
    // The component that named it is read too, its event left alone.
    auto* named = dynamic_cast<TVexComPort*>(into.FindComponent("VexComPort2"));
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->Baud(), 2400);
    EXPECT_FALSE(named->OnTriggerStatus());
}

// A terminal stored capturing starts its capture once loaded, into the file it was stored with:
// no file is made under the default name on the way.
TEST_F(VxPublished, ATerminalReadCapturingOpensOnlyItsOwnFile) {
    InTempDir here;
    TPublishRoot root(nullptr);
    auto* term = new TVxTerminal(&root);
    term->SetName("VxTerminal1");
    term->tmSetCaptureFile("mine.cap");
    term->tmSetCapture(cmOn);
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&root);
    term->tmSetCapture(cmOff);
    std::filesystem::remove("mine.cap");

    stream.SetPosition(0);
    TPublishRoot into(nullptr);
    TReader(&stream).ReadRootComponent(&into);
    auto* back = dynamic_cast<TVxTerminal*>(into.FindComponent("VxTerminal1"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Capture(), cmOn);
    EXPECT_EQ(back->CaptureFile(), "mine.cap");
    EXPECT_TRUE(std::filesystem::exists("mine.cap"));
    EXPECT_FALSE(std::filesystem::exists("VEXOTERM.CAP"));
    back->tmSetCapture(cmOff);
}

TEST_F(VxPublished, AnswerbackStreaming) {
    // Every emulator writes its answerback, an empty one as an empty value, so that reading gives
    // what was written instead of the constructor's "VEXOterm".
    for (const std::string cls : {"TVxVT100Emulator", "TVxTTYEmulator"}) {
        for (const char* answerback : {"VEXOterm", "", "ABC"}) {
            SCOPED_TRACE(cls + " \"" + answerback + "\"");
            std::unique_ptr<TComponent> made(GetClass(cls)(nullptr));
            auto* e = static_cast<TVxTerminalEmulator*>(made.get());
            e->SetAnswerback(answerback);
            TMemoryStream stream;
            TWriter(&stream).WriteRootComponent(e);
            EXPECT_NE(Bytes(stream).find("Answerback"), std::string::npos);
            stream.SetPosition(0);
            std::unique_ptr<TComponent> read(TReader(&stream).ReadRootComponent(nullptr));
            EXPECT_EQ(static_cast<TVxTerminalEmulator*>(read.get())->Answerback(), answerback);
        }
    }
}

TEST_F(VxPublished, VersionIsTheBuildsNeverStored) {
    TVexDataPacket packet(nullptr);
    const TPropInfo* p = GetPropInfo(&packet, "Version");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->GetStr(&packet), "v4.06");
    p->SetStr(&packet, "v9.99");
    EXPECT_EQ(packet.Version(), "v4.06");
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&packet);
    EXPECT_EQ(Bytes(stream).find("Version"), std::string::npos);
}

TEST_F(VxPublished, PortOpenInTheStreamOpensAtLoaded) {
    // Open is only stored while the port loads; Loaded opens it.
    TPty pty(41);
    TPublishRoot root(nullptr);
    auto* port = new TVexComPort(&root);
    port->SetName("VexComPort1");
    port->SetComNumber(41);
    port->SetOpen(true);
    ASSERT_TRUE(port->Open());
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&root);
    port->SetOpen(false);
    stream.SetPosition(0);
    std::unique_ptr<TComponent> read(TReader(&stream).ReadRootComponent(nullptr));
    auto* back = static_cast<TVexComPort*>(read->FindComponent("VexComPort1"));
    EXPECT_TRUE(back->Open());
    EXPECT_EQ(back->PortState(), psOpen);
    back->PutString("up");
    back->SetOpen(false);
}

TEST_F(VxPublished, TheLoadersPortSettingsReadBackAsWritten) {
    // Flow options derive the marks only when they are 0: the marks a form sets survive the read.
    TPublishRoot root(nullptr);
    auto* port = new TVexComPort(&root);
    port->SetName("VexComPort1");
    port->SetComNumber(1);
    port->SetBaud(38400);
    port->SetInSize(8192);
    port->SetAutoOpen(false);
    port->SetHWFlowOptions(hwfUseRTS | hwfRequireCTS);
    port->SetBufferFull(7000);
    port->SetBufferResume(400);
    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&root);
    stream.SetPosition(0);
    std::unique_ptr<TComponent> read(TReader(&stream).ReadRootComponent(nullptr));
    auto* back = static_cast<TVexComPort*>(read->FindComponent("VexComPort1"));
    EXPECT_EQ(back->HWFlowOptions(), hwfUseRTS | hwfRequireCTS);
    EXPECT_EQ(back->BufferFull(), 7000);
    EXPECT_EQ(back->BufferResume(), 400);
    EXPECT_EQ(back->Baud(), 38400);
    EXPECT_FALSE(back->Open());
}

} // namespace
