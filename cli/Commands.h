// The tool's three commands. Each writes its results to `out` and its
// failures to `err`, and returns the exit status.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace cli {

enum ExitStatus : int {
  kExitSuccess = 0,
  kExitFileFailed = 1,  // a file could not be loaded, flanged or saved
  kExitUsage = 2,       // the command line is wrong
};

// Where `flange` writes the result for `input` when no -o is given.
std::string FlangedPathBeside(const std::string& input);

int RunFlange(const std::vector<std::string>& inputs, const std::optional<std::string>& output,
              std::ostream& out, std::ostream& err);
int RunResave(const std::string& input, const std::string& output, std::ostream& out, std::ostream& err);
int RunInfo(const std::string& input, bool json, std::ostream& out, std::ostream& err);

}  // namespace cli
