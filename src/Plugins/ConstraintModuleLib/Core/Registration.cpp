// Everything the library offers is set up here, when the host loads it: one creator per node
// type with the module factory, then the visitor callbacks. One translation unit keeps the
// order fixed (node types in this order, then visitors in this order); type names are
// function-local statics, so each exists before its first use as a key.
#include <typeinfo>

#include "Core/Constraint_TemplateModule.h"
#include "Core/ControlPickAdaptor.h"
#include "DynamicSpring/DynamicSpringModule.h"
#include "MultiPoints/PointConstraintMultiModule.h"
#include "PointConstraints/PointConstraint2Module.h"
#include "PointConstraints/PointConstraint3Module.h"
#include "TransformControls/StaticConstraint.h"
#include "TransformControls/Switch.h"
#include "TransformControls/SwitchDragManipulator.h"
#include "TransformControls/SwitchPickAdaptor.h"
#include "TransformControls/TransformGateModule.h"
#include "TransformControls/TransformLimitDragManipulator.h"
#include "TransformControls/TransformLimitModule.h"
#include "TransformControls/TransformLimitPickAdaptor.h"

namespace {

template <class Node> void registerNode() {
  MO_ModuleFactorySingleton().registerClass(
      typeid(Node), Node::typeName(), [] { return new Node; }, [] { return new Node; });
}

// A constraint node reports the pivot of the node on its first input.
void forwardPivotVisitor(MO_AbstractModuleVisitor* visitor, MO_Module* module) {
  if (MO_Module* input = module->inputModule(0))
    input->acceptVisitor(visitor);
}

void switchDragManipulator(MO_AbstractModuleVisitor* visitor, MO_Module* module) {
  SLB_NodeDragManipulatorFactory::setDragManipulator(visitor,
                                                     new SwitchDragManipulator(module, Math::CameraTransformChain()));
}

void switchPickAdaptor(MO_AbstractModuleVisitor* visitor, MO_Module* module) {
  SLB_NodePickAdaptorFactory::setPickAdaptor(visitor, new SwitchPickAdaptor(module));
}

void limitDragManipulator(MO_AbstractModuleVisitor* visitor, MO_Module* module) {
  SLB_NodeDragManipulatorFactory::setDragManipulator(
      visitor, new TransformLimitDragManipulator(module, Math::CameraTransformChain()));
}

void limitPickAdaptor(MO_AbstractModuleVisitor* visitor, MO_Module* module) {
  SLB_NodePickAdaptorFactory::setPickAdaptor(visitor, new TransformLimitPickAdaptor(module));
}

const bool kRegistered = [] {
  registerNode<DynamicSpringModule>();
  registerNode<PointConstraint2Module>();
  registerNode<PointConstraint3Module>();
  registerNode<PointConstraintMultiModule>();
  registerNode<StaticConstraint>();
  registerNode<Switch>();
  registerNode<TransformGateModule>();
  registerNode<TransformLimitModule>();

  MO_PivotVisitor::registerVisitor(constraintVisitorKey(), &forwardPivotVisitor);
  MO_MainPortModuleVisitor::registerVisitor(PointConstraint2Module::typeName(),
                                            &PointConstraint2Module::mainPortVisitor);
  MO_MainPortModuleVisitor::registerVisitor(PointConstraint3Module::typeName(),
                                            &PointConstraint3Module::mainPortVisitor);
  MO_MainPortModuleVisitor::registerVisitor(PointConstraintMultiModule::typeName(),
                                            &PointConstraintMultiModule::mainPortVisitor);
  SLB_NodeDragManipulatorFactory::registerVisitor(Switch::typeName(), &switchDragManipulator);
  SLB_NodePickAdaptorFactory::registerVisitor(Switch::typeName(), &switchPickAdaptor);
  SLB_NodeDragManipulatorFactory::registerVisitor(TransformLimitModule::typeName(), &limitDragManipulator);
  SLB_NodePickAdaptorFactory::registerVisitor(TransformLimitModule::typeName(), &limitPickAdaptor);
  return true;
}();

} // namespace
