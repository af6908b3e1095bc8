// Loopback addresses that fail as a switcher can fail: a port that refuses, and one that never
// answers. On the system's own sockets, apart from the socket service's header.
#pragma once

// A port on 127.0.0.1 nothing listens on: connecting to it is refused.
unsigned short RefusingPort();

// A listener that never accepts and whose backlog is already full, so a further connection request
// goes unanswered (its SYN is dropped) until the listener goes.
class TSilentListener {
public:
    TSilentListener();
    ~TSilentListener();
    TSilentListener(const TSilentListener&) = delete;
    TSilentListener& operator=(const TSilentListener&) = delete;

    // 0 when the backlog could not be filled.
    unsigned short Port() const { return port_; }

private:
    int listener_ = -1;
    int fillers_[4] = {-1, -1, -1, -1};
    unsigned short port_ = 0;
};
