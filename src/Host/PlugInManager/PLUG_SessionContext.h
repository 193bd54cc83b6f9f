#pragma once
// What a plug-in may reach of the open session: the scene being edited and the command manager
// that records its edits for undo. Either may be null (a batch run has no undo). The context
// does not own them.
class CO_CommandManager;
class SC_SceneCommon;

class PLUG_SessionContext {
public:
  PLUG_SessionContext(SC_SceneCommon* scene, CO_CommandManager* commandManager)
      : m_scene(scene), m_commandManager(commandManager) {}
  virtual ~PLUG_SessionContext() = default;

  SC_SceneCommon* scene() const { return m_scene; }
  CO_CommandManager* commandManager() const { return m_commandManager; }

private:
  SC_SceneCommon* m_scene;
  CO_CommandManager* m_commandManager;
};
