#include "communications/VxWnsock.h"

#include "communications/VxErrors.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

TVexDeviceSocket* VexSocket = nullptr;

namespace {

// VexSocket lives from unit start to unit end.
struct TUnit {
    TUnit() { VexSocket = new TVexDeviceSocket(nullptr); }
    ~TUnit() {
        delete VexSocket;
        VexSocket = nullptr;
    }
    TUnit(const TUnit&) = delete;
    TUnit& operator=(const TUnit&) = delete;
};
TUnit Unit;

constexpr DWORD OutRingExtra = 4096;
constexpr UINT DispatchTimerMs = 50;
constexpr int DrainStepLimit = 64;

bool IsDeviceSocket(TSocket Socket) {
    return Socket != INVALID_SOCKET && Socket <= static_cast<TSocket>(INT_MAX);
}

TVexWinsockDispatcher* DispatcherOfSocket(TSocket Socket) {
    if (!IsDeviceSocket(Socket)) return nullptr;
    return GetTComRecPtr<TVexWinsockDispatcher>(static_cast<int>(Socket));
}

} // namespace

// --- TWsConnection ------------------------------------------------------------------------------

class TWsConnection::TUse {
public:
    explicit TUse(TWsConnection& Conn) : FConn(Conn) { ++FConn.FUseCount; }
    ~TUse() {
        if (--FConn.FUseCount == 0 && FConn.FFreePending) delete &FConn;
    }
    TUse(const TUse&) = delete;
    TUse& operator=(const TUse&) = delete;

private:
    TWsConnection& FConn;
};

DWORD TWsConnection::TRing::Used() const {
    if (Full) return Size;
    return (Write + Size - Read) % Size;
}

void TWsConnection::TRing::Put(const char* Data, DWORD Count) {
    if (Count == 0) return;
    const DWORD first = std::min(Count, Size - Write);
    std::memcpy(Buf.get() + Write, Data, first);
    if (first < Count) std::memcpy(Buf.get(), Data + first, Count - first);
    Write = (Write + Count) % Size;
    Full = Write == Read;
}

void TWsConnection::TRing::Commit(DWORD Count) {
    if (Count == 0) return;
    Write = (Write + Count) % Size;
    Full = Write == Read;
}

DWORD TWsConnection::TRing::Get(char* Data, DWORD Count) {
    Count = std::min(Count, Used());
    if (Count == 0) return 0;
    const DWORD first = std::min(Count, Size - Read);
    std::memcpy(Data, Buf.get() + Read, first);
    if (first < Count) std::memcpy(Data + first, Buf.get(), Count - first);
    Read = (Read + Count) % Size;
    Full = false;
    return Count;
}

void TWsConnection::TRing::Clear() {
    Read = 0;
    Write = 0;
    Full = false;
}

TWsConnection::TWsConnection(TComponent* AOwner, DWORD OutSize, DWORD InSize) : TComponent(AOwner) {
    FIn.Size = std::max<DWORD>(InSize, 1);
    FIn.Buf = std::make_unique<char[]>(FIn.Size);
    FScratch = std::make_unique<char[]>(FIn.Size);
    FOut.Size = OutSize + OutRingExtra;
    FOut.Buf = std::make_unique<char[]>(FOut.Size);
    if (VexSocket == nullptr) throw EVexSocketException::CreateNoInit(ecWinsockDllError);
    FOwnSocket = VexSocket->CreateSocket();
}

TWsConnection::~TWsConnection() {
    // Normally closed by Shutdown already; quietly, as nobody is left to hear of an error.
    if (FDataSocket != INVALID_SOCKET && FDataSocket != FOwnSocket && SockFuncs.closesocket)
        SockFuncs.closesocket(FDataSocket);
    if (FOwnSocket != INVALID_SOCKET && SockFuncs.closesocket) SockFuncs.closesocket(FOwnSocket);
    if (VexSocket != nullptr) VexSocket->ResetCache();
}

void TWsConnection::Release() {
    if (FUseCount > 0)
        FFreePending = true;
    else
        delete this;
}

void TWsConnection::SetModes(bool ClientMode, bool Telnet) {
    FClientMode = ClientMode;
    FTelnet = Telnet;
}

void TWsConnection::SetConnectionState(TWsConnectionState State) {
    FConnectionState = State;
    if (FDispatcher != nullptr) FDispatcher->ConnectionStateChanged(State == wcsConnected);
}

