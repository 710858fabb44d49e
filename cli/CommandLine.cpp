#include "cli/CommandLine.h"

namespace cli {

namespace {

struct CommandName {
  const char* name;
  CommandKind kind;
};

constexpr CommandName kCommands[] = {
    {"flange", CommandKind::Flange},
    {"resave", CommandKind::Resave},
    {"info", CommandKind::Info},
};

ParsedCommandLine UsageError(std::string message) { return {CommandLine{}, std::move(message)}; }

// A command that takes no files.
ParsedCommandLine Just(CommandKind kind) {
  ParsedCommandLine parsed;
  parsed.command.kind = kind;
  return parsed;
}

// What each command accepts, checked once every argument has been read.
std::string CheckCommand(const CommandLine& command, const std::string& name) {
  const size_t inputs = command.inputs.size();
  switch (command.kind) {
    case CommandKind::Flange:
      if (inputs == 0) return "flange needs at least one input file";
      if (command.output && inputs > 1) {
        return "-o names the output of a single input; with several inputs each output goes beside its input";
      }
      break;
    case CommandKind::Resave:
      if (inputs != 1) return "resave takes exactly one input file";
      if (!command.output) return "resave needs an output file: -o OUTPUT";
      break;
    case CommandKind::Info:
      if (inputs != 1) return "info takes exactly one input file";
      if (command.output) return "info writes no file and takes no -o";
      break;
    case CommandKind::Help:
    case CommandKind::Version:
      break;
  }
  if (command.json && command.kind != CommandKind::Info) return "--json is an option of info, not of " + name;
  return {};
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "-h" || arg == "--help") return Just(CommandKind::Help);
    if (arg == "--version") return Just(CommandKind::Version);
  }
  if (args.empty()) return UsageError("no command given");

  const std::string& name = args.front();
  if (name == "help") return Just(CommandKind::Help);
  CommandLine command;
  bool known = false;
  for (const CommandName& entry : kCommands) {
    if (name == entry.name) {
      command.kind = entry.kind;
      known = true;
    }
  }
  if (!known) return UsageError("unknown command '" + name + "'");

  bool optionsEnded = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
    if (!isOption) {
      command.inputs.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--json") {
      command.json = true;
    } else if (arg == "-o" || arg == "--output" || arg.rfind("--output=", 0) == 0) {
      std::string value;
      if (arg.rfind("--output=", 0) == 0) {
        value = arg.substr(9);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return UsageError(arg + " needs a file name");
      }
      if (value.empty()) return UsageError(arg + " needs a file name");
      if (command.output) return UsageError("only one output file can be named");
      command.output = value;
    } else {
      return UsageError("unknown option '" + arg + "'");
    }
  }
  if (std::string problem = CheckCommand(command, name); !problem.empty()) return UsageError(problem);
  return {command, {}};
}

std::string UsageText() {
  return R"(Usage: tarnwick-cli COMMAND [OPTIONS] FILE...

Adds flanges to the support tubes of track files (.nltrack), the same way the
Tarnwick window does, for batch work and scripts.

Commands:
  flange INPUT... [-o OUTPUT]
        Add flanges to each input and save it. Each output goes beside its
        input as NAME-flanged.nltrack; with a single input, -o names it
        instead (".nltrack" is added when missing). An input is never
        replaced unless -o names it.
  resave INPUT -o OUTPUT
        Load and save without changes: sizes, counts and filler bytes are
        written afresh and chunks of unknown types are left out.
  info INPUT [--json]
        Show the chunks as found, the table counts, the tubes by type and by
        end types, and the flanges that flange would add.

Options:
  -o, --output OUTPUT   the file to write
  --json                info as JSON
  -h, --help            show this help
  --version             show the version

Exit status: 0 on success, 1 when a file could not be loaded, flanged or
saved (nothing is written for it), 2 when the command line is wrong.
)";
}

}  // namespace cli
