// vantorel view loads its window from a library of its own: the window opens (on the offscreen
// platform) and stays up, and a command without a window never maps Qt Widgets.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

namespace {

const QString kScene = QStringLiteral(VANTOREL_EXAMPLES "/arm_rig.xml");

TEST(ViewCommand, OpensTheWindowAndRunsUntilClosed) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(VANTOREL_BINARY), {QStringLiteral("view"), kScene});
  ASSERT_TRUE(p.waitForStarted());
  // A window that could not be made (its library missing, a failed start) ends at once.
  const bool ended = p.waitForFinished(1500);
  EXPECT_FALSE(ended) << "exit " << p.exitCode() << ": " << p.readAllStandardError().toStdString();
  p.kill();
  p.waitForFinished();
}

TEST(ViewCommand, ACommandWithoutAWindowLeavesQtWidgetsUnloaded) {
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("libs"));
  p.setProcessEnvironment(env);
  p.start(QStringLiteral(VANTOREL_BINARY), {QStringLiteral("check"), kScene});
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0);
  const QByteArray loaded = p.readAllStandardError();
  ASSERT_TRUE(loaded.contains("libQt6Core")) << "the loader's list of libraries was not seen";
  EXPECT_FALSE(loaded.contains("libQt6Widgets"));
}

} // namespace
