#include "communications/VxWnPort.h"

#include "communications/VxErrors.h"
#include "communications/VxExcept.h"
#include "communications/VxMisc.h"
#include "communications/VxWnsock.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Strings.h"
#include "platform/ui/Filer.h"
#include "platform/ui/Forms.h"
#include "platform/ui/TypInfo.h"
#include "platform/win/Messages.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// A proxy that has not answered by then never will.
constexpr std::int32_t SocksTimeoutSecs = 10;
constexpr int MaxHostAddresses = 256;

constexpr BYTE Socks4Version = 4;
constexpr BYTE Socks5Version = 5;
constexpr BYTE SocksConnect = 1;
constexpr BYTE Socks4Granted = 90;
constexpr BYTE Socks5MethodNone = 0;
constexpr BYTE Socks5MethodUserPassword = 2;
constexpr BYTE Socks5AuthVersion = 1;
constexpr BYTE Socks5AddrIPv4 = 1;
constexpr BYTE Socks5AddrName = 3;
constexpr BYTE Socks5AddrIPv6 = 4;
constexpr std::size_t Socks5MaxField = 255;

const char* const SocksTexts[] = {
    "Request rejected or failed by the SOCKS server",
    "Request rejected: the SOCKS server cannot reach identd on the client",
    "Request rejected: identd reports a different user-id",
    "Invalid or missing reply from the SOCKS server",
    "SOCKS server: general failure",
    "SOCKS server: connection not allowed by ruleset",
    "SOCKS server: network unreachable",
    "SOCKS server: host unreachable",
    "SOCKS server: connection refused",
    "SOCKS server: TTL expired",
    "SOCKS server: command not supported",
    "SOCKS server: address type not supported",
    "SOCKS server replied with an IPv6 address",
    "SOCKS server replied with an unknown address type",
};

EVexSocketException SocksException(int ErrCode) {
    EVexSocketException e(ErrCode);
    const std::string text = SocksErrorText(ErrCode);
    if (!text.empty()) e.Message = text;
    return e;
}

bool ClosesConnection(int ErrCode) {
    return ErrCode == WSAENETRESET || ErrCode == WSAECONNABORTED || ErrCode == WSAECONNRESET ||
           ErrCode == WSAECONNREFUSED;
}

void AppendPort(std::string& S, WORD Port) {
    S += static_cast<char>(Port >> 8);
    S += static_cast<char>(Port & 0xFF);
}

// Address in network order, as it lies in memory.
void AppendAddress(std::string& S, DWORD Address) {
    char bytes[4];
    std::memcpy(bytes, &Address, sizeof bytes);
    S.append(bytes, sizeof bytes);
}

void AppendField(std::string& S, const std::string& Field) {
    const std::size_t size = std::min(Field.size(), Socks5MaxField);
    S += static_cast<char>(size);
    S.append(Field, 0, size);
}

} // namespace

std::string SocksErrorText(int Code) {
    if (Code < ecSocksRejected || Code > ecSocksBoundUnknown) return std::string();
    return SocksTexts[Code - ecSocksRejected];
}

// --- TVexSocksServerInfo ------------------------------------------------------------------------

void TVexSocksServerInfo::SetAddress(const std::string& Value) {
    if (Value != FAddress) FAddress = Value;
}

void TVexSocksServerInfo::SetPassword(const std::string& Value) {
    if (Value != FPassword) FPassword = Value;
}

void TVexSocksServerInfo::SetPort(WORD Value) {
    if (Value != FPort) FPort = Value;
}

void TVexSocksServerInfo::SetSocksVersion(TVexSocksVersion Value) {
    if (Value != FSocksVersion) FSocksVersion = Value;
}

void TVexSocksServerInfo::SetUserCode(const std::string& Value) {
    if (Value != FUserCode) FUserCode = Value;
}

// --- Life cycle ---------------------------------------------------------------------------------

TVexCustomWinsockPort::TVexCustomWinsockPort(TComponent* AOwner)
    : TVexCustomComPort(AOwner), FSocksServerInfo(std::make_unique<TVexSocksServerInfo>()) {
    FDeviceLayers.Include(dlWinsock);
    EnumHostAddresses();
}

