#pragma once
// Asks a node for the manipulator that drags its control: the callback a plug-in registered
// under the node's type name makes one and hands it back with setDragManipulator; this visitor
// owns it until the caller takes it. A node without a callback has none (null).
#include <QString>
#include <memory>

#include "BaseCore/CameraTransformChain.h"
#include "SceneCore/MO_AbstractModuleVisitor.h"

class SLB_SelectableDragManipulator;

class SLB_NodeDragManipulatorFactory : public MO_AbstractModuleVisitor {
public:
  SLB_NodeDragManipulatorFactory();
  // The chain of the view the drag happens in, for callbacks that build their manipulator with it.
  explicit SLB_NodeDragManipulatorFactory(const Math::CameraTransformChain& chain);
  ~SLB_NodeDragManipulatorFactory() override;

  static void registerVisitor(const QString& key, MO_VisitorCallback fn);
  static void unregisterVisitor(const QString& key);
  // Takes ownership into `visitor`, which must be a SLB_NodeDragManipulatorFactory (otherwise
  // the manipulator is deleted rather than leaked).
  static void setDragManipulator(MO_AbstractModuleVisitor* visitor, SLB_SelectableDragManipulator* manipulator);

  const Math::CameraTransformChain& cameraTransformChain() const { return m_chain; }
  bool visitModule(MO_Module* module) override;
  SLB_SelectableDragManipulator* dragManipulator() const { return m_manipulator.get(); }
  std::unique_ptr<SLB_SelectableDragManipulator> takeDragManipulator();

protected:
  const MO_VisitorRegistry& registry() const override;

private:
  Math::CameraTransformChain m_chain;
  std::unique_ptr<SLB_SelectableDragManipulator> m_manipulator;
};
