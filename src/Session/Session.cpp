#include "Session.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <unordered_set>

#include "AttributeEdit.h"
#include "BakeKeys.h"
#include "Command/CO_CommandManager.h"
#include "Command/CO_OrCommand.h"
#include "GraphEditCommand.h"
#include "GraphicCore/SLB_ViewDriver.h"
#include "LiveDrag.h"
#include "ParallelEvaluator.h"
#include "PegChannels.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "PersistentObj/PIO_SceneWriter.h"
#include "PlugInManager/PLUG_ScopedSession.h"
#include "SceneCore/AT_PushButtonAttr.h"
#include "SceneCore/AT_ValueText.h"
#include "SceneCore/MO_AutoInPortsModule.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_OGLContext.h"
#include "SceneCore/MO_SimplePortMetaData.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SessionError.h"
#include "SpringBound.h"
#include "ViewPick.h"

namespace {

// The scene shown at one frame for the length of a call (what plug-ins read as the current
// frame), then at the session's own again.
class FrameScope {
public:
  FrameScope(SC_SceneCommon& scene, double frame, double restore) : m_scene(scene), m_restore(restore) {
    scene.setCurrentFrame(frame);
  }
  ~FrameScope() { m_scene.setCurrentFrame(m_restore); }
  FrameScope(const FrameScope&) = delete;
  FrameScope& operator=(const FrameScope&) = delete;

private:
  SC_SceneCommon& m_scene;
  double m_restore;
};

bool hasMatrixOutput(const MO_Module* node) {
  const MO_Port* out = node->outPort(0);
  return out && out->kind() == MO_Port::Matrix;
}

QString describe(const MO_Module* node) {
  return QStringLiteral("node \"%1\" (%2)").arg(node->instanceName(), node->moduleTypeName());
}

void copyMatrix(const Math::Matrix4x4& m, MatrixLayout layout, double* out) {
  if (layout == MatrixLayout::ColumnOrder) {
    std::memcpy(out, m.values(), 16 * sizeof(double));
    return;
  }
  for (int row = 0; row < 4; ++row)
    for (int col = 0; col < 4; ++col)
      out[row * 4 + col] = m(row, col);
}

} // namespace

// --- Opening

Session::Session(std::unique_ptr<SC_SceneCommon> scene, const QString& path)
    : m_scene(std::move(scene)), m_manager(std::make_unique<CO_CommandManager>()), m_path(path),
      m_frame(m_scene->firstFrame()) {
  m_manager->addListener(
      [this](CO_CommandManager::Event event, const QString& name) { onStep(static_cast<int>(event), name); });
  m_scene->setCurrentFrame(m_frame);
  remember();
}

Session::~Session() {
  // A drag still held puts its surrogates back before the scene goes.
  m_drag.reset();
  m_manager->clear();
}

namespace {
PIO_SceneReader::Text textFor(Session::Use use) {
  return use == Session::Use::Editing ? PIO_SceneReader::Text::Kept : PIO_SceneReader::Text::Dropped;
}
} // namespace

std::unique_ptr<Session> Session::open(const QString& path, const HostOptions& host, Use use) {
  HostSetup::setUp(host);
  PIO_LoadError error;
  std::unique_ptr<SC_SceneCommon> scene = PIO_SceneReader::readFile(path, &error, textFor(use));
  if (!scene)
    throw SceneFileError(error);
  return std::unique_ptr<Session>(new Session(std::move(scene), path));
}

std::unique_ptr<Session> Session::openData(const QByteArray& xml, const QString& label, const HostOptions& host,
                                           Use use) {
  HostSetup::setUp(host);
  PIO_LoadError error;
  std::unique_ptr<SC_SceneCommon> scene = PIO_SceneReader::readData(xml, label, &error, textFor(use));
  if (!scene)
    throw SceneFileError(error);
  return std::unique_ptr<Session>(new Session(std::move(scene), label));
}

// --- The scene

FrameRange Session::frameRange() const { return FrameRange{m_scene->firstFrame(), m_scene->lastFrame()}; }

QString Session::cameraName() const { return m_scene->camera() ? m_scene->camera()->instanceName() : QString(); }

void Session::setCurrentFrame(double frame) {
  if (!std::isfinite(frame))
    throw BadArgumentError(QStringLiteral("the current frame must be a number"));
  m_frame = frame;
  m_scene->setCurrentFrame(frame);
}

