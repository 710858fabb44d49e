// Which tubes get flanges, where the flanges go, and what the document looks
// like afterwards. Positions are compared by their float32 bit patterns.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "SupportTesting.h"
#include "TrackBuilder.h"
#include "TrackTesting.h"
#include "supports/FlangeGenerator.h"
#include "supports/VectorMath.h"

namespace {

using namespace supporttesting;
using supports::AddFlanges;
using supports::CountFlanges;
using supports::FlangeSummary;
using trackio::kEndTypeFooter;
using trackio::kEndTypeFreeNode;
using trackio::TrackDocument;
using trackio::Tube;

// A flange as the generator appends it.
Tube Flange(int32_t node1, int32_t node2, int32_t flangeType) {
  return TubeBetween(kEndTypeFreeNode, node1, kEndTypeFreeNode, node2, flangeType);
}

void ExpectSummary(const FlangeSummary& summary, int64_t tubesFlanged, int64_t flangesAdded,
                   int64_t tubesSkippedOutOfRange) {
  EXPECT_EQ(summary.tubesFlanged, tubesFlanged);
  EXPECT_EQ(summary.flangesAdded, flangesAdded);
  EXPECT_EQ(summary.tubesSkippedOutOfRange, tubesSkippedOutOfRange);
  EXPECT_FALSE(summary.error) << summary.error.Describe();
}

// Runs the generator on `doc` and checks that nothing was added.
void ExpectNoFlanges(TrackDocument doc) {
  const TrackDocument before = doc;
  ExpectSummary(AddFlanges(doc), 0, 0, 0);
  EXPECT_EQ(doc, before);
}

// ---- the worked examples ----------------------------------------------------

TEST(AddFlanges, ThirtyLongType0TubeGetsTwoIntermediateAndTwoEndFlanges) {
  TrackDocument doc = OneTube(Point(0, 0, 0), Point(30, 0, 0), 0);
  ExpectSummary(AddFlanges(doc), 1, 4, 0);

  // k = round(2.72) = 3, s = 9.4: the intermediate flanges first, then the
  // one at end 1, then the one at end 2.
  const float xs[] = {10.225f, 10.375f, 19.625f, 19.775f, 0.9f, 1.05f, 29.1f, 28.95f};
  ASSERT_EQ(doc.FreeNodeCount(), 9);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(doc.FreeNodes[1 + i], Point(xs[i], 0, 0)) << "node " << 1 + i;
  // Every flange starts on the side of end 1: the end-2 flange joins its
  // second node to its first.
  const std::vector<Tube> flanges = {doc.Tubes.begin() + 1, doc.Tubes.end()};
  EXPECT_EQ(flanges, (std::vector<Tube>{Flange(1, 2, 1), Flange(3, 4, 1), Flange(5, 6, 1), Flange(8, 7, 1)}));
}

TEST(AddFlanges, TenLongType2TubeGetsOnlyItsEndFlanges) {
  TrackDocument doc = OneTube(Point(0, 0, 0), Point(0, 10, 0), 2);
  ExpectSummary(AddFlanges(doc), 1, 2, 0);
  ASSERT_EQ(doc.FreeNodeCount(), 5);
  EXPECT_EQ(doc.FreeNodes[1], Point(0, 0.7f, 0));
  EXPECT_EQ(doc.FreeNodes[2], Point(0, 0.85f, 0));
  EXPECT_EQ(doc.FreeNodes[3], Point(0, 9.3f, 0));
  EXPECT_EQ(doc.FreeNodes[4], Point(0, 9.15f, 0));
  EXPECT_EQ(doc.Tubes[1], Flange(1, 2, 0));
  EXPECT_EQ(doc.Tubes[2], Flange(4, 3, 0));
}

TEST(AddFlanges, EachSourceTypeGetsItsFlangeTypeLengthAndEndOffset) {
  struct Kind {
    int32_t tubeType, flangeType;
    double endOffset, flangeLength;
  };
  for (const Kind& kind : {Kind{0, 1, 0.9, 0.15}, Kind{1, 5, 1.1, 0.2}, Kind{2, 0, 0.7, 0.15},
                           Kind{5, 6, 1.1, 0.2}}) {
    SCOPED_TRACE("tube type " + std::to_string(kind.tubeType));
    // Along z from a free node to a footer: ends may be of either kind.
    TrackDocument doc;
    doc.Footers = {FooterAt(Point(0, 0, 10))};
    doc.FreeNodes = {Point(0, 0, 0)};
    doc.Tubes = {TubeBetween(kEndTypeFreeNode, 0, kEndTypeFooter, 0, kind.tubeType)};
    ExpectSummary(AddFlanges(doc), 1, 2, 0);

    const double o = kind.endOffset, length = kind.flangeLength;
    const float zs[] = {static_cast<float>(o), static_cast<float>(o + length),
                        static_cast<float>(10.0 - o), static_cast<float>((10.0 - o) - length)};
    ASSERT_EQ(doc.FreeNodeCount(), 5);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(doc.FreeNodes[1 + i], Point(0, 0, zs[i])) << "node " << 1 + i;
    EXPECT_EQ(doc.Tubes[1], Flange(1, 2, kind.flangeType));
    EXPECT_EQ(doc.Tubes[2], Flange(4, 3, kind.flangeType));
  }
}

// ---- how many flanges -------------------------------------------------------

TEST(AddFlanges, OnlyTubesLongerThanThreeGetFlanges) {
  ExpectNoFlanges(OneTube(Point(0, 0, 0), Point(3, 0, 0), 1));
  ExpectNoFlanges(OneTube(Point(5, 5, 5), Point(5, 5, 5), 0));  // no length, no division by it

  TrackDocument longer = OneTube(Point(0, 0, 0), Point(3.01f, 0, 0), 1);
  ExpectSummary(AddFlanges(longer), 1, 2, 0);  // k = 0: the end flanges only
  EXPECT_EQ(longer.Tubes[1].TubeType, 5);
  EXPECT_EQ(longer.Tubes[2].TubeType, 5);
}

TEST(AddFlanges, DivisionsAreRoundedNotTruncated) {
  // 20 long: k = round(1.72) = 2, so a middle flange at 9.925 … 10.075.
  TrackDocument twenty = OneTube(Point(0, 0, 0), Point(20, 0, 0), 0);
  ExpectSummary(AddFlanges(twenty), 1, 3, 0);
  EXPECT_EQ(twenty.FreeNodes[1], Point(9.925f, 0, 0));
  EXPECT_EQ(twenty.FreeNodes[2], Point(10.075f, 0, 0));

  // 16 long: k = round(1.32) = 1, the end flanges only.
  TrackDocument sixteen = OneTube(Point(0, 0, 0), Point(16, 0, 0), 0);
  ExpectSummary(AddFlanges(sixteen), 1, 2, 0);
}

TEST(AddFlanges, DivisionsRoundHalvesToEven) {
  // Type-0 tubes from the origin whose (length − 1.8 − 1) / 10 is exactly
  // x.5 in double precision; the last two components tune the length.
  struct Case {
    uint32_t x, y, z;
    double quotient;
    int64_t flanges;
  };
  const Case cases[] = {
      {0x40f99999, 0x3b03585c, 0x3a2f2ae7, 0.5, 2},  // k = 0
      {0x418e6666, 0x3ba201b9, 0x3ad80cb2, 1.5, 3},  // k = 2
      {0x41de6666, 0x3bca76b2, 0x3b06ff02, 2.5, 3},  // k = 2
      {0x42173333, 0x3bec1631, 0x3b1d6959, 3.5, 5},  // k = 4
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.quotient);
    const trackio::Vec3 end2 = PointFromBits(c.x, c.y, c.z);
    ASSERT_EQ((supports::VecDistance(Point(0, 0, 0), end2) - 2 * 0.9 - 1.0) / 10.0, c.quotient);
    TrackDocument doc = OneTube(Point(0, 0, 0), end2, 0);
    ExpectSummary(AddFlanges(doc), 1, c.flanges, 0);
  }
}

