// Private to platform/winsock: Winsock's error number for a C library errno.
#pragma once

// Unknown errno values give WSASYSCALLFAILURE; 0 gives 0.
int WsaErrorFromErrno(int err);