double Session::frameOf(std::optional<double> frame) const {
  if (frame && !std::isfinite(*frame))
    throw BadArgumentError(QStringLiteral("the frame must be a number"));
  return frame ? *frame : m_frame;
}

QSize Session::viewSize(const ViewSpec& view) const {
  if (view.size == QSize())
    return VU_SceneRenderer::defaultSize(*m_scene);
  const QSize& s = view.size;
  if (s.width() < 1 || s.height() < 1 || s.width() > kMaxViewSide || s.height() > kMaxViewSide)
    throw BadArgumentError(QStringLiteral("the view size must be from 1x1 to %1x%1 pixels, not %2x%3")
                               .arg(kMaxViewSide)
                               .arg(s.width())
                               .arg(s.height()));
  return s;
}

MO_Module* Session::node(const QString& name) const {
  MO_Module* n = m_scene->findNode(name);
  if (!n)
    throw UnknownNameError(QStringLiteral("%1: no node named \"%2\"").arg(m_path, name));
  return n;
}

bool Session::hasNode(const QString& name) const { return m_scene->findNode(name) != nullptr; }

NodeInfo Session::nodeInfo(const QString& name) const {
  const MO_Module* n = node(name);
  NodeInfo info{n->instanceName(),
                n->moduleTypeName(),
                n->baseDisplayName(),
                n->enabled(),
                n->selected(),
                hasMatrixOutput(n),
                {}};
  for (int i = 0; i < n->nInPorts(); ++i) {
    const MO_SimplePortMetaData* meta = n->inPortMetadata(i);
    const MO_Port* src = n->inPort(i)->srcPort();
    info.inPorts.push_back(
        {i, meta ? meta->name() : QString(), src ? src->node()->instanceName() : QString(), src ? src->index() : 0});
  }
  return info;
}

std::vector<NodeInfo> Session::nodes() const {
  std::vector<NodeInfo> all;
  for (const MO_Module* n : m_scene->nodes())
    all.push_back(nodeInfo(n->instanceName()));
  return all;
}

std::vector<LinkInfo> Session::links() const {
  std::vector<LinkInfo> all;
  for (const MO_Module* n : m_scene->nodes())
    for (int i = 0; i < n->nInPorts(); ++i)
      if (const MO_Port* src = n->inPort(i)->srcPort())
        all.push_back({src->node()->instanceName(), src->index(), n->instanceName(), i});
  return all;
}

std::vector<MO_Module*> Session::chosen(const QStringList& names) const {
  if (names.isEmpty())
    return m_scene->nodes();
  std::vector<MO_Module*> nodes;
  for (const QString& name : names)
    nodes.push_back(node(name));
  return nodes;
}

// --- Warnings

void Session::warn(const QString& warning) {
  if (m_warn)
    m_warn(warning);
  else
    std::fprintf(stderr, "vantorel: warning: %s\n", qPrintable(warning));
}

void Session::checkFrames(double lo, double hi) {
  const FrameRange range = frameRange();
  if (lo >= range.first && hi <= range.last)
    return;
  const QString asked =
      lo == hi ? QStringLiteral("frame %1 lies").arg(AT_ValueText::fromDouble(lo))
               : QStringLiteral("frames %1-%2 reach").arg(AT_ValueText::fromDouble(lo), AT_ValueText::fromDouble(hi));
  warn(QStringLiteral("%1 outside the scene's frames %2-%3").arg(asked).arg(range.first).arg(range.last));
}

void Session::checkFrames(const std::vector<int>& frames) {
  if (!frames.empty())
    checkFrames(*std::min_element(frames.begin(), frames.end()), *std::max_element(frames.begin(), frames.end()));
}

QStringList Session::checkSprings(const std::vector<MO_Module*>& nodes, double lastFrame) {
  QStringList found;
  // The nodes asked and everything they read, found in one walk up the links.
  std::unordered_set<const MO_Module*> involved(nodes.begin(), nodes.end());
  for (std::vector<const MO_Module*> todo(nodes.begin(), nodes.end()); !todo.empty();) {
    const MO_Module* n = todo.back();
    todo.pop_back();
    for (int i = 0; i < n->nInPorts(); ++i)
      if (const MO_Module* src = n->inPort(i)->realSrcNode(); src && involved.insert(src).second)
        todo.push_back(src);
  }
  for (MO_Module* n : m_scene->nodes()) {
    if (!nodes.empty() && !involved.count(n))
      continue;
    if (m_warnedSprings.contains(n->instanceName()))
      continue;
    const QString problem = SpringBound::check(n, static_cast<int>(std::min(lastFrame, 1e9)));
    if (problem.isEmpty())
      continue;
    m_warnedSprings.insert(n->instanceName());
    found << problem;
    warn(problem);
  }
  return found;
}

