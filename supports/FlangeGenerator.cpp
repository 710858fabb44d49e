#include "supports/FlangeGenerator.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cassert>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "supports/VectorMath.h"
#include "supports/SupportEditing.h"
#include "supports/TubeCensus.h"
#include "trackio/TableMemory.h"
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

struct SourceTubeKind {
  int32_t tubeType;
  FlangeKind flanges;
};

constexpr std::array<SourceTubeKind, 4> kSourceTubeKinds{{
    {0, {1, 0.15, 0.9}},
    {1, {5, 0.2, 1.1}},
    {2, {0, 0.15, 0.7}},
    {5, {6, 0.2, 1.1}},
}};

constexpr std::optional<FlangeKind> FlangeKindFor(int32_t tubeType) {
  for (const SourceTubeKind& source : kSourceTubeKinds) {
    if (source.tubeType == tubeType) return source.flanges;
  }
  return std::nullopt;
}

constexpr double kMinimumTubeLength = 3.0;  // exclusive
constexpr double kSpacingDivisor = 10.0;
constexpr double kSpacingAllowance = 1.0;
// More divisions than this would add an absurd number of flanges to one tube.
constexpr double kMaxDivisions = 32767.0;

enum class Verdict { Flanged, Skipped, OutOfRange };

struct TubePlan {
  Verdict verdict = Verdict::Skipped;
  bool endsFound = false;  // a and b hold the positions of the two ends
  Vec3 a, b;            // end 1 and end 2
  double squaredDist = 0.0;  // when the ends were found
  double dist = 0.0;         // when the tube is long enough to get flanges
  int32_t divisions = 0;
  FlangeKind kind{};

  int64_t Flanges() const { return divisions <= 1 ? 2 : int64_t{divisions} + 1; }
};

bool IsFinite(const Vec3& v) {
  return std::isfinite(v.x.ToFloat()) && std::isfinite(v.y.ToFloat()) && std::isfinite(v.z.ToFloat());
}

