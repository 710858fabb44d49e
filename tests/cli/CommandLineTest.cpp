#include <gtest/gtest.h>

#include <sstream>
#include <utility>

#include "CliTesting.h"
#include "cli/CommandLine.h"

namespace {

using cli::CommandKind;
using cli::ParseCommandLine;

TEST(ParseCommandLine, ReadsEachCommandWithItsFilesAndOptions) {
  auto flange = ParseCommandLine({"flange", "a.nltrack", "b.nltrack"});
  ASSERT_EQ(flange.usageError, "");
  EXPECT_EQ(flange.command.kind, CommandKind::Flange);
  EXPECT_EQ(flange.command.inputs, (std::vector<std::string>{"a.nltrack", "b.nltrack"}));
  EXPECT_FALSE(flange.command.output);

  // Options may stand anywhere after the command, in each spelling.
  for (const auto& args : {std::vector<std::string>{"flange", "-o", "out", "a.nltrack"},
                           std::vector<std::string>{"flange", "a.nltrack", "--output", "out"},
                           std::vector<std::string>{"flange", "--output=out", "a.nltrack"}}) {
    auto parsed = ParseCommandLine(args);
    ASSERT_EQ(parsed.usageError, "");
    EXPECT_EQ(parsed.command.inputs, std::vector<std::string>{"a.nltrack"});
    EXPECT_EQ(parsed.command.output.value_or(""), "out");
  }

  auto resave = ParseCommandLine({"resave", "in.nltrack", "-o", "out.nltrack"});
  ASSERT_EQ(resave.usageError, "");
  EXPECT_EQ(resave.command.kind, CommandKind::Resave);

  auto info = ParseCommandLine({"info", "--json", "in.nltrack"});
  ASSERT_EQ(info.usageError, "");
  EXPECT_EQ(info.command.kind, CommandKind::Info);
  EXPECT_TRUE(info.command.json);

  auto flags = ParseCommandLine({"flange", "-f", "a.nltrack", "--dry-run", "-q"});
  ASSERT_EQ(flags.usageError, "");
  EXPECT_TRUE(flags.command.force && flags.command.dryRun && flags.command.quiet);
  auto several = ParseCommandLine({"info", "a.nltrack", "--chunks", "b.nltrack"});
  ASSERT_EQ(several.usageError, "");
  EXPECT_EQ(several.command.inputs.size(), 2u);
  EXPECT_TRUE(several.command.chunks);
  for (const auto& [view, expected] : {std::pair{"--view=top", cli::View::Top}, std::pair{"--view=front", cli::View::Front},
                                       std::pair{"--view=side", cli::View::Side}}) {
    auto render = ParseCommandLine({"render", "a.nltrack", view, "--flanges", "-o", "a.svg", "--force"});
    ASSERT_EQ(render.usageError, "") << view;
    EXPECT_EQ(render.command.kind, CommandKind::Render);
    EXPECT_EQ(render.command.view, expected);
    EXPECT_TRUE(render.command.flanges && render.command.force);
  }
  // The side view shows the vertical tubes, which are most of a structure.
  EXPECT_EQ(ParseCommandLine({"render", "a.nltrack", "-o", "a.SVG"}).command.view, cli::View::Side);

  // "-" is standard input as a file and standard output as -o.
  auto piped = ParseCommandLine({"flange", "-", "-o", "-"});
  ASSERT_EQ(piped.usageError, "");
  EXPECT_EQ(piped.command.inputs, std::vector<std::string>{"-"});
  EXPECT_EQ(piped.command.output.value_or(""), "-");

  // After "--" everything is a file, even what looks like an option.
  auto dashed = ParseCommandLine({"flange", "--", "-odd.nltrack", "--help"});
  ASSERT_EQ(dashed.usageError, "");
  EXPECT_EQ(dashed.command.inputs, (std::vector<std::string>{"-odd.nltrack", "--help"}));
}

TEST(ParseCommandLine, HelpAndVersionWinOverEverythingElse) {
  EXPECT_EQ(ParseCommandLine({"--help"}).command.kind, CommandKind::Help);
  EXPECT_EQ(ParseCommandLine({"-h"}).command.kind, CommandKind::Help);
  EXPECT_EQ(ParseCommandLine({"help"}).command.kind, CommandKind::Help);
  EXPECT_EQ(ParseCommandLine({"flange", "--bogus", "--help"}).command.kind, CommandKind::Help);
  EXPECT_EQ(ParseCommandLine({"--version"}).command.kind, CommandKind::Version);
  EXPECT_EQ(ParseCommandLine({"-v"}).command.kind, CommandKind::Version);
  EXPECT_EQ(ParseCommandLine({"info", "--version"}).usageError, "");
}

TEST(ParseCommandLine, RefusesWhatDoesNotFormACommand) {
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {"flatten", "a.nltrack"},
      {"flange"},
      {"flange", "a.nltrack", "-o"},
      {"flange", "a.nltrack", "--output="},
      {"flange", "a.nltrack", "-o", "x", "-o", "y"},
      {"flange", "a.nltrack", "--json"},
      {"flange", "a.nltrack", "-x"},
      {"resave", "a.nltrack"},
      {"resave", "a.nltrack", "b.nltrack", "-o", "out"},
      {"info"},
      {"info", "a.nltrack", "-o", "out"},
      {"info", "a.nltrack", "--dry-run"},
      {"info", "a.nltrack", "--quiet"},
      {"resave", "a.nltrack", "-o", "out", "--chunks"},
      {"render", "a.nltrack"},
      {"render", "a.nltrack", "b.nltrack", "-o", "out.svg"},
      {"render", "a.nltrack", "-o", "out.svg", "--view", "up"},
      {"render", "a.nltrack", "-o", "out.svg", "--view"},
      {"flange", "a.nltrack", "--view", "top"},
      {"flange", "a.nltrack", "--flanges"},
      {"render", "a.nltrack", "-o", "a.png"},   // SVG only
      {"render", "a.nltrack", "-o", ".svg"},
      {"info", "-", "-"},                      // standard input can be read once
      {"flange", "-"},                         // no name to write it beside
      {"flange", "a.nltrack", "b.nltrack", "-o", "-"},
  };
  for (const auto& args : wrong) {
    std::string joined;
    for (const auto& arg : args) joined += arg + " ";
    EXPECT_NE(ParseCommandLine(args).usageError, "") << joined;
  }
}

