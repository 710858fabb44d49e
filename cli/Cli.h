// The whole tool behind main(): parses the arguments and runs the command.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// `args` are the arguments after the program name; returns the exit status.
// Progress is shown on `err` only when `errIsTerminal`.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal = false);

}  // namespace cli
