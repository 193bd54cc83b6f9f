#include "SceneCore/MO_Module.h"

#include <unordered_set>

#include "SceneCore/MO_AbstractModuleVisitor.h"
#include "SceneCore/MO_SimplePortMetaData.h"
#include "SceneCore/UT_Prefetch.h"

MO_Module::MO_Module() = default;
MO_Module::~MO_Module() = default;

MO_Port* MO_Module::insertPort(std::vector<std::unique_ptr<MO_Port>>& ports, int index, MO_Port::Direction d,
                               MO_Port::Kind k, const QString& name) {
  auto port = std::make_unique<MO_Port>(this, d, k, name);
  MO_Port* raw = port.get();
  ports.insert(ports.begin() + index, std::move(port));
  touch();
  return raw;
}

MO_Port* MO_Module::addInMatrixPort(const QString& name) {
  return insertPort(m_in, nInPorts(), MO_Port::In, MO_Port::Matrix, name);
}
MO_Port* MO_Module::addInMatrixPort(const MO_SimplePortMetaData& meta) { return addInMatrixPort(meta.name()); }
MO_Port* MO_Module::addInImagePort(const QString& name) {
  return insertPort(m_in, nInPorts(), MO_Port::In, MO_Port::Image, name);
}
MO_Port* MO_Module::addOutMatrixPort(const QString& name) {
  return insertPort(m_out, nOutPorts(), MO_Port::Out, MO_Port::Matrix, name);
}
MO_Port* MO_Module::addOutImagePort(const QString& name) {
  return insertPort(m_out, nOutPorts(), MO_Port::Out, MO_Port::Image, name);
}

MO_Port* MO_Module::inPort(int i) const {
  return i >= 0 && i < nInPorts() ? m_in[static_cast<std::size_t>(i)].get() : nullptr;
}
void MO_Module::prefetch() const {
  prefetchLines(this, sizeof(MO_Module));
  if (!m_out.empty())
    m_out.front()->prefetch();
}

MO_Port* MO_Module::outPort(int i) const {
  return i >= 0 && i < nOutPorts() ? m_out[static_cast<std::size_t>(i)].get() : nullptr;
}

MO_Module* MO_Module::inputModule(int i) const {
  const MO_Port* p = inPort(i);
  return p ? p->realSrcNode() : nullptr;
}

std::vector<MO_Node*> MO_Module::inputNodes() const {
  std::vector<MO_Node*> nodes;
  nodes.reserve(m_in.size());
  for (const auto& p : m_in)
    nodes.push_back(p->realSrcNode());
  return nodes;
}

bool MO_Module::dependsOn(const MO_Module* other) const {
  std::vector<const MO_Module*> todo{this};
  std::unordered_set<const MO_Module*> seen{this};
  while (!todo.empty()) {
    const MO_Module* n = todo.back();
    todo.pop_back();
    if (n == other)
      return true;
    for (const auto& p : n->m_in)
      if (MO_Module* src = p->realSrcNode(); src && seen.insert(src).second)
        todo.push_back(src);
  }
  return false;
}

bool MO_Module::link(int inIndex, MO_Module* src, int outIndex, QString* why) {
  MO_Port* in = inPort(inIndex);
  MO_Port* out = src ? src->outPort(outIndex) : nullptr;
  if (!in || !out) {
    if (why)
      *why = !in ? QStringLiteral("node \"%1\" has no input port %2").arg(instanceName()).arg(inIndex)
                 : QStringLiteral("node \"%1\" has no output port %2")
                       .arg(src ? src->instanceName() : QString())
                       .arg(outIndex);
    return false;
  }
  if (src->dependsOn(this)) {
    if (why)
      *why = QStringLiteral("linking \"%1\" to \"%2\" would make a cycle").arg(src->instanceName(), instanceName());
    return false;
  }
  in->m_src = out;
  touch();
  return true;
}

void MO_Module::unlink(int inIndex) {
  if (MO_Port* in = inPort(inIndex); in && in->m_src) {
    in->m_src = nullptr;
    touch();
  }
}

const MO_SimplePortMetaData* MO_Module::inPortMetadata(int) const { return nullptr; }

MO_PortTransform* MO_Module::computeTransformationParent(const MO_BaseContext& ctx, MO_Port* port) {
  MO_Port* src = port ? port->realSrcPort() : nullptr;
  if (!src)
    return nullptr;
  if (MO_PortTransform* stored = src->transform(ctx.frameKey()); stored && !stored->transformation().isEmpty())
    return stored;
  MO_PortTransform* computed = src->node()->computeTransformation(MO_BaseContext(ctx.frameKey(), ctx.contextType()));
  // Nodes compute output 0; any other output passes the same transformation on.
  if (src != src->node()->outPort(0)) {
    if (MO_PortTransform* stored = src->transform(ctx.frameKey()))
      return stored;
  }
  return computed;
}

MO_PortTransform* MO_Module::computeTransformation(const MO_BaseContext& ctx) {
  MO_Port* out = outPort(0);
  if (!out)
    return nullptr;
  // The parent's storage lives in another port (links never close a cycle), and what is pushed
  // out of a port stays valid until the request ends: it is copied straight into place.
  const MO_PortTransform* parent = mainParent(ctx);
  MO_PortTransform* mine = out->transformToSet(ctx.frameKey());
  mine->setPassed(parent);
  return mine;
}

MO_PortTransform* MO_Module::computeAppending(const MO_BaseContext& ctx,
                                              const std::function<Math::Matrix4x4(double)>& local) {
  return appending(ctx, local);
}

bool MO_Module::acceptVisitor(MO_AbstractModuleVisitor* visitor) { return visitor->visitModule(this); }

bool MO_Module::pivot(const MO_FrameKey&, Math::Point3d&) const { return false; }
