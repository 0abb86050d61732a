// Whether a standard stream is a terminal (progress lines are shown only
// there, never in files or pipes).
#pragma once

#include <cstdio>

namespace marlow::platform {

bool IsTerminal(std::FILE* stream);

}  // namespace marlow::platform
