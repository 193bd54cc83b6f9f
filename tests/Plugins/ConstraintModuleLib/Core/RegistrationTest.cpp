// What loading the library registers: the eight node types in order with their names, classes,
// bases and type ids; input port names; every attribute declaration in registration order with
// its keyword, display name, class, step key, limits and default; the option values; and the
// keywords as a scene file carries them, through the real reader and writer.
#include <gtest/gtest.h>

#include <QSet>
#include <memory>
#include <typeinfo>
#include <vector>

#include "Core/Constraint_AutoInModule.h"
#include "Core/Constraint_Module.h"
#include "DynamicSpring/DynamicSpringModule.h"
#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostScene.h"
#include "MultiPoints/PointConstraintMultiModule.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "PersistentObj/PIO_SceneWriter.h"
#include "PointConstraints/PointConstraint2Module.h"
#include "PointConstraints/PointConstraint3Module.h"
#include "SceneCore/AT_CompoundAttr.h"
#include "SceneCore/AT_Keys.h"
#include "TransformControls/StaticConstraint.h"
#include "TransformControls/Switch.h"
#include "TransformControls/TransformGateModule.h"
#include "TransformControls/TransformLimitModule.h"

namespace {

namespace host = AT_DoubleAttrMetaContainer;

std::unique_ptr<MO_Module> create(const QString& type) {
  return std::unique_ptr<MO_Module>(MO_ModuleFactorySingleton().create(type));
}

// ---- node types -------------------------------------------------------------------------

struct TypeRow {
  const char* type;
  const char* display;
  const std::type_info* cls;
  bool autoIn;
  int typeId;
  int portKind;
  std::vector<const char*> ports;
};

const std::vector<TypeRow>& typeRows() {
  // clang-format off
  static const std::vector<TypeRow> rows = {
      {"DynamicSpring", "Dynamic-Spring", &typeid(DynamicSpringModule), false, 3, 2,
       {"Dynamic Transform", "Static Transform", "Switch"}},
      {"PointConstraint2", "Two-Points-Constraint", &typeid(PointConstraint2Module), false, 2, 2,
       {"Right Peg", "Left Peg", "Switch"}},
      {"PointConstraint3", "Three-Points-Constraints", &typeid(PointConstraint3Module), false, 2, 2,
       {"Right Peg", "Middle Peg", "Left Peg", "Switch"}},
      {"PointConstraintMulti", "Multi-Points-Constraint", &typeid(PointConstraintMultiModule), true, 2, 0, {}},
      {"StaticConstraint", "Static-Transformation", &typeid(StaticConstraint), false, 2, 2, {}},
      {"Switch", "Constraint-Switch", &typeid(Switch), false, 5, 2, {}},
      {"TransformGate", "Transformation-Gate", &typeid(TransformGateModule), true, 0, 0, {}},
      {"TransformLimit", "Transformation-Limit", &typeid(TransformLimitModule), false, 2, 2,
       {"Limited Transform", "Forced-Transform", "Switch"}},
  };
  // clang-format on
  return rows;
}

TEST(Registration, RegistersTheEightTypesInOrder) {
  QSet<QString> ours;
  for (const TypeRow& r : typeRows())
    ours.insert(QLatin1String(r.type));
  std::vector<QString> registered;
  for (const MO_ModuleFactory::Entry& e : MO_ModuleFactorySingleton().entries())
    if (ours.contains(e.typeName))
      registered.push_back(e.typeName);
  ASSERT_EQ(typeRows().size(), registered.size());
  for (std::size_t i = 0; i < registered.size(); ++i)
    EXPECT_EQ(QLatin1String(typeRows()[i].type), registered[i]);
}

TEST(Registration, EachTypeMakesItsClassWithItsNamesBaseAndTypeId) {
  for (const TypeRow& r : typeRows()) {
    SCOPED_TRACE(r.type);
    const MO_ModuleFactory::Entry* entry = MO_ModuleFactorySingleton().find(QLatin1String(r.type));
    ASSERT_NE(entry, nullptr);
    EXPECT_TRUE(*r.cls == *entry->type) << entry->type->name();
    for (const auto& creator : {entry->create, entry->createForLoading}) {
      std::unique_ptr<MO_Module> node(creator());
      ASSERT_NE(node, nullptr);
      EXPECT_TRUE(*r.cls == typeid(*node)) << typeid(*node).name();
      EXPECT_EQ(QLatin1String(r.type), node->moduleTypeName());
      EXPECT_EQ(QLatin1String(r.display), node->baseDisplayName());
      auto* tmpl = dynamic_cast<Constraint_TemplateModule*>(node.get());
      ASSERT_NE(tmpl, nullptr);
      EXPECT_EQ(r.autoIn, dynamic_cast<Constraint_AutoInModule*>(node.get()) != nullptr);
      EXPECT_EQ(!r.autoIn, dynamic_cast<Constraint_Module*>(node.get()) != nullptr);
      EXPECT_EQ(r.typeId, tmpl->constraintTypeId());
      EXPECT_EQ(r.portKind, tmpl->inputPortKind());
      EXPECT_EQ(node.get(), tmpl->owner());
    }
  }
}

TEST(Registration, InputPortsCarryTheirDeclaredNames) {
  for (const TypeRow& r : typeRows()) {
    SCOPED_TRACE(r.type);
    const std::unique_ptr<MO_Module> node = create(QLatin1String(r.type));
    const int n = static_cast<int>(r.ports.size());
    for (int i = 0; i < n; ++i) {
      const MO_SimplePortMetaData* meta = node->inPortMetadata(i);
      ASSERT_NE(meta, nullptr) << "port " << i;
      EXPECT_EQ(QLatin1String(r.ports[i]), meta->name());
      EXPECT_EQ(QLatin1String(r.ports[i]), meta->displayName());
    }
    EXPECT_EQ(nullptr, node->inPortMetadata(n)) << "past the named ports: the host's default";
  }
}

// ---- attribute declarations ---------------------------------------------------------------

struct AttrRow {
  const char* keyword;
  const char* display;
  const char* cls;
  const char* step; // null for declarations that are not numeric
  double weakMin, weakMax;
  const char* def; // the default as defaultText spells it
};

AttrRow D(const char* k, const char* d, const char* step, const char* def, double weakMin = host::kDefaultWeakMinValue,
          double weakMax = host::kDefaultWeakMaxValue) {
  return {k, d, "AT_DoubleAttr", step, weakMin, weakMax, def};
}
AttrRow L(const char* k, const char* d, const char* step, const char* def) { return D(k, d, step, def, 0.0, 100.0); }
AttrRow O(const char* k, const char* d, const char* cls, const char* def) { return {k, d, cls, nullptr, 0, 0, def}; }

// Typed defaults in one spelling: numbers, whether they can be animated, ranges of whole numbers.
QString defaultText(const AT_Attr* a) {
  if (auto* d = dynamic_cast<const AT_DoubleAttr*>(a))
    return QString::number(d->localValue()) + (d->linkable() == AT_DoubleAttr::eLinkable ? "" : " fixed");
  if (auto* i = dynamic_cast<const AT_IntAttr*>(a))
    return QStringLiteral("%1 in %2..%3 step %4%5")
        .arg(i->localValue())
        .arg(i->min())
        .arg(i->max())
        .arg(i->step())
        .arg(i->animatable() ? "" : " fixed");
  if (auto* b = dynamic_cast<const AT_BoolAttr*>(a))
    return b->localValue() ? QStringLiteral("true") : QStringLiteral("false");
  if (auto* s = dynamic_cast<const AT_StringAttr*>(a))
    return QLatin1Char('"') + s->value() + QLatin1Char('"');
  if (auto* c = dynamic_cast<const AT_CompoundAttr*>(a)) {
    QStringList parts;
    for (int p = 0; p < c->partCount(); ++p)
      parts << QString::number(c->part(p)->localValue());
    return parts.join(QLatin1Char(',')) + (c->part(0)->linkable() == AT_DoubleAttr::eLinkable ? "" : " fixed");
  }
  if (dynamic_cast<const AT_PushButtonAttr*>(a))
    return QStringLiteral("button");
  return a->localValueString(); // options: the keyword
}

const std::vector<std::pair<const char*, std::vector<AttrRow>>>& attrTables() {
  static const std::vector<std::pair<const char*, std::vector<AttrRow>>> tables = {
      {"DynamicSpring",
       {D("ACTIVE", "Active", "DBL_STEP_CONSTRAINT_ACTIVE", "100"),
        O("MATCHEXPOSURES", "Match Animation on Active Attribute", "AT_BoolAttr", "false"),
        D("TENSIONX", "Tension X", "DBL_STEP_DYN_TENSION", "7"),
        D("INERTIAX", "Inertia X", "DBL_STEP_DYN_INERTIA", "80"),
        D("TENSIONY", "Tension Y", "DBL_STEP_DYN_TENSION", "7"),
        D("INERTIAY", "Inertia Y", "DBL_STEP_DYN_INERTIA", "80"),
        D("TENSIONZ", "Tension Z", "DBL_STEP_DYN_TENSION", "7"),
        D("INERTIAZ", "Inertia Z", "DBL_STEP_DYN_INERTIA", "80"),
        D("TENSIONSCALE", "Tension Scale", "DBL_STEP_DYN_TENSION", "7"),
        D("INERTIASCALE", "Inertia Scale", "DBL_STEP_DYN_INERTIA", "80"),
        D("TENSIONSKEW", "Tension Skew", "DBL_STEP_DYN_TENSION", "7"),
        D("INERTIASKEW", "Inertia Skew", "DBL_STEP_DYN_INERTIA", "80"),
        D("TENSIONROTATE", "Tension Rotate", "DBL_STEP_DYN_TENSION", "7"),
        D("INERTIAROTATE", "Inertia Rotate", "DBL_STEP_DYN_INERTIA", "80"),
        D("PIGNORE", "Ignore Parents", "DBL_PIGNORE", "0"), O("PARENTNAME", "Parent's Name", "AT_StringAttr", "\"\"")}},
      {"PointConstraint2",
       {D("ACTIVE", "Active", "DBL_STEP_CONSTRAINT_ACTIVE", "100"),
        D("VOLUMEMOD", "Volume Modifier", "DBL_STEP_CONSTRAINT_RATIO", "75"),
        D("VOLUMEMAX", "Volume Max", "DBL_STEP_CONSTRAINT_RATIO", "200"),
        D("VOLUMEMIN", "Volume Min", "DBL_STEP_CONSTRAINT_RATIO", "25"),
        D("STRETCHMAX", "Distance Max", "DBL_STEP_CONSTRAINT_RATIO", "0"),
        D("STRETCHMIN", "Distance Min", "DBL_STEP_CONSTRAINT_RATIO", "0"),
        D("SKEWCONTROL", "Skew Modifier", "DBL_STEP_CONSTRAINT_RATIO", "0"),
        D("SMOOTH", "Smoothing", "DBL_STEP_CONSTRAINT_RATIO", "0"),
        D("BALANCE", "Point Balance", "DBL_STEP_CONSTRAINT_RATIO", "0"),
        O("FLATTENTYPE", "Flatten Type", "PointConstraint2::FlattenType", "ALLOW"),
        O("TRANSFORMTYPE", "Transform Type", "PointConstraint2::TransformType", "TRANSLATE"),
        O("PRIMARYPORT", "Primary Port", "PointConstraint2::PrimaryPortType", "RIGHT")}},
      {"PointConstraint3",
       {D("ACTIVE", "Active", "DBL_STEP_CONSTRAINT_ACTIVE", "100"),
        O("FLATTENTYPE", "Flatten Type", "PointConstraint3::FlattenType", "ALLOW"),
        O("TRANSFORMTYPE", "Transform Type", "PointConstraint3::TransformType", "TRANSLATE"),
        O("PRIMARYPORT", "Primary Port", "PointConstraint3::PrimaryPortType", "RIGHT")}},
      {"PointConstraintMulti",
       {D("ACTIVE", "Active", "DBL_STEP_CONSTRAINT_ACTIVE", "100"),
        O("FLATTENTYPE", "Flatten Type", "PointConstraintMulti::FlattenType", "ALLOW"),
        O("CONVEXHULL", "Ignore Internal Points", "AT_BoolAttr", "false"),
        O("ALLOWPERSP", "Allow Perspective Transform", "AT_BoolAttr", "false")}},
      {"StaticConstraint",
       {O("bakeAttr", "Bake Immediate Parent's Transformation", "AT_PushButtonAttr", "button"),
        O("bakeAttr_all", "Bake All Incoming Transformations", "AT_PushButtonAttr", "button"),
        O("active", "Active", "AT_BoolAttr", "false"), O("translate", "Translate", "AT_Position3dAttr", "0,0,0 fixed"),
        O("scale", "Skew", "AT_Scale3dAttr", "1,1,1 fixed"), O("rotate", "Rotate", "AT_Rotation3dAttr", "0,0,0 fixed"),
        D("skewX", "Skew X", "DBL_STEP_ANGLE_SKEW", "0 fixed"), D("skewY", "Skew Y", "DBL_STEP_ANGLE_SKEW", "0 fixed"),
        D("skewZ", "Skew Z", "DBL_STEP_ANGLE_SKEW", "0 fixed"),
        O("inverted", "Invert Transformation", "AT_BoolAttr", "false")}},
      {"Switch",
       {D("ACTIVE", "ACTIVE", "DBL_STEP_CONSTRAINT_ACTIVE", "100"),
        O("GATENUM", "TARGET GATE", "AT_IntAttr", "0 in 0..2147483647 step 1"),
        O("UIOFFSETPOS", "GUI OFFSET", "AT_Position2dAttr", "0,0 fixed"),
        D("UISCALE", "GUI SCALE", "DBL_STEP_CONSTRAINT_RATIOFLOAT", "1 fixed")}},
      {"TransformGate",
       {D("ACTIVE", "ACTIVE", "DBL_STEP_CONSTRAINT_ACTIVE", "100"),
        O("TARGET_GATE", "LOCAL TARGET GATE", "AT_IntAttr", "1 in 0..2147483647 step 1"),
        O("DEFAULT_GATE", "DEFAULT GATE", "AT_IntAttr", "0 in 0..2147483647 step 1")}},
      {"TransformLimit",
       {L("ACTIVE", "Active", "DBL_STEP_CONSTRAINT_ACTIVE", "100"),
        O("SWITCHTYPE", "Switch Effects", "TransformLimit::SwitchType", "ACTIVE"),
        L("TX", "Translate X", "DBL_STEP_CONSTRAINT_RATIO", "100"),
        L("TY", "Translate Y", "DBL_STEP_CONSTRAINT_RATIO", "100"),
        L("TZ", "Translate Z", "DBL_STEP_CONSTRAINT_RATIO", "100"),
        L("ROT", "Rotate", "DBL_STEP_CONSTRAINT_RATIO", "100"), L("SKEW", "Skew", "DBL_STEP_CONSTRAINT_RATIO", "100"),
        L("SX", "Scale X", "DBL_STEP_CONSTRAINT_RATIO", "100"), L("SY", "Scale Y", "DBL_STEP_CONSTRAINT_RATIO", "100"),
        O("ALLOWFLIP", "Allow Flipping", "AT_BoolAttr", "true"),
        O("UNIFORMSCALE", "Uniform Scale", "AT_BoolAttr", "false"), D("PIGNORE", "Ignore Parents", "DBL_PIGNORE", "0"),
        O("PARENTNAME", "Parent's Name", "AT_StringAttr", "\"\""),
        O("FLATTENTYPE", "Flatten Type", "TransformLimit::FlattenType", "ALLOW"),
        O("SKEWTYPE", "Skew Type", "TransformLimit::SkewType", "SKEWOPTIMIZE"),
        O("FLIPAXIS", "Flip Axis", "TransformLimit::FlipAxisType", "FLIPX"),
        O("POS", "Control Position", "AT_Position2dAttr", "0,0")}},
  };
  return tables;
}

TEST(Registration, AttributesComeInRegistrationOrderWithTheirDeclarations) {
  for (const auto& [type, rows] : attrTables()) {
    const std::unique_ptr<MO_Module> node = create(QLatin1String(type));
    const std::vector<AT_Attr*>& attrs = node->attrs();
    ASSERT_EQ(rows.size(), attrs.size()) << type;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const AttrRow& r = rows[i];
      const AT_Attr* a = attrs[i];
      SCOPED_TRACE(std::string(type) + " " + r.keyword);
      EXPECT_EQ(QLatin1String(r.keyword), a->keyword());
      EXPECT_EQ(QLatin1String(r.display), a->displayName());
      EXPECT_EQ(QLatin1String(r.cls), a->className());
      EXPECT_EQ(QLatin1String(r.def), defaultText(a));
      EXPECT_EQ(a->keyword() == QLatin1String("PARENTNAME"), a->meta().flag());
      const auto* numeric = dynamic_cast<const AT_DoubleAttrMeta*>(&a->meta());
      ASSERT_EQ(r.step != nullptr, numeric != nullptr);
      if (numeric) {
        EXPECT_EQ(QLatin1String(r.step), numeric->stepPreference());
        EXPECT_EQ(r.weakMin, numeric->weakMin());
        EXPECT_EQ(r.weakMax, numeric->weakMax());
        EXPECT_EQ(host::kDefaultMinValue, numeric->min());
        EXPECT_EQ(host::kDefaultMaxValue, numeric->max());
        EXPECT_EQ(host::kDefaultValueStep, numeric->step());
      }
    }
  }
}

