// vantorel: the host's batch front end. Exit status 0 on success, 2 for bad input (one line on
// stderr saying what and where), 1 for an internal failure.
#include <QCoreApplication>
#include <cstdio>
#include <exception>
#include <map>

#include "CliError.h"
#include "Commands.h"
#include "DataOutput.h"
#include "HostSetup.h"

namespace {

const char* kUsage =
    "usage:\n"
    "  vantorel eval SCENE [--frames A[-B]] [--node NAME]... [--format csv|json|npy] [-o OUT]\n"
    "  vantorel render SCENE --frame F -o OUT.svg|OUT.png [--pick] [--view camera|top|side] [--size WxH]\n"
    "  vantorel check SCENE\n"
    "  vantorel types [--json]\n"
    "  vantorel bake SCENE NODE (--all|--immediate) [--frame F] -o OUT.xml\n"
    "  vantorel drag SCENE NODE --from X,Y --to X,Y [--frame F] [--animation-mode N] [--size WxH] -o OUT.xml\n"
    "  vantorel pick SCENE --at X,Y [--frame F] [--view camera|top|side] [--size WxH] [--node NAME]\n"
    "common options: --plugins DIR (default: plugins next to vantorel), --prefs FILE\n";

} // namespace

int main(int argc, char** argv) {
  // Before anything can print: the data keeps standard output, stray printf lines go to stderr.
  DataOutput::claimStandardOutput();
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  if (args.isEmpty() || args.front() == QLatin1String("--help") || args.front() == QLatin1String("-h")) {
    std::fputs(kUsage, args.isEmpty() ? stderr : DataOutput::stream());
    return args.isEmpty() ? 2 : 0;
  }
  const std::map<QString, int (*)(const QStringList&)> commands{
      {QStringLiteral("eval"), &Commands::eval},
      {QStringLiteral("check"), &Commands::check},
      {QStringLiteral("render"), &Commands::render},
      {QStringLiteral("types"), &Commands::types},
      {QStringLiteral("bake"), &Commands::bake},
      {QStringLiteral("drag"), &Commands::drag},
      {QStringLiteral("pick"), &Commands::pick},
  };
  const QString name = args.takeFirst();
  auto it = commands.find(name);
  try {
    if (it == commands.end())
      throw CliError(QStringLiteral("unknown command \"%1\" (try vantorel --help)").arg(name));
    takeCommonOptions(args);
    return it->second(args);
  } catch (const CliError& e) {
    std::fprintf(stderr, "vantorel: %s\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "vantorel: internal error: %s\n", e.what());
    return 1;
  }
}
