#pragma once
// The vantorel sub-commands. Each takes its own arguments (after the command name) and returns
// the exit status; bad input throws CliError.
#include <QCoreApplication>
#include <QStringList>
#include <functional>
#include <memory>

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
// Starts the window's application once the scene has been read.
using WindowApplication = std::function<std::unique_ptr<QCoreApplication>()>;
int view(const QStringList& args, const WindowApplication& startApplication);
} // namespace Commands
