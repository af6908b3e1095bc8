#include "communications/VxSocket.h"

#include "communications/VxExcept.h"
#include "platform/rtl/Format.h"
#include "platform/ui/ControlMessages.h"

#include <algorithm>
#include <cstring>

// --- EVexSocketException ------------------------------------------------------------------------

EVexSocketException::EVexSocketException(int ErrCode)
    : Exception(VexoLoadStr(ErrCode)), FErrorCode(ErrCode) {}

EVexSocketException::EVexSocketException(int ErrCode, std::string Text)
    : Exception(std::move(Text)), FErrorCode(ErrCode) {}

EVexSocketException EVexSocketException::CreateNoInit(int ErrCode) {
    return EVexSocketException(ErrCode, Format(VexoLoadStr(ecWinsockNotInitialized), {VexoLoadStr(ErrCode)}));
}

// --- TVexSocket ---------------------------------------------------------------------------------

TVexSocket::TVexSocket(TComponent* AOwner) : TComponent(AOwner) {
    FWinsockLoaded = LoadWinsock();
    if (!FWinsockLoaded) {
        FStartupError = ecWinsockDllError;
        ShowErrorMessage();
        return;
    }
    FStartupError = SockFuncs.WSAStartup(WinsockVersion11, &FWSAData);
    if (FStartupError != 0) {
        ShowErrorMessage();
        return;
    }
    if (FWSAData.wVersion != WinsockVersion11) {
        FStartupError = ecWinsockVersion;
        ShowErrorMessage();
    }
    FHandle = CreateMessageWindow("TVexSocket", [this](HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
        return WndProc(Wnd, Msg, wParam, lParam);
    });
}

TVexSocket::~TVexSocket() {
    // Only a start-up that succeeded is matched by a clean-up (a wrong version still started it).
    if (FWinsockLoaded && (FStartupError == 0 || FStartupError == ecWinsockVersion)) {
        SockFuncs.WSACancelBlockingCall();
        SockFuncs.WSACleanup();
    }
    if (FHandle != 0) DestroyWindow(FHandle);
}

// Exceptions leave through the message pump, which hands them to the application's handler.
LRESULT TVexSocket::WndProc(HWND, UINT Msg, WPARAM wParam, LPARAM lParam) {
    switch (Msg) {
    case SocketEventMsg:
        CMVEXSocketMessage(wParam, lParam);
        return 0;
    case WM_QUERYENDSESSION:
        return 1;
    default:
        return 0;
    }
}

void TVexSocket::CMVEXSocketMessage(WPARAM wParam, LPARAM lParam) {
    const TSocket socket = static_cast<TSocket>(wParam);
    const WORD error = wsaGetSelectError(lParam);
    if (error != 0) {
        DoError(socket, error);
        return;
    }
    switch (wsaGetSelectEvent(lParam)) {
    case FD_READ:
        DoRead(socket);
        break;
    case FD_WRITE:
        DoWrite(socket);
        break;
    case FD_ACCEPT:
        DoAccept(socket);
        break;
    case FD_CONNECT:
        DoConnect(socket);
        break;
    case FD_CLOSE:
        DoDisconnect(socket);
        break;
    default:
        break;
    }
}

void TVexSocket::DoAccept(TSocket Socket) {
    if (OnAccept) OnAccept(this, Socket);
}

void TVexSocket::DoConnect(TSocket Socket) {
    if (OnConnect) OnConnect(this, Socket);
}

void TVexSocket::DoDisconnect(TSocket Socket) {
    if (OnDisconnect) OnDisconnect(this, Socket);
}

void TVexSocket::DoError(TSocket Socket, int ErrCode) {
    if (OnError)
        OnError(this, Socket, ErrCode);
    else
        throw EVexSocketException(ErrCode);
}

void TVexSocket::DoRead(TSocket Socket) {
    if (OnRead) OnRead(this, Socket);
}

void TVexSocket::DoWrite(TSocket Socket) {
    if (OnWrite) OnWrite(this, Socket);
}

void TVexSocket::ShowErrorMessage() {}

