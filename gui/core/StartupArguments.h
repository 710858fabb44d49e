// The command line of both window programs:
//
//   tarnwick [-h|--help] [-v|--version] [FILE]
//
// Help and version answer and end the program, wherever they stand and
// whatever else is given, so that a program can answer them before it
// needs a display; FILE is loaded once the window shows.
#pragma once

#include <string>
#include <vector>

namespace gui {

inline constexpr const char* kProgramSummary =
    "Adds flanges to the support tubes of a roller-coaster track.";

struct StartupArguments {
  enum class Action { Open, Help, Version, Refuse };
  Action action = Action::Open;
  std::string file;     // Open: the track to load; empty for none
  std::string problem;  // Refuse: what is wrong, in the user's words
};

// `args` without the program's own name. "--" ends the options.
StartupArguments ParseStartupArguments(const std::vector<std::string>& args);

// The help text, and the version line for `version`.
std::string StartupHelp();
std::string VersionLine(const std::string& version);

}  // namespace gui
