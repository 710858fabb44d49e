#include "supports/FlangeGenerator.h"

#include <cmath>
#include <limits>
#include <optional>

#include "supports/VectorMath.h"
#include "supports/SupportEditing.h"
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

// The nodes a tube end may name: those present when the run started. The
// flange nodes appended during the run must not make a damaged reference
// valid halfway through, or the run would do more than CountFlanges said.
struct NodeTables {
  int32_t footers = 0;
  int32_t freeNodes = 0;

  static NodeTables Of(const TrackDocument& doc) { return {doc.FooterCount(), doc.FreeNodeCount()}; }
};

enum class EndLookup { Found, OtherType, OutOfRange };

EndLookup ResolveEnd(const TrackDocument& doc, const NodeTables& tables, int32_t endType,
                     int32_t index, Vec3& position) {
  if (endType == trackio::kEndTypeFooter) {
    if (index < 0 || index >= tables.footers) return EndLookup::OutOfRange;
    position = doc.Footers[static_cast<size_t>(index)].Position;
    return EndLookup::Found;
  }
  if (endType == trackio::kEndTypeFreeNode) {
    if (index < 0 || index >= tables.freeNodes) return EndLookup::OutOfRange;
    position = doc.FreeNodes[static_cast<size_t>(index)];
    return EndLookup::Found;
  }
  return EndLookup::OtherType;
}

bool IsFinite(const Vec3& v) {
  return std::isfinite(v.x.ToFloat()) && std::isfinite(v.y.ToFloat()) && std::isfinite(v.z.ToFloat());
}

// Decides whether and how a tube gets flanges.
TubePlan PlanTube(const TrackDocument& doc, const NodeTables& tables, const Tube& tube) {
  TubePlan plan;
  const EndLookup end1 = ResolveEnd(doc, tables, tube.End1Type, tube.End1Index, plan.a);
  if (end1 == EndLookup::OtherType) return plan;
  const EndLookup end2 = ResolveEnd(doc, tables, tube.End2Type, tube.End2Index, plan.b);
  if (end2 == EndLookup::OtherType) return plan;
  if (end1 == EndLookup::OutOfRange || end2 == EndLookup::OutOfRange) {
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

void AddTubeFlanges(TrackDocument& doc, const TubePlan& plan) {
  const Vec3 d = UnitDirection(plan);
  const double o = plan.kind.endOffset;
  const double length = plan.kind.flangeLength;
  const double half = length / 2.0;
  const int32_t type = plan.kind.flangeType;
  const Single zero = Single::FromFloat(0.0f);

  // Flanges that divide the stretch between the end offsets into equal parts.
  if (plan.divisions > 1) {
    const double s = (plan.dist - 2.0 * o) / plan.divisions;
    for (int32_t j = 1; j < plan.divisions; ++j) {
      const double js = static_cast<double>(j) * s;
      const int32_t f1 = AddFreeNode(doc, PerComponent(plan.a, plan.b, d, [&](double a, double, double dc) {
                                       return ((dc * o + a) - half * dc) + js * dc;
                                     }));
      const int32_t f2 = AddFreeNode(doc, PerComponent(plan.a, plan.b, d, [&](double a, double, double dc) {
                                       return ((dc * o + a) + half * dc) + js * dc;
                                     }));
      AddTube(doc, f1, f2, type, zero);
    }
  }

  // The flange at end 1, covering o … o + L from end 1.
  const int32_t e1 = AddFreeNode(doc, PerComponent(plan.a, plan.b, d, [&](double a, double, double dc) {
                                   return dc * o + a;
                                 }));
  const int32_t e2 = AddFreeNode(doc, PerComponent(plan.a, plan.b, d, [&](double a, double, double dc) {
                                   return (dc * o + a) + dc * length;
                                 }));
  AddTube(doc, e1, e2, type, zero);

  // The flange at end 2; its first end is the one nearer end 1.
  const int32_t e3 = AddFreeNode(doc, PerComponent(plan.a, plan.b, d, [&](double, double b, double dc) {
                                   return b - dc * o;
                                 }));
  const int32_t e4 = AddFreeNode(doc, PerComponent(plan.a, plan.b, d, [&](double, double b, double dc) {
                                   return (b - dc * o) - dc * length;
                                 }));
  AddTube(doc, e4, e3, type, zero);
}

// A tube whose direction cannot be formed (coordinates near the float32
// limit) is beyond range as well.
bool DirectionIsFinite(const TubePlan& plan) { return IsFinite(UnitDirection(plan)); }

}  // namespace

FlangeSummary CountFlanges(const TrackDocument& document) {
  FlangeSummary summary;
  const NodeTables tables = NodeTables::Of(document);
  for (const Tube& tube : document.Tubes) {
    const TubePlan plan = PlanTube(document, tables, tube);
    if (plan.verdict == Verdict::Flanged && DirectionIsFinite(plan)) {
      ++summary.tubesFlanged;
      summary.flangesAdded += plan.Flanges();
    } else if (plan.verdict != Verdict::Skipped) {
      ++summary.tubesSkippedOutOfRange;
    }
  }
  return summary;
}

FlangeSummary AddFlanges(TrackDocument& document) {
  FlangeSummary summary = CountFlanges(document);

  // Refuse, before changing anything, a result that no track file could hold.
  const int64_t maxRecords = std::numeric_limits<int32_t>::max();
  const int64_t nodesAfter = static_cast<int64_t>(document.FreeNodes.size()) + 2 * summary.flangesAdded;
  const int64_t tubesAfter = static_cast<int64_t>(document.Tubes.size()) + summary.flangesAdded;
  const int64_t bytesAfter =
      trackio::SavedFileLength(document) + kBytesPerFlange * summary.flangesAdded;
  if (nodesAfter > maxRecords || tubesAfter > maxRecords || bytesAfter > trackio::kMaxTrackFileLength) {
    summary.error = "the flanged track would be larger than a track file can hold (" +
                    std::to_string(summary.flangesAdded) + " flanges)";
    summary.tubesFlanged = 0;
    summary.flangesAdded = 0;
    return summary;
  }

  document.FreeNodes.reserve(static_cast<size_t>(nodesAfter));
  document.Tubes.reserve(static_cast<size_t>(tubesAfter));
  // The bounds are taken once: the flanges appended here are not visited,
  // and their nodes are not there for the tubes still to come.
  const NodeTables tables = NodeTables::Of(document);
  const size_t sourceTubes = document.Tubes.size();
  for (size_t i = 0; i < sourceTubes; ++i) {
    const TubePlan plan = PlanTube(document, tables, document.Tubes[i]);
    if (plan.verdict == Verdict::Flanged && DirectionIsFinite(plan)) AddTubeFlanges(document, plan);
  }
  return summary;
}

}  // namespace supports
