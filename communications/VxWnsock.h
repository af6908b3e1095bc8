// TCP connections under the port dispatcher: the global socket owner VexSocket, which routes socket
// events to the dispatcher and port they belong to; TWsConnection, one connection with its input
// and output rings and telnet processing; and TVexWinsockDispatcher, the device layer of a TCP port.
//
// Everything here runs on the main thread, driven by window messages: VexSocket's window receives
// the socket events, each dispatcher's "vxDispatch" window its data messages, and a 50 ms window
// timer runs each dispatcher's pass.
//
// Connection events reach the port window of the dispatcher (SetPortWindow) as SocketEventMsg with
// wParam one of the codes below or a Winsock error number, sent while the dispatcher is event busy.
#pragma once

#include "communications/VxSocket.h"
#include "communications/VxUser.h"
#include "platform/win/Sync.h"

#include <memory>
#include <string>

// wParam of SocketEventMsg to a port window; lParam is the peer's address (network order) for
// wsAcceptEvent, else 0. A port answers 1 to accept a peer.
inline constexpr WPARAM wsAcceptEvent = 8;
inline constexpr WPARAM wsConnectEvent = 16;
inline constexpr WPARAM wsCloseEvent = 32;    // the peer closed the connection
inline constexpr WPARAM wsPeerLeftEvent = 48; // a server's peer went; the port goes on listening

inline constexpr LONG SocketEventMask = FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE;

// Telnet bytes.
inline constexpr BYTE TelnetIAC = 255;
inline constexpr BYTE TelnetDONT = 254;
inline constexpr BYTE TelnetDO = 253;
inline constexpr BYTE TelnetWONT = 252;
inline constexpr BYTE TelnetWILL = 251;
inline constexpr BYTE TelnetSB = 250;
inline constexpr BYTE TelnetSE = 240;
inline constexpr BYTE TelnetIS = 0;
inline constexpr BYTE TelnetOptBinary = 0;
inline constexpr BYTE TelnetOptEcho = 1;
inline constexpr BYTE TelnetOptSGA = 3;
inline constexpr BYTE TelnetOptTermType = 24;

enum TWsConnectionState { wcsInit, wcsConnected };
enum TTelnetOpt { tnoFalse, tnoNegotiating, tnoTrue };

class TVexWinsockDispatcher;

// A connection owned by VexSocket; lives from the dispatcher's OpenCom to its CloseCom. Received
// bytes are run through telnet processing as they leave the socket, so the input ring holds only
// data; the replies that processing makes go out through the output ring, behind the data already
// queued there.
class TWsConnection : public TComponent {
public:
    // The input ring holds InSize bytes, the output ring OutSize + 4096. Raises when no socket can
    // be made.
    TWsConnection(TComponent* AOwner, DWORD OutSize, DWORD InSize);
    ~TWsConnection() override;

    TSocket OwnSocket() const { return FOwnSocket; }
    TSocket DataSocket() const { return FDataSocket; }
    TVexWinsockDispatcher* Dispatcher() const { return FDispatcher; }
    TWsConnectionState ConnectionState() const { return FConnectionState; }
    bool ClientMode() const { return FClientMode; }
    bool TelnetOn() const { return FTelnet; }
    TTelnetOpt OptBinary() const { return FOptBinary; }
    TTelnetOpt OptSGA() const { return FOptSGA; }
    TTelnetOpt OptEcho() const { return FOptEcho; }

    // Mirrored in the dispatcher's DCD line.
    void SetConnectionState(TWsConnectionState State);
    bool GetConnected() const { return FConnectionState == wcsConnected; }

    // Bytes waiting in the input ring, after pulling what the socket holds when connected.
    DWORD GetInChars();
    // Those and what the socket still holds behind them: what reads can hand out now. Reads
    // nothing from the socket unless telnet is on (its bytes are counted once decoded).
    DWORD GetInCharsWaiting();
    // The bytes written since the output ring was last found empty; pushes pending output first
    // when connected.
    DWORD GetOutChars();
    // Hands out up to Count received bytes: the input ring's, then the socket's (straight into
    // Buf without telnet, through the ring with it).
    int ReadBuf(char* Buf, int Count);
    // All or nothing: Count when the whole block, telnet doubling included, fits the output ring,
    // else 0. Then pushes what is pending, when connected.
    int WriteBuf(const char* Buf, int Count);
    void FlushInBuffer();
    void FlushOutBuffer();
    // Switches telnet processing. Switched on, Pending (raw bytes already handed out, oldest
    // first) and what the input ring holds are decoded again, as if they came from the socket now.
    void SetTelnet(bool On, const std::string& Pending = std::string());
    // Closes the sockets this connection holds.
    void Shutdown();

protected:
    friend class TVexDeviceSocket;
    friend class TVexWinsockDispatcher;

