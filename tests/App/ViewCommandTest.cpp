// vantorel view loads its window from a library of its own: the window opens (on the offscreen
// platform) and stays up, and a command without a window never maps Qt Widgets.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

namespace {

const QString kScene = QStringLiteral(VANTOREL_EXAMPLES "/arm_rig.xml");

// vantorel started on the arguments with one variable added to its environment.
void start(QProcess& p, const char* name, const char* value, const QStringList& args) {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QLatin1String(name), QLatin1String(value));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(VANTOREL_BINARY), args);
}

TEST(ViewCommand, OpensTheWindowAndRunsUntilClosed) {
  QProcess p;
  start(p, "QT_QPA_PLATFORM", "offscreen", {QStringLiteral("view"), kScene});
  ASSERT_TRUE(p.waitForStarted());
  // A window that could not be made (its library missing, a failed start) ends at once.
  const bool ended = p.waitForFinished(1500);
  EXPECT_FALSE(ended) << "exit " << p.exitCode() << ": " << p.readAllStandardError().toStdString();
  p.kill();
  p.waitForFinished();
}

TEST(ViewCommand, ACommandWithoutAWindowLeavesQtWidgetsUnloaded) {
  QProcess p;
  start(p, "LD_DEBUG", "libs", {QStringLiteral("check"), kScene});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0);
  const QByteArray loaded = p.readAllStandardError();
  ASSERT_TRUE(loaded.contains("libQt6Core")) << "the loader's list of libraries was not seen";
  EXPECT_FALSE(loaded.contains("libQt6Widgets"));
}

} // namespace