QStringList Session::check() { return checkSprings({}, frameRange().last); }

// --- Evaluation

void Session::evaluate(const std::vector<int>& frames, const QStringList& nodes, const MatrixSink& sink,
                       const Progress& progress) {
  evaluate(frames, nodes, StagedSink::deliverOnly(sink), progress);
}

void Session::evaluate(const std::vector<int>& frames, const QStringList& nodes, const StagedSink& sink,
                       const Progress& progress) {
  const std::vector<MO_Module*> chosenNodes = chosen(nodes);
  checkFrames(frames);
  if (!frames.empty())
    checkSprings(chosenNodes, *std::max_element(frames.begin(), frames.end()));
  const FrameScope scope(*m_scene, m_frame, m_frame);
  ParallelEvaluator(*m_scene, m_jobs).evaluate(chosenNodes, frames, sink, progress);
}

void Session::setJobs(int jobs) {
  if (jobs < 1 || jobs > ParallelEvaluator::kMaxJobs)
    throw BadArgumentError(ParallelEvaluator::badJobs(QStringLiteral("jobs"), QString::number(jobs)));
  m_jobs = jobs;
}

void Session::evaluate(const std::vector<int>& frames, const QStringList& nodes, double* out, MatrixLayout layout,
                       const Progress& progress) {
  const std::size_t stride = 16 * (nodes.isEmpty() ? m_scene->nodes().size() : static_cast<std::size_t>(nodes.size()));
  // Each frame's own rows of the buffer, filled on whichever thread is free.
  evaluate(frames, nodes,
           StagedSink{[&](std::size_t index, const std::vector<Math::Matrix4x4>& matrices, std::string&) {
                        double* row = out + index * stride;
                        for (std::size_t n = 0; n < matrices.size(); ++n)
                          copyMatrix(matrices[n], layout, row + 16 * n);
                      },
                      [](std::size_t, const std::vector<Math::Matrix4x4>&, std::string&) {}},
           progress);
}

Math::Matrix4x4 Session::matrix(const QString& name, double frame) {
  MO_Module* n = node(name);
  const FrameScope scope(*m_scene, frameOf(frame), m_frame);
  return SC_SceneEvaluator(*m_scene).evaluate(n, frame);
}

void Session::pegValues(const std::vector<int>& frames, const QStringList& nodes, const ValuesSink& sink,
                        const Progress& progress) {
  const std::size_t count = nodes.isEmpty() ? m_scene->nodes().size() : static_cast<std::size_t>(nodes.size());
  // Each node's matrices taken apart as bake-keys keys them, angles following frame after frame.
  std::vector<PegChannels> channels(count, PegChannels(m_scene->metrics()));
  std::vector<double> row(count * PegChannels::kCount);
  evaluate(
      frames, nodes,
      [&](std::size_t index, const std::vector<Math::Matrix4x4>& matrices) {
        for (std::size_t n = 0; n < count; ++n) {
          const PegChannels::Values v = channels[n].next(matrices[n]);
          std::copy(v.begin(), v.end(), row.begin() + static_cast<std::ptrdiff_t>(n * v.size()));
        }
        sink(index, row.data());
      },
      progress);
}

void Session::pegValues(const std::vector<int>& frames, const QStringList& nodes, double* out,
                        const Progress& progress) {
  const std::size_t stride =
      PegChannels::kCount * (nodes.isEmpty() ? m_scene->nodes().size() : static_cast<std::size_t>(nodes.size()));
  pegValues(
      frames, nodes,
      [&](std::size_t index, const double* values) { std::copy(values, values + stride, out + index * stride); },
      progress);
}

// --- Edits

QString Session::execute(CO_Command* command, const QString& name) {
  m_manager->execute(command, name);
  return name;
}

AttributeInfo Session::attribute(const QString& name, const QString& keyword, std::optional<double> frame) const {
  return AttributeEdit::describe(AttributeEdit::find(node(name), keyword), frameOf(frame));
}

