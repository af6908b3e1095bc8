// The panel's real link: the TCP port VexWinsockPort1 and its four packets, made as the main form
// declares them and owned by it.
#pragma once

#include "front_panel/SwitcherLink.h"

class TComponent;
class TVexWinsockPort;
class TVexDataPacket;

class TWinsockSwitcherLink : public TSwitcherLink {
public:
    explicit TWinsockSwitcherLink(TComponent* Owner);
    // Frees the packets and the port (closing a connection without a word).
    ~TWinsockSwitcherLink() override;
    TWinsockSwitcherLink(const TWinsockSwitcherLink&) = delete;
    TWinsockSwitcherLink& operator=(const TWinsockSwitcherLink&) = delete;

    void SetTarget(const std::string& Address, const std::string& Port) override;
    bool Open() const override;
    void SetOpen(bool Value) override;
    void PutString(const std::string& S) override;
    void FlushOutBuffer() override;
    void ArmReply() override;
    void DisarmReply() override;

    TVexWinsockPort* VexWinsockPort1;
    // In the order the port's collector offers them bytes.
    TVexDataPacket* QueueOverflowPkt;
    TVexDataPacket* ErrorDPckt;
    TVexDataPacket* ResponseDPkt;
    TVexDataPacket* PopUpPckt;

private:
    void PortConnect(TObject* Sender);
    void PortError(TObject* Sender, int ErrCode);
    void ReplyPacket(TObject* Sender, void* Data, int Size);
    void PopUpPacket(TObject* Sender, const std::string& Data);
    void ErrorPacket(TObject* Sender, const std::string& Data);
    void QueueOverflowPacket(TObject* Sender, const std::string& Data);
    void MessageTimeout(TObject* Sender);
};
