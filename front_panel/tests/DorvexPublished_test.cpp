// The panel's windows publish their handlers by name: every event the windows bind is one they
// publish, and the main window's components, written with it, read back bound to the handlers of
// the window that reads them.
#include "support/PanelTest.h"

#include "communications/VxPacket.h"
#include "communications/VxStatLt.h"
#include "communications/VxWnPort.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/Filer.h"
#include "platform/ui/TypInfo.h"

#include <string>
#include <vector>

namespace {

// The main window writing the components the test names as its children.
class TStreamedDorvexForm : public TDorvexMainForm {
public:
    using TDorvexMainForm::TDorvexMainForm;
    void GetChildren(TGetChildProc Proc, TComponent*) override {
        for (const std::string& name : Streamed) Proc(FindComponent(name));
    }
    std::vector<std::string> Streamed;
};

using DorvexPublished = PanelTest;

// The published name of a handler bound to form; "" for none, "(elsewhere)" for another object's.
std::string HandlerName(TComponent* form, const TRawMethod& m) {
    if (!m.Code) return "";
    return m.Data == form ? MethodName(form, m.Code) : "(elsewhere)";
}

} // namespace

TEST_F(DorvexPublished, EveryWindowPublishesTheHandlersItBinds) {
    for (TComponent* form : std::vector<TComponent*>{Main(), IPAddressForm, PopupForm, SourceLabelForm}) {
        for (int i = 0; i < form->ComponentCount(); ++i) {
            TComponent* c = form->Components(i);
            for (const TPropInfo* p : GetPropList(c)) {
                if (p->Kind != TTypeKind::tkMethod) continue;
                const TRawMethod m = p->GetMethod(c);
                if (!m.Code || m.Data != form) continue;
                EXPECT_NE(HandlerName(form, m), "")
                    << form->ClassName() << "." << c->Name() << "." << p->Name;
            }
        }
    }
    // The link's events reach the window's own handlers.
    for (const char* name :
         {"VexWinsockPort1WsConnect", "VexWinsockPort1WsError", "ResponseDPktPacket", "PopUpPcktStringPacket",
          "ErrorDPcktStringPacket", "QueueOverflowPktStringPacket", "Timer1Timer", "SourceBtnImage3Click",
          "FormActivate", "FormClose"})
        EXPECT_NE(MethodAddress(Main(), name), nullptr) << name;
}

TEST_F(DorvexPublished, PortAndPacketsReadBackBoundToTheWindowsHandlers) {
    // The port, its four packets and the freeze light as the window names them, each event bound
    // to the window's handler of that name.
    TStreamedDorvexForm written(nullptr);
    // Bound as the window binds its own handlers (a handler's code is that of the class named).
    TDorvexMainForm* form = &written;
    auto* port = new TVexWinsockPort(&written);
    port->SetName("VexWinsockPort1");
    port->SetDeviceLayer(dlWinsock);
    port->SetWsPort("3000");
    port->SetWsTelnet(false);
    port->SetAutoOpen(false);
    port->OnWsConnect = TNotifyEvent::Bind<&TDorvexMainForm::VexWinsockPort1WsConnect>(form);
    port->OnWsError = TWsErrorEvent::Bind<&TDorvexMainForm::VexWinsockPort1WsError>(form);
    auto packet = [&](const char* name) {
        auto* p = new TVexDataPacket(&written);
        p->SetName(name);
        p->SetComPort(port);
        p->SetEndCond({ecString});
        p->SetEndString("#");
        return p;
    };
    packet("ResponseDPkt")->OnPacket = TPacketNotifyEvent::Bind<&TDorvexMainForm::ResponseDPktPacket>(form);
    packet("PopUpPckt")->OnStringPacket =
        TStringPacketNotifyEvent::Bind<&TDorvexMainForm::PopUpPcktStringPacket>(form);
    packet("ErrorDPckt")->OnStringPacket =
        TStringPacketNotifyEvent::Bind<&TDorvexMainForm::ErrorDPcktStringPacket>(form);
    packet("QueueOverflowPkt")->OnStringPacket =
        TStringPacketNotifyEvent::Bind<&TDorvexMainForm::QueueOverflowPktStringPacket>(form);
    written.Streamed = {"LED2",      "VexWinsockPort1", "ResponseDPkt",
                        "PopUpPckt", "ErrorDPckt",      "QueueOverflowPkt"};
    written.LED2->SetLit(true);

    TMemoryStream stream;
    TWriter(&stream).WriteRootComponent(&written);
    TStreamedDorvexForm reading(nullptr);
    const int before = reading.ComponentCount();
    stream.SetPosition(0);
    TReader(&stream).ReadRootComponent(&reading);
    ASSERT_EQ(reading.ComponentCount(), before + static_cast<int>(written.Streamed.size()));
    std::vector<std::string> handlers;
    for (int i = before; i < reading.ComponentCount(); ++i) {
        TComponent* back = reading.Components(i);
        for (const TPropInfo* p : GetPropList(back))
            if (p->Kind == TTypeKind::tkMethod && p->GetMethod(back).Code)
                handlers.push_back(back->Name() + "." + p->Name + "=" +
                                   HandlerName(&reading, p->GetMethod(back)));
    }
    EXPECT_EQ(handlers,
              (std::vector<std::string>{"VexWinsockPort1.OnWsConnect=VexWinsockPort1WsConnect",
                                        "VexWinsockPort1.OnWsError=VexWinsockPort1WsError",
                                        "ResponseDPkt.OnPacket=ResponseDPktPacket",
                                        "PopUpPckt.OnStringPacket=PopUpPcktStringPacket",
                                        "ErrorDPckt.OnStringPacket=ErrorDPcktStringPacket",
                                        "QueueOverflowPkt.OnStringPacket=QueueOverflowPktStringPacket"}));
    auto* light = dynamic_cast<TVexStatusLight*>(reading.Components(before));
    ASSERT_NE(light, nullptr);
    EXPECT_TRUE(light->Lit());
    auto* readPort = dynamic_cast<TVexWinsockPort*>(reading.Components(before + 1));
    ASSERT_NE(readPort, nullptr);
    EXPECT_EQ(readPort->DeviceLayer(), dlWinsock);
    EXPECT_EQ(readPort->WsPort(), "3000");
    EXPECT_FALSE(readPort->WsTelnet());
    auto* response = dynamic_cast<TVexDataPacket*>(reading.Components(before + 2));
    ASSERT_NE(response, nullptr);
    EXPECT_EQ(response->EndString(), "#");
    ASSERT_NE(response->ComPort(), nullptr);
    EXPECT_EQ(response->ComPort()->Name(), "VexWinsockPort1");
}
