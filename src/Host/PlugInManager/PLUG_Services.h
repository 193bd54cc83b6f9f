#pragma once
// The process-wide services the host offers plug-ins: the open session (null while no scene is
// open) and the current-frame interface (a built-in one that reads the scene, unless the host
// installs its own or none). Nothing here is owned: whoever installs an object keeps it alive
// until it is removed again (PLUG_ScopedSession does both).
class PLUG_CurrentFrameInterface;
class PLUG_SessionContext;

class PLUG_Services {
public:
  PLUG_Services() = delete;

  static PLUG_SessionContext* getSessionContext();
  // Installs the session (null closes it) and returns the one it replaces.
  static PLUG_SessionContext* setSession(PLUG_SessionContext* session);

  static PLUG_CurrentFrameInterface* getCurrentFrameInterface();
  // Installs the interface (null: the host offers none) and returns the one it replaces.
  static PLUG_CurrentFrameInterface* setCurrentFrameInterface(PLUG_CurrentFrameInterface* frames);
  // The built-in interface installed at start-up.
  static PLUG_CurrentFrameInterface* defaultCurrentFrameInterface();
};
