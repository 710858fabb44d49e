// tarnwick-cli: adds flanges to track files from the command line.
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
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
  const std::vector<std::string> args(argv + 1, argv + argc);
  return cli::RunCli(args, std::cout, std::cerr, isatty(fileno(stderr)) != 0);
}
