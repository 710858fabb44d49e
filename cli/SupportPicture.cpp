#include "cli/SupportPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string_view>

namespace cli {

namespace {

using trackio::TrackDocument;
using trackio::Vec3;

// A point on the page before scaling; y grows down the page.
struct PagePoint {
  double x, y;
};

struct PageLine {
  PagePoint a, b;
};

std::optional<PagePoint> Project(const Vec3& p, View view) {
  const double x = p.x.ToFloat(), y = p.y.ToFloat(), z = p.z.ToFloat();
  if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z)) return std::nullopt;
  switch (view) {
    case View::Top: return PagePoint{x, z};     // looking down: x across, z down the page
    case View::Side: return PagePoint{x, -y};   // along z: x across, y up
    case View::Front: return PagePoint{-z, -y};  // along x: z across (mirrored so as not to flip), y up
  }
  return std::nullopt;
}

std::optional<Vec3> EndPosition(const TrackDocument& doc, int32_t endType, int32_t index) {
  if (index < 0) return std::nullopt;
  const auto at = static_cast<size_t>(index);
  if (endType == trackio::kEndTypeFooter && at < doc.Footers.size()) return doc.Footers[at].Position;
  if (endType == trackio::kEndTypeFreeNode && at < doc.FreeNodes.size()) return doc.FreeNodes[at];
  return std::nullopt;
}

std::optional<PageLine> ProjectLine(const std::optional<Vec3>& a, const std::optional<Vec3>& b, View view) {
  if (!a || !b) return std::nullopt;
  const std::optional<PagePoint> pa = Project(*a, view), pb = Project(*b, view);
  if (!pa || !pb) return std::nullopt;
  return PageLine{*pa, *pb};
}

std::optional<PageLine> TubeLine(const TrackDocument& doc, const trackio::Tube& tube, View view) {
  return ProjectLine(EndPosition(doc, tube.End1Type, tube.End1Index), EndPosition(doc, tube.End2Type, tube.End2Index),
                     view);
}

std::optional<PageLine> FlangeLine(const supports::PlannedFlange& flange, View view) {
  return ProjectLine(flange.end1, flange.end2, view);
}

struct Bounds {
  double minX = std::numeric_limits<double>::infinity(), minY = minX;
  double maxX = -minX, maxY = -minX;

