#include "CommonOptions.h"

#include <cstdio>

#include "CliError.h"
#include "HostSetup.h"

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
  HostOptions options;
  options.plugins = takeOption(args, QStringLiteral("--plugins"));
  options.prefs = takeOption(args, QStringLiteral("--prefs"));
  for (const auto& failure : HostSetup::setUp(options))
    std::fprintf(stderr, "vantorel: plug-in %s did not load: %s\n", qPrintable(failure.path),
                 qPrintable(failure.message));
}
