// The class library's socket components: TClientSocket, a TCP client whose socket (a
// TClientWinSocket) connects without blocking and reports what happens as events on the thread that
// created it. The socket service posts its notifications to a message window of that thread, so the
// events run in that thread's pumps (the message loop, ProcessMessages, the waits that pump) and never
// on another thread.
//
// Event order on one connection: OnConnecting (the connect has started), then OnConnect, or OnError
// with eeConnect when the connect failed; OnRead whenever data waits (once per read: it comes again
// only after ReceiveBuf or ReceiveText, while data remains), OnWrite after the connect and after a
// send that would have blocked; OnDisconnect when the peer hangs up (after every byte it sent was
// read) or when Close ends a connection. A failure reaches OnError with the socket library's error
// number (10061 refused, 10054 reset ...); unless the handler sets ErrorCode to 0, ESocketError is
// raised after it. An error in a notification leaves the socket closed.
//
// Only non-blocking clients are built: Open with ClientType ctBlocking raises ESocketError.
#pragma once

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Classes.h"
#include "platform/win/Types.h"

#include <string>
#include <utility>

enum TErrorEvent { eeGeneral, eeSend, eeReceive, eeConnect, eeDisconnect, eeAccept };
enum TSocketEvent { seLookup, seConnecting, seConnect, seDisconnect, seListen, seAccept, seWrite, seRead };
enum TClientType { ctNonBlocking, ctBlocking };

class TCustomWinSocket;

using TSocketNotifyEvent = TMethod<void(TObject* Sender, TCustomWinSocket* Socket)>;
using TSocketErrorEvent =
    TMethod<void(TObject* Sender, TCustomWinSocket* Socket, TErrorEvent ErrorEvent, int& ErrorCode)>;
using TSocketEventEvent = TMethod<void(TObject* Sender, TCustomWinSocket* Socket, TSocketEvent SocketEvent)>;

class ESocketError : public Exception {
public:
    ESocketError(std::string message, int errorCode) : Exception(std::move(message)), ErrorCode(errorCode) {}
    // The socket library's error number; 0 for a fault of the caller (an address that is no address).
    int ErrorCode;
};

// One socket and its notification window. Sends and receives never block.
class TCustomWinSocket : public TObject {
public:
    TCustomWinSocket();
    ~TCustomWinSocket() override;
    TCustomWinSocket(const TCustomWinSocket&) = delete;
    TCustomWinSocket& operator=(const TCustomWinSocket&) = delete;

    // Ends the connection (or the connect under way); OnDisconnect comes when it was connected.
    void Close();

    // The bytes the socket took (possibly fewer than Count), or -1 when it took none: it would block
    // (OnWrite comes when it can take more) or it failed. A failure is reported to OnError (eeSend)
    // and closes the socket first, so Connected is then false. -1 also when not connected.
    int SendBuf(const void* Buf, int Count);
    int SendText(const std::string& S);
    // The bytes read, 0 at the end of the stream, or -1 when none could be read (nothing waits, or a
    // failure, reported to OnError with eeReceive and closing the socket).
    int ReceiveBuf(void* Buf, int Count);
    // What waits now, read whole.
    std::string ReceiveText();
    // The bytes waiting to be read now; 0 when not connected.
    int ReceiveLength();

    bool Connected() const { return connected_; }
    // The peer's dotted address and port while connected (or connecting); empty and 0 otherwise.
    std::string RemoteAddress() const;
    int RemotePort() const;
    // The socket library's handle, or INVALID_SOCKET (~0) when there is none.
    UINT SocketHandle() const { return socket_; }
    HWND Handle() const { return window_; }

    void* Data = nullptr;
    TSocketEventEvent OnSocketEvent;
    TSocketErrorEvent OnErrorEvent;

protected:
    virtual void Event(TSocketEvent SocketEvent);
    virtual void Error(TErrorEvent ErrorEvent, int& ErrorCode);
    // Takes a socket made by the caller (selected for this window's notifications), dropping the one
    // held before without notice.
    void Attach(UINT socket, const std::string& remoteAddress, int remotePort);
    // Reports a failure of the current socket: OnError, then the socket closed (OnDisconnect when it
    // was connected) unless the handler closed or replaced it, then ESocketError unless ErrorCode
    // was cleared.
    void Fail(TErrorEvent ErrorEvent, int ErrorCode, const char* api);
    static constexpr UINT kSocketMessage = WM_USER + 0x0A0;

private:
    void SocketMessage(UINT socket, LPARAM lParam);
    // Closes the socket; with notify, OnDisconnect first when it was connected.
    void Disconnect(bool notify);

    HWND window_ = 0;
    UINT socket_;
    bool connected_ = false;
    std::string remoteAddress_;
    int remotePort_ = 0;
};

class TClientWinSocket : public TCustomWinSocket {
public:
    TClientType ClientType = ctNonBlocking;

    // Finds the address (Host by name when given, else Address as dotted numbers) and starts the
    // connect. Raises ESocketError for an address that cannot be found or a socket that cannot be
    // made; a connect that fails later comes to OnError as eeConnect. A connect under way is dropped.
    void Open(const std::string& Host, const std::string& Address, int Port);
};

class TClientSocket : public TComponent {
public:
    explicit TClientSocket(TComponent* AOwner);
    ~TClientSocket() override;

    const std::string& Host() const { return host_; }
    void SetHost(const std::string& value) { host_ = value; }
    const std::string& Address() const { return address_; }
    void SetAddress(const std::string& value) { address_ = value; }
    int Port() const { return port_; }
    void SetPort(int value) { port_ = value; }
    TClientType ClientType() const { return socket_->ClientType; }
    void SetClientType(TClientType value) { socket_->ClientType = value; }

    // True from OnConnect until the connection ends. Setting it true starts a connect (a connect
    // under way starts again); false closes.
    bool Active() const { return active_; }
    void SetActive(bool value);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }

    TClientWinSocket* Socket() const { return socket_; }

    TSocketNotifyEvent OnConnecting;
    TSocketNotifyEvent OnConnect;
    TSocketNotifyEvent OnDisconnect;
    TSocketNotifyEvent OnRead;
    TSocketNotifyEvent OnWrite;
    TSocketErrorEvent OnError;

protected:
    void Loaded() override;

private:
    void DoEvent(TObject* Sender, TCustomWinSocket* Socket, TSocketEvent SocketEvent);
    void DoError(TObject* Sender, TCustomWinSocket* Socket, TErrorEvent ErrorEvent, int& ErrorCode);

    TClientWinSocket* socket_;
    std::string host_;
    std::string address_;
    int port_ = 0;
    bool active_ = false;
    bool openWhenLoaded_ = false;
};
