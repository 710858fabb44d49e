#include "cli/CommandLine.h"

#include <algorithm>
#include <cctype>
#include <string_view>

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
    {"render", CommandKind::Render},
};

constexpr unsigned Bit(CommandKind kind) { return 1u << static_cast<unsigned>(kind); }
constexpr unsigned kWritingCommands = Bit(CommandKind::Flange) | Bit(CommandKind::Resave) | Bit(CommandKind::Render);

// An option without a value, and the commands that take it.
struct Switch {
  const char* shortName;  // or nullptr
  const char* longName;
  bool CommandLine::*member;
  unsigned commands;
};

constexpr Switch kSwitches[] = {
    {"-f", "--force", &CommandLine::force, kWritingCommands},
    {"-q", "--quiet", &CommandLine::quiet, kWritingCommands},
    {nullptr, "--dry-run", &CommandLine::dryRun, Bit(CommandKind::Flange)},
    {nullptr, "--normalise", &CommandLine::normalise, Bit(CommandKind::Flange) | Bit(CommandKind::Resave)},
    {nullptr, "--json", &CommandLine::json, Bit(CommandKind::Info)},
    {nullptr, "--chunks", &CommandLine::chunks, Bit(CommandKind::Info)},
    {nullptr, "--flanges", &CommandLine::flanges, Bit(CommandKind::Render)},
};

ParsedCommandLine UsageError(std::string message) { return {CommandLine{}, std::move(message)}; }

// A command that takes no files.
ParsedCommandLine Just(CommandKind kind) {
  ParsedCommandLine parsed;
  parsed.command.kind = kind;
  return parsed;
}