    // The socket calls, through VexSocket; -1 for a failure or a call that would block.
    virtual int SocketRead(char* Buf, int Count);
    virtual int SocketWrite(const char* Buf, int Count);
    virtual DWORD SocketWaiting();

    void SetDataSocket(TSocket Socket) { FDataSocket = Socket; }
    void SetDispatcher(TVexWinsockDispatcher* Disp) { FDispatcher = Disp; }
    void SetModes(bool ClientMode, bool Telnet);

private:
    struct TRing {
        std::unique_ptr<char[]> Buf;
        DWORD Size = 0;
        DWORD Read = 0;  // next byte out
        DWORD Write = 0; // next byte in
        bool Full = false;
        DWORD Used() const;
        DWORD Free() const { return Size - Used(); }
        void Put(const char* Data, DWORD Count); // Count <= Free()
        void Commit(DWORD Count);                // Count bytes were written at Write
        DWORD Get(char* Data, DWORD Count);
        void Clear();
    };

    // Telnet receive states; a sequence split between reads resumes where it stopped.
    enum TRecvState { rsData, rsAfterCR, rsIAC, rsOption, rsSubOption, rsSub, rsSubIAC };

    bool CanSend() const;
    void PullSocket();
    void PushOutput();
    void Receive(const char* Raw, int Count);
    void Deliver(char C);
    DWORD EncodedLength(const char* Buf, DWORD Count) const;
    void Encode(const char* Buf, DWORD Count);
    void HandleCommand(BYTE Command, BYTE Option);
    void SendCommand(BYTE Command, BYTE Option);
    void SendDo(BYTE Option) { SendCommand(TelnetDO, Option); }
    void SendDont(BYTE Option) { SendCommand(TelnetDONT, Option); }
    void SendWill(BYTE Option) { SendCommand(TelnetWILL, Option); }
    void SendWont(BYTE Option) { SendCommand(TelnetWONT, Option); }
    void SendTerminal();
    void SendRaw(const std::string& Bytes);
    void Log(TDispatchSubType Subtype, DWORD Value, const std::string& Data = std::string());

    // A call that may reach a port window (a socket error, a telnet reply) can close the port and
    // with it this connection; the connection is then freed when the outermost call returns.
    class TUse;
    void Release();

    TSocket FDataSocket = INVALID_SOCKET;
    TVexWinsockDispatcher* FDispatcher = nullptr;
    TWsConnectionState FConnectionState = wcsInit;
    TRing FIn;
    DWORD FBytesWritten = 0;
    bool FClientMode = false;
    bool FTelnet = false;
    TRing FOut;
    TSocket FOwnSocket = INVALID_SOCKET;
    TTelnetOpt FOptBinary = tnoFalse;
    TTelnetOpt FOptSGA = tnoFalse;
    TTelnetOpt FOptEcho = tnoFalse;

    std::unique_ptr<char[]> FScratch; // raw bytes between the socket and the input ring (telnet)
    TRecvState FRecvState = rsData;
    BYTE FCommand = 0;
    int FUseCount = 0;
    bool FFreePending = false;
};

// The one socket owner of the process (VexSocket): owns every connection and routes the events of
// their sockets.
class TVexDeviceSocket : public TVexSocket {
public:
    explicit TVexDeviceSocket(TComponent* AOwner);
    ~TVexDeviceSocket() override;

    // Sent in telnet terminal-type negotiation.
    std::string TerminalType;

