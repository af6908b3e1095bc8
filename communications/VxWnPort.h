// The TCP port: a port component whose device layer can be Winsock. With dlWinsock it connects to a
// server (or listens for one peer) instead of opening a serial line, and offers every data, trigger
// and packet operation of the port over the connection, plus connection events. With any other
// layer it is the serial port. A client connection may go through a SOCKS 4, 4a or 5 proxy.
//
// Everything runs on the main thread: connection events come from the socket layer to the port's
// socket window while the dispatcher is event busy, so a close they cause is posted and finished
// after the event.
#pragma once

#include "communications/VxPort.h"
#include "platform/rtl/Lists.h"
#include "platform/ui/PersistentStrings.h"
#include "platform/winsock/Winsock.h"

#include <memory>
#include <string>

class TVexWinsockDispatcher;

enum TWsMode { wsClient, wsServer };
enum TVexSocksVersion { svNone, svSocks4, svSocks4a, svSocks5 };

using TWsAcceptEvent = TMethod<void(TObject* Sender, TInAddr Addr, bool& Accept)>;
using TWsErrorEvent = TMethod<void(TObject* Sender, int ErrCode)>;

// Posted by the port to itself: the connection has ended, close the port.
inline constexpr UINT SocketCloseMsg = 0x0B12;

// Errors of the TCP port; texts of 9005 to 9007 in the message table, of 9008 to 9021 from
// SocksErrorText.
inline constexpr int ecWsPortInvalid = 9005;
inline constexpr int ecWsChangeWhileConnected = 9006;
inline constexpr int ecWsCannotResolve = 9007;
inline constexpr int ecSocksRejected = 9008;        // SOCKS 4 reply 91
inline constexpr int ecSocksNoIdentd = 9009;        // 92
inline constexpr int ecSocksIdentMismatch = 9010;   // 93
inline constexpr int ecSocksBadReply = 9011;        // any other reply, or none in time
inline constexpr int ecSocks5GeneralFailure = 9012; // SOCKS 5 statuses 1 to 8: 9012 to 9019
inline constexpr int ecSocksBoundIPv6 = 9020;       // not raised: an IPv6 bound address is read
inline constexpr int ecSocksBoundUnknown = 9021;

// The text of a proxy error, 9008 to 9021; empty for any other code.
std::string SocksErrorText(int Code);

// Where a client connection is made through a proxy.
class TVexSocksServerInfo : public TPersistent {
public:
    const std::string& Address() const { return FAddress; }
    void SetAddress(const std::string& Value);
    const std::string& Password() const { return FPassword; }
    void SetPassword(const std::string& Value);
    WORD Port() const { return FPort; }
    void SetPort(WORD Value);
    TVexSocksVersion SocksVersion() const { return FSocksVersion; }
    void SetSocksVersion(TVexSocksVersion Value);
    const std::string& UserCode() const { return FUserCode; }
    void SetUserCode(const std::string& Value);

private:
    std::string FAddress;
    std::string FPassword;
    WORD FPort = 0;
    TVexSocksVersion FSocksVersion = svNone;
    std::string FUserCode;
};

class TVexCustomWinsockPort : public TVexCustomComPort {
public:
    explicit TVexCustomWinsockPort(TComponent* AOwner);
    // Closes an open port while this class can still hear of it (OnPortClose, OnWsDisconnect).
    ~TVexCustomWinsockPort() override;

    // The connection settings change only while the port is closed: EVexSocketException 9006
    // otherwise. Address and port are stored without leading and trailing blanks and control
    // characters.
    const std::string& WsAddress() const { return FWsAddress; }
    void SetWsAddress(const std::string& Value);
    // A decimal port number or a service name.
    const std::string& WsPort() const { return FWsPort; }
    void SetWsPort(const std::string& Value);
    TWsMode WsMode() const { return FWsMode; }
    void SetWsMode(TWsMode Value);
    bool WsTelnet() const { return FWsTelnet; }
    void SetWsTelnet(bool Value) { FWsTelnet = Value; }
    // The local host's addresses, refreshed at each read.
    TStringList* WsLocalAddresses();
    void SetWsLocalAddresses(const TStringList* Value);
    // The addresses as the published WsLocalAddresses.
    TPersistentStrings* PublishedAddresses() { return &FPublishedAddresses; }
    int WsLocalAddressIndex() const { return FWsLocalAddressIndex; }
    void SetWsLocalAddressIndex(int Value) { FWsLocalAddressIndex = Value; }
    TVexSocksServerInfo* WsSocksServerInfo() const { return FSocksServerInfo.get(); }

