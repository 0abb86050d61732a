#include <sys/resource.h>

#include "tests/support/cpu_time.h"

namespace marlow::testsupport {

uint64_t ProcessCpuMicroseconds() {
  rusage u;
  if (getrusage(RUSAGE_SELF, &u) != 0) return 0;
  auto us = [](const timeval& t) {
    return static_cast<uint64_t>(t.tv_sec) * 1000000u + static_cast<uint64_t>(t.tv_usec);
  };
  return us(u.ru_utime) + us(u.ru_stime);
}

}  // namespace marlow::testsupport