TVexCustomWinsockPort::~TVexCustomWinsockPort() {
    Destroying();
    if (PortState() == psOpen) {
        try {
            DonePort();
        } catch (...) {
            // A trace or log file that could not be written; the port closes all the same.
        }
    }
    *FAlive = false;
    if (FSockWindow != 0) DestroyWindow(std::exchange(FSockWindow, 0));
}

bool TVexCustomWinsockPort::Winsock() const {
    return DeviceLayer() == dlWinsock;
}

// Called only while the port has its dispatcher, so it never opens the port.
TVexWinsockDispatcher* TVexCustomWinsockPort::SocketDispatcher() {
    if (!Winsock()) return nullptr;
    return dynamic_cast<TVexWinsockDispatcher*>(GetDispatcher());
}

// --- Settings -----------------------------------------------------------------------------------

void TVexCustomWinsockPort::CheckClosed() const {
    if (PortState() == psOpen) throw EVexSocketException(ecWsChangeWhileConnected);
}

void TVexCustomWinsockPort::SetWsAddress(const std::string& Value) {
    if (Value == FWsAddress) return;
    CheckClosed();
    FWsAddress = Trim(Value);
}

void TVexCustomWinsockPort::SetWsPort(const std::string& Value) {
    if (Value == FWsPort) return;
    CheckClosed();
    FWsPort = Trim(Value);
}

void TVexCustomWinsockPort::SetWsMode(TWsMode Value) {
    if (Value == FWsMode) return;
    CheckClosed();
    FWsMode = Value;
}

TStringList* TVexCustomWinsockPort::WsLocalAddresses() {
    EnumHostAddresses();
    return &FHostAddresses;
}

void TVexCustomWinsockPort::SetWsLocalAddresses(const TStringList* Value) {
    if (Value != nullptr && Value != &FHostAddresses) FHostAddresses.Assign(*Value);
}

void TVexCustomWinsockPort::EnumHostAddresses() {
    FHostAddresses.Clear();
    if (VexSocket == nullptr || VexSocket->StartupError() != 0) return;
    const std::string name = VexSocket->GetLocalHost();
    const THostEnt* host = SockFuncs.gethostbyname(name.c_str());
    if (host == nullptr || host->h_addr_list == nullptr || host->h_length < 4) return;
    for (int i = 0; i < MaxHostAddresses && host->h_addr_list[i] != nullptr; ++i) {
        const auto* b = reinterpret_cast<const unsigned char*>(host->h_addr_list[i]);
        FHostAddresses.Add(Format("%d.%d.%d.%d", {b[0], b[1], b[2], b[3]}));
    }
}

void TVexCustomWinsockPort::SetUseMSRShadow(bool NewUse) {
    TVexCustomComPort::SetUseMSRShadow(Winsock() ? false : NewUse);
}

void TVexCustomWinsockPort::DeviceLayerChanged() {
    if (Winsock()) {
        SetTapiMode(tmOff);
        SetUseMSRShadow(false);
    } else {
        SetTapiMode(tmAuto);
    }
}

void TVexCustomWinsockPort::ValidateComport() {
    if (!Winsock()) TVexCustomComPort::ValidateComport();
}

TVexBaseDispatcher* TVexCustomWinsockPort::ActivateDeviceLayer() {
    if (Winsock()) return new TVexWinsockDispatcher(this);
    return TVexCustomComPort::ActivateDeviceLayer();
}

// --- Opening ------------------------------------------------------------------------------------

