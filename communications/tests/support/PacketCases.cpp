#include "communications/tests/support/PacketCases.h"

#include "communications/tests/support/PacketRun.h"

const std::string Unasked =
    "\"TaskEnet msq queue getting full\" wait \"to empty\"!ERR_ syntax erRor<popupmsg>Hi "
    "there</POPUPMSG>";

const std::vector<TPacketCase> MatchCases{
    TPacketCase{"tags removed, noise before and after dropped",
                {PopUpPckt},
                {"noise<POPUPMSG>Hello</POPUPMSG>more"},
                {"PopUpPckt:Hello"}},
    TPacketCase{"a failed start match restarts one past its start", {StartOnly("AB")}, {"AAB"}, {"P:AB"}},
    TPacketCase{
        "a start-only packet delivers each occurrence", {StartOnly("OK")}, {"xxOKyyOK"}, {"P:OK", "P:OK"}},
    TPacketCase{"'?' matches any byte", {StartOnly("A?C")}, {"AxC"}, {"P:AxC"}},
    TPacketCase{"an escaped '?' is a question mark", {StartOnly("A\\?C")}, {"AxC A?C"}, {"P:A?C"}},
    TPacketCase{"a trailing backslash is dropped", {StartOnly("AB\\")}, {"xAB"}, {"P:AB"}},
    TPacketCase{"case ignored: the pattern and the bytes are upper-cased",
                {Between("<a>", "</A>")},
                {"<A>x</a>"},
                {"P:<A>x</a>"}},
    TPacketCase{"case ignored: a start letter is found in either case after long noise",
                {StartOnly("ok")},
                {std::string(120, 'x') + "OK" + std::string(40, '-') + "okOk" + std::string(9, 'k') + "oK"},
                {"P:OK", "P:ok", "P:Ok", "P:oK"}},
    TPacketCase{"case kept: only the same case is found",
                {[] {
                    TPacketSetup s = StartOnly("ok");
                    s.IgnoreCase = false;
                    return s;
                }()},
                {std::string(100, 'x') + "OK Ok oK" + std::string(100, 'y') + "ok"},
                {"P:ok"}},
    TPacketCase{"case ignored: an end letter is found in either case",
                {Between("<", "e"), Between("[", "E")},
                {"<" + std::string(100, 'x') + "E" + std::string(50, 'y') + "<abe"},
                {"P:<" + std::string(100, 'x') + "E", "P:<abe"}},
    TPacketCase{"a start beginning with a wildcard",
                {StartOnly("?b")},
                {"ab" + std::string(40, '.') + "cB"},
                {"P:ab", "P:cB"}},
    TPacketCase{"\\r with IgnoreCase ends at the first r, not at a carriage return",
                {ErrorDPckt},
                {"!ERR_ bad Param\r\n"},
                {"ErrorDPckt:!ERR_ bad Par"}},
    TPacketCase{"any data up to and including #, seen by no other packet",
                {StartOnly("abc"), AnyData({ecString}, "#")},
                {"abc#"},
                {"P:abc#"}},
    TPacketCase{"the size is tested before the end string",
                {[] {
                    TPacketSetup s = AnyData({ecString, ecPacketSize}, "C", 3);
                    s.Include = false;
                    return s;
                }()},
                {"ABCD"},
                {"P:ABC"}},
    TPacketCase{"a size-ended packet counts from its first byte",
                {[] {
                    TPacketSetup s = StartOnly("<");
                    s.End = {ecPacketSize};
                    s.Size = 4;
                    return s;
                }()},
                {"xx<abcdef"},
                {"P:<abc"}},
    TPacketCase{"a size equal to the start string ends with the start string",
                {[] {
                    TPacketSetup s = StartOnly("AB");
                    s.End = {ecPacketSize};
                    s.Size = 2;
                    return s;
                }()},
                {"ABxAB"},
                {"P:AB", "P:AB"}},
    TPacketCase{
        "an end string split four and rest", {PopUpPckt}, {"<POPUPMSG>hi</PO", "PUPMSG>"}, {"PopUpPckt:hi"}},
    TPacketCase{
        "a start string split across arrivals", {PopUpPckt}, {"<POP", "UPMSG>x</POPUPMSG>"}, {"PopUpPckt:x"}},
    TPacketCase{
        "a failed end match continues from the mismatching byte", {Between("S", "ab")}, {"Saab"}, {"P:Saab"}},
    TPacketCase{"the end match re-examines bytes it has compared",
                {Between("S", "aab")},
                {"Saaab", "x"},
                {"P:Saaab"}},
    TPacketCase{"no end match across the start string", {Between("AB", "BC")}, {"ABC", "xBC"}, {"P:ABCxBC"}},
    TPacketCase{"switcher: unasked messages in one arrival",
                Switcher(false),
                {Unasked},
                {"QueueOverflowPkt:\"TaskEnet msq queue getting full\" wait \"to empty\"",
                 "ErrorDPckt:!ERR_ syntax er", "PopUpPckt:Hi there"}},
    TPacketCase{"switcher: unasked messages byte by byte",
                Switcher(false),
                Bytewise(Unasked),
                {"QueueOverflowPkt:\"TaskEnet msq queue getting full\" wait \"to empty\"",
                 "ErrorDPckt:!ERR_ syntax er", "PopUpPckt:Hi there"}},
    TPacketCase{"switcher: the queue notice is case-sensitive",
                Switcher(false),
                {"\"TASKENET msq queue getting full\" \"to empty\""},
                {}},
    TPacketCase{"switcher: a reply split in two",
                Switcher(true),
                {"KeyStatus\r\n<1><PVW>ON</PVW>", "</1>\r\n#"},
                {"ResponseDPkt:KeyStatus\r\n<1><PVW>ON</PVW></1>\r\n#"}},
    TPacketCase{"switcher: an unasked message inside a reply belongs to the reply",
                Switcher(true),
                {"ab<POPUPMSG>x</POPUP", "MSG>!ERR_ r#"},
                {"ResponseDPkt:ab<POPUPMSG>x</POPUPMSG>!ERR_ r#"}},
    TPacketCase{"switcher: a # inside an unasked message ends the reply early",
                Switcher(true),
                {"<POPUPMSG>a#b</POPUPMSG>"},
                {"ResponseDPkt:<POPUPMSG>a#"}},
    TPacketCase{"switcher: after a reply the unasked packets match again",
                Switcher(true),
                {"ok#<POPUPMSG>y</POPUPMSG>"},
                {"ResponseDPkt:ok#", "PopUpPckt:y"}},
    TPacketCase{"an error report stays open until an r arrives",
                Switcher(false),
                {"!ERR_ 12", "34 \r\n", "over"},
                {"ErrorDPckt:!ERR_ 1234 \r\nover"}},
    TPacketCase{"a start-only delivery shifts the bytes a later packet has not seen",
                {StartOnly("AB"),
                 [] {
                     TPacketSetup s = StartOnly("CD");
                     s.Name = "Q";
                     return s;
                 }()},
                {"xA", "BCD"},
                {"P:AB", "Q:CD"}},
    TPacketCase{"a packet completing later removes nothing another completes earlier",
                {[] {
                     TPacketSetup s = StartOnly("B");
                     s.End = {ecPacketSize};
                     s.Size = 2;
                     return s;
                 }(),
                 [] {
                     TPacketSetup s = Between("A", "C");
                     s.Name = "Q";
                     return s;
                 }()},
                {"AxCB1"},
                {"Q:AxC", "P:B1"}},
    TPacketCase{"switcher: a pop-up and then a queue notice in one arrival",
                Switcher(false),
                {"<POPUPMSG>Hi</POPUPMSG>\"TaskEnet msq queue getting full\" \"to empty\""},
                {"PopUpPckt:Hi", "QueueOverflowPkt:\"TaskEnet msq queue getting full\" \"to empty\""}},
    TPacketCase{"the earliest start takes the capture, whatever the order of the list",
                {Between("<b>", "</b>"),
                 [] {
                     TPacketSetup s = Between("<a>", "</a>");
                     s.Name = "Q";
                     return s;
                 }()},
                {"<a>1<b>2</b>3</a><b>4</b>"},
                {"Q:<a>1<b>2</b>3</a>", "P:<b>4</b>"}},
    TPacketCase{"a capture ends at its size even on an end string",
                {[] {
                    TPacketSetup s = Between("<", "ab");
                    s.End = {ecString, ecPacketSize};
                    s.Size = 4;
                    return s;
                }()},
                {"<xab<ab"},
                {"P:<xab", "P:<ab"}},
    TPacketCase{"a long start string and wildcards",
                {Between(std::string(70, 'x') + "?y", "z")},
                {std::string(75, 'x') + "Qyz" + std::string(71, 'x') + "y!z"},
                {"P:" + std::string(70, 'x') + "Qyz", "P:" + std::string(70, 'x') + "xy!z"}},
};