// Decides whether and how a tube gets flanges.
TubePlan PlanTube(const TrackDocument& doc, const NodeCounts& tables, const Tube& tube) {
  TubePlan plan;
  const EndLookup end1 = FindTubeEnd(doc, tables, tube.End1Type, tube.End1Index, plan.a);
  if (end1 == EndLookup::NotANode) return plan;
  const EndLookup end2 = FindTubeEnd(doc, tables, tube.End2Type, tube.End2Index, plan.b);
  if (end2 == EndLookup::NotANode) return plan;
  if (end1 == EndLookup::Missing || end2 == EndLookup::Missing) {
    plan.verdict = Verdict::OutOfRange;
    return plan;
  }
  plan.endsFound = true;

  // Most tubes of a flanged track are flanges, too short to plan: the root
  // is taken only for the others.
  plan.squaredDist = VecDistanceSquared(plan.a, plan.b);
  if (std::isnan(plan.squaredDist) || std::isinf(plan.squaredDist) || !IsFinite(plan.a) || !IsFinite(plan.b)) {
    plan.verdict = Verdict::OutOfRange;
    return plan;
  }
  if (!LongerThan(plan.squaredDist, kMinimumTubeLength)) return plan;

  const std::optional<FlangeKind> kind = FlangeKindFor(tube.TubeType);
  if (!kind) return plan;
  plan.kind = *kind;
  plan.dist = std::sqrt(plan.squaredDist);

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
  assert(IsFinite(d));
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

// The flange types of the table above.
constexpr bool IsFlangeType(int32_t tubeType) {
  for (const SourceTubeKind& source : kSourceTubeKinds) {
    if (source.flanges.flangeType == tubeType) return true;
  }
  return false;
}

// Whether a tube of a flange type between these two nodes (`squaredDist`
// the square of their distance) could be a flange some tube plans: planned
// flanges are 0.15 or 0.2 long, and the rounding of their ends to float32
// moves each coordinate by at most 0.125 while the source tube's ends stay
// below 2^21 in magnitude (and a tube in range is shorter than 330,000). So
// a flange is at most 1.5 long, or has a coordinate of at least 2^20 or one
// that is not finite. A real support tube (longer than 3) is never taken
// for one, so on a track without flanges nothing is looked up.
bool MayBeFlange(const Vec3& a, const Vec3& b, double squaredDist) {
  constexpr float kLarge = 1048576.0f;  // 2^20
  for (const Single c : {a.x, a.y, a.z, b.x, b.y, b.z}) {
    if (!(std::fabs(c.ToFloat()) < kLarge)) return true;
  }
  return !LongerThan(squaredDist, 1.5);
}

// Whether a tube, planned as `plan`, may be a flange.
bool MayBeFlange(const Tube& tube, const TubePlan& plan) {
  return tube.End1Type == trackio::kEndTypeFreeNode && tube.End2Type == trackio::kEndTypeFreeNode &&
         IsFlangeType(tube.TubeType) && plan.endsFound && MayBeFlange(plan.a, plan.b, plan.squaredDist);
}

// The flanges a track holds: tubes of a flange type between two free nodes,
// known by their type and the bit patterns of their two end positions, in
// either order. A track flanged by this program holds its flanges in the
// order they are planned, so a check looks first at the tube after the last
// flange it found, walking the tube and node tables in order. Only when that
// tube is not the flange does it ask an open-addressing table of tube
// indices, built on that first need; it keeps a track of millions of
// flanges to a few bytes per tube, with no allocation per entry.
class PresentFlanges {
 public:
  // Only the tubes present now count: the run appends to `doc`. `first`:
  // the first tube that may be a flange, when known; the tubes are searched
  // for it when not.
  PresentFlanges(const TrackDocument& doc, const NodeCounts& tables, std::optional<size_t> first = {})
      : doc_(doc), tables_(tables), tubes_(static_cast<uint32_t>(doc.Tubes.size())) {
    if (first) {
      first_ = static_cast<uint32_t>(std::min<size_t>(*first, tubes_));
    } else {
      while (first_ < tubes_ && !IsCandidate(first_)) ++first_;
    }
  }

  bool Empty() const { return first_ == tubes_; }

  // One walk over the planned flanges in order, with a place to look first.
  class Check {
   public:
    // `flangesBefore`: how many flanges the walk would have found before its
    // first one, were they all there in order.
    Check(const PresentFlanges& present, int64_t flangesBefore)
        : present_(present),
          next_(static_cast<uint32_t>(std::min<int64_t>(present.first_ + flangesBefore, present.tubes_))) {}
    bool Contains(const PlannedFlange& flange) { return Find(flange).has_value(); }

    // The tube that is `flange`, if the track holds it.
    std::optional<uint32_t> Find(const PlannedFlange& flange) {
      if (present_.Empty()) return std::nullopt;
      if (next_ < present_.tubes_ && present_.IsFlange(next_, flange)) return next_++;
      const std::optional<uint32_t> found = present_.Find(KeyOf(flange.flangeType, flange.end1, flange.end2));
      if (found) next_ = *found + 1;
      return found;
    }

   private:
    const PresentFlanges& present_;
    uint32_t next_;  // the tube to look at first
  };

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

  // The positions of the tube's ends, when both are free nodes present at
  // the start, as a flange's are.
  bool FreeNodeEnds(const Tube& tube, Vec3& a, Vec3& b) const {
    return tube.End1Type == trackio::kEndTypeFreeNode && tube.End2Type == trackio::kEndTypeFreeNode &&
           FindTubeEnd(doc_, tables_, tube.End1Type, tube.End1Index, a) == EndLookup::Found &&
           FindTubeEnd(doc_, tables_, tube.End2Type, tube.End2Index, b) == EndLookup::Found;
  }

  // Whether tube `index` is `flange`: what comparing their keys says, sooner.
  bool IsFlange(uint32_t index, const PlannedFlange& flange) const {
    const Tube& tube = doc_.Tubes[index];
    Vec3 a, b;
    if (tube.TubeType != flange.flangeType || !FreeNodeEnds(tube, a, b)) return false;
    return (a == flange.end1 && b == flange.end2) || (a == flange.end2 && b == flange.end1);
  }

  // The key of tube `index` when it may be a flange.
  std::optional<Key> KeyOfTube(uint32_t index) const {
    const Tube& tube = doc_.Tubes[index];
    Vec3 a, b;
    if (!IsFlangeType(tube.TubeType) || !FreeNodeEnds(tube, a, b)) return std::nullopt;
    return KeyOf(tube.TubeType, a, b);
  }

  bool IsCandidate(uint32_t index) const {
    const Tube& tube = doc_.Tubes[index];
    return MayBeFlange(tube, PlanTube(doc_, tables_, tube));
  }

  // The tube that is the flange `key`, from the table.
  std::optional<uint32_t> Find(const Key& key) const {
    std::call_once(filled_, [this] { Fill(); });
    const uint64_t hash = Hash(key);
    for (size_t at = hash & (slots_.size() - 1);; at = (at + 1) & (slots_.size() - 1)) {
      const Slot& slot = slots_[at];
      if (slot.tube == kEmpty) return std::nullopt;
      if (slot.fingerprint == Fingerprint(hash) && KeyOfTube(slot.tube) == key) return slot.tube;
    }
  }

  void Fill() const {
    // first_ is the first candidate: no tube before it need be planned again.
    std::vector<uint32_t> flanges;
    for (uint32_t i = first_; i < tubes_; ++i) {
      if (IsCandidate(i)) flanges.push_back(i);
    }
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
  NodeCounts tables_;
  uint32_t tubes_;
  uint32_t first_ = 0;  // the first tube that may be a flange; tubes_ when none may
  mutable std::once_flag filled_;
  mutable std::vector<Slot> slots_;  // filled on the first need, by one thread
};

// What a run works from, taken once when it starts: the tubes to visit and
// the nodes their ends may name. The flanges the run appends are not
// visited, their nodes are not there for the tubes still to come, and they
// do not count as present.
struct RunStart {
  size_t sourceTubes;
  NodeCounts tables;

  explicit RunStart(const TrackDocument& doc) : sourceTubes(doc.Tubes.size()), tables(NodeCounts::Of(doc)) {}
};

// A tube that gets flanges has a finite direction, so none is asked for:
// its ends are finite and from 3 to less than 327,679 apart (32,767
// divisions at most), so no difference of their coordinates overflows and
// none exceeds their distance by more than a rounding.
bool GetsFlanges(const TubePlan& plan) { return plan.verdict == Verdict::Flanged; }

// Asks the memory system for the bytes at `p` without waiting for them.
// (GCC 12 drops __builtin_prefetch from the loops below as dead code.)
void Prefetch(const void* p) {
#if defined(__GNUC__) && defined(__x86_64__)
  asm volatile("prefetcht0 %0" : : "m"(*static_cast<const char*>(p)));
#else
  __builtin_prefetch(p);
#endif
}

// Asks for the nodes a tube's ends name, a few tubes before they are needed:
// tube ends may name nodes anywhere in their tables.
void PrefetchEnd(const TrackDocument& doc, const NodeCounts& tables, int32_t endType, int32_t index) {
  if (endType == trackio::kEndTypeFreeNode && index >= 0 && index < tables.freeNodes) {
    Prefetch(doc.FreeNodes.data() + index);
  } else if (endType == trackio::kEndTypeFooter && index >= 0 && index < tables.footers) {
    Prefetch(doc.Footers.data() + index);
  }
}
constexpr size_t kPrefetchAhead = 16;  // tubes

// Hands visit(tube, plan) the plan of each tube of [begin, end).
template <typename Visit>
void PlanTubes(const TrackDocument& doc, const NodeCounts& tables, size_t begin, size_t end, Visit visit) {
  for (size_t i = begin; i < end; ++i) {
    if (i + kPrefetchAhead < end) {
      const Tube& ahead = doc.Tubes[i + kPrefetchAhead];
      PrefetchEnd(doc, tables, ahead.End1Type, ahead.End1Index);
      PrefetchEnd(doc, tables, ahead.End2Type, ahead.End2Index);
    }
    visit(i, PlanTube(doc, tables, doc.Tubes[i]));
  }
}

// ---- the whole run, in blocks of tubes on every core ----------------------

// A run plans the tubes in blocks. Counting comes first, block by block; a
// block's new nodes and tubes then go to the places that the counts of the
// blocks before it leave, so that blocks can be planned on several threads
// at once and still append exactly the records, in exactly the order, that
// one thread appending tube after tube would.
constexpr size_t kBlockTubes = 2048;

size_t BlockCount(size_t tubes) { return (tubes + kBlockTubes - 1) / kBlockTubes; }

// The plan of a tube that gets flanges, as a run keeps it between counting
// and placing, so that its ends are looked up once.
struct KeptPlan {
  Vec3 a, b;
  double dist;
  int32_t divisions;
  int32_t tubeType;

  static KeptPlan Of(const TubePlan& plan, int32_t tubeType) {
    return {plan.a, plan.b, plan.dist, plan.divisions, tubeType};
  }
  TubePlan Plan() const {
    TubePlan plan;
    plan.verdict = Verdict::Flanged;
    plan.endsFound = true;
    plan.a = a;
    plan.b = b;
    plan.dist = dist;
    plan.divisions = divisions;
    plan.kind = *FlangeKindFor(tubeType);
    return plan;
  }
};

struct BlockSurvey {
  int64_t planned = 0;  // flanges its tubes plan
  int64_t added = 0;    // of those, the ones not present
  int64_t tubesFlanged = 0;
  int64_t tubesSkippedOutOfRange = 0;
  std::optional<size_t> firstCandidate;  // its first tube that may be a flange
  std::vector<KeptPlan> plans;  // of the tubes that get flanges, when kept
  std::vector<bool> present;    // for each planned flange, when the track holds flanges
};

unsigned ThreadsFor(unsigned wanted, size_t blocks) {
  if (wanted == 0) wanted = std::max(1u, std::thread::hardware_concurrency());
  return static_cast<unsigned>(std::min<size_t>({wanted, blocks, 64}));
}

// Runs work(block) for every block on up to `threads` threads, the calling
// one among them, each taking the next block not yet taken. The calling
// thread hears of the blocks finished so far (done(count)) after each of
// its own, and at the end. Whatever a thread throws is thrown here, once
// all have stopped.
template <typename Work, typename Done>
void ForEachBlock(size_t blocks, unsigned threads, Work work, Done done) {
  std::atomic<size_t> next{0};
  std::atomic<size_t> finished{0};
  std::mutex failureLock;
  std::exception_ptr failure;
  auto run = [&](bool caller) {
    try {
      for (size_t block = next++; block < blocks; block = next++) {
        work(block);
        const size_t count = ++finished;
        if (caller) done(count);
      }
    } catch (...) {
      const std::lock_guard<std::mutex> lock(failureLock);
      if (!failure) failure = std::current_exception();
      next = blocks;
    }
  };
  std::vector<std::thread> helpers;
  for (unsigned i = 1; i < threads; ++i) {
    try {
      helpers.emplace_back(run, false);
    } catch (const std::system_error&) {
      break;  // fewer threads: the blocks are done all the same
    }
  }
  run(true);
  for (std::thread& helper : helpers) helper.join();
  if (failure) std::rethrow_exception(failure);
  done(blocks);
}

// A run's count, block by block.
struct Survey {
  std::vector<BlockSurvey> blocks;
};

// [b]: the sum of `field` over the blocks before block b.
std::vector<int64_t> SumsBefore(const Survey& survey, int64_t BlockSurvey::*field) {
  std::vector<int64_t> before(survey.blocks.size() + 1, 0);
  for (size_t block = 0; block < survey.blocks.size(); ++block) {
    before[block + 1] = before[block] + survey.blocks[block].*field;
  }
  return before;
}

// Counts the flanges each block's tubes plan and, when the track holds
// flanges, which of them are there already. `keepPlans`: keep the plans for
// placing the flanges. `pass` is the visit of the tubes this reports as (a
// run visits them twice: to count, then to place).
Survey TakeSurvey(const TrackDocument& doc, const RunStart& start, unsigned threads, bool keepPlans,
                  trackio::ProgressThrottle* progress, int pass) {
  const size_t blocks = BlockCount(start.sourceTubes);
  threads = ThreadsFor(threads, blocks);
  Survey survey;
  survey.blocks.resize(blocks);
  auto range = [&](size_t block) {
    return std::pair{block * kBlockTubes, std::min(start.sourceTubes, (block + 1) * kBlockTubes)};
  };
  // Progress: the first half of the pass for counting, the second for
  // looking up which flanges are there, when there is something to look up.
  const auto tubes = static_cast<int64_t>(start.sourceTubes);
  auto report = [&](int64_t half, size_t blocksDone) {
    const auto done = std::min(tubes, static_cast<int64_t>(blocksDone * kBlockTubes));
    if (progress) progress->Update(pass * tubes + (half * tubes + done) / 2);
  };

  // The flanges each tube plans follow from its plan alone; the tubes that
  // may be flanges are noted on the way.
  ForEachBlock(
      blocks, threads,
      [&](size_t block) {
        // Counted apart and stored once: neighbouring blocks' counts share
        // cache lines, and another thread is counting the next block.
        BlockSurvey count;
        const auto [begin, end] = range(block);
        PlanTubes(doc, start.tables, begin, end, [&](size_t tube, const TubePlan& plan) {
          if (!count.firstCandidate && MayBeFlange(doc.Tubes[tube], plan)) count.firstCandidate = tube;
          if (GetsFlanges(plan)) {
            count.planned += plan.Flanges();
            ++count.tubesFlanged;
            if (keepPlans) count.plans.push_back(KeptPlan::Of(plan, doc.Tubes[tube].TubeType));
          } else if (plan.verdict != Verdict::Skipped) {
            ++count.tubesSkippedOutOfRange;
          }
        });
        count.added = count.planned;
        survey.blocks[block] = std::move(count);
      },
      [&](size_t blocksDone) { report(0, blocksDone); });
  const auto withCandidate = std::find_if(survey.blocks.begin(), survey.blocks.end(),
                                          [](const BlockSurvey& block) { return block.firstCandidate.has_value(); });
  if (withCandidate == survey.blocks.end()) {
    report(1, blocks);
    return survey;
  }
  const PresentFlanges present(doc, start.tables, withCandidate->firstCandidate);

  // Which are there already. A track flanged by this program holds its
  // flanges in the order they are planned: each block starts looking where
  // its first flange would stand then.
  const std::vector<int64_t> plannedBefore = SumsBefore(survey, &BlockSurvey::planned);
  ForEachBlock(
      blocks, threads,
      [&](size_t block) {
        BlockSurvey count = std::move(survey.blocks[block]);
        count.added = 0;
        count.tubesFlanged = 0;
        if (keepPlans) count.present.reserve(static_cast<size_t>(count.planned));
        PresentFlanges::Check check(present, plannedBefore[block]);
        auto visit = [&](const TubePlan& plan) {
          const int64_t addedBefore = count.added;
          PlanTubeFlanges(plan, [&](const PlannedFlange& flange) {
            const bool there = check.Contains(flange);
            if (keepPlans) count.present.push_back(there);  // for placing the flanges
            if (!there) ++count.added;
          });
          if (count.added > addedBefore) ++count.tubesFlanged;
        };
        if (keepPlans) {
          for (const KeptPlan& kept : count.plans) visit(kept.Plan());
        } else {
          const auto [begin, end] = range(block);
          PlanTubes(doc, start.tables, begin, end, [&](size_t, const TubePlan& plan) {
            if (GetsFlanges(plan)) visit(plan);
          });
        }
        survey.blocks[block] = std::move(count);
      },
      [&](size_t blocksDone) { report(1, blocksDone); });
  return survey;
}

// A run that adds nothing, for the reason `error` gives.
FlangeSummary Refused(trackio::TrackError error) {
  FlangeSummary summary;
  summary.error = std::move(error);
  return summary;
}

FlangeSummary Summarise(const Survey& survey) {
  FlangeSummary summary;
  for (const BlockSurvey& block : survey.blocks) {
    summary.tubesFlanged += block.tubesFlanged;
    summary.flangesAdded += block.added;
    summary.flangesAlreadyPresent += block.planned - block.added;
    summary.tubesSkippedOutOfRange += block.tubesSkippedOutOfRange;
  }
  return summary;
}

// Writes the new flanges of every block into the tables, which already have
// room for them, from the plans the survey kept.
void PlaceFlanges(TrackDocument& doc, const RunStart& start, const Survey& survey, unsigned threads,
                  trackio::ProgressThrottle* progress, int pass) {
  const size_t blocks = survey.blocks.size();
  const std::vector<int64_t> addedBefore = SumsBefore(survey, &BlockSurvey::added);
  const int64_t firstNode = start.tables.freeNodes;
  const auto firstTube = static_cast<int64_t>(start.sourceTubes);
  const Single value = Single::FromFloat(0.0f);
  ForEachBlock(
      blocks, ThreadsFor(threads, blocks),
      [&](size_t block) {
        const BlockSurvey& count = survey.blocks[block];
        if (count.added == 0) return;
        int64_t next = addedBefore[block];  // the next new flange's number in the run
        size_t planned = 0;
        for (const KeptPlan& kept : count.plans) {
          PlanTubeFlanges(kept.Plan(), [&](const PlannedFlange& flange) {
            if (!count.present.empty() && count.present[planned++]) return;
            // Its two nodes, in the order they would be appended.
            const int64_t firstOfPair = firstNode + 2 * next;
            const auto node1 = static_cast<int32_t>(firstOfPair + (flange.end2NodeFirst ? 1 : 0));
            const auto node2 = static_cast<int32_t>(firstOfPair + (flange.end2NodeFirst ? 0 : 1));
            doc.FreeNodes[static_cast<size_t>(node1)] = flange.end1;
            doc.FreeNodes[static_cast<size_t>(node2)] = flange.end2;
            doc.Tubes[static_cast<size_t>(firstTube + next)] = FreeNodeTube(node1, node2, flange.flangeType, value);
            ++next;
          });
        }
      },
      [&](size_t blocksDone) {
        const size_t tubesDone = std::min(start.sourceTubes, blocksDone * kBlockTubes);
        if (progress) progress->Update(static_cast<int64_t>(pass * start.sourceTubes + tubesDone));
      });
}

// Hands found(flange, tube) every flange a run would plan, in order, with
// the tube that is that flange already, if the track holds it.
template <typename Found>
void ForEachPlannedFlange(const TrackDocument& doc, const RunStart& start, const PresentFlanges& present,
                          Found found) {
  PresentFlanges::Check check(present, 0);
  PlanTubes(doc, start.tables, 0, start.sourceTubes, [&](size_t, const TubePlan& plan) {
    if (!GetsFlanges(plan)) return;
    PlanTubeFlanges(plan, [&](const PlannedFlange& flange) { found(flange, check.Find(flange)); });
  });
}

// AddFlanges without its guard: throws what fails on the way, the tables
// then perhaps grown.
FlangeSummary AddFlangesFrom(TrackDocument& document, const RunStart& start,
                             const trackio::ProgressCallback& callback, unsigned threads) {
  const auto tubes = static_cast<int64_t>(start.sourceTubes);
  trackio::ProgressThrottle progress(callback, 2 * tubes);

  // First count, and note for each flange whether it is there already.
  const Survey survey = TakeSurvey(document, start, threads, true, &progress, 0);
  FlangeSummary summary = Summarise(survey);

  // Refuse, before changing anything, a result that no track file could hold.
  if (!trackio::FitsTrackFile(document, 2 * summary.flangesAdded, summary.flangesAdded)) {
    summary.error = {trackio::TrackErrorKind::TooLarge,
                     "the flanged track would be larger than a track file can hold (" +
                         std::to_string(summary.flangesAdded) + " flanges)",
                     {}, -1};
    summary.tubesFlanged = 0;
    summary.flangesAdded = 0;
    return summary;
  }

  if (summary.flangesAdded > 0) {
    trackio::GrowTable(document.FreeNodes, document.FreeNodes.size() + 2 * static_cast<size_t>(summary.flangesAdded));
    trackio::GrowTable(document.Tubes, document.Tubes.size() + static_cast<size_t>(summary.flangesAdded));
    PlaceFlanges(document, start, survey, threads, &progress, 1);
  }
  progress.Finish();
  return summary;
}

}  // namespace

FlangeSummary CountFlanges(const TrackDocument& document) {
  try {
    const RunStart start(document);
    return Summarise(TakeSurvey(document, start, 0, false, nullptr, 0));
  } catch (const std::bad_alloc&) {
    return Refused({trackio::TrackErrorKind::TooLarge, "not enough memory to count the flanges", {}, -1});
  }
}

namespace {

// One walk over the flanges a run would plan: those it would add go to
// `toAdd`, the tubes that are flanges already there to `presentTubes`
// (increasing, each once). Either may be null.
void CollectPlannedFlanges(const TrackDocument& document, std::vector<PlannedFlange>* toAdd,
                           std::vector<uint32_t>* presentTubes) {
  const RunStart start(document);
  const PresentFlanges present(document, start.tables);
  if (toAdd == nullptr && present.Empty()) return;
  ForEachPlannedFlange(document, start, present, [&](const PlannedFlange& flange, std::optional<uint32_t> tube) {
    if (!tube) {
      if (toAdd != nullptr) toAdd->push_back(flange);
    } else if (presentTubes != nullptr) {
      presentTubes->push_back(*tube);
    }
  });
  if (presentTubes == nullptr) return;
  std::sort(presentTubes->begin(), presentTubes->end());
  presentTubes->erase(std::unique(presentTubes->begin(), presentTubes->end()), presentTubes->end());
}

}  // namespace

std::vector<PlannedFlange> ListFlanges(const TrackDocument& document, std::vector<uint32_t>* presentTubes) {
  std::vector<PlannedFlange> flanges;
  if (presentTubes != nullptr) presentTubes->clear();
  CollectPlannedFlanges(document, &flanges, presentTubes);
  return flanges;
}

std::vector<uint32_t> PresentFlangeTubes(const TrackDocument& document) {
  std::vector<uint32_t> tubes;
  CollectPlannedFlanges(document, nullptr, &tubes);
  return tubes;
}

FlangeSummary AddFlanges(TrackDocument& document, const trackio::ProgressCallback& progress, unsigned threads) {
  const RunStart start(document);
  // Whatever fails on the way (memory, the caller's progress callback)
  // leaves the track as it was.
  const size_t nodesBefore = document.FreeNodes.size();
  auto restore = [&] {
    document.FreeNodes.resize(nodesBefore);
    document.Tubes.resize(start.sourceTubes);
  };
  try {
    return AddFlangesFrom(document, start, progress, threads);
  } catch (const std::bad_alloc&) {
    restore();
    return Refused({trackio::TrackErrorKind::TooLarge, "not enough memory for the flanges", {}, -1});
  } catch (...) {
    restore();
    throw;
  }
}

}  // namespace supports
