// A pseudo-terminal pair whose slave end opens as COMn (through the VEXO_COMn map); the test plays
// the far end on the master. The slave stays open too, so the master stays usable while a port
// closes and opens again.
#pragma once

#include <string>

class TPty {
public:
    explicit TPty(int number);
    ~TPty();
    TPty(const TPty&) = delete;
    TPty& operator=(const TPty&) = delete;

    std::string Name() const { return "\\\\.\\COM" + std::to_string(number_); }

    // Writes every byte to the far end, waiting while the pair is full.
    void Send(const std::string& bytes);
    // Everything the port has sent so far.
    std::string Drain();
    // Hangs up the far end.
    void CloseMaster();

private:
    int number_;
    int master_ = -1;
    int slave_ = -1;
};