TEST(AddFlanges, TubesOfOtherTypesOrWithOtherEndsGetNone) {
  for (int32_t type : {3, 4, 6, -1, 7, std::numeric_limits<int32_t>::min()}) {
    SCOPED_TRACE("tube type " + std::to_string(type));
    ExpectNoFlanges(OneTube(Point(0, 0, 0), Point(30, 0, 0), type));
  }
  for (int32_t endType : {0, 3, -2}) {
    SCOPED_TRACE("end type " + std::to_string(endType));
    TrackDocument doc = OneTube(Point(0, 0, 0), Point(30, 0, 0), 0);
    doc.Tubes[0].End1Type = endType;
    ExpectNoFlanges(doc);
    doc = OneTube(Point(0, 0, 0), Point(30, 0, 0), 0);
    doc.Tubes[0].End2Type = endType;
    ExpectNoFlanges(doc);
  }
  ExpectNoFlanges(TrackDocument{});
}

TEST(AddFlanges, Type5TubeGetsType6FlangesAndThoseGetNone) {
  TrackDocument doc = OneTube(Point(0, 0, 0), Point(0, 0, 40), 5);
  ExpectSummary(AddFlanges(doc), 1, 5, 0);  // k = round(3.68) = 4
  for (size_t i = 1; i < doc.Tubes.size(); ++i) EXPECT_EQ(doc.Tubes[i].TubeType, 6);

  TrackDocument type6 = OneTube(Point(0, 0, 0), Point(0, 0, 40), 6);
  ExpectNoFlanges(type6);
}

