#include "HostSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <cstdio>

#include "CliError.h"
#include "PlugInManager/PLUG_PlugInManager.h"
#include "Preference/PR_Preference.h"

namespace {

// Removes "--name VALUE" or "--name=VALUE" from args; empty when absent.
QString takeOption(QStringList& args, const QString& name) {
  QString value;
  for (int i = 0; i < args.size();) {
    if (args[i] == name) {
      if (i + 1 >= args.size())
        throw CliError(QStringLiteral("%1 needs a value").arg(name));
      value = args[i + 1];
      args.remove(i, 2);
    } else if (args[i].startsWith(name + QLatin1Char('='))) {
      value = args[i].mid(name.size() + 1);
      args.remove(i);
    } else {
      ++i;
    }
  }
  return value;
}

} // namespace

void takeCommonOptions(QStringList& args) {
  const QString pluginOption = takeOption(args, QStringLiteral("--plugins"));
  const QString prefs = takeOption(args, QStringLiteral("--prefs"));

  const QString folder = pluginOption.isEmpty()
                             ? QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("plugins"))
                             : pluginOption;
  if (!pluginOption.isEmpty() && !QDir(folder).exists())
    throw CliError(QStringLiteral("--plugins: no folder \"%1\"").arg(folder));
  static PLUG_PlugInManager manager;
  const PLUG_PlugInManager::Result result = manager.loadFolder(folder);
  for (const auto& failure : result.failed)
    std::fprintf(stderr, "vantorel: plug-in %s did not load: %s\n", qPrintable(failure.path),
                 qPrintable(failure.message));

  if (!prefs.isEmpty()) {
    QString error;
    if (!rxPref->loadFile(prefs, &error)) {
      // One line on stderr: the first problem, and how many more there are.
      const QStringList lines = error.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
      throw CliError(lines.size() > 1 ? QStringLiteral("%1 (and %2 more)").arg(lines.front()).arg(lines.size() - 1)
                                      : error.trimmed());
    }
  }
}
