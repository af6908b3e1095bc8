#include "platform/winsock/WsLastError.h"

#include "platform/winsock/Winsock.h"

namespace wsock {

namespace {
thread_local int lastError = 0;
}

int LastError() {
    return lastError;
}
void SetLastError(int error) {
    lastError = error;
}

int Fail(int error) {
    lastError = error;
    return SOCKET_ERROR;
}

} // namespace wsock
