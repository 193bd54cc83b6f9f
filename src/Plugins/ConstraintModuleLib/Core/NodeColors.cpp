#include "Core/NodeColors.h"

#include <QColor>
#include <array>

#include "HostInterface/HostPreferences.h"

namespace {

struct ColorRow {
  const char* firstKey;
  int first[3];
  const char* secondKey;
  int second[3];
};

// Ids 0 to 11, then the row every other id falls back to.
constexpr std::array<ColorRow, 13> kRows{{
    {"NV_MODULE_CONSTMATRIX_LIGHT_COLOR", {90, 115, 40}, "NV_MODULE_CONSTMATRIX_DARK_COLOR", {38, 41, 12}},
    {"NV_MODULE_CONSTIMAGE_LIGHT_COLOR", {115, 153, 195}, "NV_MODULE_CONSTIMAGE_DARK_COLOR", {25, 44, 77}},
    {"NV_MODULE_CONSTRAINT_LIGHT_COLOR", {90, 115, 40}, "NV_MODULE_CONSTRAINT_DARK_COLOR", {38, 41, 12}},
    {"NV_MODULE_CONSTDYNAMIC_LIGHT_COLOR", {90, 115, 40}, "NV_MODULE_CONSTDYNAMIC_DARK_COLOR", {38, 41, 12}},
    {"NV_MODULE_CONSTGATEOFF_LIGHT_COLOR", {224, 223, 82}, "NV_MODULE_CONSTGATEOFF_DARK_COLOR", {224, 223, 82}},
    {"NV_MODULE_CONSTGATEON_LIGHT_COLOR", {97, 209, 152}, "NV_MODULE_CONSTGATEON_DARK_COLOR", {41, 102, 72}},
    {"NV_MODULE_CONSTGATE_MATRIX_TARGETCOLOUR",
     {144, 243, 17},
     "NV_MODULE_CONSTGATE_MATRIX_DEFAULTCOLOUR",
     {91, 138, 29}},
    {"NV_MODULE_CONSTGATE_MATRIX_TARGETOUTLINE",
     {6, 61, 34},
     "NV_MODULE_CONSTGATE_MATRIX_DEFAULTOUTLINE",
     {64, 39, 15}},
    {"NV_MODULE_CONSTGATE_IMAGE_TARGETOUTLINE",
     {14, 55, 102},
     "NV_MODULE_CONSTGATE_IMAGE_DEFAULTOUTLINE",
     {64, 39, 15}},
    {"NV_MODULE_CONSTGATE_IMAGE_TARGETCOLOUR",
     {134, 210, 243},
     "NV_MODULE_CONSTGATE_IMAGE_DEFAULTCOLOUR",
     {20, 78, 102}},
    {"NV_MODULE_CONSTGATE4_LIGHT_COLOR", {143, 108, 198}, "NV_MODULE_CONSTGATE4_DARK_COLOR", {143, 108, 198}},
    {"NV_MODULE_CONSTGATE5_LIGHT_COLOR", {218, 92, 96}, "NV_MODULE_CONSTGATE5_DARK_COLOR", {218, 92, 96}},
    {"NV_MODULE_CONSTMATRIX_LIGHT_COLOR", {139, 190, 85}, "NV_MODULE_CONSTMATRIX_DARK_COLOR", {72, 95, 39}},
}};

std::uint32_t opaque(const int rgb[3]) {
  QColor c;
  c.setRgb(rgb[0], rgb[1], rgb[2], 255);
  return c.rgb();
}

// The defaults of every row, built on first use and kept.
const std::array<ColorPair, kRows.size()>& defaults() {
  static const std::array<ColorPair, kRows.size()> table = [] {
    std::array<ColorPair, kRows.size()> t{};
    for (std::size_t i = 0; i < kRows.size(); ++i)
      t[i] = {opaque(kRows[i].first), opaque(kRows[i].second)};
    return t;
  }();
  return table;
}

ColorPair lookup(const char* firstKey, const char* secondKey, const ColorPair& fallback) {
  // The second (dark) key is read first; the order has no visible effect.
  const std::uint32_t second = rxPref->getRgbaValue(QString::fromLatin1(secondKey), fallback.second);
  const std::uint32_t first = rxPref->getRgbaValue(QString::fromLatin1(firstKey), fallback.first);
  return {first, second};
}

} // namespace

ColorPair constraintTypeColors(int typeId) {
  // Compared as unsigned, so negative ids land on the last row too.
  const unsigned id = static_cast<unsigned>(typeId);
  const std::size_t row = id < 12u ? id : 12u;
  return lookup(kRows[row].firstKey, kRows[row].secondKey, defaults()[row]);
}

ColorPair switchPortDefaultColors() {
  static const ColorPair defaults = [] {
    const int light[3] = {102, 255, 153};
    const int dark[3] = {0, 102, 51};
    return ColorPair{opaque(light), opaque(dark)};
  }();
  return defaults;
}

ColorPair switchPortColors() {
  return lookup("NV_MODULE_SWITCHPORT_LIGHT_COLOR", "NV_MODULE_SWITCHPORT_DARK_COLOR", switchPortDefaultColors());
}

bool setSwitchPortColors(bool isSwitchInput, std::uint32_t& light, std::uint32_t& dark) {
  if (!isSwitchInput)
    return false;
  const ColorPair colors = switchPortColors();
  light = colors.first;
  dark = colors.second;
  return true;
}

std::uint32_t gatePortColorBlend(double t) {
  const ColorPair pair = constraintTypeColors(6);
  int h1, s1, v1, h2, s2, v2;
  QColor(pair.first).getHsv(&h1, &s1, &v1);
  QColor(pair.second).getHsv(&h2, &s2, &v2);
  const auto mix = [t](int a, int b) { return static_cast<int>(static_cast<double>(a - b) * t + b); };
  return QColor::fromHsv(mix(h1, h2), mix(s1, s2), mix(v1, v2), 255).rgb();
}
