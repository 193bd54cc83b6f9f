// vantorel pick: a click in a view, reported rather than acted on. It names what lies under
// the pixel of the view `render` draws (the node whose pick id is there and its handle, and
// the node whose control drew that pixel when one did), then, for a node that chooses its
// main input from a click (the control's node, or the one named with --node), tells it of the
// click and prints the main input it then reports. Nothing is selected and nothing is saved.
#include <QCommandLineParser>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <memory>

#include "CliError.h"
#include "CliParsing.h"
#include "Commands.h"
#include "DataOutput.h"
#include "GraphicCore/SLB_ViewDriver.h"
#include "GraphicCore/VU_SceneRenderer.h"
#include "SceneCore/CC_CameraChainTransformCanvasBinder.h"
#include "SceneCore/MO_MainPortModuleVisitor.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_OGLContext.h"
#include "SceneCore/MO_SimplePortMetaData.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "SceneLoading.h"

namespace {

// The node whose control covers the pixel in the picking image, or null. Controls are drawn
// after the pegs, each over the ones before it, so the last node in scene order whose control
// alone covers the pixel is the one seen there. Each is drawn as the renderer draws it: in
// the space of what arrives at the node's main input.
MO_Module* controlUnder(SC_SceneCommon& scene, double frame, const Math::CameraTransformChain& chain, const QSize& size,
                        int px, int py) {
  SC_SceneEvaluator evaluator(scene);
  for (MO_Module* n : scene.nodes())
    evaluator.evaluate(n, frame);
  const MO_FrameKey key(frame);
  const auto& nodes = scene.nodes();
  for (auto it = nodes.rbegin(); it != nodes.rend(); ++it) {
    MO_Module* n = *it;
    VU_Drawing drawing;
    CC_CameraChainTransformCanvasBinder binder(chain, &drawing);
    MO_Module* input = n->inputModule(n->mainInPortIdAtFrame(key));
    const MO_PortTransform* arriving = input ? input->computeTransformation(MO_BaseContext(key, 0)) : nullptr;
    binder.setModelMatrix(arriving ? arriving->transformation().matrix(true) : Math::Matrix4x4());
    n->oglRenderControl(MO_OGLContext(MO_OGLContext::ePickingMode, key, &binder));
    if (drawing.primitives().empty())
      continue;
    const QImage image = drawing.toImage(chain, size, VU_SceneRenderer::kPickBackground, true);
    if (VS_RGBA(image.pixel(px, py)) != VU_SceneRenderer::kPickBackground)
      return n;
  }
  return nullptr;
}

QString describe(const MO_Module* node) {
  return QStringLiteral("%1 (%2)").arg(node->instanceName(), node->moduleTypeName());
}

} // namespace

