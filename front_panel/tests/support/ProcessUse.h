// What the test process uses of the machine, for bounds with a generous margin.
#pragma once

#include <cstddef>

// Processor time used so far, user and system, in seconds.
double CpuSeconds();
// The resident size now, in bytes.
std::size_t ResidentBytes();
