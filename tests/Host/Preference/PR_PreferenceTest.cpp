// Preferences read from files: values of each kind read back, bad lines are reported with their
// line numbers and refuse the file whole.
#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QTemporaryDir>

#include "Preference/PR_Preference.h"

namespace {

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
  const QString path = dir.filePath(name);
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(text);
  return path;
}

TEST(Preferences, FileChangesWhatTheReadersReturn) {
  QTemporaryDir dir;
  const QString path = writeFile(dir, QStringLiteral("prefs.txt"),
                                 "# node colours\n"
                                 "\n"
                                 "NV_MODULE_CONSTRAINT_LIGHT_COLOR = 1,2,3\n"
                                 "  SP_CONSTANT_SEGMENT = true\n"
                                 "DBL_STEP_ANGLE_SKEW=0.25\n"
                                 "NV_MODULE_CONSTRAINT_LIGHT_COLOR = #102030\n");
  PR_Preference prefs;
  const std::uint32_t fallback = QColor(90, 115, 40).rgb();
  EXPECT_EQ(prefs.getRgbaValue(QStringLiteral("NV_MODULE_CONSTRAINT_LIGHT_COLOR"), fallback), fallback);
  QString error;
  ASSERT_TRUE(prefs.loadFile(path, &error)) << error.toStdString();
  EXPECT_EQ(prefs.getRgbaValue(QStringLiteral("NV_MODULE_CONSTRAINT_LIGHT_COLOR"), fallback), QColor(16, 32, 48).rgb());
  EXPECT_TRUE(prefs.getBoolValue(QStringLiteral("SP_CONSTANT_SEGMENT"), false));
  EXPECT_EQ(prefs.getDoubleValue(QStringLiteral("DBL_STEP_ANGLE_SKEW"), 1.0), 0.25);
  // A key holding another kind of value answers with the default.
  EXPECT_EQ(prefs.getDoubleValue(QStringLiteral("SP_CONSTANT_SEGMENT"), 7.0), 7.0);
  EXPECT_EQ(prefs.getRgbaValue(QStringLiteral("DBL_STEP_ANGLE_SKEW"), fallback), fallback);
  EXPECT_FALSE(prefs.getBoolValue(QStringLiteral("NV_MODULE_CONSTRAINT_LIGHT_COLOR"), false));
}

TEST(Preferences, BadLinesAreReportedByNumberAndNothingOfTheFileIsApplied) {
  QTemporaryDir dir;
  const QString path = writeFile(dir, QStringLiteral("bad.txt"),
                                 "GOOD_COLOR = #ffffff\n" // 1
                                 "NO_EQUALS_SIGN\n"       // 2
                                 "# fine\n"               // 3
                                 "BAD_COLOR = #12345\n"   // 4
                                 "RANGE = 1,2,300\n"      // 5
                                 "WORD = maybe\n"         // 6
                                 "bad key = 1\n"          // 7
                                 "INF = inf\n");          // 8
  PR_Preference prefs;
  QString error;
  EXPECT_FALSE(prefs.loadFile(path, &error));
  const QStringList lines = error.split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 6) << error.toStdString();
  const int expectedLines[] = {2, 4, 5, 6, 7, 8};
  for (int i = 0; i < 6; ++i)
    EXPECT_TRUE(lines[i].startsWith(QStringLiteral("%1:%2: ").arg(path).arg(expectedLines[i])))
        << lines[i].toStdString();
  EXPECT_FALSE(prefs.contains(QStringLiteral("GOOD_COLOR")));
}

} // namespace
