#include "cli/Cli.h"

#include <exception>

#include "cli/CommandLine.h"
#include "cli/Commands.h"

#ifndef TARNWICK_VERSION
#error "TARNWICK_VERSION is set by the build"
#endif

namespace cli {

namespace {

int RunCommand(const CommandLine& command, Console& console) {
  try {
    switch (command.kind) {
      case CommandKind::Help:
        console.out << UsageText();
        return kExitSuccess;
      case CommandKind::Version:
        console.out << "tarnwick-cli " << TARNWICK_VERSION << "\n";
        return kExitSuccess;
      case CommandKind::Flange: return RunFlange(command, console);
      case CommandKind::Resave: return RunResave(command, console);
      case CommandKind::Info: return RunInfo(command, console);
      case CommandKind::Render: return RunRender(command, console);
    }
  } catch (const std::exception& failure) {
    // Nothing the library reports ends up here; this is the last resort.
    console.err << "tarnwick-cli: " << failure.what() << "\n";
    return kExitFileFailed;
  }
  return kExitUsage;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal) {
  const ParsedCommandLine parsed = ParseCommandLine(args);
  if (!parsed.usageError.empty()) {
    err << "tarnwick-cli: " << parsed.usageError << "\nTry 'tarnwick-cli --help' for more information.\n";
    return kExitUsage;
  }
  Console console{out, err, errIsTerminal, parsed.command.quiet};
  const int status = RunCommand(parsed.command, console);
  // Output that did not arrive (a full disk, a closed pipe) is a failure too.
  if (!out.flush()) {
    err << "tarnwick-cli: the output could not be written\n";
    return status == kExitSuccess ? kExitFileFailed : status;
  }
  return status;
}

}  // namespace cli
