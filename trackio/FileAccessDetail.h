// File access that only the tests and the benchmarks use: shortcuts, the
// write-back choice, and the seam where a test stops a save part way.
// Not for the programs.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "trackio/FileAccess.h"

namespace trackio {

// True when a regular file (not a folder or a device) exists at `path`.
bool IsRegularFile(const std::string& path);

// ReplaceFileStreaming with `bytes` in one piece.
TrackResult<SavedFile> ReplaceFileContents(const std::string& path, Overwrite overwrite,
                                           const std::vector<uint8_t>& bytes);

// When the written bytes are sent on to the disk: as they are written, a
// few MiB at a time, so that the disk works while the rest of the file is
// being made (Linux; the default), or only by the flush at the end.
enum class Writeback { AsWritten, AtTheEnd };
TrackResult<SavedFile> ReplaceFileStreaming(const std::string& path, Overwrite overwrite,
                                            const std::function<void(ByteSink&)>& produce,
                                            Writeback writeback);

// The moments of a replacement at which a test may step in.
enum class SaveStep {
  Created,  // the temporary file exists, nothing is written yet
  Written,  // the temporary file is whole and flushed; the move comes next
};
// Called at each step with the temporary file's path and the target's; an
// empty function (the default) removes it. For tests: one at a time.
using SaveStepHook = std::function<void(SaveStep step, const std::string& temporary, const std::string& target)>;
void SetSaveStepHook(SaveStepHook hook);

}  // namespace trackio