TEST(RunCli, UsageErrorsExitWithTwoAndSayWhatIsWrong) {
  const clitesting::Run run = clitesting::RunTool({"flange"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "tarnwick-cli: flange needs at least one input file\nTry 'tarnwick-cli --help' for more information.\n");
  EXPECT_EQ(clitesting::RunTool({}).status, 2);
  EXPECT_EQ(clitesting::RunTool({"info", "a.nltrack", "--color"}).status, 2);

  // A picture is SVG; the tool says how to make another format of it.
  const clitesting::Run png = clitesting::RunTool({"render", "demo.nltrack", "-o", "pic.png"});
  EXPECT_EQ(png.status, 2);
  EXPECT_EQ(png.err.rfind("tarnwick-cli: render draws SVG pictures; name the output NAME.svg, or - for standard "
                          "output (rsvg-convert NAME.svg -o NAME.png makes a PNG of it)\n",
                          0),
            0u)
      << png.err;
}

TEST(RunCli, PrintsHelpAndVersionOnStandardOutput) {
  const clitesting::Run help = clitesting::RunTool({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, cli::UsageText());
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(help.out.rfind("tarnwick-cli - ", 0), 0u);
  for (const char* part : {"\nUsage: tarnwick-cli COMMAND", "\nCommands:\n", "\n  flange INPUT...", "\n  render INPUT -o OUTPUT.svg",
                           "\nOptions:\n", "--force", "--quiet", "--dry-run", "--chunks", "--view", "--flanges",
                           "-v, --version", "\nExit status:\n"}) {
    EXPECT_NE(help.out.find(part), std::string::npos) << part;
  }

  const clitesting::Run version = clitesting::RunTool({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("tarnwick-cli ") + TARNWICK_VERSION + "\n");
}

TEST(RunCli, OutputThatCannotBeWrittenIsAFailure) {
  std::ostringstream out, err;
  out.setstate(std::ios::badbit);
  EXPECT_EQ(cli::RunCli({"--version"}, out, err), 1);
  EXPECT_EQ(err.str(), "tarnwick-cli: the output could not be written\n");
}

}  // namespace
