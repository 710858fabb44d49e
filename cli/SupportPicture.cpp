#include "cli/SupportPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <optional>

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

// Everything to draw, in page units before scaling.
struct Drawing {
  std::vector<PagePoint> footers;
  std::map<int32_t, std::vector<PageLine>> tubesByType;
  std::vector<PageLine> flanges;
};

Drawing Collect(const TrackDocument& doc, View view, const std::vector<supports::PlannedFlange>* flanges) {
  Drawing drawing;
  for (const trackio::Footer& footer : doc.Footers) {
    if (const std::optional<PagePoint> p = Project(footer.Position, view)) drawing.footers.push_back(*p);
  }
  for (const trackio::Tube& tube : doc.Tubes) {
    const std::optional<PageLine> line = ProjectLine(EndPosition(doc, tube.End1Type, tube.End1Index),
                                                     EndPosition(doc, tube.End2Type, tube.End2Index), view);
    if (line) drawing.tubesByType[tube.TubeType].push_back(*line);
  }
  if (flanges != nullptr) {
    for (const supports::PlannedFlange& flange : *flanges) {
      if (const std::optional<PageLine> line = ProjectLine(flange.end1, flange.end2, view)) {
        drawing.flanges.push_back(*line);
      }
    }
  }
  return drawing;
}

struct Bounds {
  double minX = std::numeric_limits<double>::infinity(), minY = minX;
  double maxX = -minX, maxY = -minX;

  void Add(const PagePoint& p) {
    minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
  }
  bool Empty() const { return minX > maxX; }
};

Bounds BoundsOf(const Drawing& drawing) {
  Bounds bounds;
  for (const PagePoint& p : drawing.footers) bounds.Add(p);
  for (const auto& [type, lines] : drawing.tubesByType) {
    for (const PageLine& line : lines) bounds.Add(line.a), bounds.Add(line.b);
  }
  for (const PageLine& line : drawing.flanges) bounds.Add(line.a), bounds.Add(line.b);
  return bounds;
}

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

// Maps page units onto the picture.
struct Placement {
  Bounds bounds;
  double scale = 1.0;

  PagePoint operator()(const PagePoint& p) const {
    return {kMargin + (p.x - bounds.minX) * scale, kMargin + (p.y - bounds.minY) * scale};
  }
  double Width() const { return bounds.Empty() ? 0.0 : (bounds.maxX - bounds.minX) * scale; }
  double Height() const { return bounds.Empty() ? 0.0 : (bounds.maxY - bounds.minY) * scale; }
};

Placement Fit(const Bounds& bounds) {
  Placement placement{bounds, 1.0};
  if (bounds.Empty()) return placement;
  const double width = bounds.maxX - bounds.minX, height = bounds.maxY - bounds.minY;
  double scale = std::numeric_limits<double>::infinity();
  if (width > 0) scale = std::min(scale, kMaxDrawWidth / width);
  if (height > 0) scale = std::min(scale, kMaxDrawHeight / height);
  if (std::isfinite(scale) && scale > 0) placement.scale = scale;
  return placement;
}

