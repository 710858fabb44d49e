// The tool's commands on files in a scratch folder: what they write, what
// they print, and what they leave alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "CliTesting.h"
#include "JsonReader.h"
#include "TrackBuilder.h"
#include "TrackTesting.h"
#include "supports/FlangeGenerator.h"

namespace {

using clitesting::RunTool;
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
constexpr const char* kSampleFigures = ": 4 tubes got 10 flanges, 0 tubes skipped beyond range\n";

// The sample file with its tube count replaced by a negative one.
std::vector<uint8_t> DamagedFile(int64_t* tubeCountOffset) {
  std::vector<uint8_t> bytes = SampleFile();
  *tubeCountOffset = tracktesting::ChunkOffset(bytes, "TUBE") + 24;
  bytes[static_cast<size_t>(*tubeCountOffset)] = 0xFF;
  return bytes;
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

  // -o may name the input itself: then, and only then, it is replaced.
  EXPECT_EQ(RunTool({"flange", input, "-o", input}).status, 0);
  EXPECT_EQ(ReadFile(input), FlangedSampleFile());
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"coaster.NLTRACK", "out.nltrack"}));
}

TEST(FlangeCommand, GoesOnAfterAFileThatFailsAndExitsWithOne) {
  ScratchFolder folder;
  int64_t damageOffset = 0;
  ASSERT_TRUE(WriteFile(folder.File("a.nltrack"), SampleFile()));
  ASSERT_TRUE(WriteFile(folder.File("broken.nltrack"), DamagedFile(&damageOffset)));
  ASSERT_TRUE(WriteFile(folder.File("c.nltrack"), SampleFile()));

  const clitesting::Run run = RunTool({"flange", folder.File("a.nltrack"), folder.File("broken.nltrack"),
                                       folder.File("missing.nltrack"), folder.File("c.nltrack")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "Wrote " + folder.File("a-flanged.nltrack") + kSampleFigures + "Wrote " +
                         folder.File("c-flanged.nltrack") + kSampleFigures);
  const std::string brokenLine = "Error Loading Track File! " + folder.File("broken.nltrack") + ": ";
  ASSERT_EQ(run.err.rfind(brokenLine, 0), 0u) << run.err;
  const std::string reason = run.err.substr(brokenLine.size(), run.err.find('\n') - brokenLine.size());
  const int64_t tubeChunkOffset = damageOffset - 24;
  EXPECT_EQ(reason, "damaged track file: the TUBE chunk at byte " + std::to_string(tubeChunkOffset) +
                        " gives a negative tube count (" + std::to_string(tracktesting::LongAt(DamagedFile(&damageOffset),
                                                                                                damageOffset)) + ")");
  EXPECT_NE(run.err.find("Error Loading Track File! " + folder.File("missing.nltrack") + ": "), std::string::npos);
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"a-flanged.nltrack", "a.nltrack", "broken.nltrack",
                                                        "c-flanged.nltrack", "c.nltrack"}));
}

TEST(FlangeCommand, NeverReplacesAnotherInputOfTheSameRun) {
  // Run twice over all tracks in a folder: the second run meets a and its
  // earlier output a-flanged side by side.
  ScratchFolder folder;
  ASSERT_TRUE(WriteFile(folder.File("a.nltrack"), SampleFile()));
  ASSERT_EQ(RunTool({"flange", folder.File("a.nltrack")}).status, 0);

  const clitesting::Run run = RunTool({"flange", folder.File("a.nltrack"), folder.File("a-flanged.nltrack")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Error Saving Track File! " + folder.File("a-flanged.nltrack") +
                         ": it is an input or an output of this run; not replaced\n");
  EXPECT_EQ(ReadFile(folder.File("a-flanged.nltrack")), FlangedSampleFile());
  EXPECT_EQ(folder.Entries(),
            (std::vector<std::string>{"a-flanged-flanged.nltrack", "a-flanged.nltrack", "a.nltrack"}));
}

TEST(FlangeCommand, ReportsAFailedSaveAndWritesNothing) {
  ScratchFolder folder;
  ASSERT_TRUE(WriteFile(folder.File("a.nltrack"), SampleFile()));
  const std::string target = folder.File("no-such-folder/out.nltrack");
  const clitesting::Run run = RunTool({"flange", folder.File("a.nltrack"), "-o", target});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("Error Saving Track File! " + target + ": ", 0), 0u) << run.err;
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"a.nltrack"});
}

TEST(LoadFailures, EveryCommandReportsThemAndWritesNothing) {
  ScratchFolder folder;
  int64_t damageOffset = 0;
  ASSERT_TRUE(WriteFile(folder.File("broken.nltrack"), DamagedFile(&damageOffset)));
  ASSERT_TRUE(WriteFile(folder.File("notes.txt"), SampleFile()));
  ASSERT_TRUE(WriteFile(folder.File("empty.nltrack"), {}));
  const std::vector<std::string> before = folder.Entries();

  for (const char* name : {"broken.nltrack", "notes.txt", "empty.nltrack", "missing.nltrack"}) {
    const std::string input = folder.File(name);
    for (const auto& args : {std::vector<std::string>{"flange", input},
                             std::vector<std::string>{"resave", input, "-o", folder.File("out")},
                             std::vector<std::string>{"info", input}, std::vector<std::string>{"info", input, "--json"}}) {
      SCOPED_TRACE(args[0] + " " + name);
      const clitesting::Run run = RunTool(args);
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(run.err.rfind("Error Loading Track File! " + input + ": ", 0), 0u) << run.err;
      EXPECT_EQ(folder.Entries(), before);
    }
  }
}

