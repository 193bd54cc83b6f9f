// vantorel bake-keys: a node's output over a range of frames turned into plain keys on a new
// peg, as one undoable command, the scene then saved whole; it reports how closely the peg
// follows the node.
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "CliError.h"
#include "CliParsing.h"
#include "Commands.h"
#include "DataOutput.h"
#include "MatrixOutput.h"
#include "SceneCore/MO_Module.h"
#include "Session.h"
#include "TerminalProgress.h"

namespace {
// A matrix value beyond this many drawing units is taken for motion that ran away.
constexpr double kRunawayValue = 1e6;

// What the bake did, on the data output: the command, then the largest residual and, when the
// keys are not exact, why.
void report(const BakeKeysResult& r, const QString& pegName, const FrameRange& range) {
  char number[40], peak[40];
  *MatrixOutput::number(number, r.largestResidual, false) = '\0';
  *MatrixOutput::number(peak, r.largestValue, false) = '\0';
  // Values this far out are no pose a rig holds but motion that ran away (a spring past its
  // bound): the keys cannot follow them, whatever a peg can express.
  const bool runaway = r.largestValue >= kRunawayValue;
  const QString why =
      r.exact ? QString()
      : runaway
          ? QStringLiteral("; the node's values run away (reaching %1 at frame %2), so keys cannot follow them closely")
                .arg(QLatin1String(peak))
                .arg(r.largestValueFrame)
          : QStringLiteral("; a peg cannot express this motion (a 3-D shear or a perspective), so the keys give the "
                           "nearest it can");
  std::FILE* out = DataOutput::stream();
  std::fprintf(out, "%s\n", qPrintable(r.commandName));
  std::fprintf(out, "peg \"%s\": frames %d-%d, largest residual %s at frame %d (m%d)%s\n", qPrintable(pegName),
               range.first, range.last, number, r.residualFrame, r.residualValue, qPrintable(why));
}
} // namespace

int Commands::bakeKeys(const QStringList& args) {
  QCommandLineParser parser;
  parser.addPositionalArgument(QStringLiteral("scene"), QStringLiteral("Scene file"));
  parser.addPositionalArgument(QStringLiteral("node"), QStringLiteral("Node whose output is baked"));
  parser.addOption({QStringLiteral("frames"), QStringLiteral("Frames to bake, A-B"), QStringLiteral("A-B")});
  parser.addOption(
      {QStringLiteral("name"), QStringLiteral("Name of the new peg (default: NODE-baked)"), QStringLiteral("PEG")});
  parser.addOption({QStringLiteral("replace"), QStringLiteral("Move every link that leaves NODE to the new peg")});
  parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                    QStringLiteral("Scene file to write"),
                    QStringLiteral("OUT.xml")});
  CliParsing::addJobsOption(parser);
  if (!parser.parse(QStringList{QStringLiteral("vantorel bake-keys")} + args))
    throw CliError(QStringLiteral("bake-keys: ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 2)
    throw CliError(QStringLiteral("bake-keys: expected a scene file and a node name"));
  if (!parser.isSet(QStringLiteral("frames")))
    throw CliError(QStringLiteral("bake-keys: --frames A-B is required"));
  if (!parser.isSet(QStringLiteral("o")))
    throw CliError(QStringLiteral("bake-keys: -o OUT.xml is required"));
  const FrameRange range = CliParsing::frames(QStringLiteral("bake-keys"), parser.value(QStringLiteral("frames")));
  const QString output = parser.value(QStringLiteral("o"));
  const int jobs = CliParsing::jobs(QStringLiteral("bake-keys"), parser);
  if (!QFileInfo(output).absoluteDir().exists())
    throw CliError(QStringLiteral("bake-keys: %1: no folder to write it in").arg(output));

  const QString path = positional[0];
  const std::unique_ptr<Session> session = Session::open(path);
  session->setJobs(jobs);
  const QString node = session->node(positional[1])->instanceName();
  const QString pegName =
      parser.isSet(QStringLiteral("name")) ? parser.value(QStringLiteral("name")) : node + QStringLiteral("-baked");
  if (pegName.trimmed().isEmpty())
    throw CliError(QStringLiteral("bake-keys: --name must not be empty"));
  if (session->hasNode(pegName))
    throw CliError(
        QStringLiteral("%1: a node named \"%2\" already exists (choose another with --name)").arg(path, pegName));

  // The keys first, then the baked peg checked frame by frame.
  const bool large = range.count() > 2000;
  const BakeKeysResult r = withPrefix(QStringLiteral("bake-keys: "), [&] {
    return session->bakeKeys(node, range, pegName, parser.isSet(QStringLiteral("replace")),
                             terminalProgress("keying", large), terminalProgress("checking", large));
  });
  withPrefix(QStringLiteral("bake-keys: "), [&] { session->save(output); });

  report(r, pegName, range);
  DataOutput::finish();
  return 0;
}
