// Which way a picture of a track looks at it.
#pragma once

namespace cli {

enum class View {
  Side,   // along the z axis: x across, y up (the default: it shows the vertical tubes)
  Top,    // down the y axis (up in the track): x across, z down the page
  Front,  // along the x axis: z across, y up
};

// "side", "top" or "front".
constexpr const char* ViewName(View view) {
  switch (view) {
    case View::Side: return "side";
    case View::Top: return "top";
    case View::Front: return "front";
  }
  return "";
}

inline constexpr View kViews[] = {View::Side, View::Top, View::Front};

}  // namespace cli
