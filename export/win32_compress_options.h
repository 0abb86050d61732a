// The one set of compression options that every channel writer uses and the
// "Select..." button replaces with the user's choice.
#pragma once

#include <windows.h>

#include <vfw.h>

namespace marlow {

AVICOMPRESSOPTIONS& SharedCompressOptions();
// Stream type "vids", handler "DIB " (uncompressed), a key frame every
// picture, default quality, everything else 0.
void ResetCompressOptions();

}  // namespace marlow
