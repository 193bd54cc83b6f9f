#pragma once
// Node and port colours read from the user's preferences, each with a built-in default. A
// colour is a packed RGBA value as QColor::rgb gives it. Defaults are built once; preferences
// are read again at every lookup, so a change made by the user shows at the next one.
#include <cstdint>
#include <utility>

using ColorPair = std::pair<std::uint32_t, std::uint32_t>; // (light or target, dark or default)

// The pair of a node-type id: ids 0 to 11 have their own row; any other id the last row.
ColorPair constraintTypeColors(int typeId);
// The pair shown on "Switch" input ports.
ColorPair switchPortColors();
// That pair's built-in default, whatever the preferences say.
ColorPair switchPortDefaultColors();
// Sets light and dark to the switch port's pair when `isSwitchInput`; says whether it did, so a
// node's port colours read `setSwitchPortColors(...) || Base::nvPortColors(...)`.
bool setSwitchPortColors(bool isSwitchInput, std::uint32_t& light, std::uint32_t& dark);
// A colour between the gate's default (t = 0) and target (t = 1) matrix colours, blended in HSV.
std::uint32_t gatePortColorBlend(double t);
