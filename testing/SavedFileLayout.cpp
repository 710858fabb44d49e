#include "SavedFileLayout.h"

#include <cstring>
#include <stdexcept>
#include <string_view>

namespace fuzzcheck {

namespace {

struct LayoutFault : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The tree a save writes; TERA, between SCEN and ENVC, only with terrain.
struct TreeNode {
  const char* tag;
  std::vector<TreeNode> children;
  bool optional = false;
};

const TreeNode& SavedTree() {
  static const TreeNode support{"SUPP", {{"FUND", {}}, {"RASC", {}}, {"FREN", {}}, {"TUBE", {}}, {"CATW", {}}}};
  static const TreeNode track{"TRCK", {{"INFO", {}}, {"BEZR", {}}, {"SEGM", {}}, support}};
  static const TreeNode scenery{"SCEN", {{"SCOB", {}}}};
  static const TreeNode root{"NLIM", {track, scenery, {"TERA", {}, true}, {"ENVC", {}}}};
  return root;
}

// Whether a tag, upper-cased as a load reads it, names a chunk the tool
// reads below the root.
bool IsKnownTag(std::string tag) {
  for (char& c : tag) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  for (std::string_view known : {"TRCK", "INFO", "BEZR", "SEGM", "SUPP", "FUND", "RASC", "FREN", "TUBE", "CATW",
                                 "SCEN", "SCOB", "TERA", "ENVC"}) {
    if (tag == known) return true;
  }
  return false;
}

class Walker {
 public:
  explicit Walker(const std::vector<uint8_t>& file) : file_(file) {}

  // Walks the chunk of `node` whose tag stands at `at`; returns its end.
  int64_t Chunk(const TreeNode& node, int64_t at) {
    if (TagAt(at) != node.tag) Fail(std::string("expected ") + node.tag + ", found \"" + TagAt(at) + "\"", at);
    const int64_t size = Long(at + 4);
    if (size < 0) Fail(std::string(node.tag) + " size is negative", at + 4);
    const int64_t end = at + 8 + size;
    if (end > Length()) Fail(std::string(node.tag) + " size reaches past the end of the file", at + 4);

    const int64_t ownEnd = OwnDataEnd(node.tag, at + 8);
    const int64_t subChunkCount = Long(ownEnd - 4);
    if (subChunkCount < 0) Fail(std::string(node.tag) + " sub-chunk count is negative", ownEnd - 4);
    int64_t next = ownEnd;
    size_t expected = 0;  // the next known child
    for (int64_t i = 0; i < subChunkCount; ++i) {
      const std::string tag = TagAt(next);
      if (!IsKnownTag(tag)) {
        next = UnknownChunk(next, end);
        continue;
      }
      while (expected < node.children.size() && node.children[expected].optional &&
             tag != node.children[expected].tag) {
        ++expected;
      }
      if (expected == node.children.size() || tag != node.children[expected].tag) {
        Fail("\"" + tag + "\" is not where a save writes it in " + node.tag, next);
      }
      next = Chunk(node.children[expected++], next);
    }
    while (expected < node.children.size() && node.children[expected].optional) ++expected;
    if (expected != node.children.size()) {
      Fail(std::string(node.tag) + " has no " + node.children[expected].tag + " chunk", ownEnd - 4);
    }
    if (next != end) {
      Fail(std::string(node.tag) + " size field says " + std::to_string(size) + " but " +
               std::to_string(next - at - 8) + " bytes follow it",
           at + 4);
    }
    return end;
  }

  int64_t Length() const { return static_cast<int64_t>(file_.size()); }

 private:
  // Steps over a chunk of an unknown kind at `at`, which must end by `end`.
  int64_t UnknownChunk(int64_t at, int64_t end) const {
    const int64_t size = Long(at + 4);
    if (size < 0 || at + 8 + size > end) Fail("a chunk of an unknown kind reaches past its parent", at + 4);
    return at + 8 + size;
  }

  [[noreturn]] static void Fail(const std::string& what, int64_t offset) {
    throw LayoutFault(what + " (byte " + std::to_string(offset) + ")");
  }

  void Need(int64_t at, int64_t width) const {
    if (at < 0 || width < 0 || at + width > Length()) Fail("the file ends inside a field", at);
  }

  std::string TagAt(int64_t at) const {
    Need(at, 4);
    return std::string(reinterpret_cast<const char*>(file_.data() + at), 4);
  }

  int64_t Long(int64_t at) const {
    Need(at, 4);
    const uint8_t* p = file_.data() + at;
    const uint32_t bits = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    return static_cast<int32_t>(bits);
  }

