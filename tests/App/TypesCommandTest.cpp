// vantorel types --json as a tool reads it: the plug-in loaded from its folder, the JSON shape of
// a type and of its declarations, and the --plugins folder. The declarations' contents are
// checked against the loaded library in RegistrationTest.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "VantorelProcess.h"

namespace {

QJsonArray types(const QStringList& extra, int* status) {
  const ProcessResult r = vantorel(QStringList{QStringLiteral("types"), QStringLiteral("--json")} + extra);
  *status = r.status;
  return QJsonDocument::fromJson(r.out).array();
}

QJsonObject findType(const QJsonArray& all, const QString& name) {
  for (const QJsonValue& v : all)
    if (v.toObject()[QStringLiteral("type")].toString() == name)
      return v.toObject();
  return {};
}

TEST(TypesCommand, ListsThePluginsEightTypesAfterTheHostsInRegistrationOrder) {
  int status = 0;
  const QJsonArray all = types({}, &status);
  ASSERT_EQ(status, 0);
  QStringList names;
  for (const QJsonValue& v : all)
    names << v.toObject()[QStringLiteral("type")].toString();
  const QStringList plugin{QStringLiteral("DynamicSpring"),   QStringLiteral("PointConstraint2"),
                           QStringLiteral("PointConstraint3"), QStringLiteral("PointConstraintMulti"),
                           QStringLiteral("StaticConstraint"), QStringLiteral("Switch"),
                           QStringLiteral("TransformGate"),    QStringLiteral("TransformLimit")};
  ASSERT_GE(names.size(), plugin.size());
  EXPECT_EQ(names.mid(names.size() - plugin.size()), plugin);
}

// One type with a numeric limit, an option and ports shows every field with its JSON kind.
TEST(TypesCommand, TypeAndDeclarationFieldsHaveTheirJsonKinds) {
  int status = 0;
  const QJsonObject limit = findType(types({}, &status), QStringLiteral("TransformLimit"));
  ASSERT_EQ(status, 0);
  EXPECT_EQ(limit[QStringLiteral("displayName")].toString(), QStringLiteral("Transformation-Limit"));
  EXPECT_EQ(limit[QStringLiteral("class")].toString(), QStringLiteral("TransformLimitModule"));
  EXPECT_EQ(limit[QStringLiteral("baseClass")].toString(), QStringLiteral("Constraint_Module"));
  EXPECT_EQ(limit[QStringLiteral("typeId")].toInt(), 2);
  EXPECT_EQ(limit[QStringLiteral("inPorts")].toArray(),
            (QJsonArray{QStringLiteral("Limited Transform"), QStringLiteral("Forced-Transform"), QStringLiteral("Switch")}));
  const QJsonArray attrs = limit[QStringLiteral("attributes")].toArray();
  ASSERT_GE(attrs.size(), 10);
  const QJsonObject active = attrs[0].toObject();
  EXPECT_EQ(active[QStringLiteral("keyword")].toString(), QStringLiteral("ACTIVE"));
  EXPECT_EQ(active[QStringLiteral("class")].toString(), QStringLiteral("AT_DoubleAttr"));
  EXPECT_EQ(active[QStringLiteral("stepPreference")].toString(), QStringLiteral("DBL_STEP_CONSTRAINT_ACTIVE"));
  EXPECT_EQ(active[QStringLiteral("weakMin")].toDouble(), 0.0);
  EXPECT_EQ(active[QStringLiteral("weakMax")].toDouble(), 100.0);
  for (const char* key : {"min", "max", "step"})
    EXPECT_TRUE(active[QLatin1String(key)].isDouble()) << key;
  EXPECT_EQ(active[QStringLiteral("default")].toDouble(), 100.0);
  const QJsonObject option = attrs[1].toObject();
  EXPECT_EQ(option[QStringLiteral("keyword")].toString(), QStringLiteral("SWITCHTYPE"));
  EXPECT_EQ(option[QStringLiteral("default")].toString(), QStringLiteral("ACTIVE"));
  const QJsonArray values = option[QStringLiteral("values")].toArray();
  ASSERT_EQ(values.size(), 6);
  EXPECT_EQ(values[5].toObject(), (QJsonObject{{QStringLiteral("value"), 5}, {QStringLiteral("keyword"), QStringLiteral("SCALESKEW")},
                                               {QStringLiteral("text"), QStringLiteral("Scale/Skew")}}));
  const QJsonObject flag = attrs[9].toObject();
  EXPECT_EQ(flag[QStringLiteral("keyword")].toString(), QStringLiteral("ALLOWFLIP"));
  EXPECT_TRUE(flag[QStringLiteral("default")].isBool());
  EXPECT_FALSE(flag.contains(QStringLiteral("stepPreference")));
}

TEST(TypesCommand, AnEmptyPluginFolderLeavesOnlyTheHostsTypes) {
  QTemporaryDir empty;
  int status = 0;
  const QJsonArray all = types({QStringLiteral("--plugins"), empty.path()}, &status);
  ASSERT_EQ(status, 0);
  EXPECT_TRUE(findType(all, QStringLiteral("Switch")).isEmpty());
  EXPECT_FALSE(findType(all, QStringLiteral("Peg")).isEmpty());
}

TEST(TypesCommand, AMissingPluginFolderIsBadInput) {
  int status = 0;
  types({QStringLiteral("--plugins"), QStringLiteral("/no/such/folder")}, &status);
  EXPECT_EQ(status, 2);
}

} // namespace
