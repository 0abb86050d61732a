// ViewerApp: starts the program. Works out the profile and message file
// paths and the channel count before any window exists, loads the
// accelerators, and runs the main window modally for the life of the
// process.
#pragma once

#include <windows.h>

namespace marlow::viewer {

class ViewerApp {
 public:
  // commandLine: the arguments after the program's name (may be null).
  // Returns the process's exit code once the main window has ended.
  int Run(HINSTANCE module, const char* commandLine);
};

}  // namespace marlow::viewer