bool EndsInSvg(const std::string& name) {
  constexpr std::string_view kSvg = ".svg";
  return name.size() > kSvg.size() &&
         std::equal(kSvg.rbegin(), kSvg.rend(), name.rbegin(),
                    [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
}

// What each command accepts, checked once every argument has been read.
std::string CheckCommand(const CommandLine& command, const std::string& name) {
  const size_t inputs = command.inputs.size();
  const auto standardInputs = std::count(command.inputs.begin(), command.inputs.end(), kStandardStream);
  if (standardInputs > 1) return "standard input (-) can be read only once";
  switch (command.kind) {
    case CommandKind::Flange:
      if (inputs == 0) return "flange needs at least one input file";
      if (command.output == kStandardStream && inputs > 1) return "-o - (standard output) takes one input file";
      if (standardInputs > 0 && !command.output) {
        return "a track from standard input has no name to write it beside; name the output: -o OUTPUT, or "
               "-o - for standard output";
      }
      break;
    case CommandKind::Resave:
    case CommandKind::Render:
      if (inputs != 1) return name + " takes exactly one input file";
      if (!command.output) return name + " needs an output file: -o OUTPUT";
      if (command.kind == CommandKind::Render && *command.output != kStandardStream && !EndsInSvg(*command.output)) {
        return "render draws SVG pictures; name the output NAME.svg, or - for standard output (rsvg-convert "
               "NAME.svg -o NAME.png makes a PNG of it)";
      }
      break;
    case CommandKind::Info:
      if (inputs == 0) return "info needs at least one input file";
      if (command.output) return "info writes no file and takes no -o";
      break;
    case CommandKind::Help:
    case CommandKind::Version:
      break;
  }
  return {};
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") break;
    if (arg == "-h" || arg == "--help") return Just(CommandKind::Help);
    if (arg == "-v" || arg == "--version") return Just(CommandKind::Version);
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

  // The value of an option given as "--long=VALUE" or as the next argument.
  size_t i = 1;
  auto valueOf = [&args, &i](const std::string& arg, const std::string& longName) -> std::optional<std::string> {
    if (arg.rfind(longName + "=", 0) == 0) return arg.substr(longName.size() + 1);
    if (i + 1 < args.size()) return args[++i];
    return std::nullopt;
  };

  bool optionsEnded = false;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
    if (!isOption) {
      command.inputs.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const Switch* matched = nullptr;
    for (const Switch& option : kSwitches) {
      if (arg == option.longName || (option.shortName != nullptr && arg == option.shortName)) matched = &option;
    }
    if (matched != nullptr) {
      if ((matched->commands & Bit(command.kind)) == 0) {
        return UsageError(std::string(matched->longName) + " is not an option of " + name);
      }
      command.*(matched->member) = true;
    } else if (arg == "-o" || arg == "--output" || arg.rfind("--output=", 0) == 0) {
      const std::optional<std::string> value = valueOf(arg, "--output");
      if (!value || value->empty()) return UsageError(arg + " needs a file name");
      if (command.output) return UsageError("only one output file can be named");
      command.output = *value;
    } else if (arg == "--view" || arg.rfind("--view=", 0) == 0) {
      if (command.kind != CommandKind::Render) return UsageError("--view is not an option of " + name);
      const std::optional<std::string> value = valueOf(arg, "--view");
      bool knownView = false;
      for (const View view : kViews) {
        if (value == ViewName(view)) {
          command.view = view;
          knownView = true;
        }
      }
      if (!knownView) return UsageError("--view takes side, top or front");
    } else {
      return UsageError("unknown option '" + arg + "'");
    }
  }
  if (std::string problem = CheckCommand(command, name); !problem.empty()) return UsageError(problem);
  return {command, {}};
}

std::string UsageText() {
  return R"(tarnwick-cli - add flanges to the support tubes of roller-coaster track files

Usage: tarnwick-cli COMMAND [OPTIONS] FILE...

Adds flanges to the support tubes of track files (.nltrack), the same way the
Tarnwick window does, for batch work and scripts. A flange the track already
holds is not added again, so flanging a flanged track changes nothing. The
rest of the file is kept byte for byte: only the flanges are new.

Commands:
  flange INPUT... [-o OUTPUT | -o FOLDER] [--dry-run] [--normalise] [-f] [-q]
        Add flanges to each input and save the result. Each output goes
        beside its input as NAME-flanged.nltrack; -o FOLDER puts them in an
        existing folder instead; with a single input, -o OUTPUT names the
        output (".nltrack" is added when missing). With --dry-run, do
        everything but write: the same checks, messages and exit status.
  resave INPUT -o OUTPUT [--normalise] [-f] [-q]
        Load and save without changes: the file comes back byte for byte,
        with only its sizes and counts written afresh. With --normalise,
        write it in the form Tarnwick 1.1 saved.
  info INPUT... [--chunks] [--json]
        Show the table counts, the tubes by type and by end types, and the
        flanges that flange would add and those already there; with
        --chunks, the chunks as found as well (of a damaged file, those
        read before the damage).
  render INPUT -o OUTPUT.svg [--view side|top|front] [--flanges] [-f] [-q]
        Draw the support structure as an SVG picture: footers as squares,
        tubes as lines coloured by tube type, flanges already there in black,
        and a legend that names the tubes it could not draw and why. With
        --flanges, the flanges that flange would add are drawn on top in red.
        A picture of more than 200,000 lines is refused. The output must end
        in .svg; rsvg-convert OUTPUT.svg -o OUTPUT.png makes a PNG of it.

A FILE of - is standard input, an OUTPUT of - standard output, so the tool
works in pipes: tarnwick-cli flange - -o - <in.nltrack >out.nltrack. A track
from standard input has no name to check, only its contents; the report of a
track or picture written to standard output goes to standard error. (A file
named "-" is ./-.)

Options:
  -o, --output PATH     the file to write, or - for standard output (for
                        flange, also an existing folder; a name ending in /
                        must be one)
  -f, --force           replace output files that already exist
  -q, --quiet           print nothing but errors and warnings
  --dry-run             flange: load, add the flanges and check the save, but
                        write nothing
  --normalise           flange, resave: save in the form Tarnwick 1.1 saved:
                        reserved bytes and catwalk trailers zero, flags 255
                        or 0, colours' leading bytes 0, version 1.3.0.0, and
                        parts of kinds Tarnwick does not know left out
  --chunks              info: list the chunks as found in the file
  --json                info: print JSON (an array when given several files;
                        a file that failed as {"file": ..., "error": ...})
  --view VIEW           render: side (along the z axis; the default), top
                        (looking down) or front (along the x axis)
  --flanges             render: draw the flanges flange would add
  -h, --help            show this help and exit
  -v, --version         show the version and exit

An existing file is never replaced unless --force is given, not even one that
appears while the output is written. A file is written in one step: first to
a hidden .NAME.tmp-XXXXXX beside it, which is removed again when the tool
fails or is interrupted (Ctrl-C, SIGTERM, SIGHUP). A replaced file keeps its
owner and group (as far as the user may give them), its permissions, ACL and
extended attributes; other hard links to it keep the old content, with a
warning. A link to a file stays a link and the file it names is replaced; a
link to nothing is replaced only with --force. Devices, FIFOs, sockets and
folders (and on Windows NUL, CON, COM1 and the other device names) are never
written to, even with --force. A track is written only under a name ending
in .nltrack: -o NAME gets the extension added, unless something named NAME
exists (such as /dev/stdout); then the tool refuses and asks for NAME.nltrack
or -.

A track shorter than its header says is loaded, with a warning that it
may have been cut short. Progress is shown on standard error when it is a
terminal and a step takes more than a second. When a save leaves out parts of
kinds Tarnwick does not know (with --normalise, or when the file's parts are
not nested the usual way), a note on standard error names them. Counts in the
text carry thousands separators (16,450,948 flanges); JSON has plain numbers.

Words in the output:
  too long or damaged   tubes that get no flanges: they would need more than
                        32,767 (longer than about 327,000 units), or an end's
                        position is not a number or the end names a node the
                        track does not hold (a damaged file)
  other (type N)        an end that is neither a footer nor a free node; its
                        tube gets no flanges and is not drawn

Exit status:
  0   every file was done
  1   a file could not be loaded, flanged, rendered or saved, or an output
      exists already or may not be written (nothing is written for that
      file; the other files are still done); a dry run fails the same way
  2   the command line is wrong
Interrupted by a signal, the tool ends by that signal (a shell shows 128 plus
its number, 130 for Ctrl-C).
)";
}

}  // namespace cli
