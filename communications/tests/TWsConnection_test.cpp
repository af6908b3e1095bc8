#include "communications/VxWnsock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

// A connection whose socket is memory: Incoming is what the peer sent, Sent what went out. Sends
// take at most SendLimit bytes a call; with Blocked every send would block.
class TMemoryConnection : public TWsConnection {
public:
    explicit TMemoryConnection(bool Telnet, DWORD OutSize = 64, DWORD InSize = 64)
        : TWsConnection(VexSocket, OutSize, InSize) {
        SetModes(true, Telnet);
        SetDataSocket(OwnSocket());
        SetConnectionState(wcsConnected);
    }

    std::string Incoming;
    std::string Sent;
    int SendLimit = INT_MAX;
    bool Blocked = false;
    int Reads = 0;

    // Everything the connection hands out for these bytes, each arriving in its own read when
    // OneByOne.
    std::string Feed(const std::string& Raw, bool OneByOne = false) {
        std::string out;
        char buf[256];
        for (std::size_t i = 0; i < Raw.size();) {
            const std::size_t n = OneByOne ? 1 : Raw.size();
            Incoming += Raw.substr(i, n);
            i += n;
            for (int got; (got = ReadBuf(buf, sizeof buf)) > 0;)
                out.append(buf, static_cast<std::size_t>(got));
        }
        return out;
    }

    std::string Write(const std::string& Bytes) {
        EXPECT_EQ(WriteBuf(Bytes.data(), static_cast<int>(Bytes.size())), static_cast<int>(Bytes.size()));
        return TakeSent();
    }

    std::string TakeSent() {
        std::string s;
        s.swap(Sent);
        return s;
    }

protected:
    int SocketRead(char* Buf, int Count) override {
        ++Reads;
        if (Incoming.empty()) return -1;
        const int n = std::min(Count, static_cast<int>(Incoming.size()));
        Incoming.copy(Buf, static_cast<std::size_t>(n));
        Incoming.erase(0, static_cast<std::size_t>(n));
        return n;
    }
    int SocketWrite(const char* Buf, int Count) override {
        if (Blocked) return -1;
        const int n = std::min(Count, SendLimit);
        Sent.append(Buf, static_cast<std::size_t>(n));
        return n;
    }
};

std::string Bytes(std::initializer_list<int> Values) {
    std::string s;
    for (int v : Values) s += static_cast<char>(v);
    return s;
}

const std::string IAC = "\xFF"s;

struct TReceiveCase {
    const char* Name;
    std::string In;
    std::string Data;  // handed to the dispatcher
    std::string Reply; // sent back to the peer
};

std::vector<TReceiveCase> ReceiveCases() {
    const std::string vt100Reply = Bytes({255, 250, 24, 0}) + "vt100" + Bytes({255, 240});
    return {
        {"plain", "abc", "abc", ""},
        {"doubled IAC", Bytes({255, 255}) + "A",
         "\xFF"
         "A",
         ""},
        {"CR NUL", "a\r\0b"s, "a\rb", ""},
        {"CR LF", "a\r\nb", "a\r\nb", ""},
        {"CR other", "\rx", "\rx", ""},
        {"CR then IAC IAC", "\r" + Bytes({255, 255}), "\r\xFF", ""},
        {"CR CR NUL", "\r\r\0"s, "\r\r", ""},
        {"WILL binary", Bytes({255, 251, 0}), "", Bytes({255, 253, 0})},
        {"WILL echo", Bytes({255, 251, 1}), "", Bytes({255, 253, 1})},
        {"WILL echo twice", Bytes({255, 251, 1, 255, 251, 1}), "", Bytes({255, 253, 1, 255, 253, 1})},
        {"WILL suppress-go-ahead", Bytes({255, 251, 3}), "", Bytes({255, 253, 3})},
        {"WILL other", Bytes({255, 251, 31}), "", Bytes({255, 254, 31})},
        {"WONT echo", Bytes({255, 252, 1}), "", Bytes({255, 254, 1})},
        {"WONT other", Bytes({255, 252, 7}), "", Bytes({255, 254, 7})},
        {"DO binary", Bytes({255, 253, 0}), "", Bytes({255, 251, 0})},
        {"DO terminal type", Bytes({255, 253, 24}), "", Bytes({255, 251, 24})},
        {"DO echo", Bytes({255, 253, 1}), "", Bytes({255, 252, 1})},
        {"DO suppress-go-ahead", Bytes({255, 253, 3}), "", Bytes({255, 252, 3})},
        {"DO other", Bytes({255, 253, 31}), "", Bytes({255, 252, 31})},
        {"DONT suppress-go-ahead", Bytes({255, 254, 3}), "", Bytes({255, 252, 3})},
        {"DONT other", Bytes({255, 254, 9}), "", Bytes({255, 252, 9})},
        {"terminal type asked", Bytes({255, 253, 24, 255, 250, 24, 1, 255, 240}), "",
         Bytes({255, 251, 24}) + vt100Reply},
        {"other subnegotiation dropped", "a" + Bytes({255, 250, 31, 0, 80, 0, 24, 255, 240}) + "b", "ab", ""},
        {"IAC inside a subnegotiation", Bytes({255, 250, 31, 255, 255, 1, 255, 240}) + "z", "z", ""},
        {"other command dropped", "a" + Bytes({255, 241}) + "b" + Bytes({255, 249}), "ab", ""},
        {"data around a command", "a" + Bytes({255, 253, 1}) + "b", "ab", Bytes({255, 252, 1})},
        {"binary ends CR processing", Bytes({255, 253, 0}) + "\r\0\r\n"s, "\r\0\r\n"s, Bytes({255, 251, 0})},
        {"binary refused again", Bytes({255, 253, 0, 255, 254, 0}) + "\r\0"s, "\r",
         Bytes({255, 251, 0, 255, 252, 0})},
    };
}