std::vector<AttributeInfo> Session::attributes(const QString& name, std::optional<double> frame) const {
  std::vector<AttributeInfo> all;
  for (const AT_Attr* attr : node(name)->attrs())
    all.push_back(AttributeEdit::describe(attr, frameOf(frame)));
  return all;
}

QString Session::setAttribute(const QString& name, const QString& keyword, const QString& text,
                              std::optional<double> frame) {
  MO_Module* n = node(name);
  CO_Command* command = AttributeEdit::createSetCommand(n, keyword, text, frame, m_frame);
  return execute(command, QStringLiteral("Set %1 of %2").arg(keyword, name));
}

QString Session::setAttribute(const QString& name, const QString& keyword, double value, std::optional<double> frame) {
  // Seventeen digits read back as the same double.
  return setAttribute(name, keyword, AT_ValueText::fromDouble(value), frame);
}

QString Session::setAttribute(const QString& name, const QString& keyword, bool value, std::optional<double> frame) {
  return setAttribute(name, keyword, AT_ValueText::fromBool(value), frame);
}

QString Session::link(const QString& from, int fromPort, const QString& to, int toPort) {
  MO_Module* src = node(from);
  MO_Module* dst = node(to);
  auto* autoIn = dynamic_cast<MO_AutoInPortsModule*>(dst);
  if (!src->outPort(fromPort))
    throw BadArgumentError(QStringLiteral("node \"%1\" has no output port %2").arg(from).arg(fromPort));
  // A node with variable inputs grows to the port asked for, as a scene file's link makes it.
  const bool grows = autoIn && toPort >= dst->nInPorts() && toPort <= PIO_SceneReader::kMaxAutoInPort;
  if (!grows && !dst->inPort(toPort))
    throw BadArgumentError(QStringLiteral("node \"%1\" has no input port %2").arg(to).arg(toPort));
  if (src == dst || src->dependsOn(dst))
    throw BadArgumentError(QStringLiteral("linking \"%1\" to \"%2\" would make a cycle").arg(from, to));
  const int portsBefore = dst->nInPorts();
  auto previous = std::make_shared<std::pair<MO_Module*, int>>(nullptr, 0);
  return execute(new GraphEditCommand(
                     [=] {
                       if (autoIn)
                         autoIn->ensureInPort(toPort);
                       const MO_Port* was = dst->inPort(toPort)->srcPort();
                       *previous = {was ? was->node() : nullptr, was ? was->index() : 0};
                       dst->link(toPort, src, fromPort);
                     },
                     [=] {
                       if (previous->first)
                         dst->link(toPort, previous->first, previous->second);
                       else
                         dst->unlink(toPort);
                       while (autoIn && autoIn->nInPorts() > portsBefore)
                         autoIn->removeInPort(autoIn->nInPorts() - 1);
                     }),
                 QStringLiteral("Link %1 to %2").arg(from, to));
}

QString Session::unlink(const QString& to, int toPort) {
  MO_Module* dst = node(to);
  const MO_Port* in = dst->inPort(toPort);
  if (!in)
    throw BadArgumentError(QStringLiteral("node \"%1\" has no input port %2").arg(to).arg(toPort));
  if (!in->srcPort())
    throw BadArgumentError(QStringLiteral("input port %1 of \"%2\" is not linked").arg(toPort).arg(to));
  MO_Module* src = in->srcPort()->node();
  const int fromPort = in->srcPort()->index();
  return execute(new GraphEditCommand([=] { dst->unlink(toPort); }, [=] { dst->link(toPort, src, fromPort); }),
                 QStringLiteral("Unlink %1 input %2").arg(to).arg(toPort));
}

QString Session::setEnabled(const QString& name, bool enabled) {
  MO_Module* n = node(name);
  const bool before = n->enabled();
  return execute(new GraphEditCommand([=] { n->setEnabled(enabled); }, [=] { n->setEnabled(before); }),
                 (enabled ? QStringLiteral("Enable %1") : QStringLiteral("Disable %1")).arg(name));
}

QString Session::bake(const QString& name, BakeMode mode, std::optional<double> frame) {
  MO_Module* n = node(name);
  const QString keyword = mode == BakeMode::All ? QStringLiteral("bakeAttr_all") : QStringLiteral("bakeAttr");
  if (!dynamic_cast<AT_PushButtonAttr*>(n->attr(keyword)))
    throw BadArgumentError(QStringLiteral("%1 has no bake buttons").arg(describe(n)));
  return pressButton(name, keyword, frame);
}