  void Add(const PagePoint& p) {
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  void Add(const PageLine& line) { Add(line.a), Add(line.b); }
  bool Empty() const { return minX > maxX; }
};

constexpr double kMargin = 24.0;
constexpr double kMaxDrawWidth = 900.0;
constexpr double kMaxDrawHeight = 640.0;
constexpr double kLegendWidth = 230.0;
constexpr double kLegendLine = 22.0;
constexpr const char* kFooterColour = "#333333";
constexpr const char* kFlangeColour = "#e6194b";

const char* TubeColour(int32_t tubeType) {
  static constexpr const char* kColours[] = {"#1f77b4", "#2ca02c", "#9467bd", "#8c564b",
                                             "#17becf", "#bcbd22", "#f58231"};
  if (tubeType >= 0 && tubeType < static_cast<int32_t>(std::size(kColours))) return kColours[tubeType];
  return "#7f7f7f";
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

void Put(trackio::ByteSink& sink, std::string_view text) {
  sink.Write(reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// A round length of track units that is about `pixels` long on the picture.
double ScaleBarLength(double scale, double pixels) {
  const double target = pixels / scale;
  const double power = std::pow(10.0, std::floor(std::log10(target)));
  double length = power;
  for (const double step : {2.0, 5.0, 10.0}) {
    if (power * step <= target) length = power * step;
  }
  return length;
}

// The legend, one line after another; without a sink it only measures.
class Legend {
 public:
  Legend(trackio::ByteSink* sink, double left, double top) : sink_(sink), left_(left), y_(top) {}

  void Heading(const std::string& text, bool bold) {
    if (sink_ != nullptr) {
      Put(*sink_, "<text x=\"" + Number(left_) + "\" y=\"" + Number(y_ + 5) + "\"" +
                      (bold ? " font-weight=\"bold\"" : "") + ">" + XmlText(text) + "</text>\n");
    }
    y_ += kLegendLine;
  }
  template <typename Sample>
  void Entry(Sample sample, const std::string& text) {
    if (sink_ != nullptr) {
      Put(*sink_, sample());
      Put(*sink_, "<text x=\"" + Number(left_ + 34) + "\" y=\"" + Number(y_ + 5) + "\">" + XmlText(text) + "</text>\n");
    }
    y_ += kLegendLine;
  }
  void Gap() { y_ += kLegendLine / 2; }

  double x() const { return left_; }
  double y() const { return y_; }

 private:
  trackio::ByteSink* sink_;
  double left_, y_;
};

std::string SampleLine(double x, double y, const char* colour, double width) {
  return "<line x1=\"" + Number(x + 2) + "\" y1=\"" + Number(y) + "\" x2=\"" + Number(x + 26) + "\" y2=\"" +
         Number(y) + "\" stroke=\"" + colour + "\" stroke-width=\"" + Number(width) + "\" stroke-linecap=\"round\"/>\n";
}

std::string Square(const PagePoint& centre, const char* attributes = "") {
  return std::string("<rect") + attributes + " x=\"" + Number(centre.x - 3.5) + "\" y=\"" + Number(centre.y - 3.5) +
         "\" width=\"7\" height=\"7\"/>\n";
}

std::string Plural(int64_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

const char* Axes(View view) {
  switch (view) {
    case View::Top: return "looking down";
    case View::Side: return "along the z axis";
    case View::Front: return "along the x axis";
  }
  return "";
}

trackio::TrackError TooManyLines(int64_t lines) {
  return {trackio::TrackErrorKind::TooLarge,
          "the picture would have " + std::to_string(lines) + " lines, more than the " +
              std::to_string(kMaxPictureLines) + " a picture can usefully show; nothing was written",
          {},
          -1};
}

// The code point of the well-formed UTF-8 sequence at `at` and its length,
// or length 0 when there is none (overlong forms and surrogates included).
struct Decoded {
  char32_t code = 0;
  size_t length = 0;
};

Decoded DecodeUtf8(std::string_view text, size_t at) {
  const auto byte = [&text](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
  const unsigned lead = byte(at);
  if (lead < 0x80) return {lead, 1};
  size_t length = 0;
  unsigned low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {};
  }
  if (byte(at + 1) < low || byte(at + 1) > high) return {};
  char32_t code = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    if ((byte(at + k) & 0xC0) != 0x80) return {};
    code = (code << 6) | (byte(at + k) & 0x3F);
  }
  return {code, length};
}

// XML 1.0's characters, less the control characters it still allows but a
// name or a legend has no use for (line breaks, DEL, C1).
bool BelongsInText(char32_t code) {
  if (code == '\t') return true;
  if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) return false;
  return code != 0xFFFE && code != 0xFFFF;
}

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";  // U+FFFD

}  // namespace

const char* ViewName(View view) {
  switch (view) {
    case View::Top: return "top";
    case View::Side: return "side";
    case View::Front: return "front";
  }
  return "";
}

trackio::TrackResult<SupportPicture> SupportPicture::Plan(const TrackDocument& document, View view, bool withFlanges,
                                                          std::string title) {
  SupportPicture picture(document, view, std::move(title));
  picture.withFlanges_ = withFlanges;

  // Count before holding anything, so that a hostile track costs no memory.
  int64_t lines = 0;
  for (const trackio::Tube& tube : document.Tubes) lines += TubeLine(document, tube, view) ? 1 : 0;
  if (lines > kMaxPictureLines) return TooManyLines(lines);
  if (withFlanges) {
    const supports::FlangeSummary flanges = supports::CountFlanges(document);
    if (lines + flanges.flangesAdded > kMaxPictureLines) return TooManyLines(lines + flanges.flangesAdded);
    picture.flanges_ = supports::ListFlanges(document);
    std::erase_if(picture.flanges_, [view](const supports::PlannedFlange& f) { return !FlangeLine(f, view); });
  }

  Bounds bounds;
  for (const trackio::Footer& footer : document.Footers) {
    if (const std::optional<PagePoint> p = Project(footer.Position, view)) {
      bounds.Add(*p);
      ++picture.figures_.footers;
    }
  }
  picture.tubesByType_.reserve(static_cast<size_t>(lines));
  for (size_t i = 0; i < document.Tubes.size(); ++i) {
    if (const std::optional<PageLine> line = TubeLine(document, document.Tubes[i], view)) {
      bounds.Add(*line);
      picture.tubesByType_.push_back(static_cast<uint32_t>(i));
    }
  }
  std::stable_sort(picture.tubesByType_.begin(), picture.tubesByType_.end(), [&document](uint32_t a, uint32_t b) {
    return document.Tubes[a].TubeType < document.Tubes[b].TubeType;
  });
  for (const supports::PlannedFlange& flange : picture.flanges_) bounds.Add(*FlangeLine(flange, view));
  picture.figures_.tubes = lines;
  picture.figures_.flanges = static_cast<int64_t>(picture.flanges_.size());

  Frame& frame = picture.frame_;
  frame.empty = bounds.Empty();
  if (!frame.empty) {
    frame.minX = bounds.minX;
    frame.minY = bounds.minY;
    const double width = bounds.maxX - bounds.minX, height = bounds.maxY - bounds.minY;
    double scale = std::numeric_limits<double>::infinity();
    if (width > 0) scale = std::min(scale, kMaxDrawWidth / width);
    if (height > 0) scale = std::min(scale, kMaxDrawHeight / height);
    if (std::isfinite(scale) && scale > 0) frame.scale = scale;
    frame.width = width * frame.scale;
    frame.height = height * frame.scale;
  }
  return picture;
}

void SupportPicture::Write(trackio::ByteSink& sink) const {
  const TrackDocument& doc = *document_;
  const Frame& frame = frame_;
  const auto place = [&frame](const PagePoint& p) {
    return PagePoint{kMargin + (p.x - frame.minX) * frame.scale, kMargin + (p.y - frame.minY) * frame.scale};
  };
  const auto putLine = [&](const PageLine& line, const char* attributes) {
    const PagePoint a = place(line.a), b = place(line.b);
    Put(sink, std::string("<line") + attributes + " x1=\"" + Number(a.x) + "\" y1=\"" + Number(a.y) + "\" x2=\"" +
                  Number(b.x) + "\" y2=\"" + Number(b.y) + "\"/>\n");
  };
  // Runs of one tube type in tubesByType_: calls `each(type, first, end)`.
  const auto forEachType = [this, &doc](auto each) {
    for (size_t first = 0; first < tubesByType_.size();) {
      const int32_t type = doc.Tubes[tubesByType_[first]].TubeType;
      size_t end = first;
      while (end < tubesByType_.size() && doc.Tubes[tubesByType_[end]].TubeType == type) ++end;
      each(type, first, end);
      first = end;
    }
  };

  // The legend is run once without output to learn its height.
  const auto legend = [&](trackio::ByteSink* out) {
    Legend entries(out, kMargin + std::max(frame.width, 160.0) + 2 * kMargin, kMargin);
    entries.Heading(title_, true);
    entries.Heading(std::string(ViewName(view_)) + " view, " + Axes(view_), false);
    entries.Gap();
    entries.Entry(
        [&] { return Square({entries.x() + 14, entries.y()}, (" fill=\"" + std::string(kFooterColour) + "\"").c_str()); },
        Plural(figures_.footers, "footer"));
    forEachType([&](int32_t type, size_t first, size_t end) {
      entries.Entry([&] { return SampleLine(entries.x(), entries.y(), TubeColour(type), 2.5); },
                    "tube type " + std::to_string(type) + ": " + Plural(static_cast<int64_t>(end - first), "tube"));
    });
    if (withFlanges_) {
      entries.Entry([&] { return SampleLine(entries.x(), entries.y(), kFlangeColour, 5); },
                    Plural(figures_.flanges, "flange") + " to add");
    }
    if (figures_.footers == 0 && figures_.tubes == 0) entries.Heading("no supports to draw", false);
    if (!frame.empty) {
      entries.Gap();
      const double bar = ScaleBarLength(frame.scale, 120.0);
      char label[48];
      std::snprintf(label, sizeof label, "%g units", bar);
      entries.Entry(
          [&] {
            return "<line x1=\"" + Number(entries.x() + 2) + "\" y1=\"" + Number(entries.y()) + "\" x2=\"" +
                   Number(entries.x() + 2 + bar * frame.scale) + "\" y2=\"" + Number(entries.y()) +
                   "\" stroke=\"#000000\" stroke-width=\"2\"/>\n";
          },
          "");
      entries.Heading(label, false);
    }
    return entries;
  };
  const Legend measured = legend(nullptr);

  const double width = measured.x() + kLegendWidth;
  const double height = std::max(frame.height + 2 * kMargin, measured.y() + kMargin);
  Put(sink, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  Put(sink, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(width) + "\" height=\"" + Number(height) +
                "\" viewBox=\"0 0 " + Number(width) + " " + Number(height) +
                "\" font-family=\"sans-serif\" font-size=\"13\">\n");
  Put(sink, "<title>" + XmlText(title_ + ": supports, " + ViewName(view_) + " view") + "</title>\n");
  Put(sink, "<rect width=\"" + Number(width) + "\" height=\"" + Number(height) + "\" fill=\"#ffffff\"/>\n");

  Put(sink, "<g class=\"tubes\" stroke-width=\"2.5\" stroke-linecap=\"round\">\n");
  forEachType([&](int32_t type, size_t first, size_t end) {
    Put(sink, "<g data-tube-type=\"" + std::to_string(type) + "\" stroke=\"" + TubeColour(type) + "\">\n");
    for (size_t i = first; i < end; ++i) putLine(*TubeLine(doc, doc.Tubes[tubesByType_[i]], view_), "");
    Put(sink, "</g>\n");
  });
  Put(sink, "</g>\n<g class=\"footers\" fill=\"" + std::string(kFooterColour) + "\">\n");
  for (const trackio::Footer& footer : doc.Footers) {
    if (const std::optional<PagePoint> p = Project(footer.Position, view_)) Put(sink, Square(place(*p)));
  }
  Put(sink, "</g>\n");
  if (withFlanges_) {
    Put(sink, "<g class=\"flanges\" stroke=\"" + std::string(kFlangeColour) +
                  "\" stroke-width=\"5\" stroke-linecap=\"round\">\n");
    for (const supports::PlannedFlange& flange : flanges_) putLine(*FlangeLine(flange, view_), " class=\"added\"");
    Put(sink, "</g>\n");
  }
  Put(sink, "<g class=\"legend\">\n");
  legend(&sink);
  Put(sink, "</g>\n</svg>\n");
}

std::string XmlText(const std::string& text) {
  std::string safe;
  for (size_t i = 0; i < text.size();) {
    const Decoded decoded = DecodeUtf8(text, i);
    if (decoded.length == 0 || !BelongsInText(decoded.code)) {
      safe += kReplacementCharacter;
      i += std::max<size_t>(decoded.length, 1);
      continue;
    }
    switch (decoded.code) {
      case '&': safe += "&amp;"; break;
      case '<': safe += "&lt;"; break;
      case '>': safe += "&gt;"; break;
      case '"': safe += "&quot;"; break;
      case '\'': safe += "&apos;"; break;
      default: safe.append(text, i, decoded.length);
    }
    i += decoded.length;
  }
  return safe;
}

}  // namespace cli
