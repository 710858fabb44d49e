// The main window's layout in twips (1/1440 inch), for every front end.
//
// At 96 dots per inch 15 twips make one pixel; a toolkit with logical pixels
// that scale with the screen uses TwipsToLogicalPixels, a front end that
// works in device pixels scales by its own dots per inch.
#pragma once

#include <array>

namespace gui {

enum class CommandButton { Load, Mod, Save };

inline constexpr const char* kWindowCaption = "Tarnwick";
inline constexpr const char* kWindowObjectName = "frmMain";
inline constexpr int kClientWidthTwips = 5070;
inline constexpr int kClientHeightTwips = 540;
inline constexpr int kTwipsPerLogicalPixel = 15;

struct ButtonLayout {
  CommandButton button;
  const char* objectName;
  const char* caption;
  int leftTwips, topTwips, widthTwips, heightTwips;
  int tabIndex;
  bool enabledAtStart;
  const char* toolTip;  // shown when the pointer rests on the button
};

// In tab order: "Load Track" has the focus when the window opens.
inline constexpr std::array<ButtonLayout, 3> kButtonLayouts{{
    {CommandButton::Load, "btnLoad", "Load Track", 60, 60, 1575, 375, 0, true,
     "Open a track file (.nltrack)."},
    {CommandButton::Mod, "btnMod", "Add Flanges", 1740, 60, 1575, 375, 1, false,
     "Add flanges to the support tubes of the loaded track."},
    {CommandButton::Save, "btnSave", "Save Track", 3420, 60, 1575, 375, 2, false,
     "Save the track, flanges included, to a file."},
}};

constexpr bool IsInTabOrder(const std::array<ButtonLayout, 3>& layouts) {
  for (size_t i = 0; i < layouts.size(); ++i) {
    if (layouts[i].tabIndex != static_cast<int>(i)) return false;
  }
  return true;
}
// The front ends create the buttons in table order, which makes the tab order.
static_assert(IsInTabOrder(kButtonLayouts));

constexpr int TwipsToLogicalPixels(int twips) {
  return (twips + kTwipsPerLogicalPixel / 2) / kTwipsPerLogicalPixel;
}

constexpr const ButtonLayout& LayoutOf(CommandButton button) {
  return kButtonLayouts[static_cast<size_t>(button)];
}

}  // namespace gui