// ---- option values ----------------------------------------------------------------------

struct OptionValue {
  int value;
  const char* keyword;
  const char* text;
};

TEST(Registration, OptionValuesWalkInAscendingOrderWithKeywordsAndTexts) {
  const struct {
    const char* type;
    const char* keyword;
    std::vector<OptionValue> values;
  } tables[] = {
      {"PointConstraint2",
       "FLATTENTYPE",
       {{0, "FLATTEN", "Ignore 3D Transform"}, {1, "ALLOW", "Allow 3D Transform"}, {2, "PROJECT", "Project to Plane"}}},
      {"PointConstraint2",
       "TRANSFORMTYPE",
       {{0, "TRANSLATE", "Translate"}, {1, "TRANSFORM", "Transform"}, {2, "LOCALTRANSFORM", "Local Transform"}}},
      {"PointConstraint2",
       "PRIMARYPORT",
       {{1, "RIGHT", "Right"}, {2, "LEFT", "Left"}, {3, "TOPMOST", "Top-Most"}, {4, "BOTTOMMOST", "Bottom-Most"}}},
      {"PointConstraint3",
       "FLATTENTYPE",
       {{0, "FLATTEN", "Ignore 3D Transform"}, {1, "ALLOW", "Allow 3D Transform"}, {2, "PROJECT", "Project to Plane"}}},
      {"PointConstraint3",
       "TRANSFORMTYPE",
       {{0, "TRANSLATE", "Translate"}, {1, "ALLOW", "Transform"}, {2, "LOCAL", "Local Transform"}}},
      {"PointConstraint3",
       "PRIMARYPORT",
       {{1, "RIGHT", "Right"},
        {2, "MIDDLE", "Middle"},
        {3, "LEFT", "Left"},
        {4, "TOPMOST", "Top-Most"},
        {5, "BOTTOMMOST", "Bottom-Most"}}},
      {"PointConstraintMulti", "FLATTENTYPE", {{1, "ALLOW", "Allow 3D Transform"}, {2, "PROJECT", "Project to Plane"}}},
      {"TransformLimit",
       "FLATTENTYPE",
       {{0, "ALLOW", "Allow 3D Translate"},
        {1, "PROJECT3D", "Project 3D Translate to Plane"},
        {2, "PROJECT3DSCALE", "Project and Scale 3D Translate to Plane"}}},
      {"TransformLimit",
       "FLIPAXIS",
       {{0, "FLIPX", "Allow Flip on X-Axis"},
        {1, "FLIPY", "Allow Flip on Y-Axis"},
        {2, "MINIMIZED", "Determine Minimized Flip-Axis"}}},
      {"TransformLimit",
       "SKEWTYPE",
       {{0, "SKEWAIM", "Skew Applied as Rotation"},
        {1, "SKEWIGNORE", "Skew Ignored in Rotation"},
        {2, "SKEWOPTIMIZE", "Skew Optimized for Rotation"}}},
      {"TransformLimit",
       "SWITCHTYPE",
       {{0, "ACTIVE", "Active Value"},
        {1, "TRANSLATE", "XYZ Translation"},
        {2, "SCALE", "Scale"},
        {3, "ROTATION", "Rotation"},
        {4, "SKEW", "Skew"},
        {5, "SCALESKEW", "Scale/Skew"}}},
  };
  for (const auto& t : tables) {
    SCOPED_TRACE(std::string(t.type) + " " + t.keyword);
    const std::unique_ptr<MO_Module> node = create(QLatin1String(t.type));
    const auto* option = dynamic_cast<const AT_EnumAttrBase*>(node->attr(QLatin1String(t.keyword)));
    ASSERT_NE(option, nullptr);
    auto it = option->enumBegin();
    for (const OptionValue& v : t.values) {
      ASSERT_NE(it, option->enumEnd());
      EXPECT_EQ(v.value, it->first);
      EXPECT_EQ(QLatin1String(v.keyword), it->second.m_keyword);
      EXPECT_EQ(QLatin1String(v.text), it->second.m_text);
      ++it;
    }
    EXPECT_EQ(it, option->enumEnd());
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

void expectSameAttr(const AT_Attr* a, const AT_Attr* b) {
  SCOPED_TRACE(qPrintable(a->path()));
  EXPECT_EQ(a->localValueString(), b->localValueString());
  ASSERT_EQ(a->keys() == nullptr, b->keys() == nullptr);
  if (a->keys()) {
    ASSERT_EQ(a->keys()->keys().size(), b->keys()->keys().size());
    for (auto i = a->keys()->keys().begin(), j = b->keys()->keys().begin(); i != a->keys()->keys().end(); ++i, ++j) {
      EXPECT_EQ(i->first, j->first);
      EXPECT_EQ(i->second.value, j->second.value);
      EXPECT_EQ(i->second.interpolation, j->second.interpolation);
    }
  }
  ASSERT_EQ(a->subAttrs().size(), b->subAttrs().size());
  for (std::size_t i = 0; i < a->subAttrs().size(); ++i)
    expectSameAttr(a->subAttrs()[i], b->subAttrs()[i]);
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

  const QByteArray written = PIO_SceneWriter::writeData(*first);
  const std::unique_ptr<SC_SceneCommon> second = read(written);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(written, PIO_SceneWriter::writeData(*second));
  ASSERT_EQ(first->nodes().size(), second->nodes().size());
  for (std::size_t n = 0; n < first->nodes().size(); ++n) {
    const MO_Module* a = first->nodes()[n];
    const MO_Module* b = second->nodes()[n];
    SCOPED_TRACE(qPrintable(a->instanceName()));
    EXPECT_EQ(a->moduleTypeName(), b->moduleTypeName());
    EXPECT_EQ(a->instanceName(), b->instanceName());
    ASSERT_EQ(a->attrs().size(), b->attrs().size());
    for (std::size_t i = 0; i < a->attrs().size(); ++i)
      expectSameAttr(a->attrs()[i], b->attrs()[i]);
    ASSERT_EQ(a->nInPorts(), b->nInPorts());
    for (int p = 0; p < a->nInPorts(); ++p) {
      const MO_Module* ia = a->inputModule(p);
      const MO_Module* ib = b->inputModule(p);
      EXPECT_EQ(ia ? ia->instanceName() : QString(), ib ? ib->instanceName() : QString()) << "input " << p;
    }
  }
}

// The text of one node's element in a written file.
QString nodeXml(const QByteArray& file, const char* name) {
  const QString xml = QString::fromUtf8(file);
  const qsizetype start = xml.indexOf(QStringLiteral("name=\"%1\"").arg(QLatin1String(name)));
  return start < 0 ? QString() : xml.mid(start, xml.indexOf(QStringLiteral("</node>"), start) - start);
}

TEST(SceneFile, TransformTypeKeywordsFollowTheNodeKind) {
  const struct {
    const char* type;
    const char* name;
    int value;
    const char* keyword;
    const char* foreign; // the other kind's keyword for the same value
  } rows[] = {{"PointConstraint3", "ThreeAllow", 1, "ALLOW", "TRANSFORM"},
              {"PointConstraint3", "ThreeLocal", 2, "LOCAL", "LOCALTRANSFORM"},
              {"PointConstraint2", "TwoLocal", 2, "LOCALTRANSFORM", "LOCAL"}};
  SC_SceneCommon scene;
  for (const auto& r : rows) {
    MO_Module* node = scene.addNode(create(QLatin1String(r.type)));
    node->setInstanceName(QLatin1String(r.name));
    static_cast<AT_EnumAttrBase*>(node->attr(QStringLiteral("TRANSFORMTYPE")))->setLocalValue(r.value);
  }
  const QByteArray written = PIO_SceneWriter::writeData(scene);
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_TRUE(nodeXml(written, r.name)
                    .contains(QStringLiteral("keyword=\"TRANSFORMTYPE\" value=\"%1\"").arg(QLatin1String(r.keyword))))
        << qPrintable(nodeXml(written, r.name));
    const QByteArray foreign = QStringLiteral("<scene version=\"1\"><node type=\"%1\" name=\"N\"><attr "
                                              "keyword=\"TRANSFORMTYPE\" value=\"%2\"/></node></scene>")
                                   .arg(QLatin1String(r.type), QLatin1String(r.foreign))
                                   .toUtf8();
    PIO_LoadError error;
    EXPECT_TRUE(PIO_SceneReader::readData(foreign, QStringLiteral("foreign"), &error) == nullptr);
  }
}

} // namespace