bool TWsConnection::CanSend() const {
    return FConnectionState == wcsConnected && FDataSocket != INVALID_SOCKET;
}

int TWsConnection::SocketRead(char* Buf, int Count) {
    return VexSocket->ReadSocket(FDataSocket, Buf, Count, 0);
}

DWORD TWsConnection::SocketWaiting() {
    return VexSocket->BytesWaiting(FDataSocket);
}

int TWsConnection::SocketWrite(const char* Buf, int Count) {
    return VexSocket->WriteSocket(FDataSocket, Buf, Count, 0);
}

DWORD TWsConnection::GetInChars() {
    TUse use(*this);
    PullSocket();
    return FIn.Used();
}

DWORD TWsConnection::GetOutChars() {
    TUse use(*this);
    if (!GetConnected()) return FBytesWritten;
    if (FOut.Used() > 0) {
        PushOutput();
        return FBytesWritten;
    }
    FBytesWritten = 0;
    return 0;
}

DWORD TWsConnection::GetInCharsWaiting() {
    TUse use(*this);
    // Raw bytes are counted where they are, unread; telnet's are counted once decoded.
    if (!FTelnet) return FIn.Used() + (CanSend() ? SocketWaiting() : 0);
    const DWORD held = GetInChars();
    return held + (FIn.Full && CanSend() ? SocketWaiting() : 0);
}

int TWsConnection::ReadBuf(char* Buf, int Count) {
    TUse use(*this);
    if (FTelnet || Count <= 0) PullSocket();
    if (Count <= 0) return 0;
    DWORD got = FIn.Get(Buf, static_cast<DWORD>(Count));
    // Once the input ring is empty the rest goes from the socket straight to the caller: a large
    // read costs one copy, not one per ring. Telnet is decoded in the ring, a ring at a time.
    while (!FTelnet && got < static_cast<DWORD>(Count) && CanSend()) {
        const int want = Count - static_cast<int>(got);
        const int n = SocketRead(Buf + got, want);
        if (n <= 0) break;
        got += static_cast<DWORD>(std::min(n, want));
        if (n < want) break;
    }
    return static_cast<int>(got);
}

int TWsConnection::WriteBuf(const char* Buf, int Count) {
    TUse use(*this);
    int accepted = 0;
    if (Count > 0 && !FOut.Full) {
        const DWORD count = static_cast<DWORD>(Count);
        // Measured whole before anything is stored: a block is never cut at a doubled byte.
        if (EncodedLength(Buf, count) <= FOut.Free()) {
            Encode(Buf, count);
            FBytesWritten += count;
            accepted = Count;
        }
    }
    PushOutput();
    return accepted;
}

void TWsConnection::FlushInBuffer() {
    FIn.Clear();
}

void TWsConnection::FlushOutBuffer() {
    FOut.Clear();
    FBytesWritten = 0;
}

void TWsConnection::SetTelnet(bool On, const std::string& Pending) {
    TUse use(*this);
    if (On == FTelnet) return;
    FTelnet = On;
    FRecvState = rsData;
    if (!On) return;
    std::string raw = Pending;
    const DWORD held = FIn.Used();
    raw.resize(Pending.size() + held);
    FIn.Get(raw.data() + Pending.size(), held);
    FIn.Clear();
    if (raw.size() > FIn.Size) {
        // Decoding never adds bytes, so a ring this size takes them all.
        FIn.Size = static_cast<DWORD>(raw.size());
        FIn.Buf = std::make_unique<char[]>(FIn.Size);
        FScratch = std::make_unique<char[]>(FIn.Size);
    }
    Receive(raw.data(), static_cast<int>(raw.size()));
}

void TWsConnection::Shutdown() {
    TUse use(*this);
    // Forgotten before they are closed, so that no lookup made meanwhile finds them.
    const TSocket data = FDataSocket;
    const TSocket own = FOwnSocket;
    FDataSocket = INVALID_SOCKET;
    FOwnSocket = INVALID_SOCKET;
    if (!FClientMode && data != INVALID_SOCKET && data != own) VexSocket->CloseSocket(data);
    if (own != INVALID_SOCKET) VexSocket->CloseSocket(own);
}

