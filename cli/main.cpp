// tarnwick-cli: adds flanges to track files from the command line.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

#include "cli/Cli.h"
#include "trackio/Interruption.h"

int main(int argc, char** argv) {
  // Ctrl-C, a closed terminal or a kill during a save leaves no temporary file.
  trackio::InstallInterruptCleanup();
#ifdef _WIN32
  // A track read from standard input is bytes, never text with line ends.
  _setmode(_fileno(stdin), _O_BINARY);
#endif
  const std::vector<std::string> args(argv + 1, argv + argc);
  const cli::Streams streams{std::cin, std::cout, std::cerr, isatty(fileno(stderr)) != 0, [] {
#ifdef _WIN32
                               std::cout.flush();
                               _setmode(_fileno(stdout), _O_BINARY);
#endif
                             }};
  return cli::RunCli(args, streams);
}
