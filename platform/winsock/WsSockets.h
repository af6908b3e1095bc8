// Private to platform/winsock: the socket table and the poller thread behind WSAAsyncSelect.
//
// One lock guards the table, every socket record and every post, so the state a caller changes
// (closesocket, a cancelling WSAAsyncSelect, a recv that re-enables FD_READ) is seen by the poller
// before it posts anything more for that socket.
#pragma once

#include "platform/winsock/Winsock.h"

#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace wsock {

struct SocketRec {
    SOCKET id = INVALID_SOCKET;
    int fd = -1;
    bool closed = false;
    // Threads waiting on fd outside the lock; the last one closes the fd of a closed socket.
    int waiters = 0;
    bool nonBlocking = false;
    bool listening = false;
    bool connecting = false;
    bool connected = false;
    bool peerClosed = false;
    // HUP, error or failed connect: polling can tell nothing more.
    bool hungUp = false;
    int closeError = 0;
    bool receiveShut = false;
    bool sendShut = false;
    bool oobInline = false;
    // WSAAsyncSelect: the selected events and those that may be posted now.
    HWND wnd = 0;
    UINT msg = 0;
    LONG events = 0;
    LONG armed = 0;
};
using SocketPtr = std::shared_ptr<SocketRec>;

class Engine {
public:
    static Engine& Get();

    std::mutex mutex;
    int startups = 0;

    // The rest is called with mutex held.
    SocketPtr Insert(int fd);
    SocketPtr Find(SOCKET s) const;
    // Closes the socket: nothing is posted for it afterwards. Takes its own reference, since the
    // caller's may be the table's, which this erases.
    void Remove(SocketPtr rec);
    void RemoveAll();
    // Called by a thread that waited on rec's fd outside the lock, once it holds the lock again.
    void EndWait(SocketRec& rec);
    // Posts event when it is selected and enabled (unless the same notice still waits in the
    // queue), and disables it until re-enabled.
    void Post(SocketRec& rec, LONG event, int error);
    // The selected sockets changed: the poller looks again (started when needed). False when the
    // poller cannot be started.
    bool Changed();
    // As Changed, without starting a poller that is not running.
    void Wake();
    // Stops the poller; lk is released while it is joined.
    void StopPoller(std::unique_lock<std::mutex>& lk);

private:
    Engine() = default;
    void PollerMain();
    void Evaluate(SocketRec& rec, unsigned got);
    void SettleRead(SocketRec& rec, bool readable);

    std::unordered_map<SOCKET, SocketPtr> sockets_;
    SOCKET nextId_ = 0x100;
    std::thread poller_;
    int wakeFd_ = -1;
    bool stopping_ = false;
};

// What the poller waits for on rec: wsbsd poll bits, 0 for nothing.
unsigned PollWanted(const SocketRec& rec);

// For tests: the descriptor behind s, or -1.
int DescriptorOf(SOCKET s);

} // namespace wsock
