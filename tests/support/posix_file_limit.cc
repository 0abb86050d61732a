// POSIX: a forked child with RLIMIT_FSIZE and SIGXFSZ ignored, so a write
// past the limit returns EFBIG like a full disk returns ENOSPC.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/file_limit.h"

namespace marlow::testsupport {

bool RunWithFileSizeLimit(uint64_t bytes, const std::function<bool()>& body, bool* bodyResult) {
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit lim;
    lim.rlim_cur = static_cast<rlim_t>(bytes);
    lim.rlim_max = static_cast<rlim_t>(bytes);
    if (setrlimit(RLIMIT_FSIZE, &lim) != 0) _exit(2);
    _exit(body() ? 0 : 1);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
  }
  *bodyResult = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return true;
}

}  // namespace marlow::testsupport
