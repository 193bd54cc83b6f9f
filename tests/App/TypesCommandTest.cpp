// vantorel types --json as a tool reads it: the plug-in loaded from its folder, every type with
// its declarations.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

QByteArray runTypes(const QStringList& extra, int* status) {
  QProcess p;
  p.start(QStringLiteral(VANTOREL_BINARY), QStringList{QStringLiteral("types"), QStringLiteral("--json")} + extra);
  p.waitForFinished(60000);
  *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return p.readAllStandardOutput();
}

QJsonObject findType(const QJsonArray& types, const QString& name) {
  for (const QJsonValue& v : types)
    if (v.toObject()[QStringLiteral("type")].toString() == name)
      return v.toObject();
  return {};
}

QJsonObject findAttr(const QJsonObject& type, const QString& keyword) {
  for (const QJsonValue& v : type[QStringLiteral("attributes")].toArray())
    if (v.toObject()[QStringLiteral("keyword")].toString() == keyword)
      return v.toObject();
  return {};
}

TEST(TypesCommand, ListsThePluginsEightTypesAfterTheHostsInRegistrationOrder) {
  int status = 0;
  const QJsonArray types = QJsonDocument::fromJson(runTypes({}, &status)).array();
  ASSERT_EQ(status, 0);
  QStringList names;
  for (const QJsonValue& v : types)
    names << v.toObject()[QStringLiteral("type")].toString();
  const QStringList plugin{QStringLiteral("DynamicSpring"),   QStringLiteral("PointConstraint2"),
                           QStringLiteral("PointConstraint3"), QStringLiteral("PointConstraintMulti"),
                           QStringLiteral("StaticConstraint"), QStringLiteral("Switch"),
                           QStringLiteral("TransformGate"),    QStringLiteral("TransformLimit")};
  ASSERT_GE(names.size(), plugin.size());
  EXPECT_EQ(names.mid(names.size() - plugin.size()), plugin);
}

TEST(TypesCommand, DeclarationsReadAsTheUserSeesThem) {
  int status = 0;
  const QJsonArray types = QJsonDocument::fromJson(runTypes({}, &status)).array();
  ASSERT_EQ(status, 0);

  const QJsonObject pc3 = findType(types, QStringLiteral("PointConstraint3"));
  EXPECT_EQ(pc3[QStringLiteral("displayName")].toString(), QStringLiteral("Three-Points-Constraints"));
  EXPECT_EQ(pc3[QStringLiteral("class")].toString(), QStringLiteral("PointConstraint3Module"));
  EXPECT_EQ(pc3[QStringLiteral("baseClass")].toString(), QStringLiteral("Constraint_Module"));
  EXPECT_EQ(pc3[QStringLiteral("typeId")].toInt(), 2);
  EXPECT_EQ(pc3[QStringLiteral("inPorts")].toArray(),
            (QJsonArray{QStringLiteral("Right Peg"), QStringLiteral("Middle Peg"), QStringLiteral("Left Peg"),
                        QStringLiteral("Switch")}));
  const QJsonArray transformValues = findAttr(pc3, QStringLiteral("TRANSFORMTYPE"))[QStringLiteral("values")].toArray();
  ASSERT_EQ(transformValues.size(), 3);
  EXPECT_EQ(transformValues[1].toObject()[QStringLiteral("keyword")].toString(), QStringLiteral("ALLOW"));
  EXPECT_EQ(transformValues[2].toObject()[QStringLiteral("keyword")].toString(), QStringLiteral("LOCAL"));

  const QJsonObject fixed = findType(types, QStringLiteral("StaticConstraint"));
  EXPECT_EQ(findAttr(fixed, QStringLiteral("scale"))[QStringLiteral("displayName")].toString(), QStringLiteral("Skew"));
  EXPECT_EQ(fixed[QStringLiteral("attributes")].toArray()[0].toObject()[QStringLiteral("keyword")].toString(),
            QStringLiteral("bakeAttr"));

  const QJsonObject limit = findType(types, QStringLiteral("TransformLimit"));
  const QJsonObject tx = findAttr(limit, QStringLiteral("TX"));
  EXPECT_EQ(tx[QStringLiteral("weakMin")].toDouble(), 0.0);
  EXPECT_EQ(tx[QStringLiteral("weakMax")].toDouble(), 100.0);
  EXPECT_EQ(tx[QStringLiteral("default")].toDouble(), 100.0);
  EXPECT_EQ(findAttr(limit, QStringLiteral("SKEWTYPE"))[QStringLiteral("default")].toString(),
            QStringLiteral("SKEWOPTIMIZE"));

  const QJsonObject gate = findType(types, QStringLiteral("TransformGate"));
  EXPECT_EQ(gate[QStringLiteral("baseClass")].toString(), QStringLiteral("Constraint_AutoInModule"));
  EXPECT_EQ(findAttr(gate, QStringLiteral("ACTIVE"))[QStringLiteral("displayName")].toString(), QStringLiteral("ACTIVE"));
}

TEST(TypesCommand, AnEmptyPluginFolderLeavesOnlyTheHostsTypes) {
  QTemporaryDir empty;
  int status = 0;
  const QJsonArray types =
      QJsonDocument::fromJson(runTypes({QStringLiteral("--plugins"), empty.path()}, &status)).array();
  ASSERT_EQ(status, 0);
  EXPECT_TRUE(findType(types, QStringLiteral("Switch")).isEmpty());
  EXPECT_FALSE(findType(types, QStringLiteral("Peg")).isEmpty());
}

TEST(TypesCommand, AMissingPluginFolderIsBadInput) {
  int status = 0;
  runTypes({QStringLiteral("--plugins"), QStringLiteral("/no/such/folder")}, &status);
  EXPECT_EQ(status, 2);
}

} // namespace
