// The "Select..." button: the system's compression options dialog for a
// video stream, its choice kept in the shared compression options, and the
// chosen compressor's name.
#pragma once

#include <windows.h>

#include <string>

namespace marlow {

// The name of the uncompressed choice ("DIB "), which no installed
// compressor carries.
extern const char kUncompressedName[];

// Shows the dialog owned by owner. Returns 1 when the user made a choice
// (*name: the compressor's description, kUncompressedName for full frames,
// empty when no installed compressor has the chosen handler); 0 when the
// dialog was cancelled or could not be shown (the options are then cleared
// and *name is empty).
int SelectCompressor(HWND owner, std::string* name);

// The description of the installed video compressor with this handler
// (found by enumeration from index 0), or empty.
std::string CompressorName(DWORD handler);

}  // namespace marlow
