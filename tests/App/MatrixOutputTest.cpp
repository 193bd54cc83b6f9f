// The numbers and files that eval writes: shortest text that reads back to the same double and
// the .npy header as NumPy's format defines it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "MatrixOutput.h"

namespace {

std::string text(double v, bool json = false) {
  char buf[40];
  return std::string(buf, MatrixOutput::number(buf, v, json));
}

TEST(MatrixOutputNumber, ReadsBackToTheSameDoubleAndIsNoLongerThanPrintfs17Digits) {
  std::vector<double> values{-0.0,
                             0.1,
                             1.0 / 3.0,
                             1e-4,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::denorm_min(),
                             std::nextafter(1.0, 2.0)};
  std::mt19937_64 rng(11);
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t b = rng();
    double v;
    std::memcpy(&v, &b, sizeof v);
    if (std::isfinite(v))
      values.push_back(v);
  }
  for (double v : values) {
    const std::string t = text(v);
    const double back = std::strtod(t.c_str(), nullptr);
    EXPECT_EQ(std::memcmp(&back, &v, sizeof v), 0) << t;
    char old[40];
    EXPECT_LE(t.size(), static_cast<std::size_t>(std::snprintf(old, sizeof old, "%.17g", v))) << t;
  }
  EXPECT_EQ(text(0.1), "0.1");
  EXPECT_EQ(text(std::nan(""), true), "null");
  EXPECT_EQ(text(-std::numeric_limits<double>::infinity()), "-inf");
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
