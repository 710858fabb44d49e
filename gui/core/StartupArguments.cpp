#include "gui/core/StartupArguments.h"

namespace gui {

StartupArguments ParseStartupArguments(const std::vector<std::string>& args) {
  StartupArguments parsed;
  bool optionsEnded = false;
  std::vector<std::string> files;
  for (const std::string& arg : args) {
    const bool option = !optionsEnded && arg.size() > 1 && arg.front() == '-';
    if (!option) {
      files.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-h" || arg == "--help" || arg == "-?") {
      return {StartupArguments::Action::Help, {}, {}};
    } else if (arg == "-v" || arg == "--version") {
      return {StartupArguments::Action::Version, {}, {}};
    } else {
      return {StartupArguments::Action::Refuse, {}, "Unknown option '" + arg + "'."};
    }
  }
  if (files.size() > 1) {
    return {StartupArguments::Action::Refuse, {}, "Give one track file at most."};
  }
  if (!files.empty()) parsed.file = files.front();
  return parsed;
}

std::string StartupHelp() {
  return std::string("Usage: tarnwick [options] [file]\n") + kProgramSummary +
         "\n\n"
         "Options:\n"
         "  -h, --help     Displays help on commandline options.\n"
         "  -v, --version  Displays version information.\n\n"
         "Arguments:\n"
         "  file           The track file to open.\n";
}

std::string VersionLine(const std::string& version) { return "Tarnwick " + version; }

}  // namespace gui
