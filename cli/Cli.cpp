#include "cli/Cli.h"

#include <exception>
#include <sstream>

#include "cli/CommandLine.h"
#include "cli/Commands.h"
#include "cli/Jobs.h"

#ifndef TARNWICK_VERSION
#error "TARNWICK_VERSION is set by the build"
#endif

namespace cli {

namespace {

int UsageError(std::ostream& err, const std::string& problem) {
  err << "tarnwick-cli: " << problem << "\nTry 'tarnwick-cli --help' for more information.\n";
  return kExitUsage;
}

int RunCommand(const CommandLine& command, Console& console) {
  try {
    switch (command.kind) {
      case CommandKind::Help:
        console.out << UsageText();
        return kExitSuccess;
      case CommandKind::Version:
        console.out << "tarnwick-cli " << TARNWICK_VERSION << "\n";
        return kExitSuccess;
      case CommandKind::Flange:
      case CommandKind::Resave:
      case CommandKind::Info:
      case CommandKind::Render:
        break;
    }
    const JobList plan = PlanJobs(command);
    if (!plan.usageError.empty()) return UsageError(console.err, plan.usageError);
    if (!plan.refusal.empty()) {
      console.err << "tarnwick-cli: " << plan.refusal << "\n";
      return kExitFileFailed;
    }
    switch (command.kind) {
      case CommandKind::Flange: return RunFlange(command, plan.jobs, console);
      case CommandKind::Resave: return RunResave(command, plan.jobs.front(), console);
      case CommandKind::Info: return RunInfo(command, plan.jobs, console);
      case CommandKind::Render: return RunRender(command, plan.jobs.front(), console);
      case CommandKind::Help:
      case CommandKind::Version:
        break;
    }
  } catch (const std::exception& failure) {
    // Nothing the library reports ends up here; this is the last resort.
    console.err << "tarnwick-cli: " << failure.what() << "\n";
    return kExitFileFailed;
  }
  return kExitUsage;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const Streams& streams) {
  const ParsedCommandLine parsed = ParseCommandLine(args);
  if (!parsed.usageError.empty()) return UsageError(streams.err, parsed.usageError);
  Console console{streams.in, streams.out, streams.err, streams.errIsTerminal, parsed.command.quiet,
                  streams.outCarriesBytes};
  const int status = RunCommand(parsed.command, console);
  // Output that did not arrive (a full disk, a closed pipe) is a failure too.
  if (!streams.out.flush()) {
    streams.err << "tarnwick-cli: the output could not be written\n";
    return status == kExitSuccess ? kExitFileFailed : status;
  }
  return status;
}

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool errIsTerminal) {
  std::istringstream nothing;
  return RunCli(args, Streams{nothing, out, err, errIsTerminal});
}

}  // namespace cli
