#pragma once
// The host's process-wide set-up before any scene is opened: the plug-in folder (every library
// in it loaded, each folder once per process) and a preferences file. An empty plug-in folder
// means the default, "plugins" next to the running program, and is loaded only when no folder
// was loaded before; when the program has no such folder (a Python interpreter), the one the
// build puts beside vantorel is used. A plug-in that fails to load does not stop the others: it
// is returned (and kept) for the caller to report. A folder given that does not exist, or a bad
// preferences file, is a BadArgumentError, with the first problem of the file and how many more.
#include <QString>
#include <vector>

#include "PlugInManager/PLUG_PlugInManager.h"

struct HostOptions {
  QString plugins; // plug-in folder; empty: the default
  QString prefs;   // preferences file; empty: none
};

class HostSetup {
public:
  HostSetup() = delete;

  // Loads what the options name and returns the plug-ins that failed to load in this call.
  static std::vector<PLUG_PlugInManager::Failure> setUp(const HostOptions& options);
  // Every plug-in that failed to load so far in this process.
  static const std::vector<PLUG_PlugInManager::Failure>& failures();
  static QString defaultPluginFolder();
};