  // A count or length as a save writes it: never negative.
  int64_t Count(int64_t at) const {
    const int64_t value = Long(at);
    if (value < 0) Fail("a saved count or length is negative", at);
    return value;
  }

  // Steps over a length-prefixed text at `p`.
  int64_t Text(int64_t p) const { return p + 4 + Count(p); }

  // Steps over `count` records whose lengths `record` gives, from `p`.
  template <typename Record>
  int64_t Records(int64_t p, int64_t count, Record record) const {
    for (int64_t i = 0; i < count; ++i) {
      p = record(p);
      Need(p, 0);
    }
    return p;
  }

  // A table of fixed-size records after 16 reserved bytes, then 16 more and
  // the sub-chunk count.
  int64_t FixedTable(int64_t p, int64_t recordBytes) const {
    const int64_t count = Count(p + 16);
    if (count > Length() / recordBytes) Fail("a saved count is larger than the file", p + 16);
    return p + 20 + count * recordBytes + 20;
  }

  // The end of the chunk's own data (after its sub-chunk count), from the
  // byte after its size field; children are not included.
  int64_t OwnDataEnd(const std::string& tag, int64_t p) const {
    if (tag == "NLIM") return p + 4 + 16 + 4;
    if (tag == "TRCK") {
      const int64_t sets = Count(p + 4);
      p = Records(p + 12, sets, [this](int64_t q) { return Text(q + 8) + 16; });
      return p + 32 + 16 + 4;
    }
    if (tag == "INFO") return Text(p + 16) + 4;
    if (tag == "BEZR") return FixedTable(p, 60);
    if (tag == "SEGM") {
      const int64_t segments = Count(p);
      p = Records(p + 4 + 1 + 16, segments, [this](int64_t q) {
        const int64_t kind = Long(q);
        q += 33;
        // Kinds 0 to 4 carry a part that starts with the count of its bytes,
        // which a save writes from the kind.
        if (kind < 0 || kind > 4) return q;
        constexpr int64_t kPartLengths[] = {0, 126, 36, 28, 50};
        if (Long(q) != kPartLengths[kind]) Fail("a segment's part length is not its kind's", q);
        return q + 4 + kPartLengths[kind];
      });
      return p + 16 + 4;
    }
    if (tag == "SUPP") return p + 32 + 4;
    if (tag == "FUND") return FixedTable(p, 92);
    if (tag == "RASC") {
      const int64_t connectors = Count(p + 16);
      p = Records(p + 20, connectors, [this](int64_t q) {
        const int64_t entries = Count(q);
        if (entries > Length() / 24) Fail("a saved entry count is larger than the file", q);
        return q + 4 + 24 * entries;
      });
      return p + 16 + 4;
    }
    if (tag == "FREN") return FixedTable(p, 28);
    if (tag == "TUBE") return FixedTable(p, 48);
    if (tag == "CATW") {
      const int64_t catwalks = Count(p + 16);
      p = Records(p + 20, catwalks, [this](int64_t q) { return q + 28 + Count(q + 24); });
      return p + 16 + 4;
    }
    if (tag == "SCEN") return FixedTable(p, 64);
    if (tag == "SCOB") {
      const int64_t objects = Count(p + 16);
      p = Records(p + 20, objects, [this](int64_t q) { return Text(Text(q)) + 60 + 20; });
      return p + 16 + 4;
    }
    if (tag == "TERA") {
      const int64_t columns = Count(p);
      const int64_t rows = Count(p + 4);
      p = Text(p + 16);           // two counts, two singles, the first text
      p = Text(p + 4);            // a single, the second text
      p = Text(p + 4 + 1 + 4);    // a single, the flag, 4 reserved, the third text
      p += 4 + 1 + 15;            // a single, a byte, 15 reserved
      if (columns != 0 && rows > Length() / 4 / columns) Fail("the saved terrain grid is larger than the file", p);
      return p + 4 * columns * rows + 16 + 4;
    }
    if (tag == "ENVC") return Text(Text(p + 16)) + 16 + 4;
    Fail("no layout for " + tag, p);
  }

  const std::vector<uint8_t>& file_;
};

}  // namespace

std::string FindLayoutFault(const std::vector<uint8_t>& savedFile) {
  try {
    Walker walker(savedFile);
    const int64_t end = walker.Chunk(SavedTree(), 0);
    if (end != walker.Length()) {
      return "the root chunk ends at byte " + std::to_string(end) + " of a file of " +
             std::to_string(walker.Length()) + " bytes";
    }
    return {};
  } catch (const LayoutFault& fault) {
    return fault.what();
  }
}

}  // namespace fuzzcheck