QString Session::pressButton(const QString& name, const QString& keyword, std::optional<double> frame) {
  MO_Module* n = node(name);
  auto* button = dynamic_cast<AT_PushButtonAttr*>(AttributeEdit::find(n, keyword));
  if (!button)
    throw BadArgumentError(QStringLiteral("attribute \"%1\" of %2 is not a button").arg(keyword, describe(n)));
  const int before = m_depth;
  checkFrames(frameOf(frame), frameOf(frame));
  {
    const FrameScope scope(*m_scene, frameOf(frame), m_frame);
    PLUG_ScopedSession open(m_scene.get(), m_manager.get());
    button->press();
  }
  if (m_depth == before)
    throw BadArgumentError(QStringLiteral("node \"%1\" made no edit").arg(name));
  return m_manager->undoName();
}

BakeKeysResult Session::bakeKeys(const QString& name, const FrameRange& range, const QString& pegName, bool replace,
                                 const Progress& keying, const Progress& checking) {
  MO_Module* n = node(name);
  if (!hasMatrixOutput(n))
    throw BadArgumentError(QStringLiteral("%1 has no transformation output to bake").arg(describe(n)));
  if (range.last < range.first)
    throw BadArgumentError(QStringLiteral("frame range %1-%2 ends before it starts").arg(range.first).arg(range.last));
  const QString peg = pegName.isEmpty() ? name + QStringLiteral("-baked") : pegName;
  if (peg.trimmed().isEmpty())
    throw BadArgumentError(QStringLiteral("the baked peg's name must not be blank"));
  if (hasNode(peg))
    throw BadArgumentError(QStringLiteral("%1: a node named \"%2\" already exists").arg(m_path, peg));
  checkFrames(range.first, range.last);
  checkSprings({n}, range.last);
  const FrameScope scope(*m_scene, m_frame, m_frame);
  BakeKeysResult result;
  result.pegName = peg;
  result.commandName = execute(BakeKeys::createCommand(*m_scene, n, range, peg, replace, keying, m_jobs).release(),
                               QStringLiteral("Bake Keys"));
  const BakeKeys::Residual r = BakeKeys::residual(*m_scene, n, m_scene->findNode(peg), range, checking, m_jobs);
  result.largestResidual = r.largest;
  result.residualFrame = r.frame;
  result.residualValue = r.value;
  result.exact = r.exact;
  result.largestValue = r.peak;
  result.largestValueFrame = r.peakFrame;
  return result;
}

// --- Export

GltfExport::Result Session::exportGltf(const QString& path, const QStringList& nodes, const FrameRange& range,
                                       const GltfExport::Options& options, const Progress& progress) {
  if (!path.endsWith(QLatin1String(".gltf"), Qt::CaseInsensitive) &&
      !path.endsWith(QLatin1String(".glb"), Qt::CaseInsensitive))
    throw BadArgumentError(QStringLiteral("%1: the output must end in .gltf or .glb").arg(path));
  if (!QFileInfo(path).absoluteDir().exists())
    throw BadArgumentError(QStringLiteral("%1: no folder to write it in").arg(path));
  if (!(options.fps > 0.0) || !std::isfinite(options.fps))
    throw BadArgumentError(QStringLiteral("the frame rate must be a number above 0, not %1").arg(options.fps));
  if (range.last < range.first)
    throw BadArgumentError(QStringLiteral("frame range %1-%2 ends before it starts").arg(range.first).arg(range.last));
  std::vector<MO_Module*> chosen;
  for (const QString& name : nodes) {
    MO_Module* n = node(name);
    if (!GltfExport::exportable(n))
      throw BadArgumentError(QStringLiteral("%1 has no transformation output to export").arg(describe(n)));
    if (std::find(chosen.begin(), chosen.end(), n) == chosen.end())
      chosen.push_back(n);
  }
  if (nodes.isEmpty())
    for (MO_Module* n : m_scene->nodes())
      if (GltfExport::exportable(n))
        chosen.push_back(n);
  if (chosen.empty())
    throw BadArgumentError(QStringLiteral("%1: no node with a transformation output to export").arg(m_path));
  GltfExport::Options named = options;
  if (named.name.isEmpty())
    named.name = QFileInfo(m_path).completeBaseName();
  const FrameScope scope(*m_scene, m_frame, m_frame);
  return GltfExport::write(*m_scene, chosen, range, named, path, progress, m_jobs);
}

