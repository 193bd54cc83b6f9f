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
  const QStringList plugin{QStringLiteral("DynamicSpring"),    QStringLiteral("PointConstraint2"),
                           QStringLiteral("PointConstraint3"), QStringLiteral("PointConstraintMulti"),
                           QStringLiteral("StaticConstraint"), QStringLiteral("Switch"),
                           QStringLiteral("TransformGate"),    QStringLiteral("TransformLimit")};
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

} // namespace
