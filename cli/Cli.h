// The whole tool behind main(): parses the arguments and runs the command.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// `args` are the arguments after the program name; returns the exit status.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace cli
