// vantorel eval: every chosen node's matrix (or peg channels) at every chosen frame, written
// frame by frame as the session evaluates them.
#include <QCommandLineParser>
#include <QFileInfo>
#include <map>
#include <stdexcept>

#include "CliError.h"
#include "CliParsing.h"
#include "Commands.h"
#include "FrameRange.h"
#include "MatrixOutput.h"
#include "PegChannels.h"
#include "SceneCore/MO_Module.h"
#include "Session.h"
#include "TerminalProgress.h"

namespace {

// The output's extension says the format, as render's and curves' do; a --format that says
// otherwise is a mistake one of the two makes. Neither: csv.
MatrixOutput::Format outputFormat(const QCommandLineParser& parser, const QString& output) {
  const std::map<QString, MatrixOutput::Format> formats{{QStringLiteral("csv"), MatrixOutput::Format::Csv},
                                                        {QStringLiteral("json"), MatrixOutput::Format::Json},
                                                        {QStringLiteral("npy"), MatrixOutput::Format::Npy}};
  const QString extension = QFileInfo(output).suffix().toLower();
  const bool known = formats.count(extension) > 0;
  QString formatName = known ? extension : QStringLiteral("csv");
  if (parser.isSet(QStringLiteral("format"))) {
    formatName = parser.value(QStringLiteral("format"));
    if (!formats.count(formatName))
      throw CliError(QStringLiteral("eval: --format must be csv, json or npy, not \"%1\"").arg(formatName));
    if (known && formatName != extension)
      throw CliError(QStringLiteral("eval: --format %1 contradicts the output %2 (leave --format out to write %3)")
                         .arg(formatName, output, extension));
  }
  return formats.at(formatName);
}

void declareOptions(QCommandLineParser& parser) {
  parser.addPositionalArgument(QStringLiteral("scene"), QStringLiteral("Scene file"));
  parser.addOption({QStringLiteral("frames"), QStringLiteral("Frames A or A-B (default: the scene's range)"),
                    QStringLiteral("A[-B]")});
  parser.addOption(
      {QStringLiteral("node"), QStringLiteral("Node to evaluate (repeatable; default: all)"), QStringLiteral("NAME")});
  parser.addOption({QStringLiteral("format"),
                    QStringLiteral("csv, json or npy (default: the output's extension, else csv)"),
                    QStringLiteral("FORMAT")});
  parser.addOption({QStringLiteral("values"),
                    QStringLiteral("matrix (16 values) or peg (the position, rotation, scale and skew a peg keys)"),
                    QStringLiteral("KIND"), QStringLiteral("matrix")});
  parser.addOption({{QStringLiteral("o"), QStringLiteral("output")},
                    QStringLiteral("File to write (default: standard output; required for npy)"),
                    QStringLiteral("OUT")});
  CliParsing::addJobsOption(parser);
}

} // namespace

int Commands::eval(const QStringList& args) {
  QCommandLineParser parser;
  declareOptions(parser);
  if (!parser.parse(QStringList{QStringLiteral("vantorel eval")} + args))
    throw CliError(QStringLiteral("eval: ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1)
    throw CliError(QStringLiteral("eval: expected one scene file, got %1").arg(positional.size()));
  const QString output = parser.value(QStringLiteral("o"));
  const MatrixOutput::Format format = outputFormat(parser, output);
  const QString kind = parser.value(QStringLiteral("values"));
  if (kind != QLatin1String("matrix") && kind != QLatin1String("peg"))
    throw CliError(QStringLiteral("eval: --values must be matrix or peg, not \"%1\"").arg(kind));
  const bool peg = kind == QLatin1String("peg");
  if (format == MatrixOutput::Format::Npy && !output.endsWith(QLatin1String(".npy")))
    throw CliError(QStringLiteral("eval: --format npy needs -o OUT.npy (the frame numbers and node names go to "
                                  "OUT.frames.txt and OUT.nodes.txt)"));

  const int jobs = CliParsing::jobs(QStringLiteral("eval"), parser);

  const QString path = positional.front();
  const std::unique_ptr<Session> session = Session::open(path, {}, Session::Use::Reading);
  session->setJobs(jobs);

  FrameRange range = session->frameRange();
  if (parser.isSet(QStringLiteral("frames")))
    range = CliParsing::frames(QStringLiteral("eval"), parser.value(QStringLiteral("frames")));
  const QStringList nodes = parser.values(QStringLiteral("node"));
  std::vector<QString> names;
  for (const QString& name : nodes)
    names.push_back(session->node(name)->instanceName());
  if (nodes.isEmpty())
    for (const NodeInfo& n : session->nodes())
      names.push_back(n.name);
  const std::vector<int> frames = range.frames();

  std::unique_ptr<MatrixWriter> writer;
  try {
    writer = MatrixOutput::create(format, output, frames, names, peg ? PegChannels::names() : QStringList());
  } catch (const std::runtime_error& e) {
    throw CliError(QStringLiteral("eval: ") + QString::fromStdString(e.what()));
  }
  const auto progress = terminalProgress("evaluating", frames.size() * names.size() > 20000);
  withPrefix(QStringLiteral("eval: "), [&] {
    if (peg)
      session->pegValues(
          frames, nodes, [&](std::size_t index, const double* values) { writer->values(index, values); }, progress);
    else if (writer->preparesApart())
      // The text of each frame made on every thread, written in order.
      session->evaluate(frames, nodes,
                        Session::StagedSink{[&](std::size_t index, const std::vector<Math::Matrix4x4>& matrices,
                                                std::string& piece) { writer->prepare(index, matrices, piece); },
                                            [&](std::size_t index, const std::vector<Math::Matrix4x4>&,
                                                std::string& piece) { writer->put(index, piece); }},
                        progress);
    else
      session->evaluate(
          frames, nodes,
          [&](std::size_t index, const std::vector<Math::Matrix4x4>& matrices) { writer->frame(index, matrices); },
          progress);
    writer->finish();
  });
  return 0;
}
