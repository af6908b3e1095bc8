#include "communications/tests/support/PumpUntil.h"

#include "platform/ui/Forms.h"
#include "platform/win/Clock.h"
#include "platform/win/Messages.h"

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const std::uint64_t deadline = MonotonicMs() + timeoutMs;
    while (!done()) {
        if (MonotonicMs() >= deadline) return done();
        Application->ProcessMessages();
        WaitMessageTimeout(1);
    }
    return true;
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}
