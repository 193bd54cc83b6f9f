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

std::uint64_t bits(double v) {
  std::uint64_t b;
  std::memcpy(&b, &v, sizeof b);
  return b;
}

std::string text(double v, bool json = false) {
  char buf[40];
  return std::string(buf, MatrixOutput::number(buf, v, json));
}

TEST(MatrixOutputNumber, ReadsBackToTheSameDoubleAndIsNoLongerThanPrintfs17Digits) {
  std::vector<double> values{0.0,
                             -0.0,
                             1.0,
                             -1.0,
                             0.1,
                             1.0 / 3.0,
                             2.0 / 3.0,
                             1e-4,
                             6.123233995736766e-17,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::min(),
                             std::numeric_limits<double>::denorm_min(),
                             std::nextafter(1.0, 2.0),
                             std::nextafter(1.0, 0.0),
                             123456789012345678.0};
  std::mt19937_64 rng(11);
  for (int i = 0; i < 20000; ++i) {
    double v;
    const std::uint64_t b = rng();
    std::memcpy(&v, &b, sizeof v);
    if (std::isfinite(v))
      values.push_back(v);
  }
  for (double v : values) {
    const std::string t = text(v);
    EXPECT_EQ(bits(std::strtod(t.c_str(), nullptr)), bits(v)) << t;
    char old[40];
    EXPECT_LE(t.size(), static_cast<std::size_t>(std::snprintf(old, sizeof old, "%.17g", v))) << t;
  }
  EXPECT_EQ(text(-0.0), "-0");
  EXPECT_EQ(text(0.1), "0.1");
}

TEST(MatrixOutputNumber, NonFiniteValuesAreNullInJsonAndSpelledInCsv) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(text(std::nan(""), true), "null");
  EXPECT_EQ(text(-inf, true), "null");
  EXPECT_EQ(text(inf), "inf");
  EXPECT_EQ(text(-inf), "-inf");
  EXPECT_EQ(text(std::nan("")), "nan");
}

TEST(MatrixOutputNpy, HeaderIsVersionOneWithTheShapeAndDataAlignedTo64Bytes) {
  const QByteArray h = MatrixOutput::npyHeader(10000, 100);
  ASSERT_GE(h.size(), 10);
  EXPECT_EQ(h.left(8), QByteArray("\x93NUMPY\x01\x00", 8));
  const int length = static_cast<unsigned char>(h[8]) | static_cast<unsigned char>(h[9]) << 8;
  EXPECT_EQ(h.size(), 10 + length);
  EXPECT_EQ(h.size() % 64, 0);
  EXPECT_TRUE(h.endsWith('\n'));
  const QByteArray dict = h.mid(10).trimmed();
  EXPECT_EQ(dict, "{'descr': '<f8', 'fortran_order': False, 'shape': (10000, 100, 16), }");
}

// Numbers of a JSON document, in order, from the first '[' after `from`.
std::vector<double> jsonNumbers(const QByteArray& doc, int from) {
  std::vector<double> out;
  const char* p = doc.constData() + from;
  const char* end = doc.constData() + doc.size();
  while (p < end) {
    if (*p == '-' || (*p >= '0' && *p <= '9')) {
      char* next = nullptr;
      out.push_back(std::strtod(p, &next));
      p = next;
    } else {
      ++p;
    }
  }
  return out;
}

TEST(MatrixOutputJson, RowsSpilledToTheTemporaryFileComeBackNodeAfterNodeInFrameOrder) {
  // Two nodes of random matrices, far more text than the writer keeps in memory.
  const int frames = 20000;
  std::mt19937_64 rng(3);
  std::uniform_real_distribution<double> any(-1e3, 1e3);
  std::vector<int> frameNumbers;
  std::vector<std::vector<Math::Matrix4x4>> byFrame;
  for (int f = 0; f < frames; ++f) {
    frameNumbers.push_back(f - 7);
    std::vector<Math::Matrix4x4> row;
    for (int n = 0; n < 2; ++n) {
      double v[16];
      for (double& x : v)
        x = any(rng);
      row.emplace_back(v);
    }
    byFrame.push_back(row);
  }
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("out.json"));
  auto writer = MatrixOutput::create(MatrixOutput::Format::Json, path, frameNumbers,
                                     {QStringLiteral("A"), QStringLiteral("B \"quoted\"")});
  for (int f = 0; f < frames; ++f)
    writer->frame(static_cast<std::size_t>(f), byFrame[static_cast<std::size_t>(f)]);
  EXPECT_FALSE(QFile::exists(path));  // nothing in place before the end
  writer->finish();

  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray doc = file.readAll();
  ASSERT_GT(doc.size(), 9 << 20);  // more than the 8 MB the writer keeps in memory
  const int a = doc.indexOf("\n  \"A\": [");
  const int b = doc.indexOf(",\n  \"B \\\"quoted\\\"\": [");
  ASSERT_GT(a, 0);
  ASSERT_GT(b, a);
  EXPECT_TRUE(doc.endsWith("]]\n}}\n"));
  const std::vector<double> first = jsonNumbers(doc.left(b), a);
  const std::vector<double> second = jsonNumbers(doc, b);
  ASSERT_EQ(first.size(), static_cast<std::size_t>(frames) * 16);
  ASSERT_EQ(second.size(), first.size());
  for (int f = 0; f < frames; ++f) {
    double v[2][16];
    byFrame[static_cast<std::size_t>(f)][0].getValues(v[0]);
    byFrame[static_cast<std::size_t>(f)][1].getValues(v[1]);
    for (int i = 0; i < 16; ++i) {
      ASSERT_EQ(first[static_cast<std::size_t>(f * 16 + i)], v[0][i]) << "frame " << f;
      ASSERT_EQ(second[static_cast<std::size_t>(f * 16 + i)], v[1][i]) << "frame " << f;
    }
  }
}

} // namespace
