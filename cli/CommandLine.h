// The tool's command line: a command, its input files and its options.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class CommandKind { Help, Version, Flange, Resave, Info };

struct CommandLine {
  CommandKind kind = CommandKind::Help;
  std::vector<std::string> inputs;
  std::optional<std::string> output;  // -o / --output
  bool json = false;                  // --json
};

struct ParsedCommandLine {
  CommandLine command;
  std::string usageError;  // set when the arguments do not form a command
};

// Parses the arguments after the program name.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The text --help prints.
std::string UsageText();

}  // namespace cli
