// Private to platform/winsock: the per-thread error that WSAGetLastError reports.
#pragma once

namespace wsock {

int LastError();
void SetLastError(int error);
// Records error and returns SOCKET_ERROR.
int Fail(int error);

} // namespace wsock
