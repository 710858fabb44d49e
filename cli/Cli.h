// The whole tool behind main(): parses the arguments, plans the jobs and
// runs the command.
#pragma once

#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace cli {

struct Streams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  bool errIsTerminal = false;  // progress is shown on `err` only then
  // Called before a track or a picture goes to `out` (on Windows: binary mode).
  std::function<void()> outCarriesBytes{};
};

// `args` are the arguments after the program name; returns the exit status.
int RunCli(const std::vector<std::string>& args, const Streams& streams);

// The same with nothing on standard input.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal = false);

}  // namespace cli