void TWsConnection::PullSocket() {
    if (!CanSend()) return;
    if (!FTelnet) {
        // Straight into the ring's free space: to its end, then from its start.
        for (int piece = 0; piece < 2 && !FIn.Full; ++piece) {
            const DWORD room = FIn.Read > FIn.Write ? FIn.Read - FIn.Write : FIn.Size - FIn.Write;
            const int got = SocketRead(FIn.Buf.get() + FIn.Write, static_cast<int>(room));
            if (got <= 0) return;
            FIn.Commit(std::min(static_cast<DWORD>(got), room));
            if (static_cast<DWORD>(got) < room) return;
        }
        return;
    }
    const DWORD room = FIn.Free();
    if (room == 0) return;
    const int got = SocketRead(FScratch.get(), static_cast<int>(room));
    if (got <= 0) return;
    Receive(FScratch.get(), std::min(got, static_cast<int>(room)));
}

void TWsConnection::PushOutput() {
    // Twice at most: to the end of the buffer, then from its start.
    for (int piece = 0; piece < 2; ++piece) {
        if (!CanSend()) return;
        const DWORD pending = FOut.Used();
        if (pending == 0) return;
        const DWORD run = std::min(pending, FOut.Size - FOut.Read);
        const int sent = SocketWrite(FOut.Buf.get() + FOut.Read, static_cast<int>(run));
        if (sent <= 0) return;
        const DWORD taken = std::min(static_cast<DWORD>(sent), run);
        FOut.Full = false;
        FOut.Read = (FOut.Read + taken) % FOut.Size;
        if (taken < run) return;
    }
}

void TWsConnection::Deliver(char C) {
    FIn.Put(&C, 1);
}

// Telnet is decoded as the bytes leave the socket: never more bytes come out than went in, so the
// input ring's free space bounds the read.
void TWsConnection::Receive(const char* Raw, int Count) {
    if (!FTelnet) {
        FIn.Put(Raw, static_cast<DWORD>(Count));
        return;
    }
    for (int i = 0; i < Count; ++i) {
        const BYTE b = static_cast<BYTE>(Raw[i]);
        switch (FRecvState) {
        case rsAfterCR:
            FRecvState = rsData;
            if (b == 0) break;
            [[fallthrough]];
        case rsData:
            if (b == TelnetIAC) {
                FRecvState = rsIAC;
            } else {
                Deliver(static_cast<char>(b));
                if (b == '\r' && FOptBinary == tnoFalse) FRecvState = rsAfterCR;
            }
            break;
        case rsIAC:
            if (b == TelnetIAC) {
                Deliver(static_cast<char>(b));
                FRecvState = rsData;
            } else if (b >= TelnetWILL && b <= TelnetDONT) {
                FCommand = b;
                FRecvState = rsOption;
            } else if (b == TelnetSB) {
                FRecvState = rsSubOption;
            } else {
                Log(dstCommand, b);
                FRecvState = rsData;
            }
            break;
        case rsOption:
            FRecvState = rsData;
            HandleCommand(FCommand, b);
            break;
        case rsSubOption:
            if (b == TelnetOptTermType) SendTerminal();
            FRecvState = b == TelnetIAC ? rsSubIAC : rsSub;
            break;
        case rsSub:
            if (b == TelnetIAC) FRecvState = rsSubIAC;
            break;
        case rsSubIAC:
            FRecvState = b == TelnetSE ? rsData : rsSub;
            break;
        }
    }
}

DWORD TWsConnection::EncodedLength(const char* Buf, DWORD Count) const {
    if (!FTelnet) return Count;
    DWORD length = Count;
    for (DWORD i = 0; i < Count; ++i) {
        const BYTE b = static_cast<BYTE>(Buf[i]);
        if (b == TelnetIAC) ++length;
        if (b == '\r' && FOptBinary == tnoFalse && (i + 1 == Count || Buf[i + 1] != '\n')) ++length;
    }
    return length;
}

