// The socket component: starts Winsock, owns a hidden window for the asynchronous socket messages
// and wraps every socket call, reporting failures through DoError with their Winsock numbers.
#pragma once

#include "communications/Vxwutil.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Method.h"
#include "platform/ui/Classes.h"
#include "platform/win/Messages.h"

#include <string>

// Socket events to VexSocket's window (lParam: event in the low word, error in the high word), and
// the events VexSocket passes on to dispatcher and port windows.
inline constexpr UINT SocketEventMsg = 0x0B11;

// Start-up errors of the socket layer; texts in the message table.
inline constexpr int ecWinsockDllError = 9002;
inline constexpr int ecWinsockVersion = 9003;
inline constexpr int ecWinsockNotInitialized = 9004;

inline constexpr WORD WinsockVersion11 = 0x0101;

class EVexSocketException : public Exception {
public:
    // The message is the text of ErrCode.
    explicit EVexSocketException(int ErrCode);
    // "Winsock not initialized - " followed by the text of ErrCode.
    static EVexSocketException CreateNoInit(int ErrCode);

    int ErrorCode() const { return FErrorCode; }

private:
    EVexSocketException(int ErrCode, std::string Text);
    int FErrorCode;
};

using TSocketNotifyEvent = TMethod<void(TObject* Sender, TSocket Socket)>;
using TSocketErrorEvent = TMethod<void(TObject* Sender, TSocket Socket, int ErrCode)>;

class TVexSocket : public TComponent {
public:
    explicit TVexSocket(TComponent* AOwner);
    ~TVexSocket() override;

    TSocketNotifyEvent OnAccept;
    TSocketNotifyEvent OnConnect;
    TSocketNotifyEvent OnDisconnect;
    TSocketErrorEvent OnError;
    TSocketNotifyEvent OnRead;
    TSocketNotifyEvent OnWrite;

    bool WinsockLoaded() const { return FWinsockLoaded; }
    int StartupError() const { return FStartupError; }
    // Raises the start-up error (as "Winsock not initialized - ...") when Winsock did not start.
    void CheckLoaded();

    // Each returns what Winsock answered. On SOCKET_ERROR the error goes to DoError, except that
    // connect, listen, read, write and shutdown pass over WSAEWOULDBLOCK.
    TSocket AcceptSocket(TSocket Socket, TSockAddrIn& Address);
    int BindSocket(TSocket Socket, const TSockAddrIn& Address);
    int CloseSocket(TSocket Socket);
    int ConnectSocket(TSocket Socket, const TSockAddrIn& Address);
    int ListenSocket(TSocket Socket, int Backlog);
    int ReadSocket(TSocket Socket, char* Buf, int Size, int Flags);
    int WriteSocket(TSocket Socket, const char* Buf, int Size, int Flags);
    int ShutdownSocket(TSocket Socket, int How);
    // Bytes received on the socket and not yet read; 0 when that cannot be told.
    DWORD BytesWaiting(TSocket Socket);
    int SetSocketOptions(TSocket Socket, int Level, int OptName, const void* OptVal, int OptLen);
    // Selects Events for this component's window with SocketEventMsg.
    int SetAsyncStyles(TSocket Socket, LONG Events);
    // A TCP socket; raises EVexSocketException with the Winsock error when none can be made.
    TSocket CreateSocket();

    bool CanReadSocket(TSocket Socket, DWORD WaitTime);
    bool CanWriteSocket(TSocket Socket, DWORD WaitTime);

    // Addresses in network order; INADDR_NONE (-1) for a text that is no dotted address.
    DWORD String2NetAddr(const std::string& Address);
    std::string NetAddr2String(DWORD Address);
    // The first address of the host, or 0.
    DWORD LookupName(const std::string& Name);
    // The host's name, or empty.
    std::string LookupAddress(DWORD Address);
    // Port numbers in host order; the service is looked up for tcp.
    std::string LookupPort(WORD Port);
    WORD LookupService(const std::string& Service); // 0 when unknown
    std::string GetLocalHost();
    std::string GetLocalAddress();
    std::string GetDescription();
    std::string GetSystemStatus();
    DWORD htonl(DWORD HostLong);
    WORD htons(WORD HostShort);
    DWORD ntohl(DWORD NetLong);
    WORD ntohs(WORD NetShort);
    // WSAGetLastError.
    int GetLastError();
    HWND GetHandle() const { return FHandle; }

    // A socket event arrived: the error half goes to DoError, otherwise the event to its handler.
    virtual void CMVEXSocketMessage(WPARAM wParam, LPARAM lParam);

protected:
    virtual void DoAccept(TSocket Socket);
    virtual void DoConnect(TSocket Socket);
    virtual void DoDisconnect(TSocket Socket);
    // Fires OnError; without a handler raises EVexSocketException with ErrCode.
    virtual void DoError(TSocket Socket, int ErrCode);
    virtual void DoRead(TSocket Socket);
    virtual void DoWrite(TSocket Socket);
    virtual void ShowErrorMessage();

private:
    LRESULT WndProc(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam);
    // The last Winsock error, unless it is WSAEWOULDBLOCK and that may pass.
    void ReportFailure(TSocket Socket, bool WouldBlockPasses);

    bool FWinsockLoaded = false;
    int FStartupError = 0;
    TWSAData FWSAData{};
    HWND FHandle = 0;
};
