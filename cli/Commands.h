// The tool's commands. Each does its jobs, writes its results to the
// console's `out` and its failures to its `err`, and returns the exit status.
#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <vector>

#include "cli/CommandLine.h"
#include "cli/Jobs.h"

namespace cli {

enum ExitStatus : int {
  kExitSuccess = 0,
  kExitFileFailed = 1,  // a file could not be loaded, flanged, rendered or saved
  kExitUsage = 2,       // the command line is wrong
};

struct Console {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;  // progress is shown only there
  bool quiet = false;          // errors only
  std::function<void()> outCarriesBytes{};
  bool outTaken = false;       // a track or a picture went to `out`

  // Where the report of work done goes: standard output, unless it carries
  // a track or a picture.
  std::ostream& Report() { return outTaken ? err : out; }
};

int RunFlange(const CommandLine& command, const std::vector<Job>& jobs, Console& console);
int RunResave(const CommandLine& command, const Job& job, Console& console);
int RunInfo(const CommandLine& command, const std::vector<Job>& jobs, Console& console);
int RunRender(const CommandLine& command, const Job& job, Console& console);

}  // namespace cli