void TVexSocket::CheckLoaded() {
    if (FStartupError != 0) throw EVexSocketException::CreateNoInit(FStartupError);
}

void TVexSocket::ReportFailure(TSocket Socket, bool WouldBlockPasses) {
    const int error = SockFuncs.WSAGetLastError();
    if (WouldBlockPasses && error == WSAEWOULDBLOCK) return;
    DoError(Socket, error);
}

TSocket TVexSocket::AcceptSocket(TSocket Socket, TSockAddrIn& Address) {
    CheckLoaded();
    int length = sizeof(TSockAddrIn);
    const TSocket result = SockFuncs.accept(Socket, reinterpret_cast<TSockAddr*>(&Address), &length);
    if (result == INVALID_SOCKET) ReportFailure(Socket, false);
    return result;
}

int TVexSocket::BindSocket(TSocket Socket, const TSockAddrIn& Address) {
    CheckLoaded();
    const int result =
        SockFuncs.bind(Socket, reinterpret_cast<const TSockAddr*>(&Address), sizeof(TSockAddrIn));
    if (result == SOCKET_ERROR) ReportFailure(Socket, false);
    return result;
}

int TVexSocket::CloseSocket(TSocket Socket) {
    CheckLoaded();
    const int result = SockFuncs.closesocket(Socket);
    if (result == SOCKET_ERROR) ReportFailure(Socket, false);
    return result;
}

int TVexSocket::ConnectSocket(TSocket Socket, const TSockAddrIn& Address) {
    CheckLoaded();
    const int result =
        SockFuncs.connect(Socket, reinterpret_cast<const TSockAddr*>(&Address), sizeof(TSockAddrIn));
    if (result == SOCKET_ERROR) ReportFailure(Socket, true);
    return result;
}

int TVexSocket::ListenSocket(TSocket Socket, int Backlog) {
    CheckLoaded();
    const int result = SockFuncs.listen(Socket, Backlog);
    if (result == SOCKET_ERROR) ReportFailure(Socket, true);
    return result;
}

int TVexSocket::ReadSocket(TSocket Socket, char* Buf, int Size, int Flags) {
    CheckLoaded();
    const int result = SockFuncs.recv(Socket, Buf, Size, Flags);
    if (result == SOCKET_ERROR) ReportFailure(Socket, true);
    return result;
}

int TVexSocket::WriteSocket(TSocket Socket, const char* Buf, int Size, int Flags) {
    CheckLoaded();
    const int result = SockFuncs.send(Socket, Buf, Size, Flags);
    if (result == SOCKET_ERROR) ReportFailure(Socket, true);
    return result;
}

DWORD TVexSocket::BytesWaiting(TSocket Socket) {
    CheckLoaded();
    DWORD waiting = 0;
    return SockFuncs.ioctlsocket(Socket, FIONREAD, &waiting) == 0 ? waiting : 0;
}

int TVexSocket::ShutdownSocket(TSocket Socket, int How) {
    CheckLoaded();
    const int result = SockFuncs.shutdown(Socket, How);
    if (result == SOCKET_ERROR) ReportFailure(Socket, true);
    return result;
}

int TVexSocket::SetSocketOptions(TSocket Socket, int Level, int OptName, const void* OptVal, int OptLen) {
    CheckLoaded();
    const int result = SockFuncs.setsockopt(Socket, Level, OptName, static_cast<const char*>(OptVal), OptLen);
    if (result == SOCKET_ERROR) ReportFailure(Socket, false);
    return result;
}

int TVexSocket::SetAsyncStyles(TSocket Socket, LONG Events) {
    CheckLoaded();
    const int result = SockFuncs.WSAAsyncSelect(Socket, FHandle, SocketEventMsg, Events);
    if (result == SOCKET_ERROR) ReportFailure(Socket, false);
    return result;
}

TSocket TVexSocket::CreateSocket() {
    CheckLoaded();
    const TSocket result = SockFuncs.socket(AF_INET, SOCK_STREAM, IPPROTO_IP);
    if (result == INVALID_SOCKET) throw EVexSocketException(SockFuncs.WSAGetLastError());
    return result;
}

