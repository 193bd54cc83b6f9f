#pragma once
// A node with ports that the evaluator can ask for a transformation. The host's default
// evaluation passes down the transformation arriving at the main input port (index 0 unless
// the node says otherwise), stored on output port 0 for the frame; nodes add their own
// matrices on top. Links are refused when they would make a cycle.
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "BaseCore/Matrix4x4.h"
#include "BaseCore/Point3d.h"
#include "SceneCore/MO_BaseContext.h"
#include "SceneCore/MO_Node.h"
#include "SceneCore/MO_Port.h"
#include "SceneCore/SLB_SelectionInterface.h"

class MO_AbstractModuleVisitor;
class MO_OGLContext;
class MO_SimplePortMetaData;
class SLB_ModulePickAdaptor;

class MO_Module : public MO_Node {
public:
  MO_Module();
  ~MO_Module() override;

  MO_Port* addInMatrixPort(const QString& name = QString());
  MO_Port* addInMatrixPort(const MO_SimplePortMetaData& meta);
  MO_Port* addInImagePort(const QString& name = QString());
  MO_Port* addOutMatrixPort(const QString& name = QString());
  MO_Port* addOutImagePort(const QString& name = QString());

  int nInPorts() const { return static_cast<int>(m_in.size()); }
  int nOutPorts() const { return static_cast<int>(m_out.size()); }
  MO_Port* inPort(int i) const;
  MO_Port* outPort(int i) const;
  // The node linked to input i, or null.
  MO_Module* inputModule(int i) const;
  std::vector<MO_Node*> inputNodes() const override;

  // Links input `inIndex` to output `outIndex` of `src` (replacing any link there); false with a
  // reason when a port is missing or the link would close a cycle.
  bool link(int inIndex, MO_Module* src, int outIndex, QString* why = nullptr);
  void unlink(int inIndex);
  // Whether `other` feeds this node, directly or through others.
  bool dependsOn(const MO_Module* other) const;

  // The port declaration of input `port`, or null when it has none.
  virtual const MO_SimplePortMetaData* inPortMetadata(int port) const;
  virtual int mainInPortId() const { return 0; }
  virtual int mainInPortIdAtFrame(const MO_FrameKey&) const { return mainInPortId(); }
  // Whether an input port takes part in the result at the frame (all do by default).
  virtual bool isPortActive(const MO_FrameKey&, int) const { return true; }
  // Whether the node's result at a frame depends on its results at earlier frames.
  virtual bool isDynamicModule() const { return false; }
  // Whether moving from the first frame to the second may change the node's output; the host
  // cannot tell for a node in general, so the default says it may.
  virtual bool isDirtyOnFrameKeyChange(const MO_FrameKey&, const MO_FrameKey&) { return true; }

  // The transformation of output port 0 for the frame: the host's default passes down what
  // arrives at the main input (empty without one); null when the node has no output port.
  virtual MO_PortTransform* computeTransformation(const MO_BaseContext& ctx);
  // What arrives at an input port: the source port's stored transformation when it has one,
  // else the source node's computation; null when nothing is linked.
  MO_PortTransform* computeTransformationParent(const MO_BaseContext& ctx, MO_Port* port);
  MO_PortTransform* computeTransformationParent(const MO_BaseContext& ctx, int port) {
    return computeTransformationParent(ctx, inPort(port));
  }

  // Asks the processor to bring in what computing this node reads first (the node and its output
  // port), ahead of the computation; changes nothing.
  virtual void prefetch() const;

  virtual bool acceptVisitor(MO_AbstractModuleVisitor* visitor);
  // The pivot a pivot visitor reports for this node, in scene units; false when it has none.
  virtual bool pivot(const MO_FrameKey& key, Math::Point3d& pivot) const;
  virtual SLB_ModulePickAdaptor* pickAdaptor() { return nullptr; }
  // The node's on-screen control, drawn in drawing units through the context's matrix manager;
  // the default draws nothing.
  virtual void oglRenderControl(const MO_OGLContext&) {}
  // The views' selection of this node and of its handles.
  SLB_SelectionInterface* selInterface() { return &m_selection; }

protected:
  // For nodes that append a matrix of their own: the stored result for the frame when there is
  // one, else the default result followed by local(frame) (passed through when disabled).
  MO_PortTransform* computeAppending(const MO_BaseContext& ctx, const std::function<Math::Matrix4x4(double)>& local);
  // The same for a local matrix the compiler sees: no call through a std::function.
  template <class Local> MO_PortTransform* appending(const MO_BaseContext& ctx, const Local& local) {
    MO_Port* out = outPort(0);
    if (!out)
      return nullptr;
    if (MO_PortTransform* stored = out->transform(ctx.frameKey()); stored && !stored->transformation().isEmpty())
      return stored;
    const MO_PortTransform* parent = mainParent(ctx);
    MO_PortTransform* mine;
    if (enabled()) {
      // Worked out before the port is given a new frame, which is set at once.
      const Math::Matrix4x4 m = local(ctx.frame());
      mine = out->transformToSet(ctx.frameKey());
      mine->setAppended(parent, m);
    } else {
      mine = out->transformToSet(ctx.frameKey());
      mine->setPassed(parent);
    }
    return mine;
  }

  friend class MO_PortManipulator;
  MO_Port* insertPort(std::vector<std::unique_ptr<MO_Port>>& ports, int index, MO_Port::Direction d, MO_Port::Kind k,
                      const QString& name);
  std::vector<std::unique_ptr<MO_Port>>& inPorts() { return m_in; }

private:
  // What arrives at the main input at the frame, or null.
  MO_PortTransform* mainParent(const MO_BaseContext& ctx) {
    return computeTransformationParent(ctx, inPort(mainInPortIdAtFrame(ctx.frameKey())));
  }

  std::vector<std::unique_ptr<MO_Port>> m_in;
  std::vector<std::unique_ptr<MO_Port>> m_out;
  SLB_SelectionInterface m_selection{this};
};
