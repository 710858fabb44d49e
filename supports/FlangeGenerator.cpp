#include "supports/FlangeGenerator.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "supports/VectorMath.h"
#include "supports/SupportEditing.h"
#include "supports/TubeCensus.h"
#include "trackio/RecordSizes.h"
#include "trackio/TrackIO.h"

namespace supports {

using trackio::Single;
using trackio::TrackDocument;
using trackio::Tube;
using trackio::Vec3;

namespace {

// What a source tube type's flanges look like. Lengths are in the track's
// coordinate unit.
struct FlangeKind {
  int32_t flangeType;
  double flangeLength;  // along the tube
  double endOffset;     // from the tube's end to the start of its end flange
};

std::optional<FlangeKind> FlangeKindFor(int32_t tubeType) {
  switch (tubeType) {
    case 0: return FlangeKind{1, 0.15, 0.9};
    case 1: return FlangeKind{5, 0.2, 1.1};
    case 2: return FlangeKind{0, 0.15, 0.7};
    case 5: return FlangeKind{6, 0.2, 1.1};
    default: return std::nullopt;
  }
}

constexpr double kMinimumTubeLength = 3.0;  // exclusive
constexpr double kSpacingDivisor = 10.0;
constexpr double kSpacingAllowance = 1.0;
// More divisions than this would add an absurd number of flanges to one tube.
constexpr double kMaxDivisions = 32767.0;
// Bytes each flange adds to the saved file: two free nodes and a tube.
constexpr int64_t kBytesPerFlange = 2 * trackio::kFreeNodeRecordBytes + trackio::kTubeRecordBytes;

enum class Verdict { Flanged, Skipped, OutOfRange };

struct TubePlan {
  Verdict verdict = Verdict::Skipped;
  Vec3 a, b;            // end 1 and end 2
  double dist = 0.0;
  int32_t divisions = 0;
  FlangeKind kind{};

