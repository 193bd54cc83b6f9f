// vantorel bake-keys: a node's output over a range of frames turned into plain keys on a new
// peg, as one undoable command, the scene then saved whole; it reports how closely the peg
// follows the node.
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

#include "BakeKeys.h"
#include "CliError.h"
#include "CliParsing.h"
#include "Command/CO_CommandManager.h"
#include "Command/CO_GraphCommands.h"
#include "Command/CO_OrCommand.h"
#include "Commands.h"
#include "DataOutput.h"
#include "MatrixOutput.h"
#include "PegChannels.h"
#include "PersistentObj/PIO_SceneWriter.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/AT_Scale3dAttr.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "SceneLoading.h"

namespace {

const QString kEditName = QStringLiteral("Bake Keys");
// What a peg expresses exactly comes back within this, relative to each value (at least 1).
constexpr double kExact = 1e-9;

std::vector<int> framesOf(const FrameRange& range) {
  std::vector<int> frames;
  frames.reserve(static_cast<std::size_t>(range.count()));
  for (int f = range.first; f <= range.last; ++f)
    frames.push_back(f);
  return frames;
}

bool hasMatrixOutput(const MO_Module* node) {
  const MO_Port* out = node->outPort(0);
  return out && out->kind() == MO_Port::Matrix;
}

} // namespace

std::unique_ptr<CO_Command> BakeKeys::createCommand(SC_SceneCommon& scene, MO_Module* node, const FrameRange& range,
                                                    const QString& pegName, bool replace, const Progress& progress) {
  auto peg = std::make_unique<Peg>();
  peg->setInstanceName(pegName);
  AT_DoubleAttr* attrs[PegChannels::kCount] = {peg->position()->x(),      peg->position()->y(),
                                               peg->position()->z(),      peg->rotation()->angleX(),
                                               peg->rotation()->angleY(), peg->rotation()->angleZ(),
                                               peg->scale()->x(),         peg->scale()->y(),
                                               peg->scale()->z(),         peg->skew()};

  const std::vector<int> frames = framesOf(range);
  PegChannels channels(scene.metrics());
  PegChannels::Values first{};
  bool constant[PegChannels::kCount];
  std::fill(std::begin(constant), std::end(constant), true);
  SC_SceneEvaluator(scene).evaluate(
      {node}, frames,
      [&](std::size_t index, const std::vector<Math::Matrix4x4>& matrices) {
        const int frame = frames[index];
        for (int i = 0; i < 16; ++i)
          if (!std::isfinite(matrices[0][i]))
            throw CliError(QStringLiteral("bake-keys: the output of node \"%1\" is not a finite matrix at frame %2")
                               .arg(node->instanceName())
                               .arg(frame));
        const PegChannels::Values v = channels.next(matrices[0]);
        if (index == 0)
          first = v;
        for (int c = 0; c < PegChannels::kCount; ++c) {
          attrs[c]->setKey(frame, v[c], AT_Keys::Linear);
          constant[c] = constant[c] && v[c] == first[c];
        }
      },
      progress);
  // A channel that never changes reads better by hand as one value than as a key a frame.
  for (int c = 0; c < PegChannels::kCount; ++c)
    if (constant[c]) {
      attrs[c]->setKeys(AT_Keys());
      attrs[c]->setLocalValue(first[c]);
    }

  auto macro = std::make_unique<CO_OrCommand>();
  Peg* baked = peg.get();
  macro->add(Graph::createAddNodeCmd(&scene, std::move(peg)));
  if (replace)
    for (MO_Module* n : scene.nodes())
      for (int i = 0; i < n->nInPorts(); ++i)
        if (const MO_Port* src = n->inPort(i)->srcPort(); src && src == node->outPort(0))
          macro->add(Graph::createLinkCmd(n, i, baked, 0));
  return macro;
}

BakeKeys::Residual BakeKeys::residual(SC_SceneCommon& scene, MO_Module* node, MO_Module* peg, const FrameRange& range,
                                      const Progress& progress) {
  Residual r;
  r.frame = range.first;
  const std::vector<int> frames = framesOf(range);
  SC_SceneEvaluator(scene).evaluate(
      {node, peg}, frames,
      [&](std::size_t index, const std::vector<Math::Matrix4x4>& m) {
        for (int i = 0; i < 16; ++i) {
          const double d = std::fabs(m[1][i] - m[0][i]);
          if (d > r.largest) {
            r.largest = d;
            r.frame = frames[index];
            r.value = i;
          }
          if (!(d <= kExact * std::max(1.0, std::fabs(m[0][i]))))
            r.exact = false;
        }
      },
      progress);
  return r;
}

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
  if (!QFileInfo(output).absoluteDir().exists())
    throw CliError(QStringLiteral("bake-keys: %1: no folder to write it in").arg(output));

  const QString path = positional[0];
  std::unique_ptr<SC_SceneCommon> scene = loadSceneOrThrow(path);
  MO_Module* node = scene->findNode(positional[1]);
  if (!node)
    throw CliError(QStringLiteral("%1: no node named \"%2\"").arg(path, positional[1]));
  if (!hasMatrixOutput(node))
    throw CliError(QStringLiteral("bake-keys: node \"%1\" (%2) has no transformation output to bake")
                       .arg(node->instanceName(), node->moduleTypeName()));
  const QString pegName = parser.isSet(QStringLiteral("name")) ? parser.value(QStringLiteral("name"))
                                                               : node->instanceName() + QStringLiteral("-baked");
  if (pegName.trimmed().isEmpty())
    throw CliError(QStringLiteral("bake-keys: --name must not be empty"));
  if (scene->findNode(pegName))
    throw CliError(
        QStringLiteral("%1: a node named \"%2\" already exists (choose another with --name)").arg(path, pegName));

  // Progress only for a person watching: the keys first, then the baked peg checked frame by frame.
  const bool watched = isatty(STDERR_FILENO) && range.count() > 2000;
  auto progress = [watched](const char* what) -> BakeKeys::Progress {
    if (!watched)
      return {};
    return [what](int done, int total) {
      if (done % 100 == 0 || done == total)
        std::fprintf(stderr, "\r%s frame %d of %d%s", what, done, total, done == total ? "\n" : "");
    };
  };
  CO_CommandManager manager;
  manager.execute(
      BakeKeys::createCommand(*scene, node, range, pegName, parser.isSet(QStringLiteral("replace")), progress("keying"))
          .release(),
      kEditName);
  MO_Module* peg = scene->findNode(pegName);
  const BakeKeys::Residual r = BakeKeys::residual(*scene, node, peg, range, progress("checking"));
  QString error;
  if (!PIO_SceneWriter::writeFile(*scene, output, &error))
    throw CliError(QStringLiteral("bake-keys: ") + error);

  char number[40];
  *MatrixOutput::number(number, r.largest, false) = '\0';
  std::FILE* out = DataOutput::stream();
  std::fprintf(out, "%s\n", qPrintable(manager.history().back()));
  std::fprintf(out, "peg \"%s\": frames %d-%d, largest residual %s at frame %d (m%d)%s\n", qPrintable(pegName),
               range.first, range.last, number, r.frame, r.value,
               r.exact ? ""
                       : "; a peg cannot express this motion (a 3-D shear or a perspective), so the keys give the "
                         "nearest it can");
  return std::fflush(out) == 0 ? 0 : 1;
}
