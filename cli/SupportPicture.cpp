#include "cli/SupportPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string_view>

#include "supports/TubeCensus.h"
#include "trackio/Wording.h"

namespace cli {

using trackio::Count;
using trackio::Plural;
using trackio::DecodeUtf8;
using trackio::Decoded;

namespace {

using supports::EndLookup;
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

std::optional<PageLine> ProjectLine(const Vec3& a, const Vec3& b, View view) {
  const std::optional<PagePoint> pa = Project(a, view), pb = Project(b, view);
  if (!pa || !pb) return std::nullopt;
  return PageLine{*pa, *pb};
}

// The tube's line on the page, or nothing, with `why` set when given.
std::optional<PageLine> TubeLine(const TrackDocument& doc, const supports::NodeCounts& nodes,
                                 const trackio::Tube& tube, View view, NotDrawn* why = nullptr) {
  Vec3 a, b;
  const EndLookup end1 = supports::FindTubeEnd(doc, nodes, tube.End1Type, tube.End1Index, a);
  const EndLookup end2 = supports::FindTubeEnd(doc, nodes, tube.End2Type, tube.End2Index, b);
  NotDrawn reason = NotDrawn::NotANumber;
  if (end1 == EndLookup::NotANode || end2 == EndLookup::NotANode) {
    reason = NotDrawn::NotANode;
  } else if (end1 == EndLookup::Missing || end2 == EndLookup::Missing) {
    reason = NotDrawn::Missing;
  } else if (std::optional<PageLine> line = ProjectLine(a, b, view)) {
    return line;
  }
  if (why != nullptr) *why = reason;
  return std::nullopt;
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
constexpr double kMinLegendWidth = 230.0;
constexpr double kLegendLine = 22.0;
constexpr double kLegendTextIndent = 34.0;
constexpr double kCharacterWidth = 7.5;  // wider than most characters of a 13 px sans-serif font
constexpr const char* kFooterColour = "#333333";
constexpr const char* kPresentColour = "#000000";
constexpr const char* kFlangeColour = "#e6194b";
constexpr int64_t kLinesPerReport = 4096;

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

// Characters, not bytes: the width a text takes, roughly.
size_t Characters(const std::string& text) {
  return static_cast<size_t>(
      std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
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
    Measure(0, text);
    y_ += kLegendLine;
  }
  template <typename Sample>
  void Entry(Sample sample, const std::string& text) {
    if (sink_ != nullptr) {
      Put(*sink_, sample());
      Put(*sink_, "<text x=\"" + Number(left_ + kLegendTextIndent) + "\" y=\"" + Number(y_ + 5) + "\">" +
                      XmlText(text) + "</text>\n");
    }
    Measure(kLegendTextIndent, text);
    y_ += kLegendLine;
  }
  void Gap() { y_ += kLegendLine / 2; }

  double x() const { return left_; }
  double y() const { return y_; }
  double width() const { return width_; }

 private:
  void Measure(double indent, const std::string& text) {
    width_ = std::max(width_, indent + kCharacterWidth * static_cast<double>(Characters(text)) + kMargin);
  }

  trackio::ByteSink* sink_;
  double left_, y_;
  double width_ = kMinLegendWidth;
};

std::string SampleLine(double x, double y, const char* colour, double width) {
  return "<line x1=\"" + Number(x + 2) + "\" y1=\"" + Number(y) + "\" x2=\"" + Number(x + 26) + "\" y2=\"" +
         Number(y) + "\" stroke=\"" + colour + "\" stroke-width=\"" + Number(width) + "\" stroke-linecap=\"round\"/>\n";
}

std::string Square(const PagePoint& centre, const char* attributes = "") {
  return std::string("<rect") + attributes + " x=\"" + Number(centre.x - 3.5) + "\" y=\"" + Number(centre.y - 3.5) +
         "\" width=\"7\" height=\"7\"/>\n";
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
  return trackio::ErrorOf(trackio::TrackErrorKind::TooLarge,
                          "the picture would have " + Count(lines) + " lines, more than the " +
                              Count(kMaxPictureLines) + " a picture can usefully show; nothing was written");
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

const char* NotDrawnReason(NotDrawn reason) {
  switch (reason) {
    case NotDrawn::NotANode: return "an end is neither a footer nor a free node";
    case NotDrawn::Missing: return "an end names a node the track does not hold";
    case NotDrawn::NotANumber: return "a position is not a number";
  }
  return "";
}

trackio::TrackResult<SupportPicture> SupportPicture::Plan(const TrackDocument& document, View view, bool withFlanges,
                                                          std::string title) {
  SupportPicture picture(document, view, std::move(title));
  picture.withFlanges_ = withFlanges;
  PictureFigures& figures = picture.figures_;
  const supports::NodeCounts nodes = supports::NodeCounts::Of(document);

  // Count before holding anything, so that a hostile track costs no memory.
  int64_t lines = 0;
  for (const trackio::Tube& tube : document.Tubes) {
    NotDrawn why{};
    if (TubeLine(document, nodes, tube, view, &why)) {
      ++lines;
    } else {
      ++figures.notDrawn[static_cast<size_t>(why)];
    }
  }
  if (lines > kMaxPictureLines) return TooManyLines(lines);
  // The flanges the track holds already are drawn apart from the other tubes.
  std::vector<uint32_t> present;
  if (withFlanges) {
    const supports::FlangeSummary flanges = supports::CountFlanges(document);
    if (lines + flanges.flangesAdded > kMaxPictureLines) return TooManyLines(lines + flanges.flangesAdded);
    picture.flanges_ = supports::ListFlanges(document, &present);
    std::erase_if(picture.flanges_, [view](const supports::PlannedFlange& f) { return !FlangeLine(f, view); });
  } else {
    present = supports::PresentFlangeTubes(document);
  }
  Bounds bounds;
  for (const trackio::Footer& footer : document.Footers) {
    if (const std::optional<PagePoint> p = Project(footer.Position, view)) {
      bounds.Add(*p);
      ++figures.footers;
    }
  }
  auto nextPresent = present.begin();
  picture.tubesByType_.reserve(static_cast<size_t>(lines));
  for (uint32_t i = 0; i < document.Tubes.size(); ++i) {
    const std::optional<PageLine> line = TubeLine(document, nodes, document.Tubes[i], view);
    while (nextPresent != present.end() && *nextPresent < i) ++nextPresent;
    if (!line) continue;
    bounds.Add(*line);
    const bool isPresent = nextPresent != present.end() && *nextPresent == i;
    (isPresent ? picture.presentFlanges_ : picture.tubesByType_).push_back(i);
  }
  std::stable_sort(picture.tubesByType_.begin(), picture.tubesByType_.end(), [&document](uint32_t a, uint32_t b) {
    return document.Tubes[a].TubeType < document.Tubes[b].TubeType;
  });
  for (const supports::PlannedFlange& flange : picture.flanges_) bounds.Add(*FlangeLine(flange, view));
  figures.tubes = static_cast<int64_t>(picture.tubesByType_.size());
  figures.present = static_cast<int64_t>(picture.presentFlanges_.size());
  figures.flanges = static_cast<int64_t>(picture.flanges_.size());

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

void SupportPicture::Write(trackio::ByteSink& sink, const trackio::ProgressCallback& progress) const {
  const TrackDocument& doc = *document_;
  const supports::NodeCounts nodes = supports::NodeCounts::Of(doc);
  const Frame& frame = frame_;
  const int64_t allLines = figures_.tubes + figures_.present + figures_.flanges;
  int64_t linesDrawn = 0;
  const auto place = [&frame](const PagePoint& p) {
    return PagePoint{kMargin + (p.x - frame.minX) * frame.scale, kMargin + (p.y - frame.minY) * frame.scale};
  };
  const auto putLine = [&](const PageLine& line, const char* attributes) {
    const PagePoint a = place(line.a), b = place(line.b);
    Put(sink, std::string("<line") + attributes + " x1=\"" + Number(a.x) + "\" y1=\"" + Number(a.y) + "\" x2=\"" +
                  Number(b.x) + "\" y2=\"" + Number(b.y) + "\"/>\n");
    if (progress && ++linesDrawn % kLinesPerReport == 0) progress(linesDrawn, allLines);
  };
  const auto putTube = [&](uint32_t tube, const char* attributes) {
    putLine(*TubeLine(doc, nodes, doc.Tubes[tube], view_), attributes);
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

  // The legend is run once without output to learn its size.
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
    if (figures_.present > 0) {
      entries.Entry([&] { return SampleLine(entries.x(), entries.y(), kPresentColour, 5); },
                    Plural(figures_.present, "flange") + " already there");
    }
    if (withFlanges_) {
      entries.Entry([&] { return SampleLine(entries.x(), entries.y(), kFlangeColour, 5); },
                    Plural(figures_.flanges, "flange") + " to add");
    }
    for (size_t reason = 0; reason < kNotDrawnReasons; ++reason) {
      if (figures_.notDrawn[reason] == 0) continue;
      entries.Heading(Plural(figures_.notDrawn[reason], "tube") + " not drawn: " +
                          NotDrawnReason(static_cast<NotDrawn>(reason)),
                      false);
    }
    if (figures_.footers == 0 && figures_.tubes == 0 && figures_.present == 0) {
      entries.Heading("no supports to draw", false);
    }
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

  const double width = measured.x() + measured.width();
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
    for (size_t i = first; i < end; ++i) putTube(tubesByType_[i], "");
    Put(sink, "</g>\n");
  });
  Put(sink, "</g>\n");
  if (!presentFlanges_.empty()) {
    Put(sink, "<g class=\"flanges-present\" stroke=\"" + std::string(kPresentColour) +
                  "\" stroke-width=\"5\" stroke-linecap=\"round\">\n");
    for (const uint32_t tube : presentFlanges_) putTube(tube, " class=\"present\"");
    Put(sink, "</g>\n");
  }
  Put(sink, "<g class=\"footers\" fill=\"" + std::string(kFooterColour) + "\">\n");
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
  if (progress) progress(allLines, allLines);
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