  int64_t Flanges() const { return divisions <= 1 ? 2 : int64_t{divisions} + 1; }
};

bool IsFinite(const Vec3& v) {
  return std::isfinite(v.x.ToFloat()) && std::isfinite(v.y.ToFloat()) && std::isfinite(v.z.ToFloat());
}

// Decides whether and how a tube gets flanges.
TubePlan PlanTube(const TrackDocument& doc, const NodeCounts& nodes, const Tube& tube) {
  TubePlan plan;
  const EndLookup end1 = FindTubeEnd(doc, nodes, tube.End1Type, tube.End1Index, plan.a);
  if (end1 == EndLookup::NotANode) return plan;
  const EndLookup end2 = FindTubeEnd(doc, nodes, tube.End2Type, tube.End2Index, plan.b);
  if (end2 == EndLookup::NotANode) return plan;
  if (end1 == EndLookup::Missing || end2 == EndLookup::Missing) {
    plan.verdict = Verdict::OutOfRange;
    return plan;
  }

  plan.dist = VecDistance(plan.a, plan.b);
  if (std::isnan(plan.dist) || std::isinf(plan.dist) || !IsFinite(plan.a) || !IsFinite(plan.b)) {
    plan.verdict = Verdict::OutOfRange;
    return plan;
  }
  if (!(plan.dist > kMinimumTubeLength)) return plan;

  const std::optional<FlangeKind> kind = FlangeKindFor(tube.TubeType);
  if (!kind) return plan;
  plan.kind = *kind;

  // Rounded to the nearest integer, halves to even (the default rounding mode).
  const double divisions =
      std::nearbyint((plan.dist - 2.0 * kind->endOffset - kSpacingAllowance) / kSpacingDivisor);
  if (divisions > kMaxDivisions) {
    plan.verdict = Verdict::OutOfRange;
    return plan;
  }
  plan.divisions = static_cast<int32_t>(divisions);
  plan.verdict = Verdict::Flanged;
  return plan;
}

// The unit vector from end 1 to end 2, each component rounded to float32.
Vec3 UnitDirection(const TubePlan& plan) {
  const Vec3 d = VecSubtract(plan.a, plan.b);
  auto unit = [&plan](Single c) {
    return Single::FromFloat(static_cast<float>(static_cast<double>(c.ToFloat()) / plan.dist));
  };
  return {unit(d.x), unit(d.y), unit(d.z)};
}

// Applies `formula` (in double precision) to each component and rounds the
// result to float32.
template <typename Formula>
Vec3 PerComponent(const Vec3& a, const Vec3& b, const Vec3& d, Formula formula) {
  auto one = [&formula](Single ac, Single bc, Single dc) {
    return Single::FromFloat(static_cast<float>(
        formula(static_cast<double>(ac.ToFloat()), static_cast<double>(bc.ToFloat()),
                static_cast<double>(dc.ToFloat()))));
  };
  return {one(a.x, b.x, d.x), one(a.y, b.y, d.y), one(a.z, b.z, d.z)};
}

// Hands `emit` the flanges of a tube that gets them, in the order they are
// appended: the intermediate flanges by distance from end 1, then the flange
// at end 1, then the one at end 2.
template <typename Emit>
void PlanTubeFlanges(const TubePlan& plan, Emit emit) {
  const Vec3 d = UnitDirection(plan);
  const double o = plan.kind.endOffset;
  const double length = plan.kind.flangeLength;
  const double half = length / 2.0;
  const int32_t type = plan.kind.flangeType;

  // Flanges that divide the stretch between the end offsets into equal parts.
  if (plan.divisions > 1) {
    const double s = (plan.dist - 2.0 * o) / plan.divisions;
    for (int32_t j = 1; j < plan.divisions; ++j) {
      const double js = static_cast<double>(j) * s;
      const Vec3 p1 = PerComponent(plan.a, plan.b, d, [&](double a, double, double dc) {
        return ((dc * o + a) - half * dc) + js * dc;
      });
      const Vec3 p2 = PerComponent(plan.a, plan.b, d, [&](double a, double, double dc) {
        return ((dc * o + a) + half * dc) + js * dc;
      });
      emit(PlannedFlange{p1, p2, type, false});
    }
  }

  // The flange at end 1, covering o … o + L from end 1.
  const Vec3 e1 = PerComponent(plan.a, plan.b, d, [&](double a, double, double dc) { return dc * o + a; });
  const Vec3 e2 = PerComponent(plan.a, plan.b, d, [&](double a, double, double dc) {
    return (dc * o + a) + dc * length;
  });
  emit(PlannedFlange{e1, e2, type, false});

  // The flange at end 2, covering o … o + L from end 2; its nodes are
  // appended from that end inwards.
  const Vec3 e3 = PerComponent(plan.a, plan.b, d, [&](double, double b, double dc) { return b - dc * o; });
  const Vec3 e4 = PerComponent(plan.a, plan.b, d, [&](double, double b, double dc) {
    return (b - dc * o) - dc * length;
  });
  emit(PlannedFlange{e4, e3, type, true});
}

void AppendFlange(TrackDocument& doc, const PlannedFlange& flange) {
  int32_t node1 = 0, node2 = 0;
  if (flange.end2NodeFirst) {
    node2 = AddFreeNode(doc, flange.end2);
    node1 = AddFreeNode(doc, flange.end1);
  } else {
    node1 = AddFreeNode(doc, flange.end1);
    node2 = AddFreeNode(doc, flange.end2);
  }
  AddTube(doc, node1, node2, flange.flangeType, Single::FromFloat(0.0f));
}

// A tube whose direction cannot be formed (coordinates near the float32
// limit) is beyond range as well.
bool DirectionIsFinite(const TubePlan& plan) { return IsFinite(UnitDirection(plan)); }

bool IsFlangeType(int32_t tubeType) {
  for (const int32_t sourceType : {0, 1, 2, 5}) {
    if (FlangeKindFor(sourceType)->flangeType == tubeType) return true;
  }
  return false;
}

// The flanges a track holds: tubes of a flange type between two free nodes,
// known by their type and the bit patterns of their two end positions, in
// either order. An open-addressing table of tube indices keeps a track of
// millions of flanges to a few bytes per tube, with no allocation per entry.
class PresentFlanges {
 public:
  static constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();  // no such tube

  PresentFlanges(const TrackDocument& doc, const NodeCounts& nodes) : doc_(doc), nodes_(nodes) {
    std::vector<uint32_t> flanges;
    for (size_t i = 0; i < doc.Tubes.size(); ++i) {
      if (KeyOfTube(static_cast<uint32_t>(i))) flanges.push_back(static_cast<uint32_t>(i));
    }
    if (flanges.empty()) return;
    size_t capacity = 16;
    while (capacity < 2 * flanges.size()) capacity *= 2;  // at most half full
    slots_.assign(capacity, Slot{});
    for (const uint32_t tube : flanges) {
      const uint64_t hash = Hash(*KeyOfTube(tube));
      size_t at = hash & (capacity - 1);
      while (slots_[at].tube != kEmpty) at = (at + 1) & (capacity - 1);
      slots_[at] = {tube, Fingerprint(hash)};
    }
  }

  bool Empty() const { return slots_.empty(); }

  bool Contains(const PlannedFlange& flange) const { return Find(flange) != kNone; }

  // The tube that is `flange`, or kNone.
  uint32_t Find(const PlannedFlange& flange) const {
    if (slots_.empty()) return kNone;
    const Key key = KeyOf(flange.flangeType, flange.end1, flange.end2);
    const uint64_t hash = Hash(key);
    for (size_t at = hash & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
      const Slot& slot = slots_[at];
      if (slot.tube == kEmpty) return kNone;
      if (slot.fingerprint == Fingerprint(hash) && KeyOfTube(slot.tube) == key) return slot.tube;
    }
  }

