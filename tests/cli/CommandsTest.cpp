// The tool's commands on files in a scratch folder: what they write, what
// they print, and what they leave alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <utility>

#include <nlohmann/json.hpp>

#include "CliTesting.h"
#include "TrackBuilder.h"
#include "TrackTesting.h"
#include "cli/SupportPicture.h"
#include "supports/FlangeGenerator.h"

namespace {

using clitesting::AsText;
using clitesting::RunTool;
using nlohmann::ordered_json;
using trackbuilder::ReadFile;
using trackbuilder::WriteFile;
using tracktesting::ScratchFolder;

// The sample track's file, and what flanging it must give: the library's
// flanges written by the independent builder.
std::vector<uint8_t> SampleFile() { return trackbuilder::CanonicalFile(trackbuilder::SampleDocument()); }
std::vector<uint8_t> FlangedSampleFile() {
  trackio::TrackDocument doc = trackbuilder::SampleDocument();
  supports::AddFlanges(doc);
  return trackbuilder::CanonicalFile(doc);
}
constexpr const char* kSampleFigures = ": 4 tubes got 10 flanges\n";

// Where the first chunk tagged `tag` (as written) begins in the file `chunk`
// makes: reckoned from the builder's tree, not by the load walk under test.
int64_t OffsetOf(const trackbuilder::Chunk& chunk, const std::string& tag, int64_t at = 0) {
  if (chunk.tag == tag) return at;
  if (!chunk.verbatim.empty()) return -1;
  at += 8 + static_cast<int64_t>(chunk.body.size()) + 4;  // tag, size, body, sub-chunk count
  for (const trackbuilder::Chunk& child : chunk.children) {
    if (const int64_t found = OffsetOf(child, tag, at); found >= 0) return found;
    at += static_cast<int64_t>(child.Serialize().size());
  }
  return -1;
}

// The tags of the tree's chunks in file order.
void CollectTags(const trackbuilder::Chunk& chunk, std::vector<std::string>& tags) {
  tags.push_back(chunk.tag);
  for (const trackbuilder::Chunk& child : chunk.children) CollectTags(child, tags);
}

// Where the sample file's tube count stands.
int64_t SampleTubeCountOffset() {
  static const int64_t offset = OffsetOf(trackbuilder::CanonicalTree(trackbuilder::SampleDocument()), "TUBE") + 24;
  return offset;
}

// The sample file with its tube count made negative, and the sentence that
// says so.
std::vector<uint8_t> DamagedFile() {
  std::vector<uint8_t> bytes = SampleFile();
  bytes[static_cast<size_t>(SampleTubeCountOffset())] = 0xFF;
  return bytes;
}
std::string DamagedFileReason() {
  return "damaged track file: the TUBE chunk at byte " + std::to_string(SampleTubeCountOffset() - 24) +
         " gives a negative tube count (" + std::to_string(tracktesting::LongAt(DamagedFile(), SampleTubeCountOffset())) +
         ")";
}

// A track whose flanges no track file could hold: 700 tubes of 327,000 units
// get 32,701 flanges each, 104 bytes apiece, more than 2 GiB in all. (Of
// type 2, which is no flange's type, so that nothing has to be looked up.)
std::vector<uint8_t> OverflowingFile() {
  trackio::TrackDocument doc = trackbuilder::EmptyDocument();
  doc.FreeNodes = {trackbuilder::Point(0, 0, 0), trackbuilder::Point(327000, 0, 0)};
  doc.Tubes.assign(700, trackbuilder::TubeBetween(trackio::kEndTypeFreeNode, 0, trackio::kEndTypeFreeNode, 1, 2));
  return trackbuilder::CanonicalFile(doc);
}

TEST(FlangeCommand, WritesTheFlangedTrackBesideItsInputAndLeavesTheInputAlone) {
  ScratchFolder folder;
  const std::string input = folder.File("coaster.nltrack");
  ASSERT_TRUE(WriteFile(input, SampleFile()));

  const clitesting::Run run = RunTool({"flange", input});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, "Wrote " + folder.File("coaster-flanged.nltrack") + kSampleFigures);
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"coaster-flanged.nltrack", "coaster.nltrack"}));
  EXPECT_EQ(ReadFile(input), SampleFile());
  EXPECT_EQ(ReadFile(folder.File("coaster-flanged.nltrack")), FlangedSampleFile());
}

TEST(FlangeCommand, WritesWhereOutputSaysAddingTheExtensionWhenMissing) {
  ScratchFolder folder;
  const std::string input = folder.File("coaster.NLTRACK");
  ASSERT_TRUE(WriteFile(input, SampleFile()));

  const clitesting::Run run = RunTool({"flange", input, "-o", folder.File("out")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Wrote " + folder.File("out.nltrack") + kSampleFigures);
  EXPECT_EQ(ReadFile(folder.File("out.nltrack")), FlangedSampleFile());

  // -o may name the input itself: then, and only then, it is replaced, and
  // only with --force.
  EXPECT_EQ(RunTool({"flange", input, "-o", input}).status, 1);
  EXPECT_EQ(ReadFile(input), SampleFile());
  EXPECT_EQ(RunTool({"flange", input, "-o", input, "--force"}).status, 0);
  EXPECT_EQ(ReadFile(input), FlangedSampleFile());
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"coaster.NLTRACK", "out.nltrack"}));
}

