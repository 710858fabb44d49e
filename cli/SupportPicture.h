// A picture of a track's support structure as SVG: footers as small squares,
// every tube whose two ends resolve as one line coloured by its tube type,
// the flanges the track holds already in a colour of their own, and, when
// asked, the flanges a run would add drawn on top. Scaled to fit, with a
// legend that also says why tubes were left out; points that are not finite
// numbers are left out.
//
// The picture is planned first (counted, placed, its size known) and then
// written straight to its file, so it is never held in memory; a picture of
// more lines than anyone can look at is refused before anything is written.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/PictureView.h"
#include "supports/FlangeGenerator.h"
#include "trackio/ByteSink.h"
#include "trackio/Progress.h"
#include "trackio/TrackDocument.h"
#include "trackio/TrackResult.h"

namespace cli {

// The most lines (tubes and flanges) a picture draws. An SVG of 200,000
// lines is about 15 MB, which a browser still shows, slowly; beyond that the
// lines merge into a blot.
inline constexpr int64_t kMaxPictureLines = 200000;

// Why a tube of the track is not in its picture.
enum class NotDrawn { NotANode, Missing, NotANumber };
inline constexpr size_t kNotDrawnReasons = 3;

// "an end is neither a footer nor a free node", ...
const char* NotDrawnReason(NotDrawn reason);

// What a picture shows.
struct PictureFigures {
  int64_t footers = 0;
  int64_t tubes = 0;    // drawn, flanges already there left out
  int64_t present = 0;  // flanges already there
  int64_t flanges = 0;  // flanges to add
  std::array<int64_t, kNotDrawnReasons> notDrawn{};  // tubes left out, by NotDrawn

  int64_t NotDrawnTubes() const { return notDrawn[0] + notDrawn[1] + notDrawn[2]; }
};

class SupportPicture {
 public:
  // Plans the picture of `document`, which must outlive it; `title` names the
  // track in the picture. Fails (TooLarge) when it would draw more than
  // kMaxPictureLines lines, saying how many.
  static trackio::TrackResult<SupportPicture> Plan(const trackio::TrackDocument& document, View view, bool withFlanges,
                                                   std::string title);

  const PictureFigures& Figures() const { return figures_; }

  // Writes the SVG to `sink` as it is made; `progress` hears of the lines
  // drawn out of all of them.
  void Write(trackio::ByteSink& sink, const trackio::ProgressCallback& progress = {}) const;

 private:
  SupportPicture(const trackio::TrackDocument& document, View view, std::string title)
      : document_(&document), view_(view), title_(std::move(title)) {}

  const trackio::TrackDocument* document_;
  View view_;
  std::string title_;
  bool withFlanges_ = false;
  std::vector<uint32_t> tubesByType_;               // drawn tubes, sorted by type, each type in file order
  std::vector<uint32_t> presentFlanges_;            // the tubes that are flanges already there
  std::vector<supports::PlannedFlange> flanges_;    // the flanges to add
  PictureFigures figures_;
  struct Frame {
    double minX = 0, minY = 0, scale = 1, width = 0, height = 0;  // placement of the drawing
    bool empty = true;
  } frame_;
};

// `text` made safe for XML character data and attribute values: markup
// characters escaped, and every character XML 1.0 does not allow (control
// characters but tab, U+FFFE, U+FFFF) and every byte that is not part of
// valid UTF-8 replaced by U+FFFD.
std::string XmlText(const std::string& text);

}  // namespace cli