TEST(ResaveCommand, WritesTheNormalisedTrack) {
  ScratchFolder folder;
  const trackbuilder::Noise noise{0xAB, 7, 0x5C};
  ASSERT_TRUE(WriteFile(folder.File("noisy.nltrack"), trackbuilder::CanonicalFile(trackbuilder::SampleDocument(), noise)));

  const clitesting::Run run = RunTool({"resave", folder.File("noisy.nltrack"), "-o", folder.File("clean")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Wrote " + folder.File("clean.nltrack") + "\n");
  EXPECT_EQ(ReadFile(folder.File("clean.nltrack")), SampleFile());
}

// The sample track with a chunk of an unknown tag after the track chunk.
std::vector<uint8_t> FileWithUnknownChunk() {
  trackbuilder::Chunk root = trackbuilder::CanonicalTree(trackbuilder::SampleDocument());
  trackbuilder::Chunk odd{std::string("Zq\x01!", 4), {}, {}, {}, {}};
  odd.body.Long(42);
  root.children.insert(root.children.begin() + 1, odd);
  return root.Serialize();
}

TEST(InfoCommand, ListsChunksTablesTubesAndTheFlangesToCome) {
  ScratchFolder folder;
  const std::string input = folder.File("odd.nltrack");
  ASSERT_TRUE(WriteFile(input, FileWithUnknownChunk()));

  const clitesting::Run run = RunTool({"info", input});
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
  const std::vector<uint8_t> bytes = FileWithUnknownChunk();
  has(input);
  has("  tag         offset        size  sub-chunks");
  has(chunkLine("NLIM", 0, tracktesting::LongAt(bytes, 4), "5"));
  const int64_t oddOffset = tracktesting::ChunkOffset(bytes, std::string("ZQ\x01!", 4));
  has(chunkLine("ZQ\\x01!", oddOffset, 8, "skipped"));
  has("  tubes                                  8");
  has("  terrain                       3 x 2 cells");
  has("  type 0                                 3");
  has("  footer - free node                     4");
  has("  free node - end type 3                 1");
  has("  tubes with flanges                     4");
  has("  flanges (2 free nodes each)           10");
  has("  tubes skipped, beyond range            0");
}

TEST(InfoCommand, GivesTheSameFiguresAsValidJson) {
  ScratchFolder folder;
  const std::string input = folder.File("odd.nltrack");
  const std::vector<uint8_t> bytes = FileWithUnknownChunk();
  ASSERT_TRUE(WriteFile(input, bytes));

  const clitesting::Run run = RunTool({"info", input, "--json"});
  ASSERT_EQ(run.status, 0) << run.err;
  std::string error;
  const auto parsed = jsonreader::ParseJson(run.out, &error);
  ASSERT_TRUE(parsed) << error << "\n" << run.out;
  const jsonreader::JsonValue& info = *parsed;

  EXPECT_EQ(info["file"].string, input);
  const auto& chunks = info["chunks"].array;
  ASSERT_EQ(chunks.size(), 16u);  // NLIM, TRCK, the unknown one, … ENVC
  EXPECT_EQ(chunks[0]["tag"].string, "NLIM");
  EXPECT_EQ(chunks[0]["offset"].Int(), 0);
  EXPECT_EQ(chunks[0]["storedSize"].Int(), tracktesting::LongAt(bytes, 4));
  EXPECT_EQ(chunks[0]["subChunkCount"].Int(), 5);
  EXPECT_FALSE(chunks[0]["skipped"].boolean);
  const auto odd = std::find_if(chunks.begin(), chunks.end(), [](const auto& c) { return c["skipped"].boolean; });
  ASSERT_NE(odd, chunks.end());
  EXPECT_EQ((*odd)["tag"].string, std::string("ZQ\x01!", 4));
  EXPECT_EQ((*odd)["storedSize"].Int(), 8);

  EXPECT_EQ(info["tables"]["footers"].Int(), 3);
  EXPECT_EQ(info["tables"]["freeNodes"].Int(), 5);
  EXPECT_EQ(info["tables"]["tubes"].Int(), 8);
  EXPECT_EQ(info["tables"]["catwalks"].Int(), 3);
  EXPECT_EQ(info["terrain"]["columns"].Int(), 3);
  EXPECT_EQ(info["terrain"]["rows"].Int(), 2);
  ASSERT_EQ(info["tubesByType"].array.size(), 6u);
  EXPECT_EQ(info["tubesByType"][0]["tubeType"].Int(), 0);
  EXPECT_EQ(info["tubesByType"][0]["tubes"].Int(), 3);
  ASSERT_EQ(info["tubesByEndTypes"].array.size(), 3u);
  EXPECT_EQ(info["tubesByEndTypes"][2]["end1Type"].Int(), 2);
  EXPECT_EQ(info["tubesByEndTypes"][2]["end2Type"].Int(), 3);
  EXPECT_EQ(info["flanges"]["tubesFlanged"].Int(), 4);
  EXPECT_EQ(info["flanges"]["flangesAdded"].Int(), 10);
  EXPECT_EQ(info["flanges"]["tubesSkippedOutOfRange"].Int(), 0);
}

}  // namespace