std::string Line(const Placement& place, const PageLine& line, const char* attributes) {
  const PagePoint a = place(line.a), b = place(line.b);
  return std::string("<line") + attributes + " x1=\"" + Number(a.x) + "\" y1=\"" + Number(a.y) + "\" x2=\"" +
         Number(b.x) + "\" y2=\"" + Number(b.y) + "\"/>\n";
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

class Legend {
 public:
  Legend(double left, double top) : left_(left), y_(top) {}

  void Heading(const std::string& text, bool bold) {
    body_ += "<text x=\"" + Number(left_) + "\" y=\"" + Number(y_ + 5) + "\"" +
             (bold ? " font-weight=\"bold\"" : "") + ">" + XmlText(text) + "</text>\n";
    y_ += kLegendLine;
  }
  void Entry(const std::string& sample, const std::string& text) {
    body_ += sample;
    body_ += "<text x=\"" + Number(left_ + 34) + "\" y=\"" + Number(y_ + 5) + "\">" + XmlText(text) + "</text>\n";
    y_ += kLegendLine;
  }
  void Gap() { y_ += kLegendLine / 2; }

  double x() const { return left_; }
  double y() const { return y_; }
  const std::string& Body() const { return body_; }

 private:
  double left_, y_;
  std::string body_;
};

std::string SampleLine(double x, double y, const char* colour, double width) {
  return "<line x1=\"" + Number(x + 2) + "\" y1=\"" + Number(y) + "\" x2=\"" + Number(x + 26) + "\" y2=\"" +
         Number(y) + "\" stroke=\"" + colour + "\" stroke-width=\"" + Number(width) + "\" stroke-linecap=\"round\"/>\n";
}

std::string Square(const PagePoint& centre, const char* attributes = "") {
  return std::string("<rect") + attributes + " x=\"" + Number(centre.x - 3.5) + "\" y=\"" + Number(centre.y - 3.5) +
         "\" width=\"7\" height=\"7\"/>\n";
}

std::string Plural(size_t count, const char* noun) {
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

// The length of the well-formed UTF-8 sequence at `at`, or 0 when there is
// none (overlong forms and surrogates included).
size_t Utf8SequenceLength(const std::string& text, size_t at) {
  const auto byte = [&text](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
  const unsigned lead = byte(at);
  if (lead < 0x80) return 1;
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
    return 0;
  }
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (size_t k = 2; k < length; ++k) {
    if ((byte(at + k) & 0xC0) != 0x80) return 0;
  }
  return length;
}

}  // namespace

const char* ViewName(View view) {
  switch (view) {
    case View::Top: return "top";
    case View::Side: return "side";
    case View::Front: return "front";
  }
  return "";
}

std::string SupportPicture(const TrackDocument& document, View view,
                           const std::vector<supports::PlannedFlange>* flanges, const std::string& title,
                           PictureFigures* figures) {
  const Drawing drawing = Collect(document, view, flanges);
  const Placement place = Fit(BoundsOf(drawing));

  std::string art;
  art += "<g class=\"tubes\" stroke-width=\"2.5\" stroke-linecap=\"round\">\n";
  size_t tubes = 0;
  for (const auto& [type, lines] : drawing.tubesByType) {
    art += "<g data-tube-type=\"" + std::to_string(type) + "\" stroke=\"" + TubeColour(type) + "\">\n";
    for (const PageLine& line : lines) art += Line(place, line, "");
    art += "</g>\n";
    tubes += lines.size();
  }
  art += "</g>\n<g class=\"footers\" fill=\"" + std::string(kFooterColour) + "\">\n";
  for (const PagePoint& footer : drawing.footers) art += Square(place(footer));
  art += "</g>\n";
  if (flanges != nullptr) {
    art += "<g class=\"flanges\" stroke=\"" + std::string(kFlangeColour) +
           "\" stroke-width=\"5\" stroke-linecap=\"round\">\n";
    for (const PageLine& line : drawing.flanges) art += Line(place, line, " class=\"added\"");
    art += "</g>\n";
  }

  Legend legend(kMargin + std::max(place.Width(), 160.0) + 2 * kMargin, kMargin);
  legend.Heading(title, true);
  legend.Heading(std::string(ViewName(view)) + " view, " + Axes(view), false);
  legend.Gap();
  legend.Entry(Square({legend.x() + 14, legend.y()}, (" fill=\"" + std::string(kFooterColour) + "\"").c_str()),
               Plural(drawing.footers.size(), "footer"));
  for (const auto& [type, lines] : drawing.tubesByType) {
    legend.Entry(SampleLine(legend.x(), legend.y(), TubeColour(type), 2.5),
                 "tube type " + std::to_string(type) + ": " + Plural(lines.size(), "tube"));
  }
  if (flanges != nullptr) {
    legend.Entry(SampleLine(legend.x(), legend.y(), kFlangeColour, 5),
                 Plural(drawing.flanges.size(), "flange") + " to add");
  }
  if (drawing.footers.empty() && tubes == 0) legend.Heading("no supports to draw", false);
  if (!place.bounds.Empty()) {
    legend.Gap();
    const double bar = ScaleBarLength(place.scale, 120.0);
    char label[48];
    std::snprintf(label, sizeof label, "%g units", bar);
    legend.Entry("<line x1=\"" + Number(legend.x() + 2) + "\" y1=\"" + Number(legend.y()) + "\" x2=\"" +
                     Number(legend.x() + 2 + bar * place.scale) + "\" y2=\"" + Number(legend.y()) +
                     "\" stroke=\"#000000\" stroke-width=\"2\"/>\n",
                 "");
    legend.Heading(label, false);
  }

  const double width = legend.x() + kLegendWidth;
  const double height = std::max(place.Height() + 2 * kMargin, legend.y() + kMargin);
  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(width) + "\" height=\"" + Number(height) +
         "\" viewBox=\"0 0 " + Number(width) + " " + Number(height) +
         "\" font-family=\"sans-serif\" font-size=\"13\">\n";
  svg += "<title>" + XmlText(title + ": supports, " + ViewName(view) + " view") + "</title>\n";
  svg += "<rect width=\"" + Number(width) + "\" height=\"" + Number(height) + "\" fill=\"#ffffff\"/>\n";
  svg += art;
  svg += "<g class=\"legend\">\n" + legend.Body() + "</g>\n</svg>\n";

  if (figures != nullptr) {
    *figures = {static_cast<int64_t>(drawing.footers.size()), static_cast<int64_t>(tubes),
                static_cast<int64_t>(drawing.flanges.size())};
  }
  return svg;
}

std::string XmlText(const std::string& text) {
  std::string safe;
  for (size_t i = 0; i < text.size();) {
    const size_t length = Utf8SequenceLength(text, i);
    if (length == 0) {
      safe += '?';
      ++i;
      continue;
    }
    if (length > 1) {
      safe.append(text, i, length);
    } else {
      switch (const char c = text[i]) {
        case '&': safe += "&amp;"; break;
        case '<': safe += "&lt;"; break;
        case '>': safe += "&gt;"; break;
        case '"': safe += "&quot;"; break;
        case '\'': safe += "&apos;"; break;
        default:
          if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') safe += c;
      }
    }
    i += length;
  }
  return safe;
}

}  // namespace cli
