#include <windows.h>

#include "tests/support/cpu_time.h"

namespace marlow::testsupport {

uint64_t ProcessCpuMicroseconds() {
  FILETIME created, ended, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
  auto us = [](const FILETIME& t) {
    return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10u;
  };
  return us(kernel) + us(user);
}

}  // namespace marlow::testsupport