// ---- the document afterwards ------------------------------------------------

TEST(AddFlanges, OnlyAppendsAndLeavesEverythingElseAlone) {
  const TrackDocument before = trackbuilder::SampleDocument();
  TrackDocument doc = before;
  const FlangeSummary summary = AddFlanges(doc);
  ExpectSummary(summary, 4, 10, 0);
  ASSERT_EQ(doc.FreeNodes.size(), before.FreeNodes.size() + 2 * 10);
  ASSERT_EQ(doc.Tubes.size(), before.Tubes.size() + 10);

  TrackDocument withoutFlanges = doc;
  withoutFlanges.FreeNodes.resize(before.FreeNodes.size());
  withoutFlanges.Tubes.resize(before.Tubes.size());
  EXPECT_EQ(withoutFlanges, before);
}

// ---- each flange once ----------------------------------------------------------

TEST(AddFlanges, ASecondRunAddsNothingAndTheSavedBytesStayTheSame) {
  TrackDocument doc = tracktesting::Loaded(trackbuilder::CanonicalFile(trackbuilder::SampleDocument()));
  ExpectSummary(AddFlanges(doc), 4, 10, 0);
  const std::vector<uint8_t> firstSave = tracktesting::Saved(doc);

  const TrackDocument flanged = doc;
  const FlangeSummary second = AddFlanges(doc);
  ExpectSummary(second, 0, 0, 0);
  EXPECT_EQ(second.flangesAlreadyPresent, 10);
  EXPECT_EQ(doc, flanged);
  EXPECT_EQ(tracktesting::Saved(doc), firstSave);

  // The same for a flanged file loaded afresh.
  TrackDocument reloaded = tracktesting::Loaded(firstSave);
  EXPECT_EQ(AddFlanges(reloaded).flangesAlreadyPresent, 10);
  EXPECT_EQ(tracktesting::Saved(reloaded), firstSave);
}

TEST(AddFlanges, AFlangedTrackSavesByteForByteAsTheBuilderWritesIt) {
  // Tens of thousands of appended records: the saved bytes are still exactly
  // those the track builder writes, load back into the same document, and
  // flange to the same bytes.
  TrackDocument doc = trackbuilder::GeneratedDocument(2000);
  const int64_t flanges = AddFlanges(doc).flangesAdded;
  ASSERT_GT(flanges, 20000);
  const trackio::TrackResult<std::vector<uint8_t>> built = trackio::BuildTrackFile(doc);  // frames `doc` too
  ASSERT_TRUE(built);
  const std::vector<uint8_t>& saved = *built;
  EXPECT_EQ(saved, trackbuilder::CanonicalFile(doc));
  EXPECT_EQ(tracktesting::Loaded(saved), doc);

  TrackDocument again = tracktesting::Loaded(saved);
  const FlangeSummary second = AddFlanges(again);
  EXPECT_EQ(second.flangesAdded, 0);
  EXPECT_EQ(second.flangesAlreadyPresent, flanges);
  EXPECT_EQ(tracktesting::Saved(again), saved);
}

