// Windows has no per-process file size limit to borrow.
#include "tests/support/file_limit.h"

namespace marlow::testsupport {

bool RunWithFileSizeLimit(uint64_t, const std::function<bool()>&, bool*) {
  return false;
}

}  // namespace marlow::testsupport
