// CPU time the process has used, for benchmarks that report a share of a core.
#pragma once

#include <cstdint>

namespace marlow::testsupport {

// User plus system time of the whole process in microseconds; 0 if unknown.
uint64_t ProcessCpuMicroseconds();

}  // namespace marlow::testsupport
