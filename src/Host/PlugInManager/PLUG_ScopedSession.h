#pragma once
// Opens a session over a scene (and a command manager, which may be null) for its lifetime,
// and puts back whatever session was open before when it ends, so sessions nest. A null scene
// opens no session: plug-ins then see none, as when no scene is loaded.
#include "PlugInManager/PLUG_SessionContext.h"

class PLUG_ScopedSession {
public:
  PLUG_ScopedSession(SC_SceneCommon* scene, CO_CommandManager* commandManager);
  ~PLUG_ScopedSession();
  PLUG_ScopedSession(const PLUG_ScopedSession&) = delete;
  PLUG_ScopedSession& operator=(const PLUG_ScopedSession&) = delete;

  PLUG_SessionContext* context() { return m_scene ? &m_context : nullptr; }

private:
  SC_SceneCommon* m_scene;
  PLUG_SessionContext m_context;
  PLUG_SessionContext* m_previous;
};