namespace {

bool SocketReady(TSocket Socket, DWORD WaitTime, bool ForWrite) {
    TFDSet set{};
    set.fd_count = 1;
    set.fd_array[0] = Socket;
    TTimeVal timeout{static_cast<LONG>(WaitTime / 1000), static_cast<LONG>((WaitTime % 1000) * 1000)};
    const int result = ForWrite ? SockFuncs.select(0, nullptr, &set, nullptr, &timeout)
                                : SockFuncs.select(0, &set, nullptr, nullptr, &timeout);
    return result > 0 && set.fd_count > 0;
}

} // namespace

bool TVexSocket::CanReadSocket(TSocket Socket, DWORD WaitTime) {
    CheckLoaded();
    return SocketReady(Socket, WaitTime, false);
}

bool TVexSocket::CanWriteSocket(TSocket Socket, DWORD WaitTime) {
    CheckLoaded();
    return SocketReady(Socket, WaitTime, true);
}

DWORD TVexSocket::String2NetAddr(const std::string& Address) {
    CheckLoaded();
    return SockFuncs.inet_addr(Address.substr(0, 15).c_str());
}

std::string TVexSocket::NetAddr2String(DWORD Address) {
    CheckLoaded();
    const char* text = SockFuncs.inet_ntoa(TInAddr{Address});
    return text != nullptr ? text : "";
}

DWORD TVexSocket::LookupName(const std::string& Name) {
    CheckLoaded();
    const THostEnt* host = SockFuncs.gethostbyname(Name.c_str());
    if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr ||
        host->h_length < 4)
        return 0;
    DWORD address;
    std::memcpy(&address, host->h_addr_list[0], sizeof address);
    return address;
}

std::string TVexSocket::LookupAddress(DWORD Address) {
    CheckLoaded();
    const THostEnt* host = SockFuncs.gethostbyaddr(reinterpret_cast<const char*>(&Address), 4, AF_INET);
    return host != nullptr && host->h_name != nullptr ? host->h_name : "";
}

std::string TVexSocket::LookupPort(WORD Port) {
    CheckLoaded();
    const TServEnt* service = SockFuncs.getservbyport(SockFuncs.htons(Port), "tcp");
    return service != nullptr && service->s_name != nullptr ? service->s_name : "";
}

WORD TVexSocket::LookupService(const std::string& Service) {
    CheckLoaded();
    const TServEnt* service = SockFuncs.getservbyname(Service.c_str(), "tcp");
    return service != nullptr ? SockFuncs.ntohs(static_cast<WORD>(service->s_port)) : 0;
}

std::string TVexSocket::GetLocalHost() {
    CheckLoaded();
    char name[256] = {};
    if (SockFuncs.gethostname(name, sizeof name) == SOCKET_ERROR) return "";
    name[sizeof name - 1] = 0;
    return name;
}

std::string TVexSocket::GetLocalAddress() {
    CheckLoaded();
    const THostEnt* host = SockFuncs.gethostbyname(GetLocalHost().c_str());
    if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr ||
        host->h_length < 4)
        return "";
    DWORD address;
    std::memcpy(&address, host->h_addr_list[0], sizeof address);
    return NetAddr2String(address);
}

std::string TVexSocket::GetDescription() {
    CheckLoaded();
    return FWSAData.szDescription;
}

std::string TVexSocket::GetSystemStatus() {
    CheckLoaded();
    return FWSAData.szSystemStatus;
}

DWORD TVexSocket::htonl(DWORD HostLong) {
    CheckLoaded();
    return SockFuncs.htonl(HostLong);
}

WORD TVexSocket::htons(WORD HostShort) {
    CheckLoaded();
    return SockFuncs.htons(HostShort);
}

DWORD TVexSocket::ntohl(DWORD NetLong) {
    CheckLoaded();
    return SockFuncs.ntohl(NetLong);
}

WORD TVexSocket::ntohs(WORD NetShort) {
    CheckLoaded();
    return SockFuncs.ntohs(NetShort);
}

int TVexSocket::GetLastError() {
    CheckLoaded();
    return SockFuncs.WSAGetLastError();
}
