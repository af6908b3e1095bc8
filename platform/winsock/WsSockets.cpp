#include "platform/winsock/WsSockets.h"

#include "platform/win/Messages.h"
#include "platform/winsock/WsBsd.h"
#include "platform/winsock/WsErrors.h"

#include <system_error>
#include <vector>

namespace wsock {

Engine& Engine::Get() {
    // Never destroyed: a joinable poller must not meet a destructor at exit.
    static Engine* engine = new Engine;
    return *engine;
}

SocketPtr Engine::Insert(int fd) {
    while (nextId_ == INVALID_SOCKET || nextId_ == 0 || sockets_.count(nextId_)) ++nextId_;
    auto rec = std::make_shared<SocketRec>();
    rec->id = nextId_++;
    rec->fd = fd;
    sockets_[rec->id] = rec;
    return rec;
}

SocketPtr Engine::Find(SOCKET s) const {
    auto it = sockets_.find(s);
    return it == sockets_.end() ? nullptr : it->second;
}

void Engine::Remove(SocketPtr rec) {
    bool selected = rec->events != 0;
    rec->closed = true;
    rec->events = 0;
    sockets_.erase(rec->id);
    if (rec->waiters > 0)
        wsbsd::Shutdown(rec->fd, true, true); // wakes them; the last one closes the fd
    else
        wsbsd::Close(rec->fd);
    if (selected) Wake();
}

void Engine::RemoveAll() {
    while (!sockets_.empty()) Remove(sockets_.begin()->second);
}

void Engine::EndWait(SocketRec& rec) {
    if (--rec.waiters == 0 && rec.closed) wsbsd::Close(rec.fd);
}

void Engine::Post(SocketRec& rec, LONG event, int error) {
    if (rec.closed || !(rec.events & rec.armed & event)) return;
    rec.armed &= ~event;
    // The same notice still waiting stands for this one: the caller has not yet looked again.
    PostMessageOnce(rec.wnd, rec.msg, rec.id,
                    static_cast<LPARAM>(WSAMAKESELECTREPLY(WORD(event), WORD(error))));
}

bool Engine::Changed() {
    if (wakeFd_ < 0) {
        int fd = wsbsd::WakeOpen();
        if (fd < 0) return false;
        stopping_ = false;
        wakeFd_ = fd;
        try {
            poller_ = std::thread([this] { PollerMain(); });
        } catch (const std::system_error&) {
            wsbsd::Close(fd);
            wakeFd_ = -1;
            return false;
        }
    }
    wsbsd::WakeSignal(wakeFd_);
    return true;
}

void Engine::Wake() {
    if (wakeFd_ >= 0) wsbsd::WakeSignal(wakeFd_);
}

void Engine::StopPoller(std::unique_lock<std::mutex>& lk) {
    if (wakeFd_ < 0) return;
    stopping_ = true;
    wsbsd::WakeSignal(wakeFd_);
    std::thread poller = std::move(poller_);
    lk.unlock();
    poller.join();
    lk.lock();
    wsbsd::Close(wakeFd_);
    wakeFd_ = -1;
}

unsigned PollWanted(const SocketRec& rec) {
    if (rec.closed || rec.events == 0 || rec.hungUp) return 0;
    LONG ready = rec.events & rec.armed;
    if (rec.listening) return (ready & FD_ACCEPT) ? wsbsd::kPollIn : 0;
    if (rec.connecting) return wsbsd::kPollOut;
    if (!rec.connected) return 0;
    unsigned want = 0;
    // Once the peer has closed, input is only ever looked at again when recv re-enables FD_READ:
    // end of stream stays readable and would wake the poll for ever.
    if (!rec.peerClosed && !rec.receiveShut) {
        want |= wsbsd::kPollRdHup;
        if (ready & FD_READ) want |= wsbsd::kPollIn;
    }
    if ((ready & FD_WRITE) && !rec.sendShut) want |= wsbsd::kPollOut;
    if ((ready & FD_OOB) && !rec.oobInline) want |= wsbsd::kPollPri;
    return want;
}

void Engine::PollerMain() {
    std::unique_lock<std::mutex> lk(mutex);
    std::vector<SocketPtr> recs;
    std::vector<wsbsd::PollItem> items;
    while (!stopping_) {
        recs.clear();
        items.clear();
        for (auto& [id, rec] : sockets_) {
            if (unsigned want = PollWanted(*rec)) {
                recs.push_back(rec);
                items.push_back({rec->fd, want, 0});
            }
        }
        items.push_back({wakeFd_, wsbsd::kPollIn, 0});
        int wakeFd = wakeFd_;
        lk.unlock();
        int n = wsbsd::Poll(items.data(), items.size(), -1);
        lk.lock();
        wsbsd::WakeDrain(wakeFd);
        if (n < 0) continue;
        for (std::size_t i = 0; i < recs.size(); ++i)
            if (items[i].got) Evaluate(*recs[i], items[i].got);
        // A closed peer's remaining data and its FD_CLOSE wait for recv, which wakes us.
        for (auto& [id, rec] : sockets_)
            if (rec->connected && rec->peerClosed && (rec->events & rec->armed & (FD_READ | FD_CLOSE)))
                SettleRead(*rec, false);
    }
}

void Engine::Evaluate(SocketRec& rec, unsigned got) {
    if (rec.closed || rec.events == 0) return;
    if (got & wsbsd::kPollNval) {
        rec.hungUp = true;
        return;
    }
    if (rec.listening) {
        if (got & wsbsd::kPollIn) Post(rec, FD_ACCEPT, 0);
        if (got & (wsbsd::kPollErr | wsbsd::kPollHup)) rec.hungUp = true;
        return;
    }
    if (rec.connecting) {
        if (!(got & (wsbsd::kPollOut | wsbsd::kPollErr | wsbsd::kPollHup))) return;
        rec.connecting = false;
        int err = wsbsd::PendingError(rec.fd);
        if (err != 0) {
            rec.hungUp = true;
            Post(rec, FD_CONNECT, WsaErrorFromErrno(err));
            return;
        }
        rec.connected = true;
        Post(rec, FD_CONNECT, 0);
    }
    if (!rec.connected) return;
    if (got & wsbsd::kPollErr) {
        if (int err = wsbsd::PendingError(rec.fd)) rec.closeError = WsaErrorFromErrno(err);
        rec.peerClosed = rec.hungUp = true;
    }
    if (got & wsbsd::kPollHup) rec.peerClosed = rec.hungUp = true;
    if (got & wsbsd::kPollRdHup) rec.peerClosed = true;
    if (got & wsbsd::kPollOut) Post(rec, FD_WRITE, 0);
    if (got & wsbsd::kPollPri) Post(rec, FD_OOB, 0);
    if ((got & wsbsd::kPollIn) || rec.peerClosed) SettleRead(rec, (got & wsbsd::kPollIn) != 0);
}

void Engine::SettleRead(SocketRec& rec, bool readable) {
    int n = wsbsd::BytesReadable(rec.fd);
    if (n < 0) n = 0;
    // Readable with nothing counted (an urgent byte alone) still gets its FD_READ: left unposted
    // it would wake the poll for ever, and a recv that finds nothing answers WSAEWOULDBLOCK.
    if (n > 0 || (readable && !rec.peerClosed)) Post(rec, FD_READ, 0);
    if (rec.peerClosed && (n == 0 || !(rec.events & FD_READ))) Post(rec, FD_CLOSE, rec.closeError);
}

int DescriptorOf(SOCKET s) {
    Engine& e = Engine::Get();
    std::lock_guard<std::mutex> lk(e.mutex);
    SocketPtr rec = e.Find(s);
    return rec ? rec->fd : -1;
}

} // namespace wsock
