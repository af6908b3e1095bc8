#include "platform/ui/Powersock.h"

#include "platform/winsock/Winsock.h"

#include <cstring>

std::string TPowersock::GetLocalIP() const {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0) throw ESockError("Unable to get the local host name");
    const THostEnt* host = gethostbyname(name);
    if (!host || host->h_length != static_cast<short>(sizeof(TInAddr)) || !host->h_addr_list ||
        !host->h_addr_list[0])
        throw ESockError("Unable to resolve the local host name " + std::string(name));
    TInAddr address;
    std::memcpy(&address, host->h_addr_list[0], sizeof address);
    return inet_ntoa(address);
}