int Commands::pick(const QStringList& args) {
  QCommandLineParser parser;
  parser.addPositionalArgument(QStringLiteral("scene"), QStringLiteral("Scene file"));
  parser.addOption({QStringLiteral("at"), QStringLiteral("The pixel clicked (x right, y down from the top left)"),
                    QStringLiteral("X,Y")});
  parser.addOption(
      {QStringLiteral("frame"), QStringLiteral("Frame shown (default: the scene's first)"), QStringLiteral("F")});
  parser.addOption({QStringLiteral("view"), QStringLiteral("camera, top or side (default camera)"),
                    QStringLiteral("VIEW"), QStringLiteral("camera")});
  parser.addOption({QStringLiteral("size"), QStringLiteral("View size in pixels (default as vantorel render)"),
                    QStringLiteral("WxH")});
  parser.addOption({QStringLiteral("node"), QStringLiteral("Node told of the click (default: the control's node)"),
                    QStringLiteral("NAME")});
  const QString cmd = QStringLiteral("pick");
  if (!parser.parse(QStringList{QStringLiteral("vantorel pick")} + args))
    throw CliError(QStringLiteral("pick: ") + parser.errorText());
  const QStringList positional = parser.positionalArguments();
  if (positional.size() != 1)
    throw CliError(QStringLiteral("pick: expected one scene file, got %1").arg(positional.size()));
  if (!parser.isSet(QStringLiteral("at")))
    throw CliError(QStringLiteral("pick: --at X,Y is required"));
  const Math::Point2d at = CliParsing::point(cmd, QStringLiteral("--at"), parser.value(QStringLiteral("at")));
  VU_SceneRenderer::View view;
  if (!VU_SceneRenderer::parseView(parser.value(QStringLiteral("view")), view))
    throw CliError(QStringLiteral("pick: --view must be camera, top or side, not \"%1\"")
                       .arg(parser.value(QStringLiteral("view"))));
  const bool sizeGiven = parser.isSet(QStringLiteral("size"));
  const QSize givenSize = sizeGiven ? CliParsing::size(cmd, parser.value(QStringLiteral("size"))) : QSize();
  const bool frameGiven = parser.isSet(QStringLiteral("frame"));
  const double givenFrame = frameGiven ? CliParsing::frame(cmd, parser.value(QStringLiteral("frame"))) : 0.0;

  std::unique_ptr<SC_SceneCommon> scene = loadSceneOrThrow(positional.front());
  MO_Module* named = nullptr;
  if (parser.isSet(QStringLiteral("node"))) {
    named = scene->findNode(parser.value(QStringLiteral("node")));
    if (!named)
      throw CliError(QStringLiteral("pick: %1: no node named \"%2\"")
                         .arg(positional.front(), parser.value(QStringLiteral("node"))));
  }
  const QSize size = sizeGiven ? givenSize : VU_SceneRenderer::defaultSize(*scene);
  const int px = static_cast<int>(std::floor(at.x));
  const int py = static_cast<int>(std::floor(at.y));
  if (px < 0 || py < 0 || px >= size.width() || py >= size.height())
    throw CliError(QStringLiteral("pick: --at %1,%2 lies outside the %3x%4 view")
                       .arg(at.x)
                       .arg(at.y)
                       .arg(size.width())
                       .arg(size.height()));
  const double frame = frameGiven ? givenFrame : scene->firstFrame();

  // The control is found before the click is told to anyone, so that it is the one the
  // picking image shows.
  const Math::CameraTransformChain chain = VU_SceneRenderer(*scene).viewChain(frame, view, size);
  MO_Module* control = controlUnder(*scene, frame, chain, size, px, py);
  const SLB_ViewDriver::PickResult hit = SLB_ViewDriver(view, size).pick(*scene, frame, at);

  // A control drawn in its pegs' pick colours picks the peg; its node is named beside it.
  QString report = hit.node ? QStringLiteral("picked: %1, handle %2").arg(describe(hit.node)).arg(hit.handle)
                            : QStringLiteral("picked: background");
  if (control && control != hit.node)
    report += QStringLiteral(", on the control of %1").arg(describe(control));
  report += QLatin1Char('\n');

  MO_Module* told = named ? named : control;
  if (told) {
    MO_MainPortModuleVisitor click(at, chain);
    if (click.visitModule(told)) {
      const int port = told->mainInPortIdAtFrame(MO_FrameKey(frame));
      const MO_SimplePortMetaData* meta = told->inPortMetadata(port);
      const MO_Module* input = told->inputModule(port);
      report += QStringLiteral("main input of %1: %2%3 (%4)\n")
                    .arg(told->instanceName())
                    .arg(port)
                    .arg(meta ? QStringLiteral(" \"%1\"").arg(meta->name()) : QString())
                    .arg(input ? input->instanceName() : QStringLiteral("nothing linked"));
    } else if (named) {
      throw CliError(QStringLiteral("pick: node %1 does not choose its main input from a click").arg(describe(named)));
    }
  }
  std::fputs(qPrintable(report), DataOutput::stream());
  return std::fflush(DataOutput::stream()) == 0 ? 0 : 1;
}
