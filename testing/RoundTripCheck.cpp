#include "RoundTripCheck.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "SavedFileLayout.h"
#include "TrackBuilder.h"
#include "supports/FlangeGenerator.h"
#include "trackio/TrackIO.h"

namespace fuzzcheck {

namespace {

using trackio::TrackDocument;

struct Breach : std::runtime_error {
  using std::runtime_error::runtime_error;
};

void Require(bool holds, const std::string& what) {
  if (!holds) throw Breach(what);
}

// The fewest input bytes that can produce what the document holds. Chunks
// never overlap in the walk and a repeated chunk replaces its tables, so the
// sum can never exceed the input plus the one zero byte the load adds.
uint64_t JustifiedBytes(const TrackDocument& doc) {
  uint64_t bytes = doc.InfoText.size() + doc.EnvironmentText1.size() + doc.EnvironmentText2.size();
  for (const auto& set : doc.ColorSets) bytes += 28 + set.Name.size();
  bytes += 60 * doc.BezierVertices.size();
  bytes += 33 * doc.Segments.size();
  bytes += 92 * doc.Footers.size();
  for (const auto& connector : doc.RailConnectors) bytes += 4 + 24 * connector.Entries.size();
  bytes += 28 * doc.FreeNodes.size();
  bytes += 48 * doc.Tubes.size();
  for (const auto& catwalk : doc.Catwalks) bytes += 28 + static_cast<uint64_t>(catwalk.TrailerLength);
  bytes += 64 * doc.SceneryEntries.size();
  for (const auto& object : doc.SceneryObjects) bytes += 88 + object.Text1.size() + object.Text2.size();
  bytes += 4 * doc.TerrainGrid.size() + doc.TerrainText1.size() + doc.TerrainText2.size() +
           doc.TerrainText3.size();
  for (const auto& chunk : doc.UnknownChunks) bytes += chunk.bytes.size();
  return bytes;
}

// The position a tube end names, when it names a footer or a free node that
// exists: the bits of its three coordinates.
struct ResolvedEnd {
  size_t tube;
  int end;  // 1 or 2
  trackio::Vec3 position;
};

bool Resolve(const TrackDocument& doc, int32_t type, int32_t index, trackio::Vec3& position) {
  if (index < 0) return false;
  const auto at = static_cast<size_t>(index);
  if (type == trackio::kEndTypeFooter && at < doc.Footers.size()) {
    position = doc.Footers[at].Position;
    return true;
  }
  if (type == trackio::kEndTypeFreeNode && at < doc.FreeNodes.size()) {
    position = doc.FreeNodes[at];
    return true;
  }
  return false;
}

std::vector<ResolvedEnd> ResolvedEnds(const TrackDocument& doc) {
  std::vector<ResolvedEnd> ends;
  for (size_t i = 0; i < doc.Tubes.size(); ++i) {
    const trackio::Tube& tube = doc.Tubes[i];
    trackio::Vec3 position;
    if (Resolve(doc, tube.End1Type, tube.End1Index, position)) ends.push_back({i, 1, position});
    if (Resolve(doc, tube.End2Type, tube.End2Index, position)) ends.push_back({i, 2, position});
  }
  return ends;
}

void RequireSameEnds(const TrackDocument& doc, const std::vector<ResolvedEnd>& before, const char* when) {
  for (const ResolvedEnd& end : before) {
    Require(end.tube < doc.Tubes.size(), std::string("a tube disappeared ") + when);
    const trackio::Tube& tube = doc.Tubes[end.tube];
    trackio::Vec3 position;
    const bool resolves = end.end == 1 ? Resolve(doc, tube.End1Type, tube.End1Index, position)
                                       : Resolve(doc, tube.End2Type, tube.End2Index, position);
    Require(resolves && position == end.position,
            "end " + std::to_string(end.end) + " of tube " + std::to_string(end.tube) +
                " no longer resolves to the same node " + when);
  }
}

// A failed load hands back no document at all, so only its reason is checked.
void CheckFailedLoad(const trackio::TrackError& error, size_t size) {
  Require(error.kind != trackio::TrackErrorKind::None && !error.message.empty(),
          "a failed load gave no reason");
  Require(error.offset <= static_cast<int64_t>(size) + 1,
          "a failed load points past the end of the file: " + error.Describe());
  if (error.kind == trackio::TrackErrorKind::Damaged) {
    Require(error.offset >= 0, "a damaged file was reported without an offset: " + error.Describe());
  }
}

// Adds flanges unless there would be too many for the check, and checks what
// AddFlanges promises.
void FlangeAndCheck(TrackDocument& doc, int64_t maxFlanges) {
  const supports::FlangeSummary planned = supports::CountFlanges(doc);
  if (planned.flangesAdded > maxFlanges) return;

  const size_t nodesBefore = doc.FreeNodes.size();
  const size_t tubesBefore = doc.Tubes.size();
  const std::vector<ResolvedEnd> ends = ResolvedEnds(doc);
  const supports::FlangeSummary done = supports::AddFlanges(doc);

  if (done.error) {
    Require(doc.FreeNodes.size() == nodesBefore && doc.Tubes.size() == tubesBefore,
            "a refused flanging changed the document");
    return;
  }
  Require(done.flangesAdded == planned.flangesAdded && done.tubesFlanged == planned.tubesFlanged,
          "AddFlanges did not do what CountFlanges said");
  Require(doc.Tubes.size() == tubesBefore + static_cast<size_t>(done.flangesAdded) &&
              doc.FreeNodes.size() == nodesBefore + 2 * static_cast<size_t>(done.flangesAdded),
          "AddFlanges reported " + std::to_string(done.flangesAdded) + " flanges but added " +
              std::to_string(doc.Tubes.size() - tubesBefore) + " tubes and " +
              std::to_string(doc.FreeNodes.size() - nodesBefore) + " free nodes");
  RequireSameEnds(doc, ends, "after flanging");
  for (size_t i = tubesBefore; i < doc.Tubes.size(); ++i) {
    trackio::Vec3 ignored;
    const trackio::Tube& tube = doc.Tubes[i];
    Require(tube.End1Type == trackio::kEndTypeFreeNode && tube.End2Type == trackio::kEndTypeFreeNode &&
                static_cast<size_t>(tube.End1Index) >= nodesBefore &&
                static_cast<size_t>(tube.End2Index) >= nodesBefore &&
                Resolve(doc, tube.End1Type, tube.End1Index, ignored) &&
                Resolve(doc, tube.End2Type, tube.End2Index, ignored),
            "flange tube " + std::to_string(i) + " does not join two of the new free nodes");
  }
}

std::vector<uint8_t> Build(TrackDocument& doc, const char* which,
                           trackio::SaveForm form = trackio::SaveForm::Exact) {
  trackio::TrackResult<std::vector<uint8_t>> built = trackio::BuildTrackFile(doc, form);
  if (!built) throw Breach(std::string("the ") + which + " build failed: " + built.Error().Describe());
  return std::move(*built);
}

void CheckRoundTrip(const uint8_t* data, size_t size, const AllocationMeter* meter, int64_t maxFlanges) {
  const std::vector<uint8_t> input(data, data + size);
  if (meter != nullptr) meter->start();
  trackio::LoadResult loaded = trackio::LoadTrackFromBytes(input);
  if (meter != nullptr) {
    const uint64_t peak = meter->peakBytes();
    Require(peak <= kLoadBytesPerInputByte * (size + 1) + kLoadAllowanceBytes,
            "loading " + std::to_string(size) + " bytes held " + std::to_string(peak) + " bytes at once");
  }
  if (!loaded) {
    CheckFailedLoad(loaded.Error(), size);
    return;
  }
  TrackDocument& doc = loaded->document;
  Require(JustifiedBytes(doc) <= size + 1,
          "the document holds more than " + std::to_string(size) + " bytes of input can describe");

  // A file whose framing is what a save writes comes back byte for byte.
  if (FindLayoutFault(input).empty()) {
    TrackDocument unchanged = doc;
    Require(Build(unchanged, "exact") == input, "a load and a save change a well-framed file");
  }

  FlangeAndCheck(doc, maxFlanges);
  const std::vector<ResolvedEnd> ends = ResolvedEnds(doc);
  const std::vector<uint8_t> first = Build(doc, "first");
  const std::string layoutFault = FindLayoutFault(first);
  Require(layoutFault.empty(), "the built file is framed wrongly: " + layoutFault);

  // Everything the document holds must come back as it was.
  trackio::LoadResult reloadedResult = trackio::LoadTrackFromBytes(first);
  Require(static_cast<bool>(reloadedResult), "the built file does not load: " + reloadedResult.Error().Describe());
  Require(reloadedResult->formsFixedTree, "the built file's chunks do not form the tree a save writes");
  TrackDocument& reloaded = reloadedResult->document;
  Require(reloaded == doc, "loading the built file gives another document");
  RequireSameEnds(reloaded, ends, "after saving and loading again");

  const std::vector<uint8_t> second = Build(reloaded, "second");
  Require(second == first, "building the reloaded document gives other bytes");

  // The normalised save writes what the tool wrote before it saved exactly,
  // as the track builder writes it from the layouts.
  TrackDocument normalised = doc;
  Require(Build(normalised, "normalised", trackio::SaveForm::Normalised) == trackbuilder::NormalFile(doc),
          "the normalised file differs from the form the tool has always written");
}

}  // namespace

std::string FindBreach(const uint8_t* data, size_t size, const AllocationMeter* meter, int64_t maxFlanges) {
  try {
    CheckRoundTrip(data, size, meter, maxFlanges);
    return {};
  } catch (const Breach& breach) {
    return breach.what();
  }
}

void CheckTrackInput(const uint8_t* data, size_t size, const AllocationMeter* meter) {
  const std::string breach = FindBreach(data, size, meter);
  if (!breach.empty()) {
    std::fprintf(stderr, "invariant broken: %s\n", breach.c_str());
    std::abort();
  }
}

}  // namespace fuzzcheck