TEST(AddFlanges, FindsItsFlangesFarFromTheOriginWhereRoundingStretchesThem) {
  // Far out, float32 steps are a quarter unit or more: a flange's ends move
  // by up to half a step, so it is no longer 0.15 long. A second run must
  // still know every one.
  for (const float offset : {0.0f, 1.0e6f, 2097088.0f, 5.0e6f, 1.5e7f, 1.0e30f}) {
    SCOPED_TRACE(offset);
    TrackDocument doc = OneTube(Point(offset, offset, 0), Point(offset + 31, offset + 29, 40), 0);
    const int64_t added = AddFlanges(doc).flangesAdded;
    ASSERT_GT(added, 0);
    const FlangeSummary second = AddFlanges(doc);
    EXPECT_EQ(second.flangesAdded, 0);
    EXPECT_EQ(second.flangesAlreadyPresent, added);
  }
}

TEST(AddFlanges, AddsBackExactlyTheFlangesThatAreMissing) {
  // The 30-long tube's four flanges (tubes 1 to 4, nodes 1 to 8), changed
  // in one way each before the next run.
  const TrackDocument flanged = [] {
    TrackDocument doc = OneTube(Point(0, 0, 0), Point(30, 0, 0), 0);
    AddFlanges(doc);
    return doc;
  }();
  struct Case {
    const char* change;
    void (*apply)(TrackDocument&);
    std::vector<size_t> missing;  // indices 0 … 3 of the flanges that come back
  };
  const Case cases[] = {
      {"none", [](TrackDocument&) {}, {}},
      {"ends of a flange swapped", [](TrackDocument& d) { std::swap(d.Tubes[2].End1Index, d.Tubes[2].End2Index); }, {}},
      {"two flange tubes deleted", [](TrackDocument& d) { d.Tubes.erase(d.Tubes.begin() + 2); d.Tubes.erase(d.Tubes.begin() + 3); }, {1, 3}},
      {"all flange tubes deleted", [](TrackDocument& d) { d.Tubes.resize(1); }, {0, 1, 2, 3}},
      {"a flange of another type", [](TrackDocument& d) { d.Tubes[1].TubeType = 5; }, {0}},
      {"a flange node moved by one bit", [](TrackDocument& d) { d.FreeNodes[8].x.bits += 1; }, {3}},
      {"a flange node at -0 instead of 0", [](TrackDocument& d) { d.FreeNodes[3].y = F(-0.0f); }, {1}},
      {"a flange ending on a footer at its node", [](TrackDocument& d) {
         d.Footers.push_back(FooterAt(d.FreeNodes[5]));
         d.Tubes[3].End1Type = kEndTypeFooter;
         d.Tubes[3].End1Index = 1;
       }, {2}},
  };
  const std::vector<supports::PlannedFlange> all = supports::ListFlanges(OneTube(Point(0, 0, 0), Point(30, 0, 0), 0));
  ASSERT_EQ(all.size(), 4u);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.change);
    TrackDocument doc = flanged;
    c.apply(doc);
    const TrackDocument before = doc;
    std::vector<supports::PlannedFlange> expected;
    for (const size_t i : c.missing) expected.push_back(all[i]);
    EXPECT_EQ(supports::ListFlanges(doc), expected);

    const FlangeSummary summary = AddFlanges(doc);
    EXPECT_EQ(summary.flangesAdded, static_cast<int64_t>(c.missing.size()));
    EXPECT_EQ(summary.flangesAlreadyPresent, static_cast<int64_t>(4 - c.missing.size()));
    EXPECT_EQ(summary.tubesFlanged, c.missing.empty() ? 0 : 1);
    // Appended as the first run appended them, in the same order.
    ASSERT_EQ(doc.Tubes.size(), before.Tubes.size() + c.missing.size());
    for (size_t k = 0; k < c.missing.size(); ++k) {
      const Tube& added = doc.Tubes[before.Tubes.size() + k];
      const Tube& original = flanged.Tubes[1 + c.missing[k]];
      EXPECT_EQ(doc.FreeNodes[static_cast<size_t>(added.End1Index)],
                flanged.FreeNodes[static_cast<size_t>(original.End1Index)]);
      EXPECT_EQ(doc.FreeNodes[static_cast<size_t>(added.End2Index)],
                flanged.FreeNodes[static_cast<size_t>(original.End2Index)]);
      EXPECT_EQ(added.End2Index - added.End1Index, original.End2Index - original.End1Index);
      EXPECT_EQ(added.TubeType, 1);
    }
  }
}

