#pragma once
// The window of vantorel view, in a library of its own that vantorel loads only for that
// command: Qt Widgets cost every other command a third of its start-up (they are mapped and
// relocated before main runs), so they stay out of the commands that never open a window.
#include <QtGlobal>
#include <memory>

#include "GraphicCore/VU_SceneRenderer.h"
#include "Session.h"

struct WindowStart {
  // The library's file name, found through vantorel's run path like the host libraries.
  static constexpr const char* kLibrary = "libVantorelWindow.so";
  static constexpr const char* kEntry = "vantorelWindowRun";

  int* argc = nullptr; // the application keeps them for its lifetime
  char** argv = nullptr;
  std::unique_ptr<Session> session; // read before any window opens
  VU_SceneRenderer::View view = VU_SceneRenderer::eCameraView;
};

// Starts the widget application, shows the window on the session and runs until it closes;
// returns the application's exit status.
extern "C" int vantorelWindowRun(WindowStart* start);
