// Numbers as scene files spell them: every spelling reads as the double its C++ literal names,
// agrees bit for bit with Qt's own reading, and what is no finite number is refused with a reason.
#include <gtest/gtest.h>

#include <QString>
#include <cmath>
#include <cstring>

#include "SceneCore/AT_ValueText.h"

namespace {

struct Spelling {
  const char* text;
  double value;
};

// Plain decimals, signs, exponents, zeros, and numbers near the ends of the normal range.
const Spelling kSpellings[] = {
    {"0", 0.0},
    {"-0", -0.0},
    {"+0.0", 0.0},
    {"1", 1.0},
    {"-2.5", -2.5},
    {"+7", 7.0},
    {"0.1", 0.1},
    {"6.9486747387446535", 6.9486747387446535},
    {"-169.54531647304754", -169.54531647304754},
    {"1e-04", 1e-04},
    {"3E5", 3e5},
    {"2.5e+10", 2.5e10},
    {"007.50", 7.5},
    {"  12.25\t", 12.25},
    {"1.7976931348623157e308", 1.7976931348623157e308},
    {"2.2250738585072014e-308", 2.2250738585072014e-308},
    {"0.30000000000000004", 0.30000000000000004},
    {"123456789012345678901234567890", 123456789012345678901234567890.0},
};

class ValueTextSpelling : public ::testing::TestWithParam<Spelling> {};

TEST_P(ValueTextSpelling, ReadsAsTheLiteralsDouble) {
  double v = 12345.0;
  QString why;
  ASSERT_TRUE(AT_ValueText::toDouble(QString::fromLatin1(GetParam().text), v, &why)) << qPrintable(why);
  EXPECT_EQ(std::memcmp(&v, &GetParam().value, sizeof v), 0) << GetParam().text << " read as " << v;
}

INSTANTIATE_TEST_SUITE_P(Rows, ValueTextSpelling, ::testing::ValuesIn(kSpellings));

// Spellings at the edges of what a plain decimal is; each must read as Qt reads it, or be refused
// where Qt refuses it or reads no finite number.
const char* const kEdges[] = {".5",      "5.",       "1.e5",
                              "1e",      "e1",       "--1",
                              "+-1",     "1e+",      "1e1000",
                              "1e-1000", "4.9e-324", "1e-310",
                              "1e308",   "1.8e308",  "0e0",
                              "-0e-5",   "0x10",     "1,5",
                              "1 000",   "inf",      "-inf",
                              "nan",     "NaN",      "Infinity",
                              "1e0099",  "00",       "0.000",
                              "1_0",     "١٢",       "",
                              "1.5e-05", "+.5",      "9999999999999999999999e-10"};

class ValueTextEdge : public ::testing::TestWithParam<const char*> {};

TEST_P(ValueTextEdge, AgreesWithQtsReading) {
  const QString text = QString::fromUtf8(GetParam());
  bool qtOk = false;
  const double qt = text.trimmed().toDouble(&qtOk);
  const bool expectOk = qtOk && std::isfinite(qt);
  double v = 0.0;
  QString why;
  ASSERT_EQ(AT_ValueText::toDouble(text, v, &why), expectOk) << GetParam();
  if (expectOk)
    EXPECT_EQ(std::memcmp(&v, &qt, sizeof v), 0) << GetParam() << ": " << v << " against " << qt;
  else
    EXPECT_TRUE(why.contains(QStringLiteral("\"%1\"").arg(text))) << qPrintable(why);
}

INSTANTIATE_TEST_SUITE_P(Rows, ValueTextEdge, ::testing::ValuesIn(kEdges));

TEST(ValueText, WhatIsNoFiniteNumberSaysWhich) {
  double v = 0.0;
  QString why;
  EXPECT_FALSE(AT_ValueText::toDouble(QStringLiteral("abc"), v, &why));
  EXPECT_EQ(why, QStringLiteral("\"abc\" is not a number"));
  EXPECT_FALSE(AT_ValueText::toDouble(QStringLiteral("inf"), v, &why));
  EXPECT_EQ(why, QStringLiteral("\"inf\" is not a finite number"));
}

} // namespace
