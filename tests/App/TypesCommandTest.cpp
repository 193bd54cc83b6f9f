// vantorel types --json as a tool reads it: the plug-in's types listed after the host's in
// registration order, and a --plugins folder without libraries leaving only the host's types.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "VantorelProcess.h"

namespace {

QStringList typeNames(const QStringList& extra) {
  const ProcessResult r = vantorel(QStringList{QStringLiteral("types"), QStringLiteral("--json")} + extra);
  EXPECT_EQ(r.status, 0) << r.err.toStdString();
  QStringList names;
  for (const QJsonValue& v : QJsonDocument::fromJson(r.out).array())
    names << v.toObject()[QStringLiteral("type")].toString();
  return names;
}

TEST(TypesCommand, ListsThePluginsEightTypesAfterTheHostsInRegistrationOrder) {
  const QStringList names = typeNames({});
  const QStringList plugin{"DynamicSpring",    "PointConstraint2", "PointConstraint3", "PointConstraintMulti",
                           "StaticConstraint", "Switch",           "TransformGate",    "TransformLimit"};
  ASSERT_GT(names.size(), plugin.size());
  EXPECT_EQ(names.mid(names.size() - plugin.size()), plugin);
  EXPECT_TRUE(names.contains(QStringLiteral("Peg")));
}

TEST(TypesCommand, AnEmptyPluginFolderLeavesOnlyTheHostsTypes) {
  QTemporaryDir empty;
  const QStringList names = typeNames({QStringLiteral("--plugins"), empty.path()});
  EXPECT_FALSE(names.contains(QStringLiteral("Switch")));
  EXPECT_TRUE(names.contains(QStringLiteral("Peg")));
}

// Every attribute of every type says what it does; a unit, parts and options reach the JSON and
// the text listing alike (which unit each attribute declares is its node's own business).
QJsonObject attributeOf(const QJsonArray& types, const QString& type, const QString& keyword) {
  for (const QJsonValue& t : types)
    if (t.toObject()[QStringLiteral("type")].toString() == type)
      for (const QJsonValue& a : t.toObject()[QStringLiteral("attributes")].toArray())
        if (a.toObject()[QStringLiteral("keyword")].toString() == keyword)
          return a.toObject();
  return {};
}

TEST(TypesCommand, EveryAttributeSaysWhatItDoesWithItsDefaultUnitPartsAndOptions) {
  const ProcessResult r = vantorel({"types", "--json"});
  ASSERT_EQ(r.status, 0);
  const QJsonArray types = QJsonDocument::fromJson(r.out).array();
  int attributes = 0;
  for (const QJsonValue& t : types)
    for (const QJsonValue& a : t.toObject()[QStringLiteral("attributes")].toArray()) {
      ++attributes;
      EXPECT_FALSE(a.toObject()[QStringLiteral("description")].toString().isEmpty())
          << t.toObject()[QStringLiteral("type")].toString().toStdString() << " "
          << a.toObject()[QStringLiteral("keyword")].toString().toStdString();
    }
  EXPECT_GE(attributes, 75);

  const QJsonObject rotation = attributeOf(types, "Peg", "ROTATION");
  EXPECT_EQ(rotation["unit"].toString(), QStringLiteral("degrees"));
  QStringList parts;
  for (const QJsonValue& p : rotation["parts"].toArray())
    parts << p.toObject()["keyword"].toString();
  EXPECT_EQ(parts.mid(0, 3), QStringList({"ROTATION.ANGLEX", "ROTATION.ANGLEY", "ROTATION.ANGLEZ"}));
  const QJsonObject stretch = attributeOf(types, "PointConstraint2", "STRETCHMAX");
  EXPECT_EQ(stretch["unit"].toString(), QStringLiteral("percent"));
  EXPECT_EQ(stretch["default"].toDouble(), 0.0);
  const QJsonObject transform = attributeOf(types, "PointConstraint2", "TRANSFORMTYPE");
  EXPECT_EQ(transform["default"].toString(), QStringLiteral("TRANSLATE"));
  ASSERT_EQ(transform["values"].toArray().size(), 3);
  EXPECT_EQ(transform["values"].toArray()[2].toObject()["keyword"].toString(), QStringLiteral("LOCALTRANSFORM"));
  EXPECT_EQ(transform["values"].toArray()[2].toObject()["text"].toString(), QStringLiteral("Local Transform"));

  const ProcessResult text = vantorel({"types"});
  ASSERT_EQ(text.status, 0);
  for (const char* line : {"    STRETCHMAX       \"Distance Max\"  AT_DoubleAttr  default 0 percent\n",
                           "        parts ROTATION.ANGLEX, ROTATION.ANGLEY, ROTATION.ANGLEZ",
                           "        options TRANSLATE \"Translate\", TRANSFORM \"Transform\", LOCALTRANSFORM \"Local "
                           "Transform\"\n"})
    EXPECT_TRUE(text.out.contains(line)) << line;
}

} // namespace
