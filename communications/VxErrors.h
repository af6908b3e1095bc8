// Provisional: replaced by the generated error-code constants.
#pragma once

enum : int {
    ecOK = 0,
    ecOutOfMemory = -8,
    ecBadArgument = -1002,
    ecPutBlockFail = -3004,
    ecOutputBufferTooSmall = -3006,
    ecBufferIsEmpty = -3007,
    ecBaseAddressNotSet = -3010,
};
