// Packet settings shared by the packet tests: a setup record, its common shapes, and the switcher's
// four packets as the front panel arms them.
#pragma once

#include "communications/VxPacket.h"

#include <string>
#include <vector>

struct TPacketSetup {
    std::string Name;
    TPacketStartCond Start = scString;
    std::string StartString;
    TPacketEndSet End;
    std::string EndString;
    int Size = 0;
    bool IgnoreCase = true;
    bool Include = true;
    bool AutoEnable = true;
    bool Enabled = true;
    int TimeOut = 2184;
};

// Gives a packet the setup's settings (not its port, events or Enabled).
inline void ApplySetup(TVexDataPacket& P, const TPacketSetup& S) {
    P.SetName(S.Name);
    P.SetStartCond(S.Start);
    P.SetStartString(S.StartString);
    P.SetEndCond(S.End);
    P.SetEndString(S.EndString);
    P.SetPacketSize(S.Size);
    P.SetIgnoreCase(S.IgnoreCase);
    P.SetIncludeStrings(S.Include);
    P.SetAutoEnable(S.AutoEnable);
    P.SetTimeOut(S.TimeOut);
}

inline TPacketSetup StartOnly(std::string Start) {
    TPacketSetup s;
    s.Name = "P";
    s.StartString = std::move(Start);
    return s;
}

inline TPacketSetup Between(std::string Start, std::string End) {
    TPacketSetup s = StartOnly(std::move(Start));
    s.End = {ecString};
    s.EndString = std::move(End);
    return s;
}

inline TPacketSetup AnyData(TPacketEndSet End, std::string EndString, int Size = 0) {
    TPacketSetup s;
    s.Name = "P";
    s.Start = scAnyData;
    s.End = End;
    s.EndString = std::move(EndString);
    s.Size = Size;
    return s;
}

// The switcher's four packets, in the order of its form.
const TPacketSetup QueueOverflowPkt{"QueueOverflowPkt",
                                    scString,
                                    "\"TaskEnet msq queue getting full\"",
                                    {ecString},
                                    "\"to empty\"",
                                    0,
                                    false,
                                    true,
                                    true,
                                    true,
                                    2184};
const TPacketSetup ErrorDPckt{"ErrorDPckt", scString, "!ERR_", {ecString}, "\\r", 0,
                              true,         true,     true,    true,       2184};
const TPacketSetup ResponseDPkt{"ResponseDPkt", scAnyData, "",    {ecString}, "#", 0,
                                true,           true,      false, false,      2184};
const TPacketSetup PopUpPckt{"PopUpPckt", scString, "<POPUPMSG>", {ecString}, "</POPUPMSG>", 0, true,
                             false,       true,     true,         100};

inline std::vector<TPacketSetup> Switcher(bool Querying) {
    TPacketSetup response = ResponseDPkt;
    response.Enabled = Querying;
    return {QueueOverflowPkt, ErrorDPckt, response, PopUpPckt};
}
