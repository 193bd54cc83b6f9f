// What loading the library registers: each node type once under its name, making its own class
// whichever way it is created; and every keyword of every type as a scene file carries it,
// through the real reader and writer.
#include <gtest/gtest.h>

#include <memory>
#include <typeinfo>

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

// Every keyword of every type with a value other than its default (push buttons hold none).
const char kEveryKeyword[] = R"(<scene version="1" frames="1-10" aspect="4:3">
  <node type="Peg" name="Root"/>
  <node type="DynamicSpring" name="Spring">
    <attr keyword="ACTIVE" value="90"/> <attr keyword="MATCHEXPOSURES" value="true"/>
    <attr keyword="TENSIONX" value="11"/> <attr keyword="INERTIAX" value="81"/> <attr keyword="TENSIONY" value="12"/>
    <attr keyword="INERTIAY" value="82"/> <attr keyword="TENSIONZ" value="13"/> <attr keyword="INERTIAZ" value="83"/>
    <attr keyword="TENSIONSCALE" value="14"/> <attr keyword="INERTIASCALE" value="84"/>
    <attr keyword="TENSIONSKEW" value="15"/> <attr keyword="INERTIASKEW" value="85"/>
    <attr keyword="TENSIONROTATE">
      <key frame="1" value="3"/>
      <key frame="10" value="9" interpolation="constant"/>
    </attr>
    <attr keyword="INERTIAROTATE" value="86"/> <attr keyword="PIGNORE" value="1"/>
    <attr keyword="PARENTNAME" value="Root"/>
  </node>
  <node type="PointConstraint2" name="Two">
    <attr keyword="ACTIVE" value="-100"/> <attr keyword="VOLUMEMOD" value="70"/> <attr keyword="VOLUMEMAX" value="150"/>
    <attr keyword="VOLUMEMIN" value="30"/> <attr keyword="STRETCHMAX" value="120"/>
    <attr keyword="STRETCHMIN" value="80"/> <attr keyword="SKEWCONTROL" value="10"/> <attr keyword="SMOOTH" value="20"/>
    <attr keyword="BALANCE" value="-50"/> <attr keyword="FLATTENTYPE" value="PROJECT"/>
    <attr keyword="TRANSFORMTYPE" value="LOCALTRANSFORM"/> <attr keyword="PRIMARYPORT" value="BOTTOMMOST"/>
  </node>
  <node type="PointConstraint3" name="Three">
    <attr keyword="ACTIVE" value="25.5"/> <attr keyword="FLATTENTYPE" value="FLATTEN"/>
    <attr keyword="TRANSFORMTYPE" value="LOCAL"/> <attr keyword="PRIMARYPORT" value="MIDDLE"/>
  </node>
  <node type="PointConstraintMulti" name="Multi">
    <attr keyword="ACTIVE" value="60"/> <attr keyword="FLATTENTYPE" value="PROJECT"/>
    <attr keyword="CONVEXHULL" value="true"/> <attr keyword="ALLOWPERSP" value="true"/>
  </node>
  <node type="StaticConstraint" name="Static">
    <attr keyword="active" value="true"/> <attr keyword="translate.x" value="1.5"/>
    <attr keyword="translate.y" value="-2"/> <attr keyword="translate.z" value="0.25"/>
    <attr keyword="scale.x" value="2"/> <attr keyword="scale.y" value="0.5"/> <attr keyword="scale.z" value="3"/>
    <attr keyword="rotate.anglex" value="10"/> <attr keyword="rotate.angley" value="20"/>
    <attr keyword="rotate.anglez" value="30"/> <attr keyword="skewX" value="5"/> <attr keyword="skewY" value="-5"/>
    <attr keyword="skewZ" value="7"/> <attr keyword="inverted" value="true"/>
    <attr keyword="translate.separate" value="false"/> <attr keyword="scale.separate" value="false"/>
    <attr keyword="rotate.separate" value="false"/>
  </node>
  <node type="Switch" name="Switch">
    <attr keyword="ACTIVE" value="30"/> <attr keyword="GATENUM" value="3"/> <attr keyword="UIOFFSETPOS.X" value="4"/>
    <attr keyword="UIOFFSETPOS.Y" value="-1"/> <attr keyword="UISCALE" value="2.5"/>
    <attr keyword="UIOFFSETPOS.SEPARATE" value="true"/>
  </node>
  <node type="TransformGate" name="Gate">
    <attr keyword="ACTIVE" value="45"/> <attr keyword="TARGET_GATE" value="2"/> <attr keyword="DEFAULT_GATE" value="1"/>
  </node>
  <node type="TransformLimit" name="Limit">
    <attr keyword="ACTIVE" value="40"/> <attr keyword="SWITCHTYPE" value="SCALESKEW"/> <attr keyword="TX" value="10"/>
    <attr keyword="TY" value="20"/> <attr keyword="TZ" value="30"/> <attr keyword="ROT" value="40"/>
    <attr keyword="SKEW" value="50"/> <attr keyword="SX" value="60"/> <attr keyword="SY" value="70"/>
    <attr keyword="ALLOWFLIP" value="false"/> <attr keyword="UNIFORMSCALE" value="true"/>
    <attr keyword="PIGNORE" value="2"/> <attr keyword="PARENTNAME" value="Root"/>
    <attr keyword="FLATTENTYPE" value="PROJECT3DSCALE"/> <attr keyword="SKEWTYPE" value="SKEWAIM"/>
    <attr keyword="FLIPAXIS" value="MINIMIZED"/> <attr keyword="POS.X" value="-3"/> <attr keyword="POS.Y" value="6"/>
    <attr keyword="POS.SEPARATE" value="false"/>
  </node>
  <link from="Root" to="Two" toPort="0"/>
  <link from="Switch" to="Two" toPort="2"/>
  <link from="Root" to="Gate" toPort="1"/>
</scene>
)";

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
  const std::unique_ptr<SC_SceneCommon> first = read(QByteArray(kEveryKeyword));
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
