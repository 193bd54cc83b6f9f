#include "SceneCore/SLB_NodeDragManipulatorFactory.h"

#include "SceneCore/MO_Module.h"
#include "SceneCore/SLB_SelectableDragManipulator.h"

namespace {
MO_VisitorRegistry& dragRegistry() {
  static MO_VisitorRegistry r;
  return r;
}
} // namespace

SLB_NodeDragManipulatorFactory::SLB_NodeDragManipulatorFactory() = default;
SLB_NodeDragManipulatorFactory::SLB_NodeDragManipulatorFactory(const Math::CameraTransformChain& chain)
    : m_chain(chain) {}
SLB_NodeDragManipulatorFactory::~SLB_NodeDragManipulatorFactory() = default;

void SLB_NodeDragManipulatorFactory::registerVisitor(const QString& key, MO_VisitorCallback fn) {
  dragRegistry().add(key, fn);
}
void SLB_NodeDragManipulatorFactory::unregisterVisitor(const QString& key) { dragRegistry().remove(key); }
const MO_VisitorRegistry& SLB_NodeDragManipulatorFactory::registry() const { return dragRegistry(); }

void SLB_NodeDragManipulatorFactory::setDragManipulator(MO_AbstractModuleVisitor* visitor,
                                                        SLB_SelectableDragManipulator* manipulator) {
  std::unique_ptr<SLB_SelectableDragManipulator> owned(manipulator);
  if (auto* factory = dynamic_cast<SLB_NodeDragManipulatorFactory*>(visitor))
    factory->m_manipulator = std::move(owned);
}

bool SLB_NodeDragManipulatorFactory::visitModule(MO_Module* module) {
  m_manipulator.reset();
  if (!module)
    return false;
  performDynamicOperation(module, module->moduleTypeName());
  return m_manipulator != nullptr;
}

std::unique_ptr<SLB_SelectableDragManipulator> SLB_NodeDragManipulatorFactory::takeDragManipulator() {
  return std::move(m_manipulator);
}
