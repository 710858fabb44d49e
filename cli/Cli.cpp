#include "cli/Cli.h"

#include <exception>

#include "cli/CommandLine.h"
#include "cli/Commands.h"

#ifndef TARNWICK_VERSION
#error "TARNWICK_VERSION is set by the build"
#endif

namespace cli {

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const ParsedCommandLine parsed = ParseCommandLine(args);
  if (!parsed.usageError.empty()) {
    err << "tarnwick-cli: " << parsed.usageError << "\nTry 'tarnwick-cli --help' for more information.\n";
    return kExitUsage;
  }
  const CommandLine& command = parsed.command;
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

}  // namespace cli