void TWsConnection::Encode(const char* Buf, DWORD Count) {
    if (EncodedLength(Buf, Count) == Count) {
        FOut.Put(Buf, Count);
        return;
    }
    static constexpr char Iac = static_cast<char>(TelnetIAC);
    static constexpr char Nul = 0;
    DWORD from = 0;
    for (DWORD i = 0; i < Count; ++i) {
        const BYTE b = static_cast<BYTE>(Buf[i]);
        const bool doubled = b == TelnetIAC;
        const bool padded = b == '\r' && FOptBinary == tnoFalse && (i + 1 == Count || Buf[i + 1] != '\n');
        if (!doubled && !padded) continue;
        FOut.Put(Buf + from, i + 1 - from);
        FOut.Put(doubled ? &Iac : &Nul, 1);
        from = i + 1;
    }
    FOut.Put(Buf + from, Count - from);
}

void TWsConnection::HandleCommand(BYTE Command, BYTE Option) {
    switch (Command) {
    case TelnetWILL:
        Log(dstRWill, Option);
        if (Option == TelnetOptBinary) {
            SendDo(Option);
            FOptBinary = tnoTrue;
        } else if (Option == TelnetOptEcho || Option == TelnetOptSGA) {
            SendDo(Option);
        } else {
            SendDont(Option);
        }
        break;
    case TelnetWONT:
        Log(dstRWont, Option);
        SendDont(Option);
        if (Option == TelnetOptBinary) FOptBinary = tnoFalse;
        if (Option == TelnetOptEcho) FOptEcho = tnoFalse;
        if (Option == TelnetOptSGA) FOptSGA = tnoFalse;
        break;
    case TelnetDO:
        Log(dstRDo, Option);
        if (Option == TelnetOptBinary) {
            SendWill(Option);
            FOptBinary = tnoTrue;
        } else if (Option == TelnetOptTermType) {
            SendWill(Option);
        } else {
            SendWont(Option);
        }
        break;
    case TelnetDONT:
        Log(dstRDont, Option);
        SendWont(Option);
        if (Option == TelnetOptBinary) FOptBinary = tnoFalse;
        if (Option == TelnetOptSGA) FOptSGA = tnoFalse;
        break;
    default:
        break;
    }
}

void TWsConnection::SendCommand(BYTE Command, BYTE Option) {
    SendRaw(std::string{static_cast<char>(TelnetIAC), static_cast<char>(Command), static_cast<char>(Option)});
    switch (Command) {
    case TelnetWILL:
        Log(dstSWill, Option);
        break;
    case TelnetWONT:
        Log(dstSWont, Option);
        break;
    case TelnetDO:
        Log(dstSDo, Option);
        break;
    default:
        Log(dstSDont, Option);
        break;
    }
}

void TWsConnection::SendTerminal() {
    const std::string type = VexSocket != nullptr ? VexSocket->TerminalType : std::string();
    std::string bytes{static_cast<char>(TelnetIAC), static_cast<char>(TelnetSB),
                      static_cast<char>(TelnetOptTermType), static_cast<char>(TelnetIS)};
    bytes += type;
    bytes += static_cast<char>(TelnetIAC);
    bytes += static_cast<char>(TelnetSE);
    SendRaw(bytes);
    Log(dstSTerm, 0, type);
}

// Replies queue behind the data already waiting, so a send that would block loses nothing.
void TWsConnection::SendRaw(const std::string& Bytes) {
    if (Bytes.size() > FOut.Free()) return;
    FOut.Put(Bytes.data(), static_cast<DWORD>(Bytes.size()));
    PushOutput();
}

void TWsConnection::Log(TDispatchSubType Subtype, DWORD Value, const std::string& Data) {
    if (FDispatcher == nullptr) return;
    FDispatcher->AddDispatchEntry(dtTelnet, Subtype, static_cast<DWORD>(Data.size()),
                                  Data.empty() ? nullptr : Data.data(), Value);
}

// --- TVexDeviceSocket ---------------------------------------------------------------------------

TVexDeviceSocket::TVexDeviceSocket(TComponent* AOwner) : TVexSocket(AOwner), TerminalType("vt100") {}

TVexDeviceSocket::~TVexDeviceSocket() {
    // The connections go while this is still the socket owner they expect.
    while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
}

void TVexDeviceSocket::LockList() {
    EnterCriticalSection(&FListLock);
}

void TVexDeviceSocket::UnLockList() {
    LeaveCriticalSection(&FListLock);
}

void TVexDeviceSocket::ResetCache() {
    TCriticalSectionLock lock(FListLock);
    FLastSocket = INVALID_SOCKET;
    FLastConnection = nullptr;
}

