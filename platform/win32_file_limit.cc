// Windows has no per-process file size limit to borrow.
#include "platform/file_limit.h"

namespace marlow::platform {

bool RunWithFileSizeLimit(uint64_t, const std::function<bool()>&, bool*) {
  return false;
}

}  // namespace marlow::platform
