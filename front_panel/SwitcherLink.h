// The panel's link to the switcher: the TCP port `VexWinsockPort1` and the four data packets cut
// from its stream (`QueueOverflowPkt`, `ErrorDPckt`, `ResponseDPkt`, `PopUpPckt`), seen through the
// few operations the panel uses. The form holds its logic against this interface; the program
// plugs in the real port (TWinsockSwitcherLink), tests a scripted stand-in.
#pragma once

#include "platform/rtl/Method.h"
#include "platform/ui/Classes.h"

#include <functional>
#include <memory>
#include <string>

using TLinkErrorEvent = TMethod<void(TObject* Sender, int ErrCode)>;
// Data addresses bytes that are valid only inside the handler.
using TLinkPacketEvent = TMethod<void(TObject* Sender, void* Data, int Size)>;
using TLinkStringEvent = TMethod<void(TObject* Sender, const std::string& Data)>;

class TSwitcherLink : public TObject {
public:
    // --- The port ---
    // WsAddress and WsPort, set while the port is closed.
    virtual void SetTarget(const std::string& Address, const std::string& Port) = 0;
    virtual bool Open() const = 0;
    // Opening starts the connection; OnWsConnect reports it made.
    virtual void SetOpen(bool Value) = 0;
    virtual void PutString(const std::string& S) = 0;
    virtual void FlushOutBuffer() = 0;
    // The port component's Tag: 1 while a connection attempt waits for its connect event.
    int PortTag = 0;

    // --- The reply packet (start: any data, end: "#", or MaxReplySize bytes) ---
    // Sets its EndString to "#" and enables it: it captures every byte from now on up to a "#".
    virtual void ArmReply() = 0;
    virtual void DisarmReply() = 0;
    // The packet's Tag: 1 while a query waits for its reply.
    int ReplyTag = 0;

    // --- Events, assigned by the form ---
    TNotifyEvent OnWsConnect;
    TLinkErrorEvent OnWsError;
    TLinkPacketEvent OnReply;
    TLinkStringEvent OnPopUp;
    TLinkStringEvent OnErrorReport;
    TLinkStringEvent OnQueueOverflow;
};

// A status reply is a few kilobytes. A reply that reaches this size without its "#" has failed: the
// packet ends there, so a switcher that streams without end cannot fill the panel's memory.
inline constexpr int MaxReplySize = 65536;

class TDorvexMainForm;

// Makes the main form's link when the form is created. The program's default makes the TCP port
// with its packets, owned by the form; tests replace it.
using TSwitcherLinkFactory = std::function<std::unique_ptr<TSwitcherLink>(TDorvexMainForm* Form)>;
TSwitcherLinkFactory& SwitcherLinkFactory();