// --- The view

PickResult Session::pick(const Math::Point2d& at, const ViewSpec& view, const QString& tell, bool select,
                         int modifiers) {
  MO_Module* named = tell.isEmpty() ? nullptr : node(tell);
  const double frame = frameOf(view.frame);
  checkFrames(frame, frame);
  const FrameScope scope(*m_scene, frame, m_frame);
  PLUG_ScopedSession open(m_scene.get(), m_manager.get());
  const PickResult result =
      ViewPick(*m_scene, frame, view.view, viewSize(view), view.panZoom).click(at, named, select, modifiers);
  if (select)
    notify(Change::Selection);
  return result;
}

QString Session::drag(const QString& name, const Math::Point2d& from, const Math::Point2d& to, const ViewSpec& view,
                      int animationMode) {
  MO_Module* n = node(name);
  const double frame = frameOf(view.frame);
  checkFrames(frame, frame);
  const FrameScope scope(*m_scene, frame, m_frame);
  PLUG_ScopedSession open(m_scene.get(), m_manager.get());
  auto macro = std::make_unique<CO_OrCommand>();
  QString operation;
  SLB_ViewDriver::PickResult press;
  switch (SLB_ViewDriver(view.view, viewSize(view), view.panZoom)
              .drag(*m_scene, n, frame, from, to, animationMode, macro.get(), &operation, &press)) {
  case SLB_ViewDriver::DragOutcome::NoManipulator:
    throw BadArgumentError(QStringLiteral("%1 has no control to drag").arg(describe(n)));
  case SLB_ViewDriver::DragOutcome::NotOnHandle:
    throw BadArgumentError(QStringLiteral("the press at %1,%2 picks %3, not a handle of the control of %4")
                               .arg(AT_ValueText::fromDouble(from.x), AT_ValueText::fromDouble(from.y),
                                    press.node ? describe(press.node) : QStringLiteral("the background"), describe(n)));
  case SLB_ViewDriver::DragOutcome::NoMotion:
    return QString();
  case SLB_ViewDriver::DragOutcome::Dragged:
    break;
  }
  // The view runs what the drag added as one step named by the manipulator.
  return execute(macro.release(), operation.isEmpty() ? QStringLiteral("Drag") : operation);
}

QString Session::dragPegPivot(const QString& name, const Math::Point2d& from, const Math::Point2d& to,
                              const ViewSpec& view, int animationMode) {
  MO_Module* n = node(name);
  if (n->moduleTypeName() != QLatin1String("Peg"))
    throw BadArgumentError(QStringLiteral("%1 is not a peg").arg(describe(n)));
  const DragHit hit = pressDrag(from, view, animationMode, name);
  if (hit.kind != DragHit::PegPivot)
    throw BadArgumentError(QStringLiteral("the pivot of %1 cannot be dragged in this view").arg(describe(n)));
  for (int step = 1; step <= SLB_ViewDriver::kDragSteps; ++step)
    moveDrag(step == SLB_ViewDriver::kDragSteps ? to
                                                : from + (to - from) * (double(step) / SLB_ViewDriver::kDragSteps));
  return releaseDrag();
}

DragHit Session::pressDrag(const Math::Point2d& at, const ViewSpec& view, int animationMode, const QString& name) {
  cancelDrag();
  MO_Module* named = name.isEmpty() ? nullptr : node(name);
  const double frame = frameOf(view.frame);
  const QSize size = viewSize(view);
  const FrameScope scope(*m_scene, frame, m_frame);
  PLUG_ScopedSession open(m_scene.get(), m_manager.get());
  DragHit hit;
  const VU_SceneRenderer::PanZoom& pz = view.panZoom;
  if (named) {
    m_drag = LiveDrag::start(*m_scene, named, frame, view.view, size, at, animationMode, true, pz);
  } else {
    // A control with a manipulator first (its own pick id, then the drawing of it), else a peg's pivot.
    ViewPick under(*m_scene, frame, view.view, size, pz);
    const auto [picked, handle] = under.idUnder(at);
    hit.handle = handle;
    m_drag = LiveDrag::start(*m_scene, picked, frame, view.view, size, at, animationMode, false, pz);
    if (!m_drag)
      m_drag = LiveDrag::start(*m_scene, under.controlUnder(at), frame, view.view, size, at, animationMode, false, pz);
    if (!m_drag)
      m_drag = LiveDrag::start(*m_scene, picked, frame, view.view, size, at, animationMode, true, pz);
  }
  if (m_drag) {
    hit.kind = m_drag->kind();
    hit.node = m_drag->node()->instanceName();
    hit.type = m_drag->node()->moduleTypeName();
  }
  return hit;
}

