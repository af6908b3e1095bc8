// A loopback TCP peer for the socket tests, on the system's own BSD sockets, driven from the test's
// thread: a listening server or a connecting client. Nothing here includes the socket service's
// header, whose names clash with the system's.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

class TSocketPeer {
public:
    TSocketPeer() = default;
    ~TSocketPeer();
    TSocketPeer(const TSocketPeer&) = delete;
    TSocketPeer& operator=(const TSocketPeer&) = delete;

    // Listens on 127.0.0.1 at a free port; the port in host order, or 0.
    unsigned short Listen();
    // Takes the next connection from the listener (closing one taken before).
    bool Accept(int TimeoutMs = 3000);
    bool Connect(unsigned short Port, int TimeoutMs = 3000);

    bool Send(const std::string& Bytes);
    // What has arrived so far, without waiting.
    std::string Take();
    // Waits, without serving messages, until Count bytes have arrived; returns what came.
    std::string Receive(std::size_t Count, int TimeoutMs = 3000);
    // True once the other side has closed (everything it sent is then in Take's reach).
    bool SawClose();
    void CloseConnection();
    // Closes with a reset instead of an orderly close.
    void ResetConnection();
    void CloseListener();

    // A port nothing listens on: connecting to it is refused.
    static unsigned short UnusedPort();

private:
    void Pull(int WaitMs);

    int FListener = -1;
    int FConnection = -1;
    std::string FReceived;
    bool FClosed = false;
};

// Serves the calling thread's messages (timers, socket events) until Done or the time runs out.
bool PumpUntil(const std::function<bool()>& Done, int TimeoutMs = 3000);
// Serves messages for about Ms milliseconds.
void PumpFor(int Ms);
