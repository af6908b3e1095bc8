#include "platform/ui/ScktComp.h"

#include "platform/ui/Forms.h"
#include "platform/win/Messages.h"
#include "platform/winsock/Winsock.h"

#include <climits>
#include <cstring>

namespace {

std::string AsyncErrorText(int code) {
    return "Asynchronous socket error " + std::to_string(code);
}

std::string ApiErrorText(int code, const char* api) {
    return "Windows socket error " + std::to_string(code) + ", on API '" + api + "'";
}

// The socket library's error number of the last failed call on this thread.
int LastError() {
    return WSAGetLastError();
}

} // namespace

// --- TCustomWinSocket -----------------------------------------------------------------------------

TCustomWinSocket::TCustomWinSocket() : socket_(INVALID_SOCKET) {
    TWSAData data;
    if (int err = WSAStartup(0x0101, &data)) throw ESocketError(ApiErrorText(err, "WSAStartup"), err);
    window_ = CreateMessageWindow("TWinSocketWindow", [this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg != kSocketMessage) return DefWindowProc(wnd, msg, wParam, lParam);
        try {
            SocketMessage(static_cast<UINT>(wParam), lParam);
        } catch (...) {
            Application->HandleException(this);
        }
        return LRESULT{0};
    });
    if (!window_) {
        WSACleanup();
        throw ESocketError("Cannot create the socket's notification window", 0);
    }
}

TCustomWinSocket::~TCustomWinSocket() {
    OnSocketEvent = nullptr;
    OnErrorEvent = nullptr;
    Disconnect(false);
    DestroyWindow(window_);
    WSACleanup();
}

void TCustomWinSocket::Attach(UINT socket, const std::string& remoteAddress, int remotePort) {
    Disconnect(false);
    socket_ = socket;
    remoteAddress_ = remoteAddress;
    remotePort_ = remotePort;
}

void TCustomWinSocket::Close() {
    Disconnect(true);
}

void TCustomWinSocket::Disconnect(bool notify) {
    if (socket_ == INVALID_SOCKET) return;
    if (notify && connected_) {
        const UINT s = socket_;
        connected_ = false; // a Close from the handler ends it once
        Event(seDisconnect);
        // The handler may have closed or replaced the socket itself.
        if (socket_ != s) return;
    }
    // Nothing more is posted for it; a notification already queued names a handle no longer ours.
    WSAAsyncSelect(socket_, window_, kSocketMessage, 0);
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
    connected_ = false;
    remoteAddress_.clear();
    remotePort_ = 0;
}

void TCustomWinSocket::Fail(TErrorEvent ErrorEvent, int ErrorCode, const char* api) {
    const UINT s = socket_;
    const int code = ErrorCode;
    Error(ErrorEvent, ErrorCode);
    if (socket_ == s) Disconnect(true);
    if (ErrorCode != 0) throw ESocketError(api ? ApiErrorText(code, api) : AsyncErrorText(code), code);
}

void TCustomWinSocket::SocketMessage(UINT socket, LPARAM lParam) {
    if (socket != socket_ || socket_ == INVALID_SOCKET) return;
    const WORD event = WSAGETSELECTEVENT(lParam);
    const int error = WSAGETSELECTERROR(lParam);
    if (error != 0) {
        TErrorEvent which = eeGeneral;
        switch (event) {
            case FD_CONNECT: which = eeConnect; break;
            case FD_CLOSE: which = eeDisconnect; break;
            case FD_READ: which = eeReceive; break;
            case FD_WRITE: which = eeSend; break;
            case FD_ACCEPT: which = eeAccept; break;
            default: break;
        }
        Fail(which, error, nullptr);
        return;
    }
    switch (event) {
        case FD_CONNECT:
            connected_ = true;
            Event(seConnect);
            break;
        case FD_READ: Event(seRead); break;
        case FD_WRITE: Event(seWrite); break;
        case FD_CLOSE: Disconnect(true); break;
        default: break;
    }
}

void TCustomWinSocket::Event(TSocketEvent SocketEvent) {
    if (OnSocketEvent) OnSocketEvent(this, this, SocketEvent);
}

void TCustomWinSocket::Error(TErrorEvent ErrorEvent, int& ErrorCode) {
    if (OnErrorEvent) OnErrorEvent(this, this, ErrorEvent, ErrorCode);
}

int TCustomWinSocket::SendBuf(const void* Buf, int Count) {
    if (!connected_ || Count < 0) return -1;
    const int sent = send(socket_, static_cast<const char*>(Buf), Count, 0);
    if (sent != SOCKET_ERROR) return sent;
    const int err = LastError();
    if (err != WSAEWOULDBLOCK) Fail(eeSend, err, "send");
    return -1;
}

int TCustomWinSocket::SendText(const std::string& S) {
    if (S.size() > static_cast<std::size_t>(INT_MAX)) return -1;
    return SendBuf(S.data(), static_cast<int>(S.size()));
}

int TCustomWinSocket::ReceiveBuf(void* Buf, int Count) {
    if (!connected_ || Count < 0) return -1;
    const int got = recv(socket_, static_cast<char*>(Buf), Count, 0);
    if (got != SOCKET_ERROR) return got;
    const int err = LastError();
    if (err != WSAEWOULDBLOCK) Fail(eeReceive, err, "recv");
    return -1;
}