WORD TVexCustomWinsockPort::ServicePort(const std::string& Service) const {
    if (!Service.empty() &&
        std::all_of(Service.begin(), Service.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        DWORD port = 0;
        for (char c : Service) {
            port = port * 10 + static_cast<DWORD>(c - '0');
            // A number beyond a port's range names no port rather than another one.
            if (port > 0xFFFF) return 0;
        }
        return static_cast<WORD>(port);
    }
    return VexSocket->LookupService(Service);
}

DWORD TVexCustomWinsockPort::ResolveAddress(const std::string& Address) const {
    DWORD address = VexSocket->String2NetAddr(Address);
    if (address == INADDR_NONE) address = VexSocket->LookupName(Address);
    return address;
}

int TVexCustomWinsockPort::OpenFailure(int ErrCode) {
    if (!OnWsError) throw EVexSocketException(ErrCode);
    OnWsError(this, ErrCode);
    return -ErrCode;
}

int TVexCustomWinsockPort::InitializePort() {
    if (!Winsock()) return TVexCustomComPort::InitializePort();
    if (VexSocket == nullptr) throw EVexSocketException::CreateNoInit(ecWinsockDllError);
    TVexWinsockDispatcher* disp = SocketDispatcher();
    ++FOpenSerial;
    FConnected = false;
    FConnectHeld = false;
    FSocksPending = false;

    const bool client = FWsMode == wsClient;
    DWORD address = 0;
    if (client) {
        disp->DeviceName = "Winsock client, connect to " + FWsAddress + " on port " + FWsPort;
        if (FWsAddress.empty()) throw EVexSocketException(WSAEDESTADDRREQ);
        if (FSocksServerInfo->SocksVersion() != svNone) return OpenSocksConnection(disp);
        address = ResolveAddress(FWsAddress);
        if (address == 0) return OpenFailure(ecWsCannotResolve);
    } else {
        disp->DeviceName = "Winsock server on port " + FWsPort;
    }
    const WORD port = ServicePort(FWsPort);
    if (port == 0) throw EVexSocketException(ecWsPortInvalid);

    disp->InitSocketData(FWsLocalAddressIndex, address, FWsTelnet, client, VexSocket->htons(port));
    const int code = disp->InitSocket(InSize(), OutSize());
    if (code == ecOutOfMemory) return code;
    if (code < 0) throw EVexSocketException(-code);
    return ecOK;
}

int TVexCustomWinsockPort::OpenSocksConnection(TVexWinsockDispatcher* Disp) {
    const TVexSocksServerInfo& proxy = *FSocksServerInfo;
    const DWORD address = ResolveAddress(proxy.Address());
    if (address == 0) return OpenFailure(ecWsCannotResolve);
    // The proxy speaks raw bytes: telnet would double a 0xFF or pad a CR in a port, an address or
    // a password. It goes on once the proxy has connected us.
    Disp->InitSocketData(FWsLocalAddressIndex, address, false, true, VexSocket->htons(proxy.Port()));
    const int code = Disp->InitSocket(InSize(), OutSize());
    if (code == ecOutOfMemory) return code;
    // As without a proxy: a socket that cannot be set up is raised with its own error.
    if (code < 0) throw EVexSocketException(-code);
    FSocksPending = true;
    return ecOK;
}

void TVexCustomWinsockPort::PortOpen() {
    TVexWinsockDispatcher* disp = SocketDispatcher();
    if (disp == nullptr) {
        TVexCustomComPort::PortOpen();
        return;
    }
    if (FSockWindow == 0) {
        FSockWindow =
            CreateMessageWindow("vxWsPort", [this](HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
                return SockWndProc(Wnd, Msg, wParam, lParam);
            });
        if (FSockWindow == 0) throw EInternal(ecInternal);
    }
    disp->SetPortWindow(FSockWindow);
    if (std::exchange(FSocksPending, false) && !ContinueSocksNegotiation()) return;

    const auto alive = FAlive;
    const WPARAM serial = FOpenSerial;
    const bool announce = std::exchange(FConnectHeld, false);
    TVexCustomComPort::PortOpen();
    if (announce && *alive && FOpenSerial == serial && PortState() == psOpen) DoConnect();
}

void TVexCustomWinsockPort::PortClose() {
    const auto alive = FAlive;
    TVexCustomComPort::PortClose();
    if (*alive && Winsock()) DoDisconnect();
}

// --- Connection events --------------------------------------------------------------------------

void TVexCustomWinsockPort::PostClose() {
    if (FSockWindow != 0) PostMessage(FSockWindow, SocketCloseMsg, FOpenSerial, 0);
}

LRESULT TVexCustomWinsockPort::SockWndProc(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam) {
    if (Msg != SocketEventMsg && Msg != SocketCloseMsg) return DefWindowProc(Wnd, Msg, wParam, lParam);
    const auto alive = FAlive;
    try {
        if (Msg == SocketCloseMsg) {
            if (wParam == FOpenSerial) SetOpen(false);
            return 0;
        }
        switch (wParam) {
        case wsAcceptEvent:
            return DoAccept(TInAddr{static_cast<DWORD>(lParam)}) ? 1 : 0;
        case wsConnectEvent:
            // Through a proxy the connection is made only when the proxy has made it.
            if (FNegotiating)
                FConnectHeld = true;
            else
                DoConnect();
            return 0;
        case wsCloseEvent:
            // A reply the proxy sent before it closed is still read.
            if (FNegotiating)
                FSocksPeerClosed = true;
            else
                PostClose();
            return 0;
        case wsPeerLeftEvent:
            DoDisconnect();
            return 0;
        default:
            DoError(static_cast<int>(wParam));
            return 0;
        }
    } catch (...) {
        // Errors after opening never leave the port window.
        if (Application != nullptr) Application->HandleException(*alive ? this : nullptr);
    }
    return 0;
}

bool TVexCustomWinsockPort::DoAccept(TInAddr Addr) {
    bool accept = true;
    if (OnWsAccept) OnWsAccept(this, Addr, accept);
    return accept;
}

void TVexCustomWinsockPort::DoConnect() {
    FConnected = true;
    if (OnWsConnect) OnWsConnect(this);
}

void TVexCustomWinsockPort::DoDisconnect() {
    const bool tell = FConnected || FWsMode == wsServer;
    FConnected = false;
    if (tell && OnWsDisconnect) OnWsDisconnect(this);
}

void TVexCustomWinsockPort::DoError(int ErrCode) {
    if (FNegotiating && !FSocksFinished) {
        // The proxy connection failed: the negotiation ends with this error, and closes the port.
        SocksDone(ErrCode);
        FSocksErrorReported = static_cast<bool>(OnWsError);
    } else if (ClosesConnection(ErrCode)) {
        if (FWsMode == wsServer)
            DoDisconnect();
        else if (FNegotiating)
            FSocksPeerClosed = true; // closed once the negotiation has returned
        else
            PostClose();
    }
    if (OnWsError) OnWsError(this, ErrCode);
}

// --- Proxy negotiation --------------------------------------------------------------------------

void TVexCustomWinsockPort::SocksDone(int ErrCode) {
    if (!FSocksFinished && FSocksError == 0) FSocksError = ErrCode;
    FSocksFinished = true;
    FSocksStep = ssNone;
    FSocksNeed = 0;
}

void TVexCustomWinsockPort::ArmReply(TSocksStep Step, int Size) {
    FSocksStep = Step;
    FSocksNeed = Size;
}

WORD TVexCustomWinsockPort::SocksDestinationPort() {
    const WORD port = ServicePort(FWsPort);
    if (port == 0) SocksDone(ecWsPortInvalid);
    return port;
}

DWORD TVexCustomWinsockPort::SocksDestination() {
    if (FWsAddress.empty()) {
        SocksDone(WSAEDESTADDRREQ);
        return 0;
    }
    const DWORD address = ResolveAddress(FWsAddress);
    if (address == 0) SocksDone(ecWsCannotResolve);
    return address;
}

void TVexCustomWinsockPort::SendSocksRequest() {
    std::string request;
    switch (FSocksServerInfo->SocksVersion()) {
    case svSocks4: {
        const WORD port = SocksDestinationPort();
        if (FSocksFinished) return;
        const DWORD address = SocksDestination();
        if (FSocksFinished) return;
        request = {static_cast<char>(Socks4Version), static_cast<char>(SocksConnect)};
        AppendPort(request, port);
        AppendAddress(request, address);
        request += FSocksServerInfo->UserCode();
        request += '\0';
        ArmReply(ssSocks4Reply, 8);
        break;
    }
    case svSocks4a: {
        const WORD port = SocksDestinationPort();
        if (FSocksFinished) return;
        request = {static_cast<char>(Socks4Version), static_cast<char>(SocksConnect)};
        AppendPort(request, port);
        request += std::string{0, 0, 0, 1};
        request += FSocksServerInfo->UserCode();
        request += '\0';
        request += FWsAddress;
        request += '\0';
        ArmReply(ssSocks4Reply, 8);
        break;
    }
    case svSocks5:
        request = {static_cast<char>(Socks5Version), 2, static_cast<char>(Socks5MethodNone),
                   static_cast<char>(Socks5MethodUserPassword)};
        ArmReply(ssMethodReply, 2);
        break;
    case svNone:
        SocksDone(0);
        return;
    }
    PutString(request);
}

void TVexCustomWinsockPort::SendSocks5Connect() {
    const DWORD address = SocksDestination();
    if (FSocksFinished) return;
    const WORD port = SocksDestinationPort();
    if (FSocksFinished) return;
    std::string request = {static_cast<char>(Socks5Version), static_cast<char>(SocksConnect), 0,
                           static_cast<char>(Socks5AddrIPv4)};
    AppendAddress(request, address);
    AppendPort(request, port);
    ArmReply(ssConnectReply, 5);
    PutString(request);
}

void TVexCustomWinsockPort::SocksReply(const std::string& Reply) {
    const auto byte = [&Reply](std::size_t i) { return static_cast<BYTE>(Reply[i]); };
    switch (FSocksStep) {
    case ssSocks4Reply:
        switch (byte(1)) {
        case Socks4Granted:
            SocksDone(0);
            break;
        case Socks4Granted + 1:
        case Socks4Granted + 2:
        case Socks4Granted + 3:
            SocksDone(ecSocksRejected + byte(1) - Socks4Granted - 1);
            break;
        default:
            SocksDone(ecSocksBadReply);
            break;
        }
        break;
    case ssMethodReply:
        if (byte(1) == Socks5MethodNone) {
            SendSocks5Connect();
        } else if (byte(1) == Socks5MethodUserPassword) {
            std::string request{static_cast<char>(Socks5AuthVersion)};
            AppendField(request, FSocksServerInfo->UserCode());
            AppendField(request, FSocksServerInfo->Password());
            ArmReply(ssAuthReply, 2);
            PutString(request);
        } else {
            SocksDone(ecSocksBadReply);
        }
        break;
    case ssAuthReply:
        if (byte(1) == 0)
            SendSocks5Connect();
        else
            SocksDone(ecSocksBadReply);
        break;
    case ssConnectReply:
        if (byte(1) == 0) {
            // The bound address is read and dropped; its first byte came with the status.
            switch (byte(3)) {
            case Socks5AddrIPv4:
                ArmReply(ssBoundAddress, 3 + 2);
                break;
            case Socks5AddrName:
                ArmReply(ssBoundAddress, byte(4) + 2);
                break;
            case Socks5AddrIPv6:
                ArmReply(ssBoundAddress, 15 + 2);
                break;
            default:
                SocksDone(ecSocksBoundUnknown);
                break;
            }
        } else if (byte(1) <= 8) {
            SocksDone(ecSocks5GeneralFailure + byte(1) - 1);
        } else {
            SocksDone(ecSocksBadReply);
        }
        break;
    case ssBoundAddress:
        SocksDone(0);
        break;
    case ssNone:
        break;
    }
}

bool TVexCustomWinsockPort::ContinueSocksNegotiation() {
    const auto alive = FAlive;
    const WPARAM serial = FOpenSerial;
    const auto stillOpen = [&] { return *alive && FOpenSerial == serial && PortState() == psOpen; };

    FNegotiating = true;
    FSocksFinished = false;
    FSocksPeerClosed = false;
    FSocksError = 0;
    FSocksErrorReported = false;
    FConnectHeld = false;
    ArmReply(ssNone, 0);
    // No trigger fires while the proxy answers, so nothing but the negotiation takes its bytes.
    TVexBaseDispatcher* disp = ValidDispatcher();
    bool wasBusy = false;
    disp->SetEventBusy(wasBusy, true);
    struct TEnd {
        TVexCustomWinsockPort* Port;
        std::shared_ptr<bool> Alive;
        WPARAM Serial;
        TVexBaseDispatcher* Disp;
        ~TEnd() {
            if (!*Alive) return;
            Port->FNegotiating = false;
            // A dispatcher that a close has freed meanwhile is not touched.
            if (Port->FOpenSerial != Serial || Port->PortState() == psClosed) return;
            bool was = false;
            Disp->SetEventBusy(was, false);
        }
    } end{this, alive, serial, disp};

    SendSocksRequest();
    EventTimer timer;
    NewTimer(timer, Secs2Ticks(SocksTimeoutSecs));
    while (!FSocksFinished) {
        // The reply is taken from the receive ring byte-exact: what the server sends after it
        // stays there for the port's users.
        while (!FSocksFinished && FSocksNeed > 0 && GetInBuffUsed() >= static_cast<DWORD>(FSocksNeed)) {
            std::string reply(static_cast<std::size_t>(FSocksNeed), '\0');
            GetBlock(reply.data(), static_cast<DWORD>(reply.size()));
            SocksReply(reply);
        }
        if (FSocksFinished) break;
        if (FSocksPeerClosed || TimerExpired(timer)) {
            SocksDone(ecSocksBadReply);
            break;
        }
        const std::int32_t last = DelayTicks(1, true);
        if (!stillOpen()) return false;
        if (last == static_cast<std::int32_t>(WM_QUIT)) SocksDone(ecSocksBadReply);
    }

    if (FSocksError == 0) {
        if (FWsTelnet && stillOpen())
            if (TVexWinsockDispatcher* socketDisp = SocketDispatcher()) socketDisp->SetTelnet(true);
        // Through, and the other end has gone already.
        if (FSocksPeerClosed) PostClose();
        return true;
    }
    FConnectHeld = false;
    if (!OnWsError) throw SocksException(FSocksError);
    if (!FSocksErrorReported) {
        OnWsError(this, FSocksError);
        if (!stillOpen()) return false;
    }
    PostClose();
    return true;
}

// --- Published ----------------------------------------------------------------------------------

namespace {

const bool kPublished = [] {
    using namespace published;
    using S = TVexSocksServerInfo;
    PublishProperties<S>({
        Property<S>(
            "Address", [](const S& s) { return s.Address(); },
            [](S& s, const std::string& v) { s.SetAddress(v); }),
        Property<S>(
            "Password", [](const S& s) { return s.Password(); },
            [](S& s, const std::string& v) { s.SetPassword(v); }),
        Property<S>(
            "Port", [](const S& s) { return s.Port(); }, [](S& s, WORD v) { s.SetPort(v); }),
        Property<S>(
            "SocksVersion", [](const S& s) { return s.SocksVersion(); },
            [](S& s, TVexSocksVersion v) { s.SetSocksVersion(v); }, svNone),
        Property<S>(
            "UserCode", [](const S& s) { return s.UserCode(); },
            [](S& s, const std::string& v) { s.SetUserCode(v); }),
    });

    using C = TVexWinsockPort;
    std::vector<TPropInfo> props = VexComPortProperties();
    // The host's own addresses, listed afresh at every read: nothing a stream could restore (and
    // the platform's string list is no persistent), so none is written.
    TPropInfo addresses = Property<C>(
        "WsLocalAddresses", [](const C& c) { return const_cast<C&>(c).PublishedAddresses(); },
        [](C& c, TPersistentStrings* v) { c.PublishedAddresses()->Assign(v); });
    addresses.Stored = [](const TObject*) { return false; };
    for (TPropInfo& p : std::vector<TPropInfo>{
             Property<C>(
                 "WsAddress", [](const C&c) { return c.WsAddress(); },
                 [](C&c, const std::string&v) { c.SetWsAddress(v); }),
             Property<C>(
                 "WsPort", [](const C&c) { return c.WsPort(); },
                 [](C&c, const std::string&v) { c.SetWsPort(v); }),
             Property<C>(
                 "WsMode", [](const C&c) { return c.WsMode(); }, [](C&c, TWsMode v) { c.SetWsMode(v); },
                 wsClient),
             Property<C>(
                 "WsTelnet", [](const C&c) { return c.WsTelnet(); }, [](C&c, bool v) { c.SetWsTelnet(v); },
                 true),
             addresses,
             Property<C>(
                 "WsLocalAddressIndex", [](const C&c) { return c.WsLocalAddressIndex(); },
                 [](C&c, int v) { c.SetWsLocalAddressIndex(v); }),
             Property<C>(
                 "WsSocksServerInfo", [](const C&c) { return c.WsSocksServerInfo(); }, nullptr),
             Field<C>("OnWsAccept", &C::OnWsAccept),
             Field<C>("OnWsConnect", &C::OnWsConnect),
             Field<C>("OnWsDisconnect", &C::OnWsDisconnect),
             Field<C>("OnWsError", &C::OnWsError),
             Field<C>("OnWaitChar", &C::OnWaitChar),
         })
        props.push_back(std::move(p));
    PublishProperties<C, TVexBaseComponent>(std::move(props));
    RegisterClass<TVexWinsockPort>();
    return true;
}();

} // namespace