TWsConnection* TVexDeviceSocket::FindConnection(TSocket Socket) {
    if (Socket == INVALID_SOCKET) return nullptr;
    TCriticalSectionLock lock(FListLock);
    auto holds = [Socket](const TWsConnection* conn) {
        return conn->FDataSocket == Socket || conn->FOwnSocket == Socket;
    };
    // The cached connection may have given the socket up since.
    if (FLastConnection != nullptr && FLastSocket == Socket && holds(FLastConnection)) return FLastConnection;
    for (int i = 0; i < ComponentCount(); ++i) {
        auto* conn = dynamic_cast<TWsConnection*>(Components(i));
        if (conn != nullptr && holds(conn)) {
            FLastSocket = Socket;
            FLastConnection = conn;
            return conn;
        }
    }
    return nullptr;
}

TSocket TVexDeviceSocket::TweakSocket(TSocket Socket) {
    const TWsConnection* conn = FindConnection(Socket);
    return conn != nullptr ? conn->FOwnSocket : INVALID_SOCKET;
}

LRESULT TVexDeviceSocket::DoDispMessage(TSocket Socket, LPARAM lParam) {
    TVexWinsockDispatcher* disp = DispatcherOfSocket(Socket);
    if (disp == nullptr || disp->DispatchWindow() == 0) return 0;
    return SendMessage(disp->DispatchWindow(), SocketEventMsg, Socket, lParam);
}

LRESULT TVexDeviceSocket::DoWsMessage(TSocket Socket, WPARAM Code, LPARAM Data) {
    TVexWinsockDispatcher* disp = DispatcherOfSocket(Socket);
    if (disp == nullptr || disp->PortWindow() == 0) return 0;
    // The port's handlers run as a notification would: no trigger is checked meanwhile and a close
    // they ask for is deferred.
    struct THold {
        TVexWinsockDispatcher* Disp;
        explicit THold(TVexWinsockDispatcher* D) : Disp(D) {
            bool was;
            Disp->SetEventBusy(was, true);
        }
        ~THold() {
            bool was;
            Disp->SetEventBusy(was, false);
        }
        THold(const THold&) = delete;
        THold& operator=(const THold&) = delete;
    } hold(disp);
    return SendMessage(disp->PortWindow(), SocketEventMsg, Code, Data);
}

void TVexDeviceSocket::DoRead(TSocket Socket) {
    if (FindConnection(Socket) != nullptr) DoDispMessage(TweakSocket(Socket), 0);
    TVexSocket::DoRead(Socket);
}

void TVexDeviceSocket::DoWrite(TSocket Socket) {
    TVexSocket::DoWrite(Socket);
}

void TVexDeviceSocket::DoConnect(TSocket Socket) {
    if (TWsConnection* conn = FindConnection(Socket)) {
        if (conn->FClientMode) conn->FDataSocket = Socket;
        conn->SetConnectionState(wcsConnected);
        DoWsMessage(Socket, wsConnectEvent, 0);
    }
    TVexSocket::DoConnect(Socket);
}

void TVexDeviceSocket::DrainConnection(TSocket OwnSocket) {
    for (int step = 0; step < DrainStepLimit; ++step) {
        TWsConnection* conn = FindConnection(OwnSocket);
        if (conn == nullptr || conn->FDispatcher == nullptr) return;
        const DWORD before = conn->GetInCharsWaiting();
        DoDispMessage(OwnSocket, 0);
        conn = FindConnection(OwnSocket);
        if (conn == nullptr) return;
        const DWORD after = conn->GetInCharsWaiting();
        if (after == 0 || after >= before) return;
    }
}

void TVexDeviceSocket::DoDisconnect(TSocket Socket) {
    TWsConnection* conn = FindConnection(Socket);
    if (conn != nullptr) {
        const TSocket own = conn->FOwnSocket;
        // What arrived before the close reaches the triggers before the port hears of the close.
        DrainConnection(own);
        conn = FindConnection(Socket);
    }
    if (conn != nullptr) {
        const TSocket own = conn->FOwnSocket;
        if (conn->FDispatcher != nullptr) conn->FDispatcher->RemoteAddress() = TSockAddrIn{};
        conn->FDataSocket = INVALID_SOCKET;
        conn->SetConnectionState(wcsInit);
        if (Socket == own) {
            DoWsMessage(own, wsCloseEvent, 0);
        } else {
            CloseSocket(Socket);
            DoWsMessage(own, wsPeerLeftEvent, 0);
        }
    }
    TVexSocket::DoDisconnect(Socket);
}

