#include "SceneCore/SLB_SelectableDragManipulator.h"

SLB_SelectableDragManipulator::SLB_SelectableDragManipulator(MO_Module* module, const Math::CameraTransformChain& chain)
    : m_module(module), m_chain(chain) {}

SLB_SelectableDragManipulator::~SLB_SelectableDragManipulator() = default;

void SLB_SelectableDragManipulator::startDrag(SLB_ManipContext&) {}
void SLB_SelectableDragManipulator::drag(SLB_ManipContext&, const Math::Point3d&) {}
void SLB_SelectableDragManipulator::endDrag(SLB_ManipContext&) {}
