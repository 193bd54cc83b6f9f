#pragma once
// The options every command takes: --plugins DIR (the plug-in folder; default: "plugins" next
// to the vantorel binary) and --prefs FILE (a preferences file). takeCommonOptions removes them
// from the arguments, sets up the host with them (HostSetup) and reports a plug-in that fails
// to load on stderr without stopping. A missing folder given explicitly, or a bad preferences
// file, is bad input.
#include <QStringList>

void takeCommonOptions(QStringList& args);
