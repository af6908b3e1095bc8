// Runs the application's messages until done() holds or the time is up; returns done().
#pragma once

#include "platform/win/Types.h"

#include <functional>

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// Runs the application's messages for ms milliseconds.
void PumpFor(DWORD ms);
