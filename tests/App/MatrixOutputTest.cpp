// The numbers and files that eval writes: shortest text that reads back to the same double, the
// .npy header as NumPy's format defines it, and JSON rows that keep their order when they pass
// through the temporary file.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
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
  std::vector<double> values{-0.0, 0.1, 1.0 / 3.0, 1e-4, std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::denorm_min(), std::nextafter(1.0, 2.0)};
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

TEST(MatrixOutputJson, RowsSpilledToTheTemporaryFileComeBackNodeAfterNodeInFrameOrder) {
  // Two nodes, more text than the 8 MB the writer keeps in memory; value i of node n at frame f
  // is a number that tells all three.
  const int frames = 40000;
  auto value = [](int n, int f, int i) { return (f * 16 + i) * 2 + n + 0.125; };
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("out.json"));
  auto writer = MatrixOutput::create(MatrixOutput::Format::Json, path, std::vector<int>(frames, 1),
                                     {QStringLiteral("A"), QStringLiteral("B")});
  for (int f = 0; f < frames; ++f) {
    std::vector<Math::Matrix4x4> row;
    for (int n = 0; n < 2; ++n) {
      double v[16];
      for (int i = 0; i < 16; ++i)
        v[i] = value(n, f, i);
      row.emplace_back(v);
    }
    writer->frame(static_cast<std::size_t>(f), row);
  }
  EXPECT_FALSE(QFile::exists(path));  // nothing in place before the end
  writer->finish();
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray doc = file.readAll() + '\0';
  ASSERT_GT(doc.size(), 9 << 20);
  const char* p = doc.constData() + doc.indexOf("\"A\": [");
  for (int n = 0; n < 2; ++n)
    for (int f = 0; f < frames; ++f)
      for (int i = 0; i < 16; ++i) {
        p += std::strcspn(p, "0123456789");
        char* end = nullptr;
        ASSERT_EQ(std::strtod(p, &end), value(n, f, i)) << n << " " << f << " " << i;
        p = end;
      }
  EXPECT_STREQ(p, "]]\n}}\n");
}

} // namespace
