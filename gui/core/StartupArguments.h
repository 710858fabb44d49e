// The window program's command line, for a front end without Qt's parser:
//
//   tarnwick [-h|--help] [-v|--version] [FILE]
//
// The same options as the Qt program's: help and version answer and end the
// program; FILE is loaded once the window shows.
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

// `args` without the program's own name.
StartupArguments ParseStartupArguments(const std::vector<std::string>& args);

// The help text, and the version line for `version`.
std::string StartupHelp();
std::string VersionLine(const std::string& version);

}  // namespace gui