    // Forced off on dlWinsock.
    void SetUseMSRShadow(bool NewUse) override;

    // Server: a peer asks to connect; Accept starts true.
    TWsAcceptEvent OnWsAccept;
    // Client: the connection is made (through a proxy: once the proxy has connected it).
    TNotifyEvent OnWsConnect;
    TNotifyEvent OnWsDisconnect;
    // Socket errors after opening. While assigned, an unresolved address and a proxy's refusal come
    // here rather than as an EVexSocketException.
    TWsErrorEvent OnWsError;

protected:
    TVexBaseDispatcher* ActivateDeviceLayer() override;
    void DeviceLayerChanged() override;
    int InitializePort() override;
    void ValidateComport() override;
    void PortOpen() override;
    void PortClose() override;

    virtual bool DoAccept(TInAddr Addr);
    virtual void DoConnect();
    virtual void DoDisconnect();
    // 10052 to 10054 and 10061 end the connection first; then OnWsError. Raises nothing.
    virtual void DoError(int ErrCode);

    void EnumHostAddresses();

private:
    enum TSocksStep { ssNone, ssSocks4Reply, ssMethodReply, ssAuthReply, ssConnectReply, ssBoundAddress };

    LRESULT SockWndProc(HWND Wnd, UINT Msg, WPARAM wParam, LPARAM lParam);
    void PostClose();
    bool Winsock() const;
    // The dispatcher of the open (or opening) port, when it is a socket dispatcher.
    TVexWinsockDispatcher* SocketDispatcher();
    void CheckClosed() const;
    // Host order; 0 when the text names no port.
    WORD ServicePort(const std::string& Service) const;
    // Network order; 0 when the name does not resolve.
    DWORD ResolveAddress(const std::string& Address) const;
    // Reports an open failure: OnWsError and the negated code, or raises.
    int OpenFailure(int ErrCode);

    int OpenSocksConnection(TVexWinsockDispatcher* Disp);
    // False when the port went (closed or freed) while the proxy was answering.
    bool ContinueSocksNegotiation();
    void SendSocksRequest();
    void SendSocks5Connect();
    void ArmReply(TSocksStep Step, int Size);
    void SocksReply(const std::string& Reply);
    void SocksDone(int ErrCode);
    // The destination for the proxy: network order, 0 after SocksDone with the error.
    DWORD SocksDestination();
    WORD SocksDestinationPort();

    TStringList FHostAddresses;
    // The host's addresses as the published WsLocalAddresses, listed afresh at every read.
    TPersistentStrings FPublishedAddresses{[this] { return TPersistentStrings(WsLocalAddresses()).Lines(); },
                                           [this](const std::vector<std::string>& lines) {
                                               TPersistentStrings(&FHostAddresses).SetLines(lines);
                                           }};
    std::unique_ptr<TVexSocksServerInfo> FSocksServerInfo;
    HWND FSockWindow = 0;
    bool FConnected = false;

    // Proxy negotiation.
    bool FSocksPending = false; // the open goes through the proxy
    bool FNegotiating = false;
    bool FSocksFinished = false;
    bool FSocksPeerClosed = false;
    int FSocksError = 0;
    bool FSocksErrorReported = false; // OnWsError has had it
    bool FConnectHeld = false;        // the proxy's connect, announced when the proxy is through
    TSocksStep FSocksStep = ssNone;
    int FSocksNeed = 0;

    // Changes with every open, so a close posted for an earlier connection is ignored.
    WPARAM FOpenSerial = 0;
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);

    std::string FWsAddress;
    std::string FWsPort = "telnet";
    TWsMode FWsMode = wsClient;
    bool FWsTelnet = true;
    int FWsLocalAddressIndex = 0;
};

// Publishes the settings and events: the front panel's link to the switcher.
class TVexWinsockPort : public TVexCustomWinsockPort {
public:
    using TVexCustomWinsockPort::TVexCustomWinsockPort;
};
