#include "communications/tests/support/TestPty.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

TPty::TPty(int number) : number_(number) {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    setenv(("VEXO_COM" + std::to_string(number)).c_str(), name, 1);
}

TPty::~TPty() {
    unsetenv(("VEXO_COM" + std::to_string(number_)).c_str());
    CloseMaster();
    close(slave_);
}

void TPty::Send(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = write(master_, bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else {
            pollfd p{master_, POLLOUT, 0};
            poll(&p, 1, 10);
        }
    }
}

std::string TPty::Drain() {
    std::string got;
    char buffer[4096];
    ssize_t n;
    while ((n = read(master_, buffer, sizeof buffer)) > 0) got.append(buffer, static_cast<std::size_t>(n));
    return got;
}

void TPty::CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
}
