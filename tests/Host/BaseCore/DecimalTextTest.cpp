// The shortest decimal text checked two ways: spellings worked out by hand (the notation chosen by
// length, the exponent's form, integers with trailing zeros), and std::to_chars, the definition of
// what the text must be, over millions of values drawn where matrices' numbers lie and across the
// edges of the fast path: every binade's first and last values (powers of two, whose lower
// neighbour is nearer, among them), the integers about 2^53 and the smallest normals beside
// subnormals.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "BaseCore/DecimalText.h"

namespace {

std::string spelled(double v) {
  char text[DecimalText::kRoom];
  return std::string(text, DecimalText::shortest(text, v));
}

std::string standard(double v) {
  char text[64];
  return std::string(text, std::to_chars(text, text + sizeof text, v).ptr);
}

TEST(DecimalText, SpellsWorkedExamples) {
  struct Row {
    double value;
    const char* text;
  };
  const Row rows[] = {{0.1, "0.1"},
                      {-2.5, "-2.5"},
                      {0.30000000000000004, "0.30000000000000004"},
                      {1234500, "1234500"},
                      {123456, "123456"},
                      {100000, "1e+05"}, // "1e+05" is shorter than the six digits
                      {1000, "1000"},
                      {0.001, "0.001"},
                      {0.0001, "1e-04"}, // a tie would go to fixed; this is no tie
                      {0.00012, "0.00012"},
                      {1.5e-7, "1.5e-07"},
                      {3e-30, "3e-30"},
                      {1e-30, "1e-30"},
                      {9007199254740991, "9007199254740991"}, // 2^53 - 1, the fast path's last integer
                      {9007199254740992, "9007199254740992"}, // 2^53, std::to_chars's own
                      {1e100, "1e+100"},
                      {5e-324, "5e-324"},
                      {-0.0, "-0"},
                      {0.0, "0"},
                      {1.0 / 3, "0.3333333333333333"},
                      {2.0 / 3, "0.6666666666666666"},
                      {123.456, "123.456"},
                      {-0.00021895563451873433, "-0.00021895563451873433"}};
  for (const Row& r : rows)
    EXPECT_EQ(spelled(r.value), r.text) << "for " << standard(r.value);
}

TEST(DecimalText, InfinitiesAndNaNAreTheStandardsSpelling) {
  for (const double v : {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                         std::numeric_limits<double>::quiet_NaN()})
    EXPECT_EQ(spelled(v), standard(v));
}

double fromBits(std::uint64_t bits) {
  double v = 0;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

TEST(DecimalText, EveryBinadesEdgesAreTheStandardsSpelling) {
  // Exponent fields 921..1077 reach one binade past the fast path at both ends (below about
  // 1e-30, from 2^53 up); significands at the binade's start and end.
  const std::uint64_t significands[] = {0, 1, 2, 3, (1ull << 51), (1ull << 52) - 3, (1ull << 52) - 2, (1ull << 52) - 1};
  for (std::uint64_t exponent = 921; exponent <= 1077; ++exponent)
    for (const std::uint64_t significand : significands)
      for (const std::uint64_t sign : {0ull, 1ull << 63}) {
        const double v = fromBits(sign | exponent << 52 | significand);
        EXPECT_EQ(spelled(v), standard(v));
      }
  for (const double v :
       {9007199254740991.0, 9007199254740992.0, 9007199254740994.0, 4503599627370495.5, 4503599627370496.0,
        std::numeric_limits<double>::min(), std::nextafter(std::numeric_limits<double>::min(), 0.0),
        std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::max()})
    EXPECT_EQ(spelled(v), standard(v));
}

// Draws of a kind, each compared with std::to_chars.
struct Draw {
  const char* label;
  double (*make)(std::mt19937_64&);
};

void PrintTo(const Draw& d, std::ostream* os) { *os << d.label; }

class DecimalTextAgainstStandard : public ::testing::TestWithParam<Draw> {};

TEST_P(DecimalTextAgainstStandard, GivesTheSameBytes) {
  std::mt19937_64 random(20261207);
  int differ = 0;
  for (int i = 0; i < 200000 && differ < 5; ++i) {
    const double v = GetParam().make(random);
    if (spelled(v) != standard(v)) {
      ++differ;
      ADD_FAILURE() << standard(v) << " spelled " << spelled(v);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Draws, DecimalTextAgainstStandard,
    ::testing::Values(
        // Every bit pattern whose exponent the fast path takes, and those just beyond it on both sides.
        Draw{"AnyBitsInRange",
             [](std::mt19937_64& r) {
               const std::uint64_t exponent = std::uniform_int_distribution<std::uint64_t>(900, 1100)(r);
               return fromBits((r() & 0x800fffffffffffffull) | exponent << 52);
             }},
        // Subnormals, the standard's own path.
        Draw{"Subnormals", [](std::mt19937_64& r) { return fromBits(r() & 0x800fffffffffffffull); }},
        // Rotation entries: cosines and sines of angles in degrees (cos 90 degrees is about 6e-17,
        // spelled in scientific notation), and their products with scales.
        Draw{"CosinesOfDegrees",
             [](std::mt19937_64& r) {
               const double degrees = std::uniform_int_distribution<int>(-3600, 3600)(r) / 10.0;
               const double scale = std::uniform_real_distribution<double>(0.1, 10)(r);
               return std::cos(degrees * 3.14159265358979323846 / 180) * (r() & 1 ? 1 : scale);
             }},
        // 1 to 17 digits times a power of ten from 1e-32 to 1e16: every length of fixed and
        // scientific text, and the lengths where one turns into the other.
        Draw{"DigitsAndExponents",
             [](std::mt19937_64& r) {
               const int digits = std::uniform_int_distribution<int>(1, 17)(r);
               const std::uint64_t top = std::uint64_t(std::pow(10.0, digits));
               const std::uint64_t m = std::uniform_int_distribution<std::uint64_t>(1, top - 1)(r);
               const int e = std::uniform_int_distribution<int>(-32, 16)(r) - digits + 1;
               return std::strtod((std::to_string(m) + "e" + std::to_string(e)).c_str(), nullptr);
             }},
        // Short decimals, as typed in a scene file: their shortest text is the one typed.
        Draw{"TypedDecimals",
             [](std::mt19937_64& r) {
               const double units = static_cast<double>(std::uniform_int_distribution<int>(-999999, 999999)(r));
               return units / std::pow(10.0, std::uniform_int_distribution<int>(0, 12)(r));
             }},
        // Integers and their neighbours, powers of two (the lower neighbour closer) and of ten.
        Draw{"IntegersAndNeighbours",
             [](std::mt19937_64& r) {
               const double base = static_cast<double>(r() >> std::uniform_int_distribution<int>(11, 63)(r));
               const int step = std::uniform_int_distribution<int>(-1, 1)(r);
               return step == 0 ? base : std::nextafter(base, step * std::numeric_limits<double>::infinity());
             }},
        Draw{"PowersAndNeighbours",
             [](std::mt19937_64& r) {
               const int e = std::uniform_int_distribution<int>(-110, 60)(r);
               const double base = r() & 1 ? std::ldexp(1.0, e) : std::pow(10.0, e / 3);
               const int step = std::uniform_int_distribution<int>(-1, 1)(r);
               return step == 0 ? base : std::nextafter(base, step * std::numeric_limits<double>::infinity());
             }}),
    [](const auto& row) { return std::string(row.param.label); });

} // namespace
