#include "BakeKeys.h"

#include <algorithm>
#include <cmath>

#include "Command/CO_GraphCommands.h"
#include "Command/CO_OrCommand.h"
#include "ParallelEvaluator.h"
#include "PegChannels.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Position3dAttr.h"
#include "SceneCore/AT_Rotation3dAttr.h"
#include "SceneCore/AT_Scale3dAttr.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/Peg.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SessionError.h"

namespace {

// What a peg expresses exactly comes back within this, relative to each value (at least 1).
constexpr double kExact = 1e-9;

} // namespace

std::unique_ptr<CO_Command> BakeKeys::createCommand(SC_SceneCommon& scene, MO_Module* node, const FrameRange& range,
                                                    const QString& pegName, bool replace, const Progress& progress,
                                                    int jobs) {
  auto peg = std::make_unique<Peg>();
  peg->setInstanceName(pegName);
  AT_DoubleAttr* attrs[PegChannels::kCount] = {peg->position()->x(),      peg->position()->y(),
                                               peg->position()->z(),      peg->rotation()->angleX(),
                                               peg->rotation()->angleY(), peg->rotation()->angleZ(),
                                               peg->scale()->x(),         peg->scale()->y(),
                                               peg->scale()->z(),         peg->skew()};

  const std::vector<int> frames = range.frames();
  PegChannels channels(scene.metrics());
  PegChannels::Values first{};
  bool constant[PegChannels::kCount];
  std::fill(std::begin(constant), std::end(constant), true);
  ParallelEvaluator evaluator(scene, jobs);
  evaluator.evaluate(
      {node}, frames,
      [&](std::size_t index, const std::vector<Math::Matrix4x4>& matrices) {
        const int frame = frames[index];
        for (int i = 0; i < 16; ++i)
          if (!std::isfinite(matrices[0][i]))
            throw BadArgumentError(QStringLiteral("the output of node \"%1\" is not a finite matrix at frame %2")
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
                                      const Progress& progress, int jobs) {
  Residual r;
  r.frame = range.first;
  const std::vector<int> frames = range.frames();
  ParallelEvaluator evaluator(scene, jobs);
  evaluator.evaluate(
      {node, peg}, frames,
      [&](std::size_t index, const std::vector<Math::Matrix4x4>& m) {
        for (int i = 0; i < 16; ++i) {
          if (std::fabs(m[0][i]) > r.peak) {
            r.peak = std::fabs(m[0][i]);
            r.peakFrame = frames[index];
          }
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
