#pragma once
// The vantorel sub-commands. Each takes its own arguments (after the command name) and returns
// the exit status; bad input throws CliError.
#include <QStringList>

namespace Commands {
int eval(const QStringList& args);
int check(const QStringList& args);
int types(const QStringList& args);
int bake(const QStringList& args);
int drag(const QStringList& args);
int render(const QStringList& args);
int pick(const QStringList& args);
int bakeKeys(const QStringList& args);
int curves(const QStringList& args);
int exportGltf(const QStringList& args); // vantorel export
int graph(const QStringList& args);
// The window, on the program's own argc and argv (its application is made once the scene has
// been read).
int view(const QStringList& args, int& argc, char** argv);
} // namespace Commands
