#include "front_panel/WinsockSwitcherLink.h"

#include "communications/VxPacket.h"
#include "communications/VxWnPort.h"

namespace {

TVexDataPacket* NewPacket(TComponent* owner, const char* name, TVexCustomComPort* port) {
    auto* packet = new TVexDataPacket(owner);
    packet->SetName(name);
    packet->SetComPort(port);
    packet->SetTimeOut(2184);
    return packet;
}

} // namespace

TWinsockSwitcherLink::TWinsockSwitcherLink(TComponent* Owner) {
    VexWinsockPort1 = new TVexWinsockPort(Owner);
    VexWinsockPort1->SetName("VexWinsockPort1");
    VexWinsockPort1->SetDeviceLayer(dlWinsock);
    VexWinsockPort1->SetWsPort("3000");
    VexWinsockPort1->SetWsTelnet(false);
    VexWinsockPort1->SetAutoOpen(false);
    VexWinsockPort1->SetTapiMode(tmOff);
    VexWinsockPort1->SetUseMSRShadow(false);
    VexWinsockPort1->SetTraceName("FP_GUI_TRC.log");
    VexWinsockPort1->SetLogName("FP_GUI.log");
    VexWinsockPort1->OnWsConnect = TNotifyEvent::Bind<&TWinsockSwitcherLink::PortConnect>(this);
    VexWinsockPort1->OnWsError = TWsErrorEvent::Bind<&TWinsockSwitcherLink::PortError>(this);

    // A message whose end comes too late is dropped, but its kind of message keeps being watched
    // for: the packet is armed again after its time-out.
    const TNotifyEvent rearm = TNotifyEvent::Bind<&TWinsockSwitcherLink::MessageTimeout>(this);

    QueueOverflowPkt = NewPacket(Owner, "QueueOverflowPkt", VexWinsockPort1);
    QueueOverflowPkt->SetStartCond(scString);
    QueueOverflowPkt->SetStartString("\"TaskEnet msq queue getting full\"");
    QueueOverflowPkt->SetEndCond({ecString});
    QueueOverflowPkt->SetEndString("\"to empty\"");
    QueueOverflowPkt->SetIgnoreCase(false);
    QueueOverflowPkt->SetIncludeStrings(true);
    QueueOverflowPkt->SetAutoEnable(true);
    QueueOverflowPkt->OnStringPacket =
        TStringPacketNotifyEvent::Bind<&TWinsockSwitcherLink::QueueOverflowPacket>(this);
    QueueOverflowPkt->OnTimeout = rearm;
    QueueOverflowPkt->SetEnabled(true);

    // The report ends at its carriage return (a real one: the packet reads "\r" as the letter r).
    ErrorDPckt = NewPacket(Owner, "ErrorDPckt", VexWinsockPort1);
    ErrorDPckt->SetStartCond(scString);
    ErrorDPckt->SetStartString("!ERR_");
    ErrorDPckt->SetEndCond({ecString});
    ErrorDPckt->SetEndString("\r");
    ErrorDPckt->SetIgnoreCase(true);
    ErrorDPckt->SetIncludeStrings(true);
    ErrorDPckt->SetAutoEnable(true);
    ErrorDPckt->OnStringPacket = TStringPacketNotifyEvent::Bind<&TWinsockSwitcherLink::ErrorPacket>(this);
    ErrorDPckt->OnTimeout = rearm;
    ErrorDPckt->SetEnabled(true);

    ResponseDPkt = NewPacket(Owner, "ResponseDPkt", VexWinsockPort1);
    ResponseDPkt->SetStartCond(scAnyData);
    ResponseDPkt->SetEndCond({ecString, ecPacketSize});
    ResponseDPkt->SetEndString("#");
    ResponseDPkt->SetPacketSize(MaxReplySize);
    ResponseDPkt->SetIgnoreCase(true);
    ResponseDPkt->SetIncludeStrings(true);
    ResponseDPkt->SetAutoEnable(false);
    ResponseDPkt->OnPacket = TPacketNotifyEvent::Bind<&TWinsockSwitcherLink::ReplyPacket>(this);

    PopUpPckt = NewPacket(Owner, "PopUpPckt", VexWinsockPort1);
    PopUpPckt->SetStartCond(scString);
    PopUpPckt->SetStartString("<POPUPMSG>");
    PopUpPckt->SetEndCond({ecString});
    PopUpPckt->SetEndString("</POPUPMSG>");
    PopUpPckt->SetIgnoreCase(true);
    PopUpPckt->SetIncludeStrings(false);
    PopUpPckt->SetAutoEnable(true);
    PopUpPckt->SetTimeOut(100);
    PopUpPckt->OnStringPacket = TStringPacketNotifyEvent::Bind<&TWinsockSwitcherLink::PopUpPacket>(this);
    PopUpPckt->OnTimeout = rearm;
    PopUpPckt->SetEnabled(true);
}

TWinsockSwitcherLink::~TWinsockSwitcherLink() {
    for (TVexDataPacket* packet : {PopUpPckt, ResponseDPkt, ErrorDPckt, QueueOverflowPkt}) delete packet;
    delete VexWinsockPort1;
}

void TWinsockSwitcherLink::SetTarget(const std::string& Address, const std::string& Port) {
    VexWinsockPort1->SetWsAddress(Address);
    VexWinsockPort1->SetWsPort(Port);
}

bool TWinsockSwitcherLink::Open() const {
    return VexWinsockPort1->Open();
}

void TWinsockSwitcherLink::SetOpen(bool Value) {
    VexWinsockPort1->SetOpen(Value);
}

void TWinsockSwitcherLink::PutString(const std::string& S) {
    VexWinsockPort1->PutString(S);
}

void TWinsockSwitcherLink::FlushOutBuffer() {
    VexWinsockPort1->FlushOutBuffer();
}

void TWinsockSwitcherLink::ArmReply() {
    ResponseDPkt->SetEndString("#");
    ResponseDPkt->SetEnabled(true);
}

void TWinsockSwitcherLink::DisarmReply() {
    ResponseDPkt->SetEnabled(false);
}

void TWinsockSwitcherLink::PortConnect(TObject*) {
    if (OnWsConnect) OnWsConnect(VexWinsockPort1);
}

void TWinsockSwitcherLink::PortError(TObject*, int ErrCode) {
    if (OnWsError) OnWsError(VexWinsockPort1, ErrCode);
}

void TWinsockSwitcherLink::ReplyPacket(TObject* Sender, void* Data, int Size) {
    if (OnReply) OnReply(Sender, Data, Size);
}

void TWinsockSwitcherLink::PopUpPacket(TObject* Sender, const std::string& Data) {
    if (OnPopUp) OnPopUp(Sender, Data);
}

void TWinsockSwitcherLink::ErrorPacket(TObject* Sender, const std::string& Data) {
    if (OnErrorReport) OnErrorReport(Sender, Data);
}

void TWinsockSwitcherLink::QueueOverflowPacket(TObject* Sender, const std::string& Data) {
    if (OnQueueOverflow) OnQueueOverflow(Sender, Data);
}

void TWinsockSwitcherLink::MessageTimeout(TObject* Sender) {
    if (auto* packet = dynamic_cast<TVexDataPacket*>(Sender)) packet->SetEnabled(true);
}
