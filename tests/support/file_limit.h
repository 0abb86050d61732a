// Running code under a limit on the size of files it writes, so tests can
// make writes fail the way a full disk does. Not used by the viewer.
#pragma once

#include <cstdint>
#include <functional>

namespace marlow::testsupport {

// Runs body in a separate process in which no file may grow beyond bytes
// (writes past the limit fail instead of ending the process). Returns false
// when the system offers no such limit; otherwise *bodyResult is body's
// result (false also when the process died).
bool RunWithFileSizeLimit(uint64_t bytes, const std::function<bool()>& body, bool* bodyResult);

}  // namespace marlow::testsupport