TEST(TWsConnection, TelnetReceiveWholeAndSplit) {
    for (const TReceiveCase& c : ReceiveCases()) {
        for (bool oneByOne : {false, true}) {
            SCOPED_TRACE(std::string(c.Name) + (oneByOne ? ", a byte per read" : ""));
            TMemoryConnection conn(true);
            EXPECT_EQ(conn.Feed(c.In, oneByOne), c.Data);
            EXPECT_EQ(conn.TakeSent(), c.Reply);
        }
    }
}

TEST(TWsConnection, TelnetOptionStates) {
    TMemoryConnection conn(true);
    conn.Feed(Bytes({255, 251, 1, 255, 251, 3}));
    EXPECT_EQ(conn.OptEcho(), tnoFalse);
    EXPECT_EQ(conn.OptSGA(), tnoFalse);
    EXPECT_EQ(conn.OptBinary(), tnoFalse);
    conn.Feed(Bytes({255, 251, 0}));
    EXPECT_EQ(conn.OptBinary(), tnoTrue);
    conn.Feed(Bytes({255, 252, 0}));
    EXPECT_EQ(conn.OptBinary(), tnoFalse);
}

TEST(TWsConnection, TelnetSend) {
    struct {
        const char* Name;
        std::string In;
        std::string Out;
    } cases[] = {
        {"IAC doubled", Bytes({255, 0x41}), Bytes({255, 255, 0x41})},
        {"CR alone", "\r", "\r\0"s},
        {"CR LF unchanged", "\r\n", "\r\n"},
        {"CR inside", "a\rb", "a\r\0b"s},
        {"CR CR LF", "\r\r\n", "\r\0\r\n"s},
        {"IAC then CR", Bytes({255}) + "\r", Bytes({255, 255}) + "\r\0"s},
        {"nothing to change", "plain text\n", "plain text\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TMemoryConnection conn(true);
        EXPECT_EQ(conn.Write(c.In), c.Out);
    }

    TMemoryConnection binary(true);
    binary.Feed(Bytes({255, 253, 0}));
    binary.TakeSent();
    EXPECT_EQ(binary.Write("\r" + Bytes({255})), "\r" + Bytes({255, 255}));
}

TEST(TWsConnection, WithoutTelnetEveryBytePassesUnchanged) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    TMemoryConnection conn(false, 1024, 1024);
    EXPECT_EQ(conn.Feed(all), all);
    EXPECT_EQ(conn.Write(all), all);
}