TEST(AddFlanges, JudgesPresenceByTheTrackAsItStoodAtTheStart) {
  // Two identical source tubes: both get their flanges in one run, though
  // the second's equal the first's.
  TrackDocument doc = OneTube(Point(0, 0, 0), Point(30, 0, 0), 0);
  doc.Tubes.push_back(doc.Tubes[0]);
  const FlangeSummary summary = AddFlanges(doc);
  ExpectSummary(summary, 2, 8, 0);
  EXPECT_EQ(summary.flangesAlreadyPresent, 0);
  EXPECT_EQ(AddFlanges(doc).flangesAlreadyPresent, 8);
}

// Tubes are visited twice: once to count the flanges, once to add them.
TEST(AddFlanges, ReportsProgressInTubeVisitsAFewHundredTimesAtMost) {
  TrackDocument doc = trackbuilder::GeneratedDocument(2000);
  const auto tubes = static_cast<int64_t>(doc.Tubes.size());
  ASSERT_GT(tubes, 1000);
  std::vector<std::pair<int64_t, int64_t>> reports;
  AddFlanges(doc, [&reports](int64_t done, int64_t total) { reports.emplace_back(done, total); });
  ASSERT_FALSE(reports.empty());
  EXPECT_LE(reports.size(), 300u);
  EXPECT_EQ(reports.back(), std::make_pair(2 * tubes, 2 * tubes));
  for (size_t i = 1; i < reports.size(); ++i) {
    EXPECT_LT(reports[i - 1].first, reports[i].first);
    EXPECT_EQ(reports[i].second, 2 * tubes);
  }
}

TEST(AddFlanges, EachFlangeAddsOneHundredAndFourBytesToTheSavedSupports) {
  TrackDocument doc = tracktesting::Loaded(trackbuilder::CanonicalFile(trackbuilder::SampleDocument()));
  const std::vector<uint8_t> plain = tracktesting::Saved(doc);
  const int64_t flanges = AddFlanges(doc).flangesAdded;
  ASSERT_EQ(flanges, 10);
  const std::vector<uint8_t> flanged = tracktesting::Saved(doc);

  auto sizeOf = [](const std::vector<uint8_t>& file, const char* tag) {
    return tracktesting::LongAt(file, tracktesting::ChunkOffset(file, tag) + 4);
  };
  EXPECT_EQ(sizeOf(flanged, "FREN"), sizeOf(plain, "FREN") + 56 * flanges);
  EXPECT_EQ(sizeOf(flanged, "TUBE"), sizeOf(plain, "TUBE") + 48 * flanges);
  EXPECT_EQ(sizeOf(flanged, "SUPP"), sizeOf(plain, "SUPP") + 104 * flanges);
  EXPECT_EQ(sizeOf(flanged, "TRCK"), sizeOf(plain, "TRCK") + 104 * flanges);
  EXPECT_EQ(sizeOf(flanged, "NLIM"), sizeOf(plain, "NLIM") + 104 * flanges);
  EXPECT_EQ(flanged.size(), plain.size() + 104 * flanges);
  // The saved file holds exactly the flanged document.
  EXPECT_EQ(tracktesting::Loaded(flanged).Tubes, doc.Tubes);
  EXPECT_EQ(tracktesting::Loaded(flanged).FreeNodes, doc.FreeNodes);
}

