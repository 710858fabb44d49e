// The tool's command line: a command, its input files and its options.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class CommandKind { Help, Version, Flange, Resave, Info, Render };

// Which way a rendered picture looks at the track.
enum class View {
  Top,    // down the y axis (up in the track): x across, z down the page
  Side,   // along the z axis: x across, y up
  Front,  // along the x axis: z across, y up
};

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
  View view = View::Top;              // render --view
};

struct ParsedCommandLine {
  CommandLine command;
  std::string usageError;  // set when the arguments do not form a command
};

// Parses the arguments after the program name. Looks at the file system for
// one thing only: whether -o names an existing folder.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The text --help prints.
std::string UsageText();

}  // namespace cli
