// Made recordings for the export tests, written to files.
#pragma once

#include <string>

#include "tools/makekvr/recording_maker.h"

namespace marlow {
namespace test {

// Makes the recording of plan into path; false on failure.
inline bool WriteRecording(const RecordingPlan& plan, const std::string& path,
                           RecordingStats* stats = nullptr) {
  streamkit::StreamBuilder builder;
  RecordingStats local;
  const char* error = nullptr;
  if (!MakeRecording(plan, &builder, stats ? stats : &local, &error)) return false;
  return builder.WriteFile(path.c_str());
}

}  // namespace test
}  // namespace marlow
