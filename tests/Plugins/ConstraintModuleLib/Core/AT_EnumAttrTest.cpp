// The option template through the real option classes: editing by text (display text or keyword,
// case-sensitive) with undo, copying from and comparing with another option (a surrogate's value
// counting as the current one) and the older text format.
#include <gtest/gtest.h>

#include <memory>

#include "HostInterface/HostAttributes.h"
#include "HostInterface/HostScene.h"
#include "PointConstraints/PointConstraint2Module.h"
#include "PointConstraints/PointConstraint3Options.h"

namespace {

// The value an edit call would set, or -1 when it returned no command.
int commandValue(CO_Command* cmd) {
  const std::unique_ptr<CO_Command> owned(cmd);
  auto* set = dynamic_cast<AT_EnumAttrBase::SetLocalValueCmd*>(owned.get());
  return set ? set->value() : -1;
}

class EnumAttrTest : public ::testing::Test {
protected:
  PointConstraint2Module node;
  PointConstraint2::FlattenType& flatten = *node.flattentypeAttr(); // FLATTEN 0, ALLOW 1 (default), PROJECT 2
};

TEST_F(EnumAttrTest, SetTextValueMatchesDisplayTextOrKeywordExactlyAndUndoes) {
  for (const char* text : {"Project to Plane", "PROJECT"}) {
    std::unique_ptr<CO_Command> cmd(flatten.setTextValue(0, QLatin1String(text)));
    ASSERT_NE(cmd, nullptr) << text;
    EXPECT_EQ(1, flatten.value(0)) << "the call itself changes nothing";
    cmd->execute();
    EXPECT_EQ(2, flatten.value(0)) << text;
    cmd->undo();
    EXPECT_EQ(1, flatten.value(0)) << text;
  }
  for (const char* text : {"project", "2"})
    EXPECT_EQ(-1, commandValue(flatten.setTextValue(0, QLatin1String(text)))) << text;
}

TEST_F(EnumAttrTest, CopiesAndEquivalenceConcernOnlyTheSameOptionUnderTheSameName) {
  const AT_AttrMeta otherName("OTHERFLATTEN", "Other Flatten");
  PointConstraint2::FlattenType renamed(&node, otherName);
  renamed.setLocalValue(2);
  EXPECT_EQ(-1, commandValue(flatten.dropLocalValue(&renamed)));
  PointConstraint2::FlattenType same(&node, flatten.meta());
  EXPECT_TRUE(flatten.isEquivalentLocalValue(same));
  EXPECT_EQ(-1, commandValue(flatten.dropLocalValue(&same))) << "same value";
  same.setSurrogate(std::make_shared<AT_ScalarSimpleAttrSurrogate>(0.0)); // its current value is 0
  EXPECT_FALSE(flatten.isEquivalentLocalValue(same));
  EXPECT_EQ(0, commandValue(flatten.dropLocalValue(&same)));
  PointConstraint3::FlattenType otherClass(&node, flatten.meta()); // also ALLOW
  EXPECT_FALSE(flatten.isEquivalentLocalValue(otherClass));
  otherClass.setLocalValue(2);
  EXPECT_EQ(-1, commandValue(flatten.dropLocalValue(&otherClass)));
  EXPECT_EQ(-1, commandValue(flatten.dropLocalValue(node.activeAttr())));
}

// The older text format reads one keyword token (display texts and lower case are not keywords);
// a plain string is taken only when it is a keyword.
TEST_F(EnumAttrTest, OlderTextFormatsReadKeywordsOnly) {
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
  for (const char* text : {"PROJECT", "Ignore 3D Transform", "flatten", "0"}) {
    flatten.parseLocalValueString(QLatin1String(text));
    EXPECT_EQ(2, flatten.value(0)) << text;
  }
}

} // namespace
