// A picture of a track's support structure as SVG: footers as small squares,
// every tube whose two ends resolve as one line coloured by its tube type,
// and, when given, the flanges a run would add drawn on top. Scaled to fit,
// with a legend; points that are not finite numbers are left out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "supports/FlangeGenerator.h"
#include "trackio/TrackDocument.h"

namespace cli {

// What a picture shows.
struct PictureFigures {
  int64_t footers = 0;
  int64_t tubes = 0;
  int64_t flanges = 0;
};

// "top", "side" or "front".
const char* ViewName(View view);

// `title` names the track in the picture; `flanges` may be null.
std::string SupportPicture(const trackio::TrackDocument& document, View view,
                           const std::vector<supports::PlannedFlange>* flanges, const std::string& title,
                           PictureFigures* figures = nullptr);

// `text` made safe for XML character data and attribute values: markup
// characters escaped, control characters dropped, and bytes that are not
// valid UTF-8 replaced by '?'.
std::string XmlText(const std::string& text);

}  // namespace cli