TEST(AddFlanges, OneThreadAndSeveralAppendTheSameRecordsInTheSameOrder) {
  // Tracks of many blocks of tubes: long tubes, short ones with their ends
  // all over the node table, and the short ones flanged with every third
  // flange tube deleted, so that the run looks up which are there.
  TrackDocument partlyFlanged = trackbuilder::ShortTubeDocument(12000);
  const size_t sourceTubes = partlyFlanged.Tubes.size();
  AddFlanges(partlyFlanged, {}, 1);
  for (size_t i = partlyFlanged.Tubes.size(); i > sourceTubes; i -= 3) {
    partlyFlanged.Tubes.erase(partlyFlanged.Tubes.begin() + static_cast<std::ptrdiff_t>(i - 1));
  }
  for (const TrackDocument& sample :
       {trackbuilder::GeneratedDocument(6000), trackbuilder::ShortTubeDocument(12000), partlyFlanged}) {
    TrackDocument one = sample;
    const FlangeSummary byOne = AddFlanges(one, {}, 1);
    ASSERT_GT(byOne.flangesAdded, 9000);
    for (const unsigned threads : {2u, 5u}) {
      SCOPED_TRACE(threads);
      TrackDocument several = sample;
      const FlangeSummary bySeveral = AddFlanges(several, {}, threads);
      ExpectSummary(bySeveral, byOne.tubesFlanged, byOne.flangesAdded, byOne.tubesSkippedOutOfRange);
      EXPECT_EQ(bySeveral.flangesAlreadyPresent, byOne.flangesAlreadyPresent);
      EXPECT_EQ(tracktesting::Saved(several), tracktesting::Saved(one));
    }
  }
}

TEST(CountFlanges, PredictsWhatAddFlangesDoesWithoutChangingAnything) {
  // A plain track, and the same flanged with every third flange tube deleted.
  TrackDocument partlyFlanged = trackbuilder::GeneratedDocument(40);
  const size_t sourceTubes = partlyFlanged.Tubes.size();
  AddFlanges(partlyFlanged);
  for (size_t i = partlyFlanged.Tubes.size(); i > sourceTubes; i -= 3) {
    partlyFlanged.Tubes.erase(partlyFlanged.Tubes.begin() + static_cast<std::ptrdiff_t>(i - 1));
  }
  for (const TrackDocument& sample : {trackbuilder::GeneratedDocument(40), partlyFlanged}) {
    const FlangeSummary predicted = CountFlanges(sample);
    std::vector<uint32_t> presentTubes;
    EXPECT_EQ(static_cast<int64_t>(supports::ListFlanges(sample, &presentTubes).size()), predicted.flangesAdded);
    EXPECT_EQ(presentTubes, supports::PresentFlangeTubes(sample));
    TrackDocument doc = sample;
    const FlangeSummary done = AddFlanges(doc);
    ExpectSummary(predicted, done.tubesFlanged, done.flangesAdded, done.tubesSkippedOutOfRange);
    EXPECT_EQ(predicted.flangesAlreadyPresent, done.flangesAlreadyPresent);
    EXPECT_EQ(static_cast<int64_t>(doc.Tubes.size() - sample.Tubes.size()), done.flangesAdded);
    EXPECT_EQ(static_cast<int64_t>(doc.FreeNodes.size() - sample.FreeNodes.size()), 2 * done.flangesAdded);
  }
  EXPECT_GT(CountFlanges(partlyFlanged).flangesAlreadyPresent, 0);
}

// ---- beyond range -----------------------------------------------------------

TEST(AddFlanges, SkipsAndCountsTubesWhoseEndIndexLiesOutsideItsTable) {
  TrackDocument doc = OneTube(Point(0, 0, 0), Point(30, 0, 0), 0);
  doc.Tubes.push_back(TubeBetween(kEndTypeFooter, 1, kEndTypeFreeNode, 0, 0));   // one footer only
  doc.Tubes.push_back(TubeBetween(kEndTypeFooter, 0, kEndTypeFreeNode, -1, 0));
  doc.Tubes.push_back(TubeBetween(kEndTypeFreeNode, std::numeric_limits<int32_t>::max(),
                                  kEndTypeFooter, 0, 0));
  // An end of another type is skipped quietly, whatever its index.
  doc.Tubes.push_back(TubeBetween(3, 99, kEndTypeFreeNode, 0, 0));
  ExpectSummary(CountFlanges(doc), 1, 4, 3);
  ExpectSummary(AddFlanges(doc), 1, 4, 3);
  EXPECT_EQ(doc.FreeNodeCount(), 1 + 8);
  EXPECT_EQ(doc.TubeCount(), 5 + 4);
}

