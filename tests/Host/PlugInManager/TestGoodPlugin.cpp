// A plug-in that registers one node type from a static initialiser, as real plug-ins do.
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_ModuleFactory.h"

namespace {
class TestPluginNode : public MO_Module {
public:
  QString moduleTypeName() const override { return QStringLiteral("TestPluginNode"); }
};

const bool kRegistered = [] {
  MO_ModuleFactorySingleton().registerClass(
      typeid(TestPluginNode), QStringLiteral("TestPluginNode"), [] { return new TestPluginNode; },
      [] { return new TestPluginNode; });
  return true;
}();
} // namespace
