#include <QCommandLineParser>
#include <cstdio>

#include "CliError.h"
#include "Commands.h"
#include "DataOutput.h"
#include "Session.h"

int Commands::check(const QStringList& args) {
  QCommandLineParser parser;
  parser.addPositionalArgument(QStringLiteral("scene"), QStringLiteral("Scene file"));
  if (!parser.parse(QStringList{QStringLiteral("vantorel check")} + args))
    throw CliError(QStringLiteral("check: ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1)
    throw CliError(QStringLiteral("check: expected one scene file, got %1").arg(positional.size()));
  const std::unique_ptr<Session> session = Session::open(positional.front(), {}, Session::Use::Reading);
  session->check();
  const FrameRange range = session->frameRange();
  std::fprintf(DataOutput::stream(), "%s: ok, %d nodes, %d links, frames %d-%d\n", qPrintable(positional.front()),
               static_cast<int>(session->nodes().size()), static_cast<int>(session->links().size()), range.first,
               range.last);
  DataOutput::finish();
  return 0;
}
