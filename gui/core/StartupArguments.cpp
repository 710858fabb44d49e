#include "gui/core/StartupArguments.h"

#include <optional>

namespace gui {

StartupArguments ParseStartupArguments(const std::vector<std::string>& args) {
  using Action = StartupArguments::Action;
  std::optional<Action> answer;  // help or version: the first one given
  std::string problem;           // the first option this program does not know
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (const std::string& arg : args) {
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (optionsEnded || arg.size() < 2 || arg.front() != '-') {
      files.push_back(arg);  // "-" too: a file of that name
    } else if (arg == "-h" || arg == "--help" || arg == "-?") {
      if (!answer) answer = Action::Help;
    } else if (arg == "-v" || arg == "--version") {
      if (!answer) answer = Action::Version;
    } else if (problem.empty()) {
      problem = "Unknown option '" + arg + "'.";
    }
  }
  if (answer) return {*answer, {}, {}};
  if (!problem.empty()) return {Action::Refuse, {}, problem};
  if (files.size() > 1) return {Action::Refuse, {}, "Give one track file at most."};
  return {Action::Open, files.empty() ? std::string() : files.front(), {}};
}

std::string StartupHelp() {
  return std::string("Usage: tarnwick [options] [file]\n") + kProgramSummary +
         "\n\n"
         "Options:\n"
         "  -h, --help     Show this help and exit.\n"
         "  -v, --version  Show the version and exit.\n\n"
         "Arguments:\n"
         "  file           A track file (.nltrack) to load once the window opens.\n";
}

std::string VersionLine(const std::string& version) { return "Tarnwick " + version; }

}  // namespace gui