std::string TCustomWinSocket::ReceiveText() {
    std::string text(static_cast<std::size_t>(ReceiveLength()), '\0');
    if (text.empty()) return text;
    const int got = ReceiveBuf(text.data(), static_cast<int>(text.size()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

int TCustomWinSocket::ReceiveLength() {
    if (!connected_) return 0;
    DWORD waiting = 0;
    if (ioctlsocket(socket_, FIONREAD, &waiting) == SOCKET_ERROR) return 0;
    return waiting > static_cast<DWORD>(INT_MAX) ? INT_MAX : static_cast<int>(waiting);
}

std::string TCustomWinSocket::RemoteAddress() const {
    return remoteAddress_;
}

int TCustomWinSocket::RemotePort() const {
    return remotePort_;
}

// --- TClientWinSocket -----------------------------------------------------------------------------

void TClientWinSocket::Open(const std::string& Host, const std::string& Address, int Port) {
    if (ClientType != ctNonBlocking) throw ESocketError("Only non-blocking client sockets are supported", 0);
    if (Port < 0 || Port > 0xFFFF) throw ESocketError("Invalid port " + std::to_string(Port), 0);
    TSockAddrIn addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<WORD>(Port));
    Event(seLookup);
    if (!Host.empty()) {
        THostEnt* host = gethostbyname(Host.c_str());
        if (!host || !host->h_addr_list || !host->h_addr_list[0]) {
            const int err = LastError();
            throw ESocketError(ApiErrorText(err, "gethostbyname"), err);
        }
        std::memcpy(&addr.sin_addr.S_addr, host->h_addr_list[0], sizeof addr.sin_addr.S_addr);
    } else {
        addr.sin_addr.S_addr = inet_addr(Address.c_str());
        if (addr.sin_addr.S_addr == htonl(INADDR_NONE) && Address != "255.255.255.255")
            throw ESocketError("Invalid address '" + Address + "'", 0);
    }

    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) {
        const int err = LastError();
        throw ESocketError(ApiErrorText(err, "socket"), err);
    }
    if (WSAAsyncSelect(s, Handle(), kSocketMessage, FD_CONNECT | FD_READ | FD_WRITE | FD_CLOSE) == SOCKET_ERROR) {
        const int err = LastError();
        closesocket(s);
        throw ESocketError(ApiErrorText(err, "WSAAsyncSelect"), err);
    }
    Attach(s, inet_ntoa(addr.sin_addr), Port);
    Event(seConnecting);
    if (SocketHandle() != s) return; // the handler closed it
    // Selected for FD_CONNECT, the connect always answers "would block" and brings its outcome as
    // a notification; any other answer is a fault of the call itself.
    if (connect(s, reinterpret_cast<const TSockAddr*>(&addr), sizeof addr) == SOCKET_ERROR) {
        const int err = LastError();
        if (err != WSAEWOULDBLOCK) Fail(eeConnect, err, "connect");
    }
}

// --- TClientSocket --------------------------------------------------------------------------------

TClientSocket::TClientSocket(TComponent* AOwner) : TComponent(AOwner), socket_(new TClientWinSocket) {
    socket_->OnSocketEvent = TSocketEventEvent::Bind<&TClientSocket::DoEvent>(this);
    socket_->OnErrorEvent = TSocketErrorEvent::Bind<&TClientSocket::DoError>(this);
}

TClientSocket::~TClientSocket() {
    Destroying();
    delete socket_;
}

void TClientSocket::SetActive(bool value) {
    if (ComponentState().Contains(TComponentStateItem::csLoading)) {
        openWhenLoaded_ = value;
        return;
    }
    if (value) {
        if (active_) return;
        socket_->Open(host_, address_, port_);
    } else {
        socket_->Close();
        active_ = false;
    }
}

void TClientSocket::Loaded() {
    TComponent::Loaded();
    if (openWhenLoaded_) {
        openWhenLoaded_ = false;
        SetActive(true);
    }
}

void TClientSocket::DoEvent(TObject*, TCustomWinSocket* Socket, TSocketEvent SocketEvent) {
    if (ComponentState().Contains(TComponentStateItem::csDestroying)) return;
    switch (SocketEvent) {
        case seConnecting:
            if (OnConnecting) OnConnecting(this, Socket);
            break;
        case seConnect:
            active_ = true;
            if (OnConnect) OnConnect(this, Socket);
            break;
        case seDisconnect:
            active_ = false;
            if (OnDisconnect) OnDisconnect(this, Socket);
            break;
        case seRead:
            if (OnRead) OnRead(this, Socket);
            break;
        case seWrite:
            if (OnWrite) OnWrite(this, Socket);
            break;
        default: break;
    }
}

void TClientSocket::DoError(TObject*, TCustomWinSocket* Socket, TErrorEvent ErrorEvent, int& ErrorCode) {
    if (ComponentState().Contains(TComponentStateItem::csDestroying)) return;
    if (OnError) OnError(this, Socket, ErrorEvent, ErrorCode);
}