 private:
  using Bits = std::array<uint32_t, 3>;
  struct Key {
    int32_t type;
    Bits lower, upper;  // the two ends' bit patterns, the lesser first
    friend bool operator==(const Key&, const Key&) = default;
  };
  static constexpr uint32_t kEmpty = std::numeric_limits<uint32_t>::max();
  struct Slot {
    uint32_t tube = kEmpty;
    uint32_t fingerprint = 0;  // bits of the hash the position does not use
  };

  static Key KeyOf(int32_t type, const Vec3& a, const Vec3& b) {
    Bits first{a.x.bits, a.y.bits, a.z.bits}, second{b.x.bits, b.y.bits, b.z.bits};
    if (second < first) std::swap(first, second);
    return {type, first, second};
  }

  // The key of tube `index` when it may be a flange.
  std::optional<Key> KeyOfTube(uint32_t index) const {
    const Tube& tube = doc_.Tubes[index];
    if (tube.End1Type != trackio::kEndTypeFreeNode || tube.End2Type != trackio::kEndTypeFreeNode ||
        !IsFlangeType(tube.TubeType)) {
      return std::nullopt;
    }
    Vec3 a, b;
    if (FindTubeEnd(doc_, nodes_, tube.End1Type, tube.End1Index, a) != EndLookup::Found ||
        FindTubeEnd(doc_, nodes_, tube.End2Type, tube.End2Index, b) != EndLookup::Found) {
      return std::nullopt;
    }
    return KeyOf(tube.TubeType, a, b);
  }

  static uint64_t Mix(uint64_t h) {
    h ^= h >> 30;
    h *= 0xBF58476D1CE4E5B9ull;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBull;
    return h ^ (h >> 31);
  }
  static uint64_t Hash(const Key& key) {
    uint64_t h = Mix(static_cast<uint32_t>(key.type));
    h = Mix(h ^ ((uint64_t{key.lower[0]} << 32) | key.lower[1]));
    h = Mix(h ^ ((uint64_t{key.lower[2]} << 32) | key.upper[0]));
    return Mix(h ^ ((uint64_t{key.upper[1]} << 32) | key.upper[2]));
  }
  static uint32_t Fingerprint(uint64_t hash) { return static_cast<uint32_t>(hash >> 32); }

  const TrackDocument& doc_;
  NodeCounts nodes_;
  std::vector<Slot> slots_;
};

// Reports progress now and then: a few hundred times at most, and at the
// end. A run may visit the tubes in more than one pass; `passes` says how
// many, and each pass reports its share.
class ProgressTicker {
 public:
  ProgressTicker(const trackio::ProgressCallback& progress, int64_t tubes, int passes)
      : progress_(progress), tubes_(tubes), total_(tubes * passes),
        step_(std::max<int64_t>(1, total_ / kMaxReports)) {}

  void Visited(int pass, int64_t tubesDone) const {
    const int64_t done = pass * tubes_ + tubesDone;
    if (progress_ && (done % step_ == 0 || done == total_)) progress_(done, total_);
  }
  void Finished() const {
    if (progress_ && total_ == 0) progress_(0, 0);
  }

 private:
  static constexpr int64_t kMaxReports = 200;
  const trackio::ProgressCallback& progress_;
  int64_t tubes_;
  int64_t total_;
  int64_t step_;
};

// What a run works from, taken once when it starts: the tubes to visit, the
// nodes their ends may name and the flanges already there. The flanges the
// run appends are not visited, their nodes are not there for the tubes still
// to come, and they do not count as present.
struct RunStart {
  size_t sourceTubes;
  NodeCounts nodes;
  PresentFlanges present;

