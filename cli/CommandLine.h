// The tool's command line: a command, its input files and its options.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/PictureView.h"

namespace cli {

enum class CommandKind { Help, Version, Flange, Resave, Info, Render };

// As an input, standard input; as the output, standard output.
inline constexpr const char* kStandardStream = "-";
inline bool IsStandard(const std::string& path) { return path == kStandardStream; }

struct CommandLine {
  CommandKind kind = CommandKind::Help;
  std::vector<std::string> inputs;
  std::optional<std::string> output;  // -o / --output
  bool force = false;                 // -f / --force: replace existing files
  bool quiet = false;                 // -q / --quiet: errors only
  bool dryRun = false;                // flange --dry-run
  bool normalise = false;             // flange, resave --normalise: the form saved before 1.2
  bool json = false;                  // info --json
  bool chunks = false;                // info --chunks
  bool flanges = false;               // render --flanges
  View view = View::Side;             // render --view
};

struct ParsedCommandLine {
  CommandLine command;
  std::string usageError;  // set when the arguments do not form a command
};

// Parses the arguments after the program name. It does not look at the file
// system: what -o names is decided when the run is planned (Jobs.h).
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The text --help prints.
std::string UsageText();

}  // namespace cli