TEST(AddFlanges, EndsNameOnlyNodesThatExistedWhenTheRunStarted) {
  // Tube 1 names free node 1, which does not exist until tube 0's first
  // flange node is appended there. It stays outside its table.
  TrackDocument doc = OneTube(Point(0, 0, 0), Point(30, 0, 0), 0);
  doc.Tubes.push_back(TubeBetween(kEndTypeFooter, 0, kEndTypeFreeNode, 1, 0));
  ExpectSummary(CountFlanges(doc), 1, 4, 1);
  ExpectSummary(AddFlanges(doc), 1, 4, 1);
  EXPECT_EQ(doc.FreeNodeCount(), 1 + 8);
  EXPECT_EQ(doc.TubeCount(), 2 + 4);
}

TEST(AddFlanges, SkipsAndCountsTubesWithCoordinatesThatAreNotFinite) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const trackio::Vec3 damaged[][2] = {
      {Point(nan, 0, 0), Point(30, 0, 0)},
      {Point(0, 0, 0), Point(0, 0, -inf)},
      {Point(inf, 0, 0), Point(inf, 30, 0)},  // inf − inf: no length at all
      {PointFromBits(0x7FC12345, 0, 0), PointFromBits(0x7FC12345, 0, 0)},
  };
  for (const auto& ends : damaged) {
    TrackDocument doc = OneTube(ends[0], ends[1], 0);
    const TrackDocument before = doc;
    ExpectSummary(AddFlanges(doc), 0, 0, 1);
    EXPECT_EQ(doc, before);
  }
}

TEST(AddFlanges, SkipsAndCountsTubesThatWouldNeedMoreThan32767Divisions) {
  // (327672 − 2.8) / 10 rounds to 32767: still in range, 32768 flanges.
  TrackDocument longest = OneTube(Point(0, 0, 0), Point(327672, 0, 0), 0);
  ExpectSummary(AddFlanges(longest), 1, 32768, 0);
  EXPECT_EQ(longest.TubeCount(), 1 + 32768);

  // (327680 − 2.8) / 10 rounds to 32768.
  TrackDocument tooLong = OneTube(Point(0, 0, 0), Point(327680, 0, 0), 0);
  tooLong.Tubes.push_back(TubeBetween(kEndTypeFooter, 0, kEndTypeFreeNode, 0, 3));  // not a flange type
  const TrackDocument before = tooLong;
  ExpectSummary(AddFlanges(tooLong), 0, 0, 1);
  EXPECT_EQ(tooLong, before);

  ExpectNoFlanges(OneTube(Point(-3e38f, 0, 0), Point(3e38f, 0, 0), 4));
}

TEST(AddFlanges, AddsNothingWhenTheResultWouldNotFitATrackFile) {
  // A catwalk trailer brings the saved file near its length limit without
  // holding any memory; the tube needs 4 × 104 more bytes.
  TrackDocument doc = OneTube(Point(0, 0, 0), Point(30, 0, 0), 0);
  doc.Catwalks = {trackio::Catwalk{}};
  const int64_t limit = trackio::kMaxTrackFileLength;
  const int64_t withoutTrailer = trackio::SavedFileLength(doc);

  doc.Catwalks[0].TrailerLength = static_cast<int32_t>(limit - withoutTrailer - 4 * 104 + 1);
  const TrackDocument before = doc;
  const FlangeSummary refused = AddFlanges(doc);
  EXPECT_EQ(refused.error.kind, trackio::TrackErrorKind::TooLarge);
  EXPECT_EQ(refused.error.Describe(), "the flanged track would be larger than a track file can hold (4 flanges)");
  EXPECT_EQ(refused.flangesAdded, 0);
  EXPECT_EQ(doc, before);

  doc.Catwalks[0].TrailerLength -= 1;
  ExpectSummary(AddFlanges(doc), 1, 4, 0);
  EXPECT_EQ(trackio::SavedFileLength(doc), limit);
}

}  // namespace
