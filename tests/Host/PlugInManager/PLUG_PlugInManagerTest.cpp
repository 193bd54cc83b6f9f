// Loading a plug-in folder where some libraries are broken, and the session services that
// plug-ins reach the host through.
#include <gtest/gtest.h>

#include "Command/CO_CommandManager.h"
#include "PlugInManager/PLUG_PlugInManager.h"
#include "PlugInManager/PLUG_ScopedSession.h"
#include "PlugInManager/PLUG_Services.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/SC_SceneCommon.h"

#include <memory>

namespace {

const QString kFolder = QStringLiteral(VANTOREL_TEST_PLUGIN_DIR);

TEST(PlugInFolder, BrokenLibrariesAreReportedAndTheGoodOneStillRegistersItsType) {
  ASSERT_EQ(MO_ModuleFactorySingleton().find(QStringLiteral("TestPluginNode")), nullptr);
  PLUG_PlugInManager manager;
  const PLUG_PlugInManager::Result result = manager.loadFolder(kFolder);

  // Sorted order puts both broken ones before the good one.
  ASSERT_EQ(result.failed.size(), 2u);
  EXPECT_EQ(result.failed[0].path, kFolder + QStringLiteral("/10_not_elf.so"));
  EXPECT_EQ(result.failed[1].path, kFolder + QStringLiteral("/20_undefined.so"));
  EXPECT_TRUE(result.failed[1].message.contains(QStringLiteral("vantorel_test_symbol_nobody_defines")))
      << result.failed[1].message.toStdString();
  EXPECT_FALSE(result.failed[0].message.isEmpty());
  EXPECT_EQ(result.loaded, QStringList{kFolder + QStringLiteral("/30_good.so")});
  EXPECT_EQ(manager.loadedLibraries(), result.loaded);

  std::unique_ptr<MO_Module> node(MO_ModuleFactorySingleton().create(QStringLiteral("TestPluginNode")));
  ASSERT_TRUE(node);
  EXPECT_EQ(node->moduleTypeName(), QStringLiteral("TestPluginNode"));
}

TEST(Session, OpensOverASceneAndNestedSessionsPutBackTheOuterOne) {
  EXPECT_EQ(PLUG_Services::getSessionContext(), nullptr);
  SC_SceneCommon outerScene, innerScene;
  CO_CommandManager commands;
  {
    PLUG_ScopedSession outer(&outerScene, &commands);
    ASSERT_NE(PLUG_Services::getSessionContext(), nullptr);
    EXPECT_EQ(PLUG_Services::getSessionContext()->scene(), &outerScene);
    EXPECT_EQ(PLUG_Services::getSessionContext()->commandManager(), &commands);
    {
      PLUG_ScopedSession inner(&innerScene, nullptr);
      EXPECT_EQ(PLUG_Services::getSessionContext()->scene(), &innerScene);
      EXPECT_EQ(PLUG_Services::getSessionContext()->commandManager(), nullptr);
    }
    EXPECT_EQ(PLUG_Services::getSessionContext()->scene(), &outerScene);
  }
  EXPECT_EQ(PLUG_Services::getSessionContext(), nullptr);
}

} // namespace
