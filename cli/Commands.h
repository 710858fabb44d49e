// The tool's commands. Each writes its results to the console's `out` and
// its failures to its `err`, and returns the exit status.
#pragma once

#include <ostream>
#include <string>

#include "cli/CommandLine.h"

namespace cli {

enum ExitStatus : int {
  kExitSuccess = 0,
  kExitFileFailed = 1,  // a file could not be loaded, flanged, rendered or saved
  kExitUsage = 2,       // the command line is wrong
};

struct Console {
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;  // progress is shown only there
  bool quiet = false;          // errors only
};

// Where `flange` writes the result for `input` when no -o is given.
std::string FlangedPathBeside(const std::string& input);

int RunFlange(const CommandLine& command, Console& console);
int RunResave(const CommandLine& command, Console& console);
int RunInfo(const CommandLine& command, Console& console);
int RunRender(const CommandLine& command, Console& console);

}  // namespace cli