TEST(FlangeCommand, GoesOnAfterAFileThatFailsAndExitsWithOne) {
  ScratchFolder folder;
  ASSERT_TRUE(WriteFile(folder.File("a.nltrack"), SampleFile()));
  ASSERT_TRUE(WriteFile(folder.File("broken.nltrack"), DamagedFile()));
  ASSERT_TRUE(WriteFile(folder.File("c.nltrack"), SampleFile()));

  const clitesting::Run run = RunTool({"flange", folder.File("a.nltrack"), folder.File("broken.nltrack"),
                                       folder.File("missing.nltrack"), folder.File("c.nltrack")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Wrote " + folder.File("a-flanged.nltrack") + kSampleFigures + "Wrote " +
                         folder.File("c-flanged.nltrack") + kSampleFigures + "4 files: 2 written, 2 failed\n");
  EXPECT_EQ(run.err, "tarnwick-cli: " + folder.File("broken.nltrack") + ": " + DamagedFileReason() +
                         "\ntarnwick-cli: " + folder.File("missing.nltrack") + ": no such file\n");
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"a-flanged.nltrack", "a.nltrack", "broken.nltrack",
                                                        "c-flanged.nltrack", "c.nltrack"}));
}

TEST(FlangeCommand, NeverReplacesAnotherInputOfTheSameRun) {
  // Run twice over all tracks in a folder: the second run meets a and its
  // earlier output a-flanged side by side.
  ScratchFolder folder;
  ASSERT_TRUE(WriteFile(folder.File("a.nltrack"), SampleFile()));
  ASSERT_EQ(RunTool({"flange", folder.File("a.nltrack")}).status, 0);

  const clitesting::Run run =
      RunTool({"flange", folder.File("a.nltrack"), folder.File("a-flanged.nltrack"), "--force"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "tarnwick-cli: " + folder.File("a-flanged.nltrack") +
                         ": it is an input or an output of this run; not replaced\n");
  EXPECT_EQ(ReadFile(folder.File("a-flanged.nltrack")), FlangedSampleFile());
  EXPECT_EQ(folder.Entries(),
            (std::vector<std::string>{"a-flanged-flanged.nltrack", "a-flanged.nltrack", "a.nltrack"}));
}

TEST(LoadFailures, EveryCommandGivesThePlainReasonAndWritesNothing) {
  ScratchFolder folder;
  ASSERT_TRUE(WriteFile(folder.File("broken.nltrack"), DamagedFile()));
  ASSERT_TRUE(WriteFile(folder.File("notes.txt"), SampleFile()));
  ASSERT_TRUE(WriteFile(folder.File("empty.nltrack"), {}));
  ASSERT_TRUE(WriteFile(folder.File("riff.nltrack"), {'R', 'I', 'F', 'F', 0, 0, 0, 4, 'W', 'A', 'V', 'E'}));
  std::filesystem::create_directory(folder.File("folder.nltrack"));
  const std::vector<std::string> before = folder.Entries();

  struct Case {
    const char* name;
    std::string reason;  // the whole sentence
  };
  const Case cases[] = {
      {"broken.nltrack", DamagedFileReason()},
      {"riff.nltrack", "not a track file (it does not begin with an NLIM chunk)"},
      {"notes.txt", "not a track file (the name does not end in .nltrack)"},
      {"empty.nltrack", "the file is empty"},
      {"folder.nltrack", "is a folder"},
      {"missing.nltrack", "no such file"},
  };
  for (const Case& c : cases) {
    const std::string input = folder.File(c.name);
    for (const auto& args : {std::vector<std::string>{"flange", input},
                             std::vector<std::string>{"flange", input, "--dry-run"},
                             std::vector<std::string>{"resave", input, "-o", folder.File("out")},
                             std::vector<std::string>{"render", input, "-o", folder.File("out.svg"), "--flanges"},
                             std::vector<std::string>{"info", input}, std::vector<std::string>{"info", input, "--json"}}) {
      SCOPED_TRACE(args[0] + " " + c.name);
      const clitesting::Run run = RunTool(args);
      EXPECT_EQ(run.status, 1);
      // One line: the program, the file, then the reason in plain words.
      EXPECT_EQ(run.err, "tarnwick-cli: " + input + ": " + c.reason + "\n");
      if (args.back() == "--json") {
        // For a script, the same as an entry of its own.
        EXPECT_EQ(ordered_json::parse(run.out), (ordered_json{{"file", input}, {"error", c.reason}}));
      } else {
        EXPECT_EQ(run.out, "");
      }
      EXPECT_EQ(folder.Entries(), before);
    }
  }
}

TEST(LoadWarnings, ATrackShorterThanItsHeaderSaysIsNamedByFlangeResaveAndInfo) {
  // Cut to 31 bytes, the sample still loads (as an empty track: its count of
  // chunks falls on the forgiven final byte), but its header promises more.
  ScratchFolder folder;
  std::vector<uint8_t> cut = SampleFile();
  const int64_t promised = static_cast<int64_t>(cut.size());
  cut.resize(31);
  const std::string input = folder.File("cut.nltrack");
  ASSERT_TRUE(WriteFile(input, cut));
  ASSERT_GT(promised, 1000);
  const std::string thousands = std::to_string(promised / 1000) + "," + std::to_string(promised % 1000 + 1000).substr(1);
  const std::string warning = "tarnwick-cli: warning: " + input + " is 31 bytes, but its header says " + thousands +
                              ": it may have been cut short\n";
  for (const auto& args : {std::vector<std::string>{"flange", input, "-o", folder.File("f")},
                           std::vector<std::string>{"resave", input, "-o", folder.File("r")},
                           std::vector<std::string>{"render", input, "-o", folder.File("r.svg")},
                           std::vector<std::string>{"info", input}}) {
    SCOPED_TRACE(args[0]);
    const clitesting::Run run = RunTool(args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, warning);
  }
  // A whole file, and one with bytes after its last chunk, give no warning.
  std::vector<uint8_t> longer = SampleFile();
  longer.push_back(0);
  ASSERT_TRUE(WriteFile(folder.File("longer.nltrack"), longer));
  EXPECT_EQ(RunTool({"info", folder.File("longer.nltrack")}).err, "");
}

// ---- which files may be written ----------------------------------------------

// A folder described as entries: "NAME" (any content), "NAME=sample" (the
// sample track), "NAME=flanged" (it flanged), "NAME=old" (the bytes "old"),
// "NAME/" (a folder). Names may hold one folder level: "out/a.nltrack".
struct Entry {
  std::string name, content;
};
Entry ParseEntry(const std::string& text) {
  const size_t equals = text.find('=');
  return equals == std::string::npos ? Entry{text, ""} : Entry{text.substr(0, equals), text.substr(equals + 1)};
}
const std::vector<uint8_t> kOldBytes = {'o', 'l', 'd'};

std::vector<uint8_t> ContentBytes(const std::string& content) {
  if (content == "sample") return SampleFile();
  if (content == "flanged") return FlangedSampleFile();
  if (content == "overflowing") return OverflowingFile();
  return kOldBytes;
}

// Every file and folder below `root`, relative, folders with a final '/'.
std::vector<std::string> AllEntries(const std::string& root) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    names.push_back(std::filesystem::relative(entry.path(), root).generic_string() + (entry.is_directory() ? "/" : ""));
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A message with its paths as a user reads them: on Windows '\' and '/'
// separate the same folders, and the tool joins a folder and a name with '\'.
std::string WithForwardSlashes(std::string text) {
#ifdef _WIN32
  std::replace(text.begin(), text.end(), '\\', '/');
#endif
  return text;
}

TEST(OutputFiles, AreWrittenOnlyWhereAndWhenTheyMayBe) {
  struct Case {
    const char* what;
    std::vector<std::string> before;
    std::vector<std::string> args;  // "@" stands for the scratch folder
    int status;
    std::string out, err;           // "@" as in args
    std::vector<std::string> after;
  };
  const std::string got10 = ": 4 tubes got 10 flanges\n";
  const std::string exists = " already exists; use --force to replace it\n";
  const Case cases[] = {
      {"an existing output is kept, the other inputs are still done",
       {"a.nltrack=sample", "b.nltrack=sample", "a-flanged.nltrack=old"},
       {"flange", "@/a.nltrack", "@/b.nltrack"}, 1,
       "Wrote @/b-flanged.nltrack" + got10 + "2 files: 1 written, 1 failed\n", "tarnwick-cli: @/a-flanged.nltrack" + exists,
       {"a-flanged.nltrack=old", "a.nltrack=sample", "b-flanged.nltrack=flanged", "b.nltrack=sample"}},
      {"--force replaces it",
       {"a.nltrack=sample", "a-flanged.nltrack=old"}, {"flange", "--force", "@/a.nltrack"}, 0,
       "Wrote @/a-flanged.nltrack" + got10, "", {"a-flanged.nltrack=flanged", "a.nltrack=sample"}},
      {"-o names a folder, with a final separator",
       {"a.nltrack=sample", "b.nltrack=sample", "out/"}, {"flange", "@/a.nltrack", "@/b.nltrack", "-o", "@/out/"}, 0,
       "Wrote @/out/a-flanged.nltrack" + got10 + "Wrote @/out/b-flanged.nltrack" + got10 + "2 files: 2 written, 0 failed\n", "",
       {"a.nltrack", "b.nltrack", "out/", "out/a-flanged.nltrack=flanged", "out/b-flanged.nltrack=flanged"}},
      {"-o names a folder, without a final separator",
       {"a.nltrack=sample", "out/"}, {"flange", "@/a.nltrack", "-o", "@/out"}, 0,
       "Wrote @/out/a-flanged.nltrack" + got10, "", {"a.nltrack", "out/", "out/a-flanged.nltrack=flanged"}},
      {"-o names a folder that is not there: no hidden file",
       {"a.nltrack=sample"}, {"flange", "@/a.nltrack", "-o", "@/none/"}, 1,
       "", "tarnwick-cli: @/none/: no such folder\n", {"a.nltrack"}},
      {"the same with several inputs, said once",
       {"a.nltrack=sample", "b.nltrack=sample"}, {"flange", "@/a.nltrack", "@/b.nltrack", "-o", "@/none/", "--dry-run"}, 1,
       "", "tarnwick-cli: @/none/: no such folder\n", {"a.nltrack", "b.nltrack"}},
      {"-o names a file in a folder that is not there",
       {"a.nltrack=sample"}, {"resave", "@/a.nltrack", "-o", "@/none/out"}, 1,
       "", "tarnwick-cli: @/none/: no such folder\n", {"a.nltrack"}},
      {"render into a folder that is not there",
       {"a.nltrack=sample"}, {"render", "@/a.nltrack", "-o", "@/none/a.svg"}, 1,
       "", "tarnwick-cli: @/none/: no such folder\n", {"a.nltrack"}},
      {"-o names something without .nltrack that exists: nothing is written beside it",
       {"a.nltrack=sample", "out=old"}, {"flange", "@/a.nltrack", "-o", "@/out", "--force"}, 1,
       "", "tarnwick-cli: @/out: exists, and its name does not end in .nltrack; name the output NAME.nltrack, or - for "
           "standard output\n", {"a.nltrack", "out=old"}},
      {"-o names only an extension",
       {"a.nltrack=sample"}, {"resave", "@/a.nltrack", "-o", "@/.NLTRACK"}, 1,
       "", "tarnwick-cli: @/.NLTRACK: the file has no name (only an extension); name the output file\n", {"a.nltrack"}},
      {"a track whose flanges no file could hold is refused",
       {"big.nltrack=overflowing"}, {"flange", "@/big.nltrack"}, 1,
       "", "tarnwick-cli: @/big.nltrack: the flanged track would be larger than a track file can hold (22890700 "
           "flanges)\n", {"big.nltrack"}},
      {"a dry run refuses it the same way",
       {"big.nltrack=overflowing"}, {"flange", "@/big.nltrack", "--dry-run"}, 1,
       "", "tarnwick-cli: @/big.nltrack: the flanged track would be larger than a track file can hold (22890700 "
           "flanges)\n", {"big.nltrack"}},
      {"a dry run refuses an output that exists",
       {"a.nltrack=sample", "a-flanged.nltrack=old"}, {"flange", "@/a.nltrack", "--dry-run"}, 1,
       "", "tarnwick-cli: @/a-flanged.nltrack" + exists, {"a-flanged.nltrack=old", "a.nltrack"}},
      {"a dry run writes nothing",
       {"a.nltrack=sample", "f.nltrack=flanged"}, {"flange", "--dry-run", "@/a.nltrack", "@/f.nltrack"}, 0,
       "Would write @/a-flanged.nltrack: 4 tubes would get 10 flanges\n"
       "Would write @/f-flanged.nltrack: 0 tubes would get 0 flanges, 10 flanges already there\n"
       "2 files: 2 would be written, 0 failed\n", "", {"a.nltrack", "f.nltrack"}},
      {"a flanged track flanged again is the same bytes",
       {"f.nltrack=flanged"}, {"flange", "@/f.nltrack", "-o", "@/g"}, 0,
       "Wrote @/g.nltrack: 0 tubes got 0 flanges, 10 flanges already there\n", "", {"f.nltrack", "g.nltrack=flanged"}},
      {"--quiet keeps only the errors",
       {"a.nltrack=sample", "b.nltrack=sample", "a-flanged.nltrack=old"}, {"flange", "-q", "@/a.nltrack", "@/b.nltrack"}, 1,
       "", "tarnwick-cli: @/a-flanged.nltrack" + exists, {"a-flanged.nltrack=old", "a.nltrack", "b-flanged.nltrack=flanged", "b.nltrack"}},
      {"resave keeps an existing file",
       {"a.nltrack=sample", "c.nltrack=old"}, {"resave", "@/a.nltrack", "-o", "@/c"}, 1,
       "", "tarnwick-cli: @/c.nltrack" + exists, {"a.nltrack", "c.nltrack=old"}},
      {"render keeps an existing file",
       {"a.nltrack=sample", "a.svg=old"}, {"render", "@/a.nltrack", "-o", "@/a.svg"}, 1,
       "", "tarnwick-cli: @/a.svg" + exists, {"a.nltrack", "a.svg=old"}},
      {"render never replaces the track it draws",
       {"a.svg=sample"}, {"render", "@/a.svg", "-o", "@/a.svg", "-f"}, 1,
       "", "tarnwick-cli: @/a.svg: it is the track being drawn; not replaced\n", {"a.svg=sample"}},
      {"render replaces it with --force",
       {"a.nltrack=sample", "a.svg=old"}, {"render", "@/a.nltrack", "-o", "@/a.svg", "-f", "-q"}, 0,
       "", "", {"a.nltrack", "a.svg"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    auto place = [&folder](std::string text) {
      for (size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, folder.path());
      return text;
    };
    for (const std::string& text : c.before) {
      const Entry entry = ParseEntry(text);
      if (entry.name.back() == '/') {
        std::filesystem::create_directory(folder.File(entry.name));
      } else {
        ASSERT_TRUE(WriteFile(folder.File(entry.name), ContentBytes(entry.content)));
      }
    }
    std::vector<std::string> args;
    for (const std::string& arg : c.args) args.push_back(place(arg));

    const clitesting::Run run = RunTool(args);
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(WithForwardSlashes(run.out), WithForwardSlashes(place(c.out)));
    EXPECT_EQ(WithForwardSlashes(run.err), WithForwardSlashes(place(c.err)));
    std::vector<std::string> names;
    for (const std::string& text : c.after) {
      const Entry entry = ParseEntry(text);
      names.push_back(entry.name);
      if (!entry.content.empty()) {
        EXPECT_EQ(ReadFile(folder.File(entry.name)), ContentBytes(entry.content)) << entry.name;
      }
    }
    EXPECT_EQ(AllEntries(folder.path()), names);
  }
}

TEST(RenderCommand, LeavesOutPointsThatAreNotNumbersAndEscapesTheName) {
  ScratchFolder folder;
  trackio::TrackDocument doc = trackbuilder::SampleDocument();
  doc.Footers[0].Position.x = trackio::Single::FromFloat(std::numeric_limits<float>::quiet_NaN());
  doc.FreeNodes[1].y = trackio::Single::FromFloat(-std::numeric_limits<float>::infinity());
  // Markup characters that Windows allows in a file name, a byte that is not
  // UTF-8, and elsewhere U+FFFE, which is UTF-8 but no XML character.
#ifdef _WIN32
  const std::string input = folder.File("odd & 'name' \xFF.nltrack");
#else
  const std::string input = folder.File("odd & 'name' \xFF\xEF\xBF\xBE.nltrack");
#endif
  ASSERT_TRUE(WriteFile(input, trackbuilder::CanonicalFile(doc)));

  const clitesting::Run run = RunTool({"render", input, "-o", folder.File("odd.svg"), "--flanges", "--view", "side"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.rfind("Wrote " + folder.File("odd.svg") + ": 2 footers, ", 0), 0u) << run.out;
  const std::string picture = AsText(ReadFile(folder.File("odd.svg")));
  EXPECT_EQ(clitesting::XmlProblem(picture), "");
  const std::string replaced = "\xEF\xBF\xBD";  // U+FFFD
  EXPECT_NE(picture.find(">odd &amp; &apos;name&apos; " + replaced), std::string::npos) << picture;
  EXPECT_EQ(picture.find("\xEF\xBF\xBE"), std::string::npos);
  for (const char* notANumber : {"nan", "inf", "NAN", "INF"}) EXPECT_EQ(picture.find(notANumber), std::string::npos);

  // Names in the picture: markup escaped; control characters, characters XML
  // does not allow and anything that is not UTF-8 replaced, each by U+FFFD.
  const std::pair<std::string, std::string> names[] = {
      {"a&b", "a&amp;b"},
      {"<\"'>", "&lt;&quot;&apos;&gt;"},
      {"tab\tbell\x07 line\n", "tab\tbell" + replaced + " line" + replaced},
      {"\x7F\xC2\x85", replaced + replaced},                       // DEL and U+0085, control characters too
      {"\xEF\xBF\xBE\xEF\xBF\xBF", replaced + replaced},          // U+FFFE and U+FFFF
      {"\xEF\xBF\xBD\xEF\xB7\x90\xF0\x9F\x8E\xA2", "\xEF\xBF\xBD\xEF\xB7\x90\xF0\x9F\x8E\xA2"},  // allowed: U+FFFD, U+FDD0, U+1F3A2
      {"\xE6\x97\xA5\xE6\x9C\xAC", "\xE6\x97\xA5\xE6\x9C\xAC"},
      {"\xC0\xAF", replaced + replaced},                  // overlong '/'
      {"\xED\xA0\x80", replaced + replaced + replaced},   // a surrogate
      {"\xF4\x90\x80\x80", replaced + replaced + replaced + replaced},  // beyond U+10FFFF
      {"\xE2\x82", replaced + replaced},                  // cut short
  };
  for (const auto& [name, shown] : names) EXPECT_EQ(cli::XmlText(name), shown) << name;
}

TEST(ResaveCommand, WritesTheNormalisedTrack) {
  ScratchFolder folder;
  const trackbuilder::Noise noise{0xAB, 7, 0x5C};
  ASSERT_TRUE(WriteFile(folder.File("noisy.nltrack"), trackbuilder::CanonicalFile(trackbuilder::SampleDocument(), noise)));

  const clitesting::Run run =
      RunTool({"resave", folder.File("noisy.nltrack"), "-o", folder.File("clean"), "--normalise"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Wrote " + folder.File("clean.nltrack") + "\n");
  EXPECT_EQ(ReadFile(folder.File("clean.nltrack")), SampleFile());
}

TEST(StandardStreams, CarryTracksInAndTracksAndPicturesOut) {
  ScratchFolder folder;
  ASSERT_TRUE(WriteFile(folder.File("a.nltrack"), SampleFile()));
  const std::string sample = AsText(SampleFile()), flanged = AsText(FlangedSampleFile());
  const std::string noisy = AsText(trackbuilder::CanonicalFile(trackbuilder::SampleDocument(), {0xAB, 7, 0x5C}));
  // The report goes to standard error when standard output carries the track.
  const std::string wrote = "Wrote standard output: 4 tubes got 10 flanges\n";
  const struct {
    std::vector<std::string> args;  // "{}" stands for the scratch folder
    std::string in;
    int status;
    std::string out, err;
  } cases[] = {
      {{"flange", "-", "-o", "-"}, sample, 0, flanged, wrote},
      {{"flange", "-", "-o", "-", "-q"}, sample, 0, flanged, ""},
      {{"flange", "{}/a.nltrack", "-o", "-"}, "", 0, flanged, wrote},
      {{"flange", "-", "-o", "{}/b"}, sample, 0, "Wrote {}/b.nltrack: 4 tubes got 10 flanges\n", ""},
      {{"flange", "-", "-o", "-", "--dry-run"}, sample, 0, "Would write standard output: 4 tubes would get 10 flanges\n", ""},
      {{"resave", "-", "-o", "-", "--normalise"}, noisy, 0, sample, "Wrote standard output\n"},
      {{"flange", "-", "-o", "-"}, AsText(DamagedFile()), 1, "", "tarnwick-cli: standard input: " + DamagedFileReason() + "\n"},
      {{"info", "-"}, "", 1, "", "tarnwick-cli: standard input: the file is empty\n"},
  };
  // Not @, which the tracks' own bytes may hold.
  const auto place = [&folder](std::string text) {
    for (size_t at; (at = text.find("{}")) != std::string::npos;) text.replace(at, 2, folder.path());
    return text;
  };
  for (const auto& one : cases) {
    std::vector<std::string> args;
    std::string joined;
    for (const std::string& arg : one.args) {
      args.push_back(place(arg));
      joined += arg + " ";
    }
    SCOPED_TRACE(joined);
    const clitesting::Run run = RunTool(args, one.in);
    EXPECT_EQ(run.status, one.status);
    EXPECT_EQ(run.out, place(one.out));
    EXPECT_EQ(run.err, place(one.err));
  }
  EXPECT_EQ(ReadFile(folder.File("b.nltrack")), FlangedSampleFile());

  EXPECT_EQ(RunTool({"info", "-"}, sample).out.rfind("standard input\n\nTables:\n", 0), 0u);
  const clitesting::Run picture = RunTool({"render", "-", "-o", "-", "--flanges"}, sample);
  EXPECT_EQ(picture.status, 0) << picture.err;
  EXPECT_EQ(clitesting::XmlProblem(picture.out), "");
  EXPECT_NE(picture.out.find("<title>standard input: supports, side view</title>"), std::string::npos);
  EXPECT_EQ(picture.err.rfind("Wrote standard output: ", 0), 0u) << picture.err;
}

// The sample track as a later version of its program might save it: every
// byte the tool does not interpret in use, and a part of an unknown kind at
// every place of the tree (29 of them).
trackbuilder::Chunk LaterVersionTree() {
  trackio::TrackDocument doc = trackbuilder::Noisy(trackbuilder::SampleDocument(), {0x31, 1, 0xFF});
  doc.NlimVersion2 = 6;
  return trackbuilder::CanonicalTree(trackbuilder::WithUnknownChunksEverywhere(doc));
}
std::vector<uint8_t> LaterVersionFile() { return LaterVersionTree().Serialize(); }

TEST(SaveForms, OnlyTheFlangesAreNewAndNormalisingGivesTheFormerBytes) {
  ScratchFolder folder;
  const std::string later = folder.File("later.nltrack");
  const std::vector<uint8_t> laterBytes = LaterVersionFile();
  ASSERT_TRUE(WriteFile(later, laterBytes));
  const std::string flanged = folder.File("flanged.nltrack");
  ASSERT_EQ(RunTool({"flange", later, "-o", flanged}).status, 0);
  const std::string leftOut = "note: left out 29 parts this tool does not know: U000, 16 bytes; ";

  const struct {
    const char* name;
    std::vector<std::string> args;  // OUT stands for the output
    std::vector<uint8_t> expected;
    const char* note;  // the start of what stderr says after the output's name
  } cases[] = {
      {"resave", {"resave", later, "-o", "OUT"}, laterBytes, ""},
      {"resave --normalise", {"resave", later, "-o", "OUT", "--normalise"}, SampleFile(), leftOut.c_str()},
      {"flange --normalise", {"flange", later, "-o", "OUT", "--normalise"}, FlangedSampleFile(), leftOut.c_str()},
      {"resave --normalise of the flanged file", {"resave", flanged, "-o", "OUT", "--normalise"},
       FlangedSampleFile(), leftOut.c_str()},
      {"resave of the flanged file", {"resave", flanged, "-o", "OUT"}, ReadFile(flanged), ""},
  };
  for (const auto& one : cases) {
    SCOPED_TRACE(one.name);
    const std::string out = folder.File("out.nltrack");
    std::vector<std::string> args = one.args;
    std::replace(args.begin(), args.end(), std::string("OUT"), out);
    args.push_back("--force");
    const clitesting::Run run = RunTool(args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(out), one.expected);
    if (*one.note == '\0') {
      EXPECT_EQ(run.err, "");
    } else {
      const std::string note = "tarnwick-cli: " + out + ": " + one.note;
      EXPECT_EQ(run.err.substr(0, note.size()), note);
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "one line: " << run.err;
    }
  }
}

TEST(SaveForms, FlangingChangesNothingButWhatTheFlangesNeed) {
  // Taking the appended free nodes and tubes out of the flanged file again
  // must leave the input, but for the two counts and the size fields of the
  // chunks that hold them; the appended records' reserved bytes are zero.
  ScratchFolder folder;
  const trackbuilder::Chunk tree = LaterVersionTree();
  const std::vector<uint8_t> before = tree.Serialize();
  ASSERT_TRUE(WriteFile(folder.File("later.nltrack"), before));
  const clitesting::Run run = RunTool({"flange", folder.File("later.nltrack"), "-o", folder.File("out")});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  std::vector<uint8_t> after = ReadFile(folder.File("out.nltrack"));

  constexpr int64_t kFlanges = 10;
  ASSERT_EQ(after.size(), before.size() + kFlanges * (2 * 28 + 48));
  const int64_t fren = OffsetOf(tree, "FREN");
  const int64_t tube = OffsetOf(tree, "TUBE");
  const int64_t nodes = tracktesting::LongAt(before, fren + 24);
  const int64_t tubes = tracktesting::LongAt(before, tube + 24);
  auto takeOut = [&after](int64_t from, int64_t count, int64_t recordBytes, std::vector<int64_t> reserved) {
    const auto begin = after.begin() + from;
    for (int64_t record = 0; record < count; ++record) {
      for (int64_t at : reserved) {
        EXPECT_EQ(*(begin + record * recordBytes + at), 0) << "record " << record << ", byte " << at;
      }
    }
    after.erase(begin, begin + count * recordBytes);
  };
  std::vector<int64_t> tubeReserved, nodeReserved;
  for (int64_t at = 0; at < 4; ++at) tubeReserved.insert(tubeReserved.end(), {12 + at, 28 + at, 44 + at});
  for (int64_t at = 12; at < 28; ++at) nodeReserved.push_back(at);
  takeOut(tube + kFlanges * 56 + 28 + 48 * tubes, kFlanges, 48, tubeReserved);
  takeOut(fren + 28 + 28 * nodes, 2 * kFlanges, 28, nodeReserved);
  ASSERT_EQ(after.size(), before.size());

  std::vector<int64_t> changed;
  for (const char* tag : {"NLIM", "TRCK", "SUPP", "FREN", "TUBE"}) changed.push_back(OffsetOf(tree, tag) + 4);
  changed.insert(changed.end(), {fren + 24, tube + 24});
  for (size_t i = 0; i < before.size(); ++i) {
    if (after[i] == before[i]) continue;
    const auto at = static_cast<int64_t>(i);
    EXPECT_TRUE(std::any_of(changed.begin(), changed.end(), [at](int64_t field) { return at >= field && at < field + 4; }))
        << "byte " << i << " changed";
  }
  for (int64_t field : changed) EXPECT_NE(tracktesting::LongAt(after, field), tracktesting::LongAt(before, field));
}

TEST(SaveForms, PartsOutsideTheUsualNestingAreLeftOutWithANote) {
  // ENVC before SCEN: the parts are not nested the way a save writes them,
  // so the unknown one cannot be put back where it stood.
  ScratchFolder folder;
  trackbuilder::Chunk root = trackbuilder::CanonicalTree(trackbuilder::SampleDocument());
  std::swap(root.children[1], root.children[3]);
  root.children.insert(root.children.begin() + 1, trackbuilder::Chunk{"XTRA", {}, {}, {}, {}});
  const std::string input = folder.File("odd.nltrack");
  ASSERT_TRUE(WriteFile(input, root.Serialize()));
  const std::string out = folder.File("out.nltrack");

  const clitesting::Run run = RunTool({"resave", input, "-o", out});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadFile(out), SampleFile());
  EXPECT_EQ(run.err, "tarnwick-cli: " + out + ": note: left out 1 part this tool does not know: XTRA, 12 bytes\n");

  const clitesting::Run dry = RunTool({"flange", input, "-o", out, "--dry-run", "-f"});
  EXPECT_EQ(dry.err, "tarnwick-cli: " + out + ": note: would leave out 1 part this tool does not know: XTRA, 12 bytes\n");
  // -q keeps errors and warnings, and this note warns of something lost.
  const clitesting::Run quiet = RunTool({"flange", input, "-o", out, "-f", "-q"});
  EXPECT_EQ(quiet.out, "");
  EXPECT_EQ(quiet.err, "tarnwick-cli: " + out + ": note: left out 1 part this tool does not know: XTRA, 12 bytes\n");

  const clitesting::Run info = RunTool({"info", input});
  const std::string where = "XTRA at byte " + std::to_string(OffsetOf(root, "XTRA"));
  EXPECT_NE(info.out.find("Parts this tool does not know (a save leaves them out: the file's parts are not nested "
                          "the usual way):\n  " + where + " "),
            std::string::npos)
      << info.out;
}

// The sample track with a chunk of an unknown tag after the track chunk.
trackbuilder::Chunk TreeWithUnknownChunk() {
  trackbuilder::Chunk root = trackbuilder::CanonicalTree(trackbuilder::SampleDocument());
  trackbuilder::Chunk odd{std::string("Zq\x01!", 4), {}, {}, {}, {}};
  odd.body.Long(42);
  root.children.insert(root.children.begin() + 1, odd);
  return root;
}

TEST(InfoCommand, ListsChunksTablesTubesAndTheFlangesToCome) {
  ScratchFolder folder;
  const std::string input = folder.File("odd.nltrack");
  const trackbuilder::Chunk tree = TreeWithUnknownChunk();
  const std::vector<uint8_t> bytes = tree.Serialize();
  ASSERT_TRUE(WriteFile(input, bytes));

  EXPECT_EQ(RunTool({"info", input}).out.find("Chunks as found"), std::string::npos);
  const clitesting::Run run = RunTool({"info", input, "--chunks"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  auto has = [&run](const std::string& line) {
    EXPECT_NE(run.out.find(line + "\n"), std::string::npos) << "no line: " << line << "\n" << run.out;
  };
  auto chunkLine = [](const char* tag, int64_t offset, int32_t size, const char* subChunks) {
    char line[128];
    std::snprintf(line, sizeof line, "  %-8s%10lld%12d%12s", tag, static_cast<long long>(offset), size, subChunks);
    return std::string(line);
  };
  has(input);
  has("  tag         offset        size  sub-chunks");
  has(chunkLine("NLIM", 0, tracktesting::LongAt(bytes, 4), "5"));
  const int64_t oddOffset = OffsetOf(tree, std::string("Zq\x01!", 4));
  has(chunkLine("ZQ\\x01!", oddOffset, 8, "skipped"));
  has("Parts this tool does not know (a save keeps them; --normalise leaves them out):");
  char unknownLine[128];
  std::snprintf(unknownLine, sizeof unknownLine, "  %-30s%10s", ("ZQ\\x01! at byte " + std::to_string(oddOffset)).c_str(),
                "16 bytes");
  has(unknownLine);
  has("  tubes                                  8");
  has("  terrain                       3 x 2 cells");
  has("  type 0                                 3");
  has("  footer - free node                     4");
  has("  free node - other (type 3)             1");
  has("  (other: an end that is neither a footer nor a free node; its tube gets no flanges)");
  has("  tubes with flanges                     4");
  has("  flanges (2 free nodes each)           10");
  has("  flanges already there                  0");
  has("  tubes too long or damaged              0");

  // Of a damaged file, the chunks read whole before the damage.
  const std::string broken = folder.File("broken.nltrack");
  ASSERT_TRUE(WriteFile(broken, DamagedFile()));
  const clitesting::Run damaged = RunTool({"info", broken, "--chunks"});
  EXPECT_EQ(damaged.status, 1);
  EXPECT_EQ(damaged.err, "tarnwick-cli: " + broken + ": " + DamagedFileReason() + "\n");
  const trackbuilder::Chunk sample = trackbuilder::CanonicalTree(trackbuilder::SampleDocument());
  EXPECT_EQ(damaged.out.rfind(broken + "\n\nChunks read before the damage:\n  tag ", 0), 0u) << damaged.out;
  EXPECT_NE(damaged.out.find("\n" + chunkLine("FREN", OffsetOf(sample, "FREN"), tracktesting::LongAt(SampleFile(),
                                                                                                     OffsetOf(sample, "FREN") + 4),
                                               "0") + "\n"),
            std::string::npos)
      << damaged.out;
  EXPECT_EQ(damaged.out.find("TUBE"), std::string::npos) << damaged.out;
}

TEST(InfoCommand, GivesTheSameFiguresAsValidJsonWithAnEntryForEachFile) {
  ScratchFolder folder;
  const std::string input = folder.File("odd.nltrack");
  const trackbuilder::Chunk tree = TreeWithUnknownChunk();
  const std::vector<uint8_t> bytes = tree.Serialize();
  ASSERT_TRUE(WriteFile(input, bytes));

  const clitesting::Run run = RunTool({"info", input, "--json", "--chunks"});
  ASSERT_EQ(run.status, 0) << run.err;
  const ordered_json info = ordered_json::parse(run.out);

  EXPECT_EQ(info["file"], input);
  const ordered_json& chunks = info["chunks"];
  ASSERT_EQ(chunks.size(), 16u);  // NLIM, TRCK, the unknown one, … ENVC
  EXPECT_EQ(chunks[0], (ordered_json{{"tag", "NLIM"},
                                     {"offset", 0},
                                     {"storedSize", tracktesting::LongAt(bytes, 4)},
                                     {"subChunkCount", 5},
                                     {"skipped", false}}));
  const auto odd = std::find_if(chunks.begin(), chunks.end(), [](const ordered_json& c) { return c["skipped"] == true; });
  ASSERT_NE(odd, chunks.end());
  const int64_t oddOffset = OffsetOf(tree, std::string("Zq\x01!", 4));
  EXPECT_EQ(*odd, (ordered_json{{"tag", std::string("ZQ\x01!", 4)},
                                {"offset", oddOffset},
                                {"storedSize", 8},
                                {"subChunkCount", 0},
                                {"skipped", true}}));
  EXPECT_EQ(info["unknownChunks"],
            (ordered_json::array({{{"tag", std::string("ZQ\x01!", 4)}, {"offset", oddOffset}, {"bytes", 16}}})));
  EXPECT_EQ(info["unknownChunksKept"], true);

  EXPECT_EQ(info["tables"]["footers"], 3);
  EXPECT_EQ(info["tables"]["freeNodes"], 5);
  EXPECT_EQ(info["tables"]["tubes"], 8);
  EXPECT_EQ(info["tables"]["catwalks"], 3);
  EXPECT_EQ(info["terrain"], (ordered_json{{"columns", 3}, {"rows", 2}}));
  ASSERT_EQ(info["tubesByType"].size(), 6u);
  EXPECT_EQ(info["tubesByType"][0], (ordered_json{{"tubeType", 0}, {"tubes", 3}}));
  ASSERT_EQ(info["tubesByEndTypes"].size(), 3u);
  EXPECT_EQ(info["tubesByEndTypes"][0]["end1TypeName"], "footer");
  EXPECT_EQ(info["tubesByEndTypes"][2], (ordered_json{{"end1Type", 2},
                                                      {"end1TypeName", "free node"},
                                                      {"end2Type", 3},
                                                      {"end2TypeName", "other (type 3)"},
                                                      {"tubes", 1}}));
  EXPECT_EQ(info["flanges"], (ordered_json{{"tubesFlanged", 4},
                                           {"flangesAdded", 10},
                                           {"flangesAlreadyPresent", 0},
                                           {"tubesSkippedOutOfRange", 0}}));

  // Several files give an array, a file that failed an entry that says why,
  // with the chunks read before the damage when they were asked for.
  const std::string broken = folder.File("broken.nltrack");
  ASSERT_TRUE(WriteFile(broken, DamagedFile()));
  const clitesting::Run three = RunTool({"info", input, broken, folder.File("none.nltrack"), "--json"});
  EXPECT_EQ(three.status, 1);
  const ordered_json all = ordered_json::parse(three.out);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_FALSE(all[0].contains("chunks"));
  EXPECT_EQ(all[0]["flanges"]["flangesAdded"], 10);
  EXPECT_EQ(all[1], (ordered_json{{"file", broken}, {"error", DamagedFileReason()}}));
  EXPECT_EQ(all[2], (ordered_json{{"file", folder.File("none.nltrack")}, {"error", "no such file"}}));

  const ordered_json damaged = ordered_json::parse(RunTool({"info", broken, "--json", "--chunks"}).out);
  std::vector<std::string> tags;
  CollectTags(trackbuilder::CanonicalTree(trackbuilder::SampleDocument()), tags);
  tags.erase(std::find(tags.begin(), tags.end(), "TUBE"), tags.end());
  std::vector<std::string> listed;
  for (const ordered_json& chunk : damaged["chunks"]) listed.push_back(chunk["tag"]);
  EXPECT_EQ(listed, tags);
}

}  // namespace