void TVexDeviceSocket::ReleasePeer(TSocket Socket) {
    TWsConnection* conn = FindConnection(Socket);
    if (conn == nullptr || conn->FDataSocket != Socket) return;
    if (conn->FDispatcher != nullptr) conn->FDispatcher->RemoteAddress() = TSockAddrIn{};
    conn->FDataSocket = INVALID_SOCKET;
    conn->SetConnectionState(wcsInit);
    if (Socket != conn->FOwnSocket) CloseSocket(Socket);
}

void TVexDeviceSocket::CMVEXSocketMessage(WPARAM wParam, LPARAM lParam) {
    if (wsaGetSelectError(lParam) == 0 || wsaGetSelectEvent(lParam) != FD_CLOSE) {
        TVexSocket::CMVEXSocketMessage(wParam, lParam);
        return;
    }
    // Reported first, while the socket still leads to its port; then the connection is over, so a
    // server can take its next peer instead of turning every one away.
    const TSocket socket = static_cast<TSocket>(wParam);
    if (const TWsConnection* conn = FindConnection(socket)) DrainConnection(conn->FOwnSocket);
    DoError(socket, wsaGetSelectError(lParam));
    ReleasePeer(socket);
}

void TVexDeviceSocket::DoAccept(TSocket Socket) {
    TWsConnection* conn = FindConnection(Socket);
    if (conn != nullptr && conn->FDataSocket != INVALID_SOCKET) {
        // One peer at a time.
        TSockAddrIn address{};
        const TSocket peer = AcceptSocket(Socket, address);
        if (peer != INVALID_SOCKET) CloseSocket(peer);
    } else if (conn != nullptr) {
        TVexWinsockDispatcher* disp = conn->FDispatcher;
        TSockAddrIn address{};
        const TSocket peer = AcceptSocket(Socket, address);
        conn = FindConnection(Socket);
        if (peer == INVALID_SOCKET || conn == nullptr) {
            if (disp != nullptr && conn != nullptr) disp->RemoteAddress() = TSockAddrIn{};
            if (peer != INVALID_SOCKET) CloseSocket(peer);
        } else {
            conn->FDataSocket = peer;
            if (disp != nullptr) disp->RemoteAddress() = address;
            const LRESULT answer =
                DoWsMessage(Socket, wsAcceptEvent, static_cast<LPARAM>(address.sin_addr.S_addr));
            conn = FindConnection(peer);
            if (conn != nullptr && answer == 1) {
                conn->SetConnectionState(wcsConnected);
            } else if (conn != nullptr) {
                conn->FDataSocket = INVALID_SOCKET;
                if (conn->FDispatcher != nullptr) conn->FDispatcher->RemoteAddress() = TSockAddrIn{};
                CloseSocket(peer);
            }
        }
    }
    TVexSocket::DoAccept(Socket);
}

void TVexDeviceSocket::DoError(TSocket Socket, int ErrCode) {
    if (const TWsConnection* conn = FindConnection(Socket)) DoWsMessage(conn->FOwnSocket, ErrCode, 0);
    if (OnError) OnError(this, Socket, ErrCode);
}

// --- TVexWinsockDispatcher ----------------------------------------------------------------------

TVexWinsockDispatcher::TVexWinsockDispatcher(TComponent* Owner) : TVexBaseDispatcher(Owner) {}

TVexWinsockDispatcher::~TVexWinsockDispatcher() {
    BeforeDestruction();
}

void TVexWinsockDispatcher::InitSocketData(int, DWORD RemoteAddress, bool Telnet, bool ClientMode,
                                           WORD Port) {
    FRemoteAddress = TSockAddrIn{};
    FRemoteAddress.sin_family = AF_INET;
    FRemoteAddress.sin_port = Port;
    FRemoteAddress.sin_addr.S_addr = RemoteAddress;
    FLocalAddress = TSockAddrIn{};
    FLocalAddress.sin_family = AF_INET;
    FLocalAddress.sin_port = ClientMode ? 0 : Port;
    FLocalAddress.sin_addr.S_addr = INADDR_ANY;
    FClientMode = ClientMode;
    FTelnet = Telnet;
}