  explicit RunStart(const TrackDocument& doc)
      : sourceTubes(doc.Tubes.size()), nodes(NodeCounts::Of(doc)), present(doc, nodes) {}
};

// Visits the tubes present at the start in order, asks `isPresent` about
// each of their flanges and hands `add` those that are not. `add` may append
// to `doc`.
template <typename IsPresent, typename Add>
FlangeSummary VisitFlanges(const TrackDocument& doc, const RunStart& start, IsPresent isPresent, Add add,
                           const ProgressTicker* ticker = nullptr, int pass = 0) {
  FlangeSummary summary;
  for (size_t i = 0; i < start.sourceTubes; ++i) {
    const TubePlan plan = PlanTube(doc, start.nodes, doc.Tubes[i]);
    if (plan.verdict == Verdict::Flanged && DirectionIsFinite(plan)) {
      const int64_t addedBefore = summary.flangesAdded;
      PlanTubeFlanges(plan, [&](const PlannedFlange& flange) {
        if (isPresent(flange)) {
          ++summary.flangesAlreadyPresent;
        } else {
          ++summary.flangesAdded;
          add(flange);
        }
      });
      if (summary.flangesAdded > addedBefore) ++summary.tubesFlanged;
    } else if (plan.verdict != Verdict::Skipped) {
      ++summary.tubesSkippedOutOfRange;
    }
    if (ticker != nullptr) ticker->Visited(pass, static_cast<int64_t>(i) + 1);
  }
  return summary;
}

// What a run adds to a track that holds no flanges: every flange is new, so
// each tube's count follows from its plan, without computing positions.
FlangeSummary CountOnFlangelessTrack(const TrackDocument& doc, const RunStart& start,
                                     const ProgressTicker& ticker) {
  FlangeSummary summary;
  for (size_t i = 0; i < start.sourceTubes; ++i) {
    const TubePlan plan = PlanTube(doc, start.nodes, doc.Tubes[i]);
    if (plan.verdict == Verdict::Flanged && DirectionIsFinite(plan)) {
      summary.flangesAdded += plan.Flanges();
      ++summary.tubesFlanged;
    } else if (plan.verdict != Verdict::Skipped) {
      ++summary.tubesSkippedOutOfRange;
    }
    ticker.Visited(0, static_cast<int64_t>(i) + 1);
  }
  return summary;
}

template <typename Add>
FlangeSummary VisitFlanges(const TrackDocument& doc, Add add) {
  const RunStart start(doc);
  return VisitFlanges(
      doc, start, [&start](const PlannedFlange& flange) { return start.present.Contains(flange); }, add);
}

}  // namespace

FlangeSummary CountFlanges(const TrackDocument& document) {
  return VisitFlanges(document, [](const PlannedFlange&) {});
}

std::vector<PlannedFlange> ListFlanges(const TrackDocument& document) {
  std::vector<PlannedFlange> flanges;
  VisitFlanges(document, [&flanges](const PlannedFlange& flange) { flanges.push_back(flange); });
  return flanges;
}

std::vector<uint32_t> PresentFlangeTubes(const TrackDocument& document) {
  const RunStart start(document);
  std::vector<uint32_t> tubes;
  if (start.present.Empty()) return tubes;
  VisitFlanges(
      document, start,
      [&](const PlannedFlange& flange) {
        const uint32_t tube = start.present.Find(flange);
        if (tube != PresentFlanges::kNone) tubes.push_back(tube);
        return tube != PresentFlanges::kNone;
      },
      [](const PlannedFlange&) {});
  std::sort(tubes.begin(), tubes.end());
  tubes.erase(std::unique(tubes.begin(), tubes.end()), tubes.end());
  return tubes;
}

FlangeSummary AddFlanges(TrackDocument& document, const trackio::ProgressCallback& progress) {
  const RunStart start(document);
  const ProgressTicker ticker(progress, static_cast<int64_t>(start.sourceTubes), 2);

  // First pass: count, and note for each flange whether it is there already,
  // so that the second pass need not look it up again.
  std::vector<bool> present;
  FlangeSummary summary =
      start.present.Empty()
          ? CountOnFlangelessTrack(document, start, ticker)
          : VisitFlanges(
                document, start,
                [&](const PlannedFlange& flange) {
                  present.push_back(start.present.Contains(flange));
                  return present.back();
                },
                [](const PlannedFlange&) {}, &ticker, 0);

  // Refuse, before changing anything, a result that no track file could hold.
  const int64_t maxRecords = std::numeric_limits<int32_t>::max();
  const int64_t nodesAfter = static_cast<int64_t>(document.FreeNodes.size()) + 2 * summary.flangesAdded;
  const int64_t tubesAfter = static_cast<int64_t>(document.Tubes.size()) + summary.flangesAdded;
  const int64_t bytesAfter =
      trackio::SavedFileLength(document) + kBytesPerFlange * summary.flangesAdded;
  if (nodesAfter > maxRecords || tubesAfter > maxRecords || bytesAfter > trackio::kMaxTrackFileLength) {
    summary.error = {trackio::TrackErrorKind::TooLarge,
                     "the flanged track would be larger than a track file can hold (" +
                         std::to_string(summary.flangesAdded) + " flanges)",
                     {}, -1};
    summary.tubesFlanged = 0;
    summary.flangesAdded = 0;
    return summary;
  }

  // Second pass: append.
  document.FreeNodes.reserve(static_cast<size_t>(nodesAfter));
  document.Tubes.reserve(static_cast<size_t>(tubesAfter));
  size_t next = 0;
  VisitFlanges(
      document, start, [&](const PlannedFlange&) { return !present.empty() && present[next++]; },
      [&document](const PlannedFlange& flange) { AppendFlange(document, flange); }, &ticker, 1);
  ticker.Finished();
  return summary;
}

}  // namespace supports