TEST(TWsConnection, WriteIsAllOrNothingCountingTheDoubledBytes) {
    TMemoryConnection conn(true, 0); // an output ring of 4096 bytes
    conn.Blocked = true;
    const std::string iacs(2049, '\xFF'); // 4098 bytes once doubled
    EXPECT_EQ(conn.WriteBuf(iacs.data(), static_cast<int>(iacs.size())), 0);
    EXPECT_EQ(conn.GetOutChars(), 0u);
    const std::string fits(2048, '\xFF'); // exactly 4096
    EXPECT_EQ(conn.WriteBuf(fits.data(), static_cast<int>(fits.size())), 2048);
    EXPECT_EQ(conn.WriteBuf("x", 1), 0); // the ring is full
    conn.Blocked = false;
    conn.GetOutChars();
    EXPECT_EQ(conn.TakeSent(), std::string(4096, '\xFF'));
}

TEST(TWsConnection, ShortAndBlockedSendsKeepTheRestInOrder) {
    TMemoryConnection conn(false, 0);
    std::string expected;
    conn.Blocked = true;
    const std::string first(3000, 'a');
    ASSERT_EQ(conn.WriteBuf(first.data(), 3000), 3000);
    expected += first;
    EXPECT_EQ(conn.TakeSent(), "");
    EXPECT_EQ(conn.GetOutChars(), 3000u);

    conn.Blocked = false;
    conn.SendLimit = 2000;
    conn.GetOutChars(); // one push: 2000 of them
    std::string sent = conn.TakeSent();
    EXPECT_EQ(sent.size(), 2000u);

    // The next block wraps round the end of the ring.
    conn.Blocked = true;
    std::string second;
    for (int i = 0; i < 3000; ++i) second += static_cast<char>('0' + i % 10);
    ASSERT_EQ(conn.WriteBuf(second.data(), 3000), 3000);
    expected += second;
    conn.Blocked = false;
    conn.SendLimit = 700;
    for (int i = 0; i < 20 && conn.GetOutChars() != 0; ++i) sent += conn.TakeSent();
    sent += conn.TakeSent();
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(conn.GetOutChars(), 0u);
}

TEST(TWsConnection, NothingIsSentWhileNotConnected) {
    TMemoryConnection conn(false);
    conn.SetConnectionState(wcsInit);
    EXPECT_EQ(conn.WriteBuf("abc", 3), 3);
    EXPECT_EQ(conn.GetOutChars(), 3u);
    EXPECT_EQ(conn.TakeSent(), "");
    conn.Incoming = "xyz";
    EXPECT_EQ(conn.GetInChars(), 0u);
    EXPECT_EQ(conn.Reads, 0);

    conn.SetConnectionState(wcsConnected);
    conn.GetOutChars();
    EXPECT_EQ(conn.TakeSent(), "abc");
    EXPECT_EQ(conn.GetInChars(), 3u);
}

TEST(TWsConnection, InputRingFillsAndHandsOutInOrder) {
    TMemoryConnection conn(false, 64, 8);
    conn.Incoming = "0123456789abcdefghij";
    EXPECT_EQ(conn.GetInChars(), 8u);
    char buf[32];
    ASSERT_EQ(conn.ReadBuf(buf, 5), 5);
    EXPECT_EQ(std::string(buf, 5), "01234");
    EXPECT_EQ(conn.GetInChars(), 8u); // refilled across the ring's end
    std::string rest;
    for (int got; (got = conn.ReadBuf(buf, sizeof buf)) > 0;) rest.append(buf, static_cast<std::size_t>(got));
    EXPECT_EQ(rest, "56789abcdefghij");
}

TEST(TWsConnection, RepliesWaitBehindQueuedDataWhenASendWouldBlock) {
    TMemoryConnection conn(true);
    conn.Blocked = true;
    ASSERT_EQ(conn.WriteBuf("abc", 3), 3);
    conn.Feed(Bytes({255, 253, 1}));
    EXPECT_EQ(conn.TakeSent(), "");
    conn.Blocked = false;
    conn.GetOutChars();
    EXPECT_EQ(conn.TakeSent(), "abc" + Bytes({255, 252, 1}));
}

TEST(TWsConnection, Flushes) {
    TMemoryConnection conn(false);
    conn.Blocked = true;
    conn.WriteBuf("abc", 3);
    conn.Incoming = "xyz";
    conn.GetInChars();
    conn.FlushOutBuffer();
    conn.FlushInBuffer();
    EXPECT_EQ(conn.GetInChars(), 0u);
    EXPECT_EQ(conn.GetOutChars(), 0u);
    conn.Blocked = false;
    EXPECT_EQ(conn.Write("d"), "d");
}

} // namespace