void TVexWinsockDispatcher::SetTelnet(bool On) {
    FTelnet = On;
    if (FConnection == nullptr) return;
    std::string pending;
    if (On && !FConnection->TelnetOn()) {
        // What the receive ring holds came raw; it goes back through the connection, decoded, in
        // front of what the connection still holds.
        pending.resize(InBuffUsed());
        if (!pending.empty() && GetBlock(pending.data(), static_cast<DWORD>(pending.size())) < 0)
            pending.clear();
    }
    FConnection->SetTelnet(On, pending);
}

int TVexWinsockDispatcher::OpenCom(const char*, DWORD InQueue, DWORD OutQueue) {
    if (VexSocket == nullptr) return -ecWinsockDllError;
    try {
        VexSocket->LockList();
        struct TUnlock {
            ~TUnlock() { VexSocket->UnLockList(); }
        } unlock;
        FConnection = new TWsConnection(VexSocket, OutQueue, InQueue);
        return static_cast<int>(FConnection->OwnSocket());
    } catch (const EVexSocketException& e) {
        ::SetLastError(static_cast<DWORD>(e.ErrorCode()));
        return -e.ErrorCode();
    } catch (const std::bad_alloc&) {
        return ecOutOfMemory;
    }
}

bool TVexWinsockDispatcher::SetupCom(int, int) {
    if (FConnection == nullptr) return false;
    // Set up once; a later change of buffer sizes has nothing to do on a socket.
    if (FConnection->FDispatcher == this) return true;
    const TSocket socket = FConnection->OwnSocket();
    auto failed = [](int result) {
        if (result != SOCKET_ERROR) return false;
        const int error = VexSocket->GetLastError();
        if (error == WSAEWOULDBLOCK) return false;
        ::SetLastError(static_cast<DWORD>(error));
        return true;
    };
    const int on = 1;
    if (failed(VexSocket->SetSocketOptions(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on))) return false;
    if (failed(VexSocket->BindSocket(socket, FLocalAddress))) return false;
    if (failed(VexSocket->SetAsyncStyles(socket, SocketEventMask))) return false;
    if (FClientMode) {
        if (failed(VexSocket->ConnectSocket(socket, FRemoteAddress))) return false;
    } else {
        if (failed(VexSocket->ListenSocket(socket, 5))) return false;
    }
    if (FConnection == nullptr) return false; // closed by a handler of an error above
    FConnection->SetModes(FClientMode, FTelnet);
    FConnection->SetDispatcher(this);
    return true;
}

int TVexWinsockDispatcher::CloseCom() {
    if (FConnection == nullptr) return -1;
    TWsConnection* conn = FConnection;
    VexSocket->LockList();
    struct TUnlock {
        ~TUnlock() { VexSocket->UnLockList(); }
    } unlock;
    FConnection = nullptr;
    ConnectionStateChanged(false);
    conn->Shutdown();
    conn->SetDispatcher(nullptr);
    VexSocket->ResetCache();
    conn->Release();
    return 0;
}

bool TVexWinsockDispatcher::ReadsWhatArrived() const {
    return true;
}

int TVexWinsockDispatcher::ReadCom(char* Buf, int Size) {
    // Bytes received before the peer closed are still handed out.
    return FConnection != nullptr ? FConnection->ReadBuf(Buf, Size) : 0;
}

int TVexWinsockDispatcher::WriteCom(const char* Buf, int Size) {
    return FConnection != nullptr ? FConnection->WriteBuf(Buf, Size) : 0;
}

int TVexWinsockDispatcher::GetComError(COMSTAT& Stat) {
    Stat = COMSTAT{};
    if (FConnection != nullptr) Stat.cbInQue = FConnection->GetInCharsWaiting();
    if (FConnection != nullptr) Stat.cbOutQue = FConnection->GetOutChars();
    // Socket errors travel as events to the port; read as line-error bits they would be noise.
    return 0;
}

int TVexWinsockDispatcher::FlushCom(int Queue) {
    if (FConnection != nullptr) {
        if (Queue == 0) FConnection->FlushOutBuffer();
        if (Queue == 1) FConnection->FlushInBuffer();
    }
    return 0;
}

