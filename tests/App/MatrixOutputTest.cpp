// The numbers and files that eval writes: the numbers' spelling and the .npy header as NumPy's
// format defines it.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "MatrixOutput.h"

namespace {

std::string text(double v, bool json = false) {
  char buf[40];
  return std::string(buf, MatrixOutput::number(buf, v, json));
}

// What eval writes around the shortest text (DecimalText's own tests): exact zeros and ones at
// once, the sign of a zero kept, every NaN "nan" whatever its sign, and in JSON what is not
// finite null.
TEST(MatrixOutputNumber, SpellsZerosOnesAndWhatIsNotFiniteAsReadersExpect) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    double v;
    bool json;
    const char* text;
  } rows[] = {{0.0, false, "0"},
              {-0.0, false, "-0"},
              {1.0, false, "1"},
              {-1.0, false, "-1"},
              {0.1, false, "0.1"},
              {-inf, false, "-inf"},
              {-std::nan(""), false, "nan"},
              {std::nan(""), true, "null"},
              {inf, true, "null"},
              {-0.0, true, "-0"},
              {1.0 / 3, true, "0.3333333333333333"}};
  for (const auto& r : rows)
    EXPECT_EQ(text(r.v, r.json), r.text) << r.text;
}

TEST(MatrixOutputNpy, HeaderIsVersionOneWithTheShapeAndDataAlignedTo64Bytes) {
  const QByteArray h = MatrixOutput::npyHeader(10000, 100);
  EXPECT_EQ(h.left(8), QByteArray("\x93NUMPY\x01\x00", 8));
  EXPECT_EQ(h.size(), 10 + (static_cast<unsigned char>(h[8]) | static_cast<unsigned char>(h[9]) << 8));
  EXPECT_EQ(h.size() % 64, 0);
  EXPECT_TRUE(h.endsWith('\n'));
  EXPECT_EQ(h.mid(10).trimmed(), "{'descr': '<f8', 'fortran_order': False, 'shape': (10000, 100, 16), }");
}

} // namespace
