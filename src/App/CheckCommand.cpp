#include <QCommandLineParser>
#include <cstdio>

#include "CliError.h"
#include "Commands.h"
#include "DataOutput.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneLoading.h"

int Commands::check(const QStringList& args) {
  QCommandLineParser parser;
  parser.addPositionalArgument(QStringLiteral("scene"), QStringLiteral("Scene file"));
  if (!parser.parse(QStringList{QStringLiteral("vantorel check")} + args))
    throw CliError(QStringLiteral("check: ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1)
    throw CliError(QStringLiteral("check: expected one scene file, got %1").arg(positional.size()));
  std::unique_ptr<SC_SceneCommon> scene = loadSceneOrThrow(positional.front());
  int links = 0;
  for (const MO_Module* n : scene->nodes())
    for (int i = 0; i < n->nInPorts(); ++i)
      links += n->inputModule(i) ? 1 : 0;
  std::fprintf(DataOutput::stream(), "%s: ok, %d nodes, %d links, frames %d-%d\n", qPrintable(positional.front()),
               static_cast<int>(scene->nodes().size()), links, scene->firstFrame(), scene->lastFrame());
  return std::fflush(DataOutput::stream()) == 0 ? 0 : 1;
}
