// What loading the library registers: each node type once under its name, making its own class
// whichever way it is created; and every keyword of every type as a scene file carries it,
// through the real reader and writer.
#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>

#include "Common/SceneText.h"
#include "Core/Constraint_TemplateModule.h"
#include "DynamicSpring/DynamicSpringModule.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostScene.h"
#include "MultiPoints/PointConstraintMultiModule.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "PersistentObj/PIO_SceneWriter.h"
#include "PointConstraints/PointConstraint2Module.h"
#include "PointConstraints/PointConstraint3Module.h"
#include "SceneCore/AT_Keys.h"
#include "TransformControls/StaticConstraint.h"
#include "TransformControls/Switch.h"
#include "TransformControls/TransformGateModule.h"
#include "TransformControls/TransformLimitModule.h"

namespace {

std::unique_ptr<MO_Module> create(const QString& type) {
  return std::unique_ptr<MO_Module>(MO_ModuleFactorySingleton().create(type));
}

TEST(Registration, EachTypeIsRegisteredOnceAndMakesItsOwnClassUnderItsName) {
  const struct {
    const char* type;
    const std::type_info* cls;
  } rows[] = {{"DynamicSpring", &typeid(DynamicSpringModule)},
              {"PointConstraint2", &typeid(PointConstraint2Module)},
              {"PointConstraint3", &typeid(PointConstraint3Module)},
              {"StaticConstraint", &typeid(StaticConstraint)},
              {"PointConstraintMulti", &typeid(PointConstraintMultiModule)},
              {"Switch", &typeid(Switch)},
              {"TransformGate", &typeid(TransformGateModule)},
              {"TransformLimit", &typeid(TransformLimitModule)}};
  for (const auto& r : rows) {
    SCOPED_TRACE(r.type);
    int entries = 0;
    for (const MO_ModuleFactory::Entry& e : MO_ModuleFactorySingleton().entries())
      entries += e.typeName == QLatin1String(r.type);
    EXPECT_EQ(1, entries);
    const MO_ModuleFactory::Entry* entry = MO_ModuleFactorySingleton().find(QLatin1String(r.type));
    ASSERT_NE(entry, nullptr);
    for (const auto& creator : {entry->create, entry->createForLoading}) {
      std::unique_ptr<MO_Module> node(creator());
      ASSERT_NE(node, nullptr);
      EXPECT_TRUE(*r.cls == typeid(*node)) << typeid(*node).name();
      EXPECT_EQ(QLatin1String(r.type), node->moduleTypeName());
      auto* tmpl = dynamic_cast<Constraint_TemplateModule*>(node.get());
      ASSERT_NE(tmpl, nullptr);
      EXPECT_EQ(node.get(), tmpl->owner());
    }
  }
}

// ---- scene files ------------------------------------------------------------------------

std::unique_ptr<SC_SceneCommon> read(const QByteArray& xml) {
  PIO_LoadError error;
  std::unique_ptr<SC_SceneCommon> scene = PIO_SceneReader::readData(xml, QStringLiteral("test"), &error);
  EXPECT_TRUE(scene != nullptr) << qPrintable(error.toString());
  return scene;
}

// Every attribute holding a value, parts included, differs from a fresh node's or has keys.
void expectAllNonDefault(const AT_Attr* a, const AT_Attr* fresh) {
  const bool hasKeys = a->keys() && !a->keys()->empty();
  if (a->hasLocalValue() && !hasKeys) {
    EXPECT_NE(fresh->localValueString(), a->localValueString()) << qPrintable(a->path()) << " was not read";
  }
  for (std::size_t i = 0; i < a->subAttrs().size(); ++i)
    expectAllNonDefault(a->subAttrs()[i], fresh->subAttrs()[i]);
}

TEST(SceneFile, EveryKeywordReadsWritesAndReadsBackTheSame) {
  // every_keyword.xml gives every keyword of every type a value other than its default (push
  // buttons hold none).
  const std::unique_ptr<SC_SceneCommon> first = read(scenetext::testScene("every_keyword.xml"));
  ASSERT_NE(first, nullptr);
  ASSERT_EQ(9u, first->nodes().size());
  for (const MO_Module* node : first->nodes()) {
    const std::unique_ptr<MO_Module> fresh = create(node->moduleTypeName());
    for (std::size_t i = 0; node->moduleTypeName() != QLatin1String("Peg") && i < node->attrs().size(); ++i)
      expectAllNonDefault(node->attrs()[i], fresh->attrs()[i]);
  }
  const auto* three = static_cast<const PointConstraint3Module*>(first->findNode(QStringLiteral("Three")));
  EXPECT_EQ(2, static_cast<const AT_EnumAttrBase*>(three->attr(QStringLiteral("TRANSFORMTYPE")))->value(1));

  // Read back, the scene writes the same bytes: nothing read was lost or changed on the way.
  const QByteArray written = PIO_SceneWriter::writeData(*first);
  const std::unique_ptr<SC_SceneCommon> second = read(written);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(written, PIO_SceneWriter::writeData(*second));
  EXPECT_EQ(QStringLiteral("Root"), second->findNode(QStringLiteral("Gate"))->inputModule(1)->instanceName());
}

// Each kind of point constraint spells its transform types its own way and refuses the other's.
TEST(SceneFile, TransformTypeKeywordsOfTheOtherNodeKindAreRefused) {
  const char* rows[][2] = {
      {"PointConstraint3", "TRANSFORM"}, {"PointConstraint3", "LOCALTRANSFORM"}, {"PointConstraint2", "LOCAL"}};
  for (const auto& r : rows) {
    const QByteArray xml = QStringLiteral("<scene version=\"1\"><node type=\"%1\" name=\"N\"><attr "
                                          "keyword=\"TRANSFORMTYPE\" value=\"%2\"/></node></scene>")
                               .arg(QLatin1String(r[0]), QLatin1String(r[1]))
                               .toUtf8();
    PIO_LoadError error;
    EXPECT_TRUE(PIO_SceneReader::readData(xml, QStringLiteral("foreign"), &error) == nullptr) << r[0] << " " << r[1];
  }
}

} // namespace
