// File names of an export: one file per channel, and further parts of a
// channel whose file reached the size an AVI file can hold.
#pragma once

#include <string>

namespace marlow {

// The output path with "-CH<channel + 1>" inserted before the last "." of
// its file name, or appended when the file name has no "." (a "." in a
// folder name does not count). channel is 0-based.
std::string ChannelFileName(const std::string& outputPath, int channel);

// Part 1 is the channel's file itself; part n >= 2 inserts "-<n>" the same
// way: C:\x\CAPTURE-CH3.AVI, C:\x\CAPTURE-CH3-2.AVI, ...
std::string PartFileName(const std::string& channelFile, int part);

// The output name the dialog proposes for an input: every "KVR" and every
// "kvr" replaced by "AVI" (other spellings are left alone).
std::string OutputNameFromInput(const std::string& inputPath);

}  // namespace marlow
