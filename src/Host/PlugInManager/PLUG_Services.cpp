#include "PlugInManager/PLUG_Services.h"

#include "PlugInManager/PLUG_CurrentFrameInterface.h"

namespace {
PLUG_CurrentFrameInterface g_defaultFrames;
PLUG_SessionContext* g_session = nullptr;
PLUG_CurrentFrameInterface* g_frames = &g_defaultFrames;
} // namespace

PLUG_SessionContext* PLUG_Services::getSessionContext() { return g_session; }

PLUG_SessionContext* PLUG_Services::setSession(PLUG_SessionContext* session) {
  PLUG_SessionContext* previous = g_session;
  g_session = session;
  return previous;
}

PLUG_CurrentFrameInterface* PLUG_Services::getCurrentFrameInterface() { return g_frames; }

PLUG_CurrentFrameInterface* PLUG_Services::setCurrentFrameInterface(PLUG_CurrentFrameInterface* frames) {
  PLUG_CurrentFrameInterface* previous = g_frames;
  g_frames = frames;
  return previous;
}

PLUG_CurrentFrameInterface* PLUG_Services::defaultCurrentFrameInterface() { return &g_defaultFrames; }
