#include "PlugInManager/PLUG_ScopedSession.h"

#include "PlugInManager/PLUG_Services.h"

PLUG_ScopedSession::PLUG_ScopedSession(SC_SceneCommon* scene, CO_CommandManager* commandManager)
    : m_scene(scene), m_context(scene, commandManager),
      m_previous(PLUG_Services::setSession(scene ? &m_context : nullptr)) {}

PLUG_ScopedSession::~PLUG_ScopedSession() { PLUG_Services::setSession(m_previous); }