    void LockList();
    void UnLockList();
    // The connection whose data or own socket is Socket, or nullptr; never one for INVALID_SOCKET.
    TWsConnection* FindConnection(TSocket Socket);
    // The own socket of Socket's connection, or INVALID_SOCKET.
    TSocket TweakSocket(TSocket Socket);
    void ResetCache();
    // Runs one dispatch step of the dispatcher whose device is Socket; 0 when there is none.
    LRESULT DoDispMessage(TSocket Socket, LPARAM lParam);
    // Sends a connection event to the port window of Socket's dispatcher; its answer, or 0.
    LRESULT DoWsMessage(TSocket Socket, WPARAM Code, LPARAM Data);

    // A close that comes with an error goes to DoError, and its connection is let go as well.
    void CMVEXSocketMessage(WPARAM wParam, LPARAM lParam) override;

protected:
    void DoAccept(TSocket Socket) override;
    void DoConnect(TSocket Socket) override;
    void DoDisconnect(TSocket Socket) override;
    void DoError(TSocket Socket, int ErrCode) override;
    void DoRead(TSocket Socket) override;
    void DoWrite(TSocket Socket) override;

private:
    // Runs dispatch steps while they take received bytes out of the connection.
    void DrainConnection(TSocket OwnSocket);
    // The connection no longer has Socket as its peer: closed (a server's peer), forgotten, DCD off.
    void ReleasePeer(TSocket Socket);

    TRTLCriticalSection FListLock;
    TSocket FLastSocket = INVALID_SOCKET;
    TWsConnection* FLastConnection = nullptr;
};

// Created during static start-up (on the main thread) and freed at exit.
extern TVexDeviceSocket* VexSocket;

// The device layer of a TCP port: one connection, no threads of its own.
class TVexWinsockDispatcher : public TVexBaseDispatcher {
public:
    explicit TVexWinsockDispatcher(TComponent* Owner);
    ~TVexWinsockDispatcher() override;

    // Addresses and port in network order. The local address index is not used.
    void InitSocketData(int LocalAddressIndex, DWORD RemoteAddress, bool Telnet, bool ClientMode, WORD Port);

    // Where connection events go (SocketEventMsg); 0 for none.
    void SetPortWindow(HWND Wnd) { FPortWindow = Wnd; }
    HWND PortWindow() const { return FPortWindow; }
    HWND DispatchWindow() const { return DispatcherWindow; }
    TWsConnection* Connection() const { return FConnection; }
    TSockAddrIn& RemoteAddress() { return FRemoteAddress; }
    const TSockAddrIn& LocalAddress() const { return FLocalAddress; }
    bool ClientMode() const { return FClientMode; }
    bool Telnet() const { return FTelnet; }
    // Switches telnet processing of the connection, e.g. on once a proxy has connected it. Bytes
    // received raw and not yet read are decoded when it goes on.
    void SetTelnet(bool On);

    int EscapeComFunction(int Func) override;
    int FlushCom(int Queue) override;
    // Line errors: none, a socket has no line. Fills the bytes waiting in and out.
    int GetComError(COMSTAT& Stat) override;
    int GetComEventMask(int EvtMask) override;
    int GetComState(DCB& Dcb) override;
    bool ReadsWhatArrived() const override;
    int ReadCom(char* Buf, int Size) override;
    int SetComState(DCB& Dcb) override;
    int WriteCom(const char* Buf, int Size) override;
    bool WaitComEvent(DWORD& EvtMask, OVERLAPPED* Overlapped) override;
    bool SetupCom(int InQueue, int OutQueue) override;
    void StartDispatcher() override;
    void StopDispatcher() override;
    int OpenCom(const char* ComName, DWORD InQueue, DWORD OutQueue) override;
    int CloseCom() override;
    int ProcessCommunications() override;
    DWORD GetComModemStatus() override;

    // One dispatch step; ReadingOnly reads the socket into the ring without checking triggers.
    void Dispatcher(UINT Msg, bool ReadingOnly, LPARAM lParam);

private:
    friend class TWsConnection;

    static void TimerProc(HWND Wnd, UINT Msg, std::uintptr_t Id, DWORD Time);
    static LRESULT DispatchWndProc(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam);
    void ConnectionStateChanged(bool Connected);

    bool FReentered = false;
    TSockAddrIn FRemoteAddress{};
    TSockAddrIn FLocalAddress{};
    bool FClientMode = false;
    bool FTelnet = false;
    TWsConnection* FConnection = nullptr;
    HWND FPortWindow = 0;
};
