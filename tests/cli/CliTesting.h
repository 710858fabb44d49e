// Running the tool in-process, with its output captured.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/Cli.h"

namespace clitesting {

struct Run {
  int status = -1;
  std::string out, err;
};

inline Run RunTool(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  Run run;
  run.status = cli::RunCli(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

}  // namespace clitesting