int TVexWinsockDispatcher::GetComState(DCB& Dcb) {
    Dcb = DCB{};
    Dcb.BaudRate = 19200;
    Dcb.ByteSize = 8;
    Dcb.Parity = NOPARITY;
    Dcb.StopBits = ONE5STOPBITS;
    return 0;
}

int TVexWinsockDispatcher::SetComState(DCB&) {
    return 0;
}

int TVexWinsockDispatcher::EscapeComFunction(int) {
    return 0;
}

int TVexWinsockDispatcher::GetComEventMask(int) {
    return 0;
}

bool TVexWinsockDispatcher::WaitComEvent(DWORD&, OVERLAPPED*) {
    return true;
}

DWORD TVexWinsockDispatcher::GetComModemStatus() {
    return FConnection != nullptr && FConnection->GetConnected() ? MS_RLSD_ON : 0;
}

void TVexWinsockDispatcher::ConnectionStateChanged(bool Connected) {
    TCriticalSectionLock lock(ListLock);
    if (Connected)
        ModemStatus |= ModemDcd;
    else
        ModemStatus &= ~static_cast<DWORD>(ModemDcd);
}

void TVexWinsockDispatcher::StartDispatcher() {
    if (FDispatcherStarted) throw Exception("Dispatcher already started");
    FDispatcherStarted = true;
    TimerId = static_cast<DWORD>(SetTimer(0, 0, DispatchTimerMs, &TimerProc));
    if (TimerId == 0) throw Exception("Resource not available");
    DispatcherWindow = CreateMessageWindow("vxDispatch", &DispatchWndProc);
}

void TVexWinsockDispatcher::StopDispatcher() {
    if (!FDispatcherStarted) return;
    if (TimerId != 0) KillTimer(0, TimerId);
    TimerId = 0;
    if (DispatcherWindow != 0) DestroyWindow(DispatcherWindow);
    DispatcherWindow = 0;
    FDispatcherStarted = false;
}

void TVexWinsockDispatcher::TimerProc(HWND, UINT, std::uintptr_t Id, DWORD) {
    if (DispatchTimerHeld()) return;
    TVexWinsockDispatcher* found = nullptr;
    LockPortList();
    for (TVexBaseDispatcher* disp : PortList) {
        // Only started dispatchers: one still being made must not be cast.
        if (disp == nullptr || !disp->DispatcherStarted()) continue;
        auto* socketDisp = dynamic_cast<TVexWinsockDispatcher*>(disp);
        if (socketDisp != nullptr && socketDisp->TimerId == Id) {
            found = socketDisp;
            break;
        }
    }
    UnlockPortList();
    if (found != nullptr) found->Dispatcher(WM_TIMER, false, 0);
}

LRESULT TVexWinsockDispatcher::DispatchWndProc(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (Msg != SocketEventMsg) return DefWindowProc(Wnd, Msg, wParam, lParam);
    if (TVexWinsockDispatcher* disp = DispatcherOfSocket(static_cast<TSocket>(wParam)))
        disp->Dispatcher(Msg, false, lParam);
    return 0;
}

int TVexWinsockDispatcher::ProcessCommunications() {
    Dispatcher(0, true, 0);
    return 0;
}

void TVexWinsockDispatcher::Dispatcher(UINT Msg, bool ReadingOnly, LPARAM) {
    if (FReentered) {
        // A handler asking for the bytes that came meanwhile: they go into the ring, and the
        // running step's triggers see them when the handler returns.
        if (ReadingOnly) {
            RefreshStatus();
            ExtractData();
        }
        return;
    }
    FReentered = true;
    struct TStepEnd {
        TVexWinsockDispatcher* Disp;
        ~TStepEnd() {
            Disp->FReentered = false;
            if (Disp->FClosePending) Disp->DonePortPrim();
        }
    } stepEnd{this};

    if (FClosePending) {
        FClosePending = false;
        DonePortPrim();
        return;
    }
    RefreshStatus();
    if (ReadingOnly || EventBusy()) {
        ExtractData();
        AddDispatchEntry(dtError, dstNone, 0, nullptr, Msg);
        return;
    }
    const bool more = ExtractAndCheck([this] { CheckTriggersWhileDelivered(); });
    // The rest comes in the next step, after the messages queued meanwhile.
    if (more && DispatcherWindow != 0)
        PostMessage(DispatcherWindow, SocketEventMsg, static_cast<WPARAM>(FDeviceId.load()), 0);
}
