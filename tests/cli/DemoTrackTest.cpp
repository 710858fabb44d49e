// The committed demo track is what its generator writes, and the tool reads
// back the flanges it adds to it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "CliTesting.h"
#include "DemoTrack.h"
#include "TrackBuilder.h"
#include "TrackTesting.h"
#include "trackio/TrackIO.h"

namespace {

using nlohmann::ordered_json;

const std::string kDemoPath = std::string(TARNWICK_SOURCE_DIR) + "/examples/demo.nltrack";

TEST(DemoTrack, CommittedFileIsWhatTheGeneratorWrites) {
  EXPECT_EQ(trackbuilder::ReadFile(kDemoPath), demotrack::DemoTrackFile())
      << "regenerate it: build/bin/make_demo_track examples/demo.nltrack";
}

ordered_json InfoOf(const std::string& path) {
  const clitesting::Run run = clitesting::RunTool({"info", path, "--json"});
  EXPECT_EQ(run.status, 0) << run.err;
  return ordered_json::parse(run.out);
}

int64_t TubesOfType(const ordered_json& info, int64_t type) {
  for (const ordered_json& entry : info["tubesByType"]) {
    if (entry["tubeType"] == type) return entry["tubes"];
  }
  return 0;
}

TEST(DemoTrack, FlangingItGivesTheCountsInfoForetold) {
  tracktesting::ScratchFolder folder;
  const ordered_json before = InfoOf(kDemoPath);
  EXPECT_EQ(before["tables"]["freeNodes"].get<int64_t>(), 7);
  EXPECT_EQ(before["tables"]["tubes"].get<int64_t>(), 11);
  for (int64_t type = 0; type <= 6; ++type) EXPECT_GE(TubesOfType(before, type), 1) << "type " << type;
  EXPECT_EQ(before["flanges"]["tubesFlanged"].get<int64_t>(), 6);
  EXPECT_EQ(before["flanges"]["flangesAdded"].get<int64_t>(), 20);

  const std::string flanged = folder.File("demo-flanged.nltrack");
  const clitesting::Run run = clitesting::RunTool({"flange", kDemoPath, "-o", flanged});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "Wrote " + flanged + ": 6 tubes got 20 flanges\n");

  const ordered_json after = InfoOf(flanged);
  EXPECT_EQ(after["tables"]["freeNodes"].get<int64_t>(), 7 + 2 * 20);
  EXPECT_EQ(after["tables"]["tubes"].get<int64_t>(), 11 + 20);
  // Flanges of types 1, 5, 0 and 6 for source tubes of types 0, 1, 2 and 5.
  EXPECT_EQ(TubesOfType(after, 1) - TubesOfType(before, 1), 4 + 2);
  EXPECT_EQ(TubesOfType(after, 5) - TubesOfType(before, 5), 3 + 4);
  EXPECT_EQ(TubesOfType(after, 0) - TubesOfType(before, 0), 2);
  EXPECT_EQ(TubesOfType(after, 6) - TubesOfType(before, 6), 5);
  // Flanging it again would add nothing: every flange is there already.
  EXPECT_EQ(before["flanges"]["flangesAlreadyPresent"].get<int64_t>(), 0);
  EXPECT_EQ(after["flanges"]["tubesFlanged"].get<int64_t>(), 0);
  EXPECT_EQ(after["flanges"]["flangesAdded"].get<int64_t>(), 0);
  EXPECT_EQ(after["flanges"]["flangesAlreadyPresent"].get<int64_t>(), 20);
  // Each flange adds 104 bytes.
  EXPECT_EQ(trackbuilder::ReadFile(flanged).size(), trackbuilder::ReadFile(kDemoPath).size() + 20 * 104);
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST(DemoTrack, ItsPictureShowsEachFlangeInfoPredicts) {
  tracktesting::ScratchFolder folder;
  // The demo, flanged, and flanged with every third flange deleted again.
  const std::string flanged = folder.File("flanged.nltrack"), partly = folder.File("partly.nltrack");
  ASSERT_EQ(clitesting::RunTool({"flange", kDemoPath, "-o", flanged}).status, 0);
  trackio::LoadResult loaded = trackio::LoadTrack(flanged);
  ASSERT_TRUE(loaded);
  trackio::TrackDocument& doc = loaded->document;
  for (size_t i = 11; i < doc.Tubes.size(); i += 2) doc.Tubes.erase(doc.Tubes.begin() + static_cast<std::ptrdiff_t>(i));
  ASSERT_TRUE(trackio::SaveTrack(doc, partly));

  for (const std::string& track : {kDemoPath, flanged, partly}) {
    const ordered_json info = InfoOf(track);
    const int64_t predicted = info["flanges"]["flangesAdded"];
    const int64_t present = info["flanges"]["flangesAlreadyPresent"];
    for (const char* view : {"top", "side", "front"}) {
      SCOPED_TRACE(track + " " + view);
      const std::string svg = folder.File(std::string(view) + ".svg");
      const clitesting::Run run = clitesting::RunTool({"render", track, "-o", svg, "--view", view, "--flanges", "-f"});
      ASSERT_EQ(run.status, 0) << run.err;
      const std::string picture = clitesting::AsText(trackbuilder::ReadFile(svg));
      EXPECT_EQ(clitesting::XmlProblem(picture), "");
      EXPECT_EQ(Occurrences(picture, "<line class=\"added\""), static_cast<size_t>(predicted));
      EXPECT_EQ(Occurrences(picture, "class=\"added\""), static_cast<size_t>(predicted));
      // The flanges already there are drawn apart, and the legend counts them.
      EXPECT_EQ(Occurrences(picture, "<line class=\"present\""), static_cast<size_t>(present));
      const std::string presentLine = std::to_string(present) + " flanges already there<";
      EXPECT_EQ(Occurrences(picture, presentLine), present > 0 ? 1u : 0u);
      EXPECT_NE(picture.find(" viewBox=\"0 0 "), std::string::npos);
      // The tube with an end that is neither a footer nor a free node is named, not drawn.
      EXPECT_NE(picture.find(">1 tube not drawn: an end is neither a footer nor a free node<"), std::string::npos);
      std::string figures = ", " + std::to_string(predicted) + " flange";
      if (present > 0) figures = ", " + std::to_string(present) + " flanges already there" + figures;
      EXPECT_NE(run.out.find(figures), std::string::npos) << run.out;
    }
  }
  const int64_t partlyAdded = InfoOf(partly)["flanges"]["flangesAdded"];
  EXPECT_GT(partlyAdded, 0);
  EXPECT_LT(partlyAdded, 20);

  // Without --flanges: the supports only.
  const std::string plain = folder.File("plain.svg");
  ASSERT_EQ(clitesting::RunTool({"render", kDemoPath, "-o", plain}).status, 0);
  const std::string picture = clitesting::AsText(trackbuilder::ReadFile(plain));
  EXPECT_EQ(clitesting::XmlProblem(picture), "");
  EXPECT_EQ(Occurrences(picture, "class=\"added\""), 0u);
  EXPECT_EQ(Occurrences(picture, "<rect x="), 6u);  // one square per footer
}

}  // namespace
