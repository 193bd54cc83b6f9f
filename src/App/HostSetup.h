#pragma once
// The options every command takes: --plugins DIR (the plug-in folder; default: "plugins" next
// to the vantorel binary) and --prefs FILE (a preferences file). takeCommonOptions removes them
// from the arguments, loads the plug-ins and the preferences, and reports a plug-in that fails
// to load on stderr without stopping. A missing folder given explicitly, or a bad preferences
// file, is bad input.
#include <QStringList>

void takeCommonOptions(QStringList& args);
