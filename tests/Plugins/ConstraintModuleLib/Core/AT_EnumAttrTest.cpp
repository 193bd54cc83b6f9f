// The option template through the real option classes: default, display text and keyword,
// editing by text (display text or keyword, case-sensitive) with undo, ascending walks whatever
// the fill order, change notification, the surrogate that reads see but files do not, copying
// from another option, equivalence, the older text format and visitor dispatch.
#include <gtest/gtest.h>

#include <memory>

#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostScene.h"
#include "PointConstraints/PointConstraint2Module.h"
#include "PointConstraints/PointConstraint3Options.h"

namespace {

class CountingListener : public RXListener {
public:
  void told(RXTeller*) override { ++count; }
  int count = 0;
};

class CountingVisitor : public AT_AttrVisitor {
public:
  void visitEnumAttr(AT_EnumAttrBase*) override { ++enumVisits; }
  int enumVisits = 0;
};

// Takes ownership of what an edit call returns; true when it returned nothing.
bool noCommand(CO_Command* cmd) {
  const std::unique_ptr<CO_Command> owned(cmd);
  return !owned;
}

// The XML an attribute writes for its local value, inside an <attr> element.
QByteArray writtenXml(const AT_Attr& attr) {
  QByteArray bytes;
  PO_XmlWriter writer(&bytes);
  SC_SceneCommon scene;
  PIO_WritingContext context(writer, scene);
  writer.startDocument();
  writer.startElement(QStringLiteral("attr"));
  attr.writeXmlLocalValue(context);
  writer.endElement();
  writer.endDocument();
  return bytes;
}

class EnumAttrTest : public ::testing::Test {
protected:
  PointConstraint2Module node;
  PointConstraint2::FlattenType& flatten = *node.flattentypeAttr();
};

TEST_F(EnumAttrTest, FreshFlattenTypeReadsAllow) {
  EXPECT_EQ(1, flatten.value(0));
  EXPECT_EQ(1, flatten.localValue());
  EXPECT_EQ(QStringLiteral("Allow 3D Transform"), flatten.textValue(0));
  const QByteArray bytes = writtenXml(flatten);
  EXPECT_TRUE(bytes.contains("value=\"ALLOW\"")) << bytes.constData();
}

TEST_F(EnumAttrTest, SetTextValueMatchesDisplayTextOrKeywordExactly) {
  for (const char* text : {"Project to Plane", "PROJECT"}) {
    std::unique_ptr<CO_Command> cmd(flatten.setTextValue(0, QLatin1String(text)));
    auto* set = dynamic_cast<AT_EnumAttrBase::SetLocalValueCmd*>(cmd.get());
    ASSERT_NE(set, nullptr) << text;
    EXPECT_EQ(2, set->value()) << text;
    EXPECT_EQ(1, flatten.value(0)) << "the call itself changes nothing";
    cmd->execute();
    EXPECT_EQ(2, flatten.value(0)) << text;
    cmd->undo();
    EXPECT_EQ(1, flatten.value(0)) << text;
  }
  for (const char* text : {"project", "2"})
    EXPECT_TRUE(noCommand(flatten.setTextValue(0, QLatin1String(text)))) << text;
}

TEST_F(EnumAttrTest, WalksValuesInAscendingOrderWhateverTheFillOrder) {
  const struct {
    int value;
    const char* keyword;
  } expected[] = {{0, "FLATTEN"}, {1, "ALLOW"}, {2, "PROJECT"}};
  auto it = flatten.enumBegin();
  for (const auto& e : expected) {
    ASSERT_NE(it, flatten.enumEnd());
    EXPECT_EQ(e.value, it->first);
    EXPECT_EQ(QLatin1String(e.keyword), it->second.m_keyword);
    EXPECT_FALSE(it->second.m_flag);
    ++it;
  }
  EXPECT_EQ(it, flatten.enumEnd());
}

TEST_F(EnumAttrTest, SetLocalValueTellsListenersOnlyOfChanges) {
  CountingListener listener;
  flatten.addListener(&listener);
  EXPECT_FALSE(flatten.setLocalValue(1));
  EXPECT_EQ(0, listener.count);
  EXPECT_TRUE(flatten.setLocalValue(0));
  EXPECT_EQ(1, listener.count);
  EXPECT_EQ(0, flatten.value(0));
  flatten.removeListener(&listener);
}

TEST_F(EnumAttrTest, ScalarSurrogateIsReadButNeverWritten) {
  flatten.setSurrogate(std::make_shared<AT_ScalarSimpleAttrSurrogate>(2.0));
  EXPECT_EQ(2, flatten.value(0));
  EXPECT_EQ(QStringLiteral("Project to Plane"), flatten.textValue(0));
  EXPECT_EQ(1, flatten.localValue());
  const QByteArray bytes = writtenXml(flatten);
  EXPECT_TRUE(bytes.contains("value=\"ALLOW\"")) << bytes.constData();
  // A value outside the table reads as no text.
  flatten.setSurrogate(std::make_shared<AT_ScalarSimpleAttrSurrogate>(9.0));
  EXPECT_EQ(QString(), flatten.textValue(0));
  flatten.setSurrogate(nullptr);
  EXPECT_EQ(QStringLiteral("Allow 3D Transform"), flatten.textValue(0));
}

TEST_F(EnumAttrTest, DropLocalValueCopiesOnlyFromTheSameOptionUnderTheSameName) {
  const AT_AttrMeta otherName("OTHERFLATTEN", "Other Flatten");
  PointConstraint2::FlattenType renamed(&node, otherName);
  renamed.setLocalValue(2);
  EXPECT_TRUE(noCommand(flatten.dropLocalValue(&renamed)));

  PointConstraint2::FlattenType same(&node, flatten.meta());
  EXPECT_TRUE(noCommand(flatten.dropLocalValue(&same))) << "same value";
  same.setSurrogate(std::make_shared<AT_ScalarSimpleAttrSurrogate>(0.0)); // its current value is 0
  std::unique_ptr<CO_Command> cmd(flatten.dropLocalValue(&same));
  auto* set = dynamic_cast<AT_EnumAttrBase::SetLocalValueCmd*>(cmd.get());
  ASSERT_NE(set, nullptr);
  EXPECT_EQ(0, set->value());

  PointConstraint3::FlattenType otherClass(&node, flatten.meta());
  otherClass.setLocalValue(2);
  EXPECT_TRUE(noCommand(flatten.dropLocalValue(&otherClass)));
  EXPECT_TRUE(noCommand(flatten.dropLocalValue(node.activeAttr())));
}

TEST_F(EnumAttrTest, EquivalenceComparesCurrentValuesOfTheSameOptionOnly) {
  PointConstraint2::FlattenType other(&node, flatten.meta());
  EXPECT_TRUE(flatten.isEquivalentLocalValue(other));
  other.setLocalValue(2);
  EXPECT_FALSE(flatten.isEquivalentLocalValue(other));
  flatten.setSurrogate(std::make_shared<AT_ScalarSimpleAttrSurrogate>(2.0));
  EXPECT_TRUE(flatten.isEquivalentLocalValue(other));
  flatten.setSurrogate(nullptr);
  PointConstraint3::FlattenType otherClass(&node, flatten.meta()); // also 1 (ALLOW)
  EXPECT_FALSE(flatten.isEquivalentLocalValue(otherClass));
}

TEST_F(EnumAttrTest, ParseLocalValueReadsAKeywordFromTheOlderTextFormat) {
  const struct {
    const char* text;
    bool store;
    int value;
    const char* next;
  } rows[] = {{"PROJECT rest", true, 2, "rest"},
              {"PROJECT rest", false, 1, "rest"},
              {"project rest", true, 1, "project"},
              {"Project to Plane", true, 1, "Project"}};
  for (const auto& r : rows) {
    flatten.setLocalValue(1);
    RXLex lex(QLatin1String(r.text));
    flatten.parseLocalValue(lex, r.store);
    EXPECT_EQ(r.value, flatten.value(0)) << r.text << " store " << r.store;
    EXPECT_EQ(QLatin1String(r.next), lex.peek()) << r.text << " store " << r.store;
  }
}

TEST_F(EnumAttrTest, ParseLocalValueStringTakesKeywordsOnly) {
  flatten.parseLocalValueString(QStringLiteral("PROJECT"));
  EXPECT_EQ(2, flatten.value(0));
  for (const char* text : {"Ignore 3D Transform", "flatten", "0"}) {
    flatten.parseLocalValueString(QLatin1String(text));
    EXPECT_EQ(2, flatten.value(0)) << text;
  }
}

TEST_F(EnumAttrTest, AcceptRunsTheOperationRegisteredForItsClassElseVisitEnumAttr) {
  PointConstraint3::FlattenType otherClass(&node, flatten.meta());
  int operations = 0;
  CountingVisitor visitor;
  visitor.registerOperation(otherClass.typeKey(), [&](AT_AttrVisitor&, AT_Attr* attr) {
    ++operations;
    EXPECT_EQ(&otherClass, attr);
  });
  flatten.accept(visitor);
  EXPECT_EQ(0, operations);
  EXPECT_EQ(1, visitor.enumVisits);
  otherClass.accept(visitor);
  EXPECT_EQ(1, operations);
  EXPECT_EQ(1, visitor.enumVisits);
}

} // namespace