void Session::moveDrag(const Math::Point2d& at) {
  if (!m_drag)
    return;
  const FrameScope scope(*m_scene, m_drag->frame(), m_frame);
  PLUG_ScopedSession open(m_scene.get(), m_manager.get());
  m_drag->move(at);
  notify(Change::Dragging);
}

QString Session::releaseDrag() {
  if (!m_drag)
    return QString();
  if (!m_drag->moved()) {
    cancelDrag();
    return QString();
  }
  std::unique_ptr<LiveDrag> drag = std::move(m_drag);
  const FrameScope scope(*m_scene, drag->frame(), m_frame);
  PLUG_ScopedSession open(m_scene.get(), m_manager.get());
  const auto [command, name] = drag->release();
  drag.reset();
  return execute(command, name);
}

void Session::cancelDrag() {
  if (!m_drag)
    return;
  m_drag.reset();
  notify(Change::Dragging);
}

// --- Drawing

namespace {

VU_SceneRenderer::Overlay overlayOf(const RenderOptions& options,
                                    const std::function<MO_Module*(const QString&)>& find) {
  if (options.onion < 0 || options.onion > Session::kMaxOnion)
    throw BadArgumentError(QStringLiteral("the onion skin must span from 0 to %1 frames, not %2")
                               .arg(Session::kMaxOnion)
                               .arg(options.onion));
  // Without a GUI application Qt has no fonts, and the names would silently be left out.
  if (options.labels && !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    throw BadArgumentError(QStringLiteral("labels need fonts, which only a running QGuiApplication provides"));
  VU_SceneRenderer::Overlay overlay;
  overlay.onion = options.onion;
  for (const QString& name : options.onionNodes)
    overlay.onionNodes.push_back(find(name));
  overlay.labels = options.labels;
  overlay.caption = options.caption;
  overlay.framingFrames = options.framingFrames;
  return overlay;
}

} // namespace

void Session::renderFrames(const std::vector<double>& frames, const std::function<QString(double)>& pathOf,
                           const RenderOptions& options, const Progress& progress) {
  VU_SceneRenderer renderer(*m_scene, options.view.panZoom);
  renderer.setOverlay(overlayOf(options, [this](const QString& name) { return node(name); }));
  const QSize size = viewSize(options.view);
  const int mode = options.picking ? MO_OGLContext::ePickingMode : MO_OGLContext::eNormalMode;
  if (!frames.empty()) {
    checkFrames(*std::min_element(frames.begin(), frames.end()), *std::max_element(frames.begin(), frames.end()));
    checkSprings({}, *std::max_element(frames.begin(), frames.end()));
  }
  const FrameScope scope(*m_scene, m_frame, m_frame);
  // Frames whose camera sees none of the scene: an empty picture says nothing of why.
  std::vector<double> empty;
  for (std::size_t i = 0; i < frames.size(); ++i) {
    QString why;
    if (!renderer.save(pathOf(frames[i]), frames[i], options.view.view, size, mode, &why))
      throw BadArgumentError(why);
    if (options.view.view == VU_SceneRenderer::eCameraView && m_scene->camera() &&
        renderer.pivotsInView(frames[i], options.view.view, size) == 0)
      empty.push_back(frames[i]);
    if (progress)
      progress(static_cast<int>(i + 1), static_cast<int>(frames.size()));
  }
  if (!empty.empty())
    warn(QStringLiteral("nothing of the scene lies in front of camera \"%1\" %2")
             .arg(m_scene->camera()->instanceName(),
                  empty.size() == 1 ? QStringLiteral("at frame %1").arg(AT_ValueText::fromDouble(empty.front()))
                                    : QStringLiteral("at %1 of the %2 frames drawn (the first %3)")
                                          .arg(empty.size())
                                          .arg(frames.size())
                                          .arg(AT_ValueText::fromDouble(empty.front()))));
}

void Session::render(const QString& path, const RenderOptions& options) {
  renderFrames(
      {frameOf(options.view.frame)}, [&path](double) { return path; }, options);
}

QImage Session::renderImage(const RenderOptions& options) {
  VU_SceneRenderer renderer(*m_scene, options.view.panZoom);
  renderer.setOverlay(overlayOf(options, [this](const QString& name) { return node(name); }));
  const double frame = frameOf(options.view.frame);
  const FrameScope scope(*m_scene, frame, m_frame);
  return renderer.renderImage(frame, options.view.view, viewSize(options.view),
                              options.picking ? MO_OGLContext::ePickingMode : MO_OGLContext::eNormalMode);
}

// --- Selection

QStringList Session::selection() const {
  QStringList names;
  for (const MO_Module* n : m_scene->nodes())
    if (n->selected())
      names << n->instanceName();
  return names;
}

void Session::select(const QStringList& names, bool add) {
  const std::vector<MO_Module*> chosenNodes = names.isEmpty() ? std::vector<MO_Module*>() : chosen(names);
  if (!add)
    for (MO_Module* n : m_scene->nodes())
      n->selInterface()->clear();
  for (MO_Module* n : chosenNodes)
    n->setSelected(true);
  notify(Change::Selection);
}

void Session::clearSelection() { select({}, false); }

// --- History

bool Session::undo() {
  cancelDrag();
  return m_manager->undo();
}

bool Session::redo() {
  cancelDrag();
  return m_manager->redo();
}

bool Session::canUndo() const { return m_manager->canUndo(); }
bool Session::canRedo() const { return m_manager->canRedo(); }
QStringList Session::history() const { return m_manager->history(); }
QStringList Session::redoHistory() const { return m_manager->redoHistory(); }
QString Session::undoName() const { return m_manager->undoName(); }
QString Session::redoName() const { return m_manager->redoName(); }

void Session::onStep(int event, const QString& name) {
  switch (static_cast<CO_CommandManager::Event>(event)) {
  case CO_CommandManager::Event::Executed:
    // A new step drops what could be redone: a saved state among those is gone for good.
    if (m_depth < m_cleanDepth)
      m_cleanDepth = -1;
    ++m_depth;
    notify(Change::Executed, name);
    break;
  case CO_CommandManager::Event::Undone:
    --m_depth;
    notify(Change::Undone, name);
    break;
  case CO_CommandManager::Event::Redone:
    ++m_depth;
    notify(Change::Redone, name);
    break;
  case CO_CommandManager::Event::Cleared:
    m_cleanDepth = m_depth == m_cleanDepth ? 0 : -1;
    m_depth = 0;
    break;
  case CO_CommandManager::Event::Dropped:
    // The oldest step is forgotten: a saved state from before it can no longer be reached.
    --m_depth;
    m_cleanDepth = m_cleanDepth > 0 ? m_cleanDepth - 1 : -1;
    break;
  }
}

void Session::setHistoryLimit(int steps) {
  if (steps < 0)
    throw BadArgumentError(QStringLiteral("the history limit must be 0 (no limit) or more steps, not %1").arg(steps));
  m_manager->setLimit(steps);
}

int Session::historyLimit() const { return m_manager->limit(); }

int Session::addListener(Listener listener) {
  m_listeners.emplace_back(m_nextListener, std::move(listener));
  return m_nextListener++;
}

void Session::removeListener(int id) {
  m_listeners.erase(
      std::remove_if(m_listeners.begin(), m_listeners.end(), [id](const auto& l) { return l.first == id; }),
      m_listeners.end());
}

void Session::notify(Change change, const QString& name) {
  // A copy: a listener may remove itself.
  const auto listeners = m_listeners;
  for (const auto& [id, listener] : listeners)
    listener(change, name);
}

// --- Saving

void Session::save() { save(m_path); }

void Session::save(const QString& path) {
  QString error;
  if (!PIO_SceneWriter::writeFile(*m_scene, path, &error))
    throw BadArgumentError(QStringLiteral("cannot write ") + error);
  m_path = path;
  m_cleanDepth = m_depth;
  remember();
  notify(Change::Saved);
}

void Session::remember() {
  const QFileInfo file(m_path);
  m_fileTime = file.exists() ? file.lastModified().toMSecsSinceEpoch() : -1;
  m_fileSize = file.exists() ? file.size() : -1;
}

bool Session::changedOnDisk() const {
  const QFileInfo file(m_path);
  if (!file.exists())
    return m_fileTime != -1;
  return file.lastModified().toMSecsSinceEpoch() != m_fileTime || file.size() != m_fileSize;
}
