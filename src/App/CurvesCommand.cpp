// vantorel curves: chosen nodes' motion as peg channels (what bake-keys would key) plotted over
// frames, with the keys of everything that drives them marked underneath.
#include <QCommandLineParser>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <set>

#include "CliError.h"
#include "CliParsing.h"
#include "Commands.h"
#include "CurvePlot.h"
#include "FrameRange.h"
#include "PegChannels.h"
#include "SceneCore/AT_Attr.h"
#include "SceneCore/AT_Keys.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"
#include "Session.h"
#include "TerminalProgress.h"

namespace {

const QSize kDefaultSize(960, 600);

CurvePlot::Unit unitOf(PegChannels::Channel c) {
  if (c <= PegChannels::Tz)
    return CurvePlot::ePosition;
  if (c >= PegChannels::Sx && c <= PegChannels::Sz)
    return CurvePlot::eScale;
  return CurvePlot::eAngle;
}

// The nodes feeding `nodes`, directly or through others, and the nodes themselves.
std::set<const MO_Node*> drivers(const std::vector<MO_Module*>& nodes) {
  std::set<const MO_Node*> seen(nodes.begin(), nodes.end());
  std::vector<const MO_Node*> todo(nodes.begin(), nodes.end());
  while (!todo.empty()) {
    const MO_Node* n = todo.back();
    todo.pop_back();
    for (const MO_Node* in : n->inputNodes())
      if (in && seen.insert(in).second)
        todo.push_back(in);
  }
  return seen;
}

// The frames in the range where any of the attribute's keys (or its parts') stand.
void keyFrames(const AT_Attr* attr, const FrameRange& range, std::set<double>& frames) {
  if (const AT_Keys* keys = attr->keys())
    for (const auto& [frame, key] : keys->keys())
      if (frame >= range.first && frame <= range.last)
        frames.insert(frame);
  for (const AT_Attr* part : attr->subAttrs())
    keyFrames(part, range, frames);
}

// The channels --channels names, each once, in the order given; empty when not given.
std::vector<PegChannels::Channel> chosenChannels(const QCommandLineParser& parser) {
  std::vector<PegChannels::Channel> chosen;
  if (!parser.isSet(QStringLiteral("channels")))
    return chosen;
  for (const QString& name : parser.value(QStringLiteral("channels")).split(QLatin1Char(','))) {
    const auto c = PegChannels::channel(name.trimmed());
    if (!c)
      throw CliError(QStringLiteral("curves: --channels: no channel \"%1\" (the channels are %2)")
                         .arg(name, PegChannels::names().join(QLatin1Char(','))));
    if (std::find(chosen.begin(), chosen.end(), *c) == chosen.end())
      chosen.push_back(*c);
  }
  return chosen;
}

// By default the channels that move for some node (values[n][c][f]): the rest would be flat
// lines; when nothing moves, the position.
std::vector<PegChannels::Channel> movingChannels(const std::vector<std::vector<std::vector<double>>>& values) {
  std::vector<PegChannels::Channel> chosen;
  for (int c = 0; c < PegChannels::kCount; ++c)
    for (const auto& node : values) {
      const auto [lo, hi] = std::minmax_element(node[c].begin(), node[c].end());
      if (*hi - *lo > 1e-9 * std::max(1.0, std::fabs(*hi))) {
        chosen.push_back(static_cast<PegChannels::Channel>(c));
        break;
      }
    }
  if (chosen.empty())
    chosen = {PegChannels::Tx, PegChannels::Ty};
  return chosen;
}

// A row of keys for every node that drives the plotted ones and has keys in the range.
void addKeyRows(CurvePlot& plot, Session& session, const std::vector<MO_Module*>& nodes, const FrameRange& range) {
  const std::set<const MO_Node*> driving = drivers(nodes);
  for (const MO_Module* n : session.scene().nodes()) {
    if (!driving.count(n))
      continue;
    std::set<double> keyed;
    for (const AT_Attr* attr : n->attrs())
      keyFrames(attr, range, keyed);
    if (!keyed.empty())
      plot.add(CurvePlot::KeyRow{n->instanceName(), std::vector<double>(keyed.begin(), keyed.end())});
  }
}

void declareOptions(QCommandLineParser& parser) {
  parser.addPositionalArgument(QStringLiteral("scene"), QStringLiteral("Scene file"));
  parser.addOption({QStringLiteral("node"), QStringLiteral("Node to plot (repeatable)"), QStringLiteral("NAME")});
  parser.addOption(
      {QStringLiteral("frames"), QStringLiteral("Frames A-B (default: the scene's range)"), QStringLiteral("A-B")});
  parser.addOption({QStringLiteral("channels"),
                    QStringLiteral("Channels among tx,ty,tz,rx,ry,rz,sx,sy,sz,skew (default: those that change)"),
                    QStringLiteral("LIST")});
  parser.addOption(
      {QStringLiteral("size"), QStringLiteral("Image size in pixels (default 960x600)"), QStringLiteral("WxH")});
  parser.addOption(
      {{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("OUT.svg or OUT.png"), QStringLiteral("OUT")});
  CliParsing::addJobsOption(parser);
}

} // namespace

int Commands::curves(const QStringList& args) {
  QCommandLineParser parser;
  declareOptions(parser);
  if (!parser.parse(QStringList{QStringLiteral("vantorel curves")} + args))
    throw CliError(QStringLiteral("curves: ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1)
    throw CliError(QStringLiteral("curves: expected one scene file, got %1").arg(positional.size()));
  if (!parser.isSet(QStringLiteral("node")))
    throw CliError(QStringLiteral("curves: --node NAME is required (one or more)"));
  if (!parser.isSet(QStringLiteral("o")))
    throw CliError(QStringLiteral("curves: -o OUT.svg|OUT.png is required"));
  const QString out = parser.value(QStringLiteral("o"));
  const QString suffix = QFileInfo(out).suffix().toLower();
  if (suffix != QLatin1String("png") && suffix != QLatin1String("svg"))
    throw CliError(QStringLiteral("curves: %1: the output must end in .png or .svg").arg(out));
  std::vector<PegChannels::Channel> chosen = chosenChannels(parser);
  const QSize size = parser.isSet(QStringLiteral("size"))
                         ? CliParsing::size(QStringLiteral("curves"), parser.value(QStringLiteral("size")))
                         : kDefaultSize;
  const int jobs = CliParsing::jobs(QStringLiteral("curves"), parser);

  const QString path = positional.front();
  const std::unique_ptr<Session> session = Session::open(path, {}, Session::Use::Reading);
  session->setJobs(jobs);
  FrameRange range = session->frameRange();
  if (parser.isSet(QStringLiteral("frames")))
    range = CliParsing::frames(QStringLiteral("curves"), parser.value(QStringLiteral("frames")));
  std::vector<MO_Module*> nodes;
  for (const QString& name : parser.values(QStringLiteral("node")))
    nodes.push_back(session->node(name));

  // values[n][c][f]: channel c of node n at frame f of the range.
  std::vector<std::vector<std::vector<double>>> values(nodes.size(),
                                                       std::vector<std::vector<double>>(PegChannels::kCount));
  const std::vector<int> frames = range.frames();
  session->pegValues(
      frames, parser.values(QStringLiteral("node")),
      [&](std::size_t, const double* row) {
        for (std::size_t n = 0; n < nodes.size(); ++n)
          for (std::size_t c = 0; c < static_cast<std::size_t>(PegChannels::kCount); ++c)
            values[n][c].push_back(row[n * PegChannels::kCount + c]);
      },
      terminalProgress("evaluating", frames.size() * nodes.size() > 20000));
  if (chosen.empty())
    chosen = movingChannels(values);

  CurvePlot plot(QStringLiteral("%1, frames %2 to %3").arg(QFileInfo(path).fileName()).arg(range.first).arg(range.last),
                 range.first, range.last);
  for (PegChannels::Channel c : chosen)
    for (std::size_t n = 0; n < nodes.size(); ++n)
      plot.add(CurvePlot::Series{nodes[n]->instanceName(), PegChannels::names()[c], unitOf(c),
                                 values[n][static_cast<std::size_t>(c)]});
  addKeyRows(plot, *session, nodes, range);
  QString why;
  if (!plot.save(out, size, &why))
    throw CliError(QStringLiteral("curves: ") + why);
  return 0;
}
