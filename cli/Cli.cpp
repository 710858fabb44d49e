#include "cli/Cli.h"

#include <exception>

#include "cli/CommandLine.h"
#include "cli/Commands.h"

#ifndef TARNWICK_VERSION
#error "TARNWICK_VERSION is set by the build"
#endif

namespace cli {

namespace {

int RunCommand(const CommandLine& command, std::ostream& out, std::ostream& err) {
  try {
    switch (command.kind) {
      case CommandKind::Help:
        out << UsageText();
        return kExitSuccess;
      case CommandKind::Version:
        out << "tarnwick-cli " << TARNWICK_VERSION << "\n";
        return kExitSuccess;
      case CommandKind::Flange:
        return RunFlange(command.inputs, command.output, out, err);
      case CommandKind::Resave:
        return RunResave(command.inputs.front(), *command.output, out, err);
      case CommandKind::Info:
        return RunInfo(command.inputs.front(), command.json, out, err);
    }
  } catch (const std::exception& failure) {
    // Nothing the library reports ends up here; this is the last resort.
    err << "tarnwick-cli: " << failure.what() << "\n";
    return kExitFileFailed;
  }
  return kExitUsage;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const ParsedCommandLine parsed = ParseCommandLine(args);
  if (!parsed.usageError.empty()) {
    err << "tarnwick-cli: " << parsed.usageError << "\nTry 'tarnwick-cli --help' for more information.\n";
    return kExitUsage;
  }
  const int status = RunCommand(parsed.command, out, err);
  // Output that did not arrive (a full disk, a closed pipe) is a failure too.
  if (!out.flush()) {
    err << "tarnwick-cli: the output could not be written\n";
    return status == kExitSuccess ? kExitFileFailed : status;
  }
  return status;
}

}  // namespace cli
