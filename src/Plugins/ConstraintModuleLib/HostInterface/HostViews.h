#pragma once
// The host's views as the plug-in sees them: the drawing context and painter, picking,
// dragging and the visitor registries through which views find a node's adaptors.
#include "GraphicCore/VU_Painter.h"
#include "SceneCore/CC_CameraChainTransformCanvasBinder.h"
#include "SceneCore/MO_MainPortModuleVisitor.h"
#include "SceneCore/MO_OGLContext.h"
#include "SceneCore/SLB_ManipContext.h"
#include "SceneCore/SLB_ModuleDescriptor.h"
#include "SceneCore/SLB_ModulePickAdaptor.h"
#include "SceneCore/SLB_NodeDragManipulatorFactory.h"
#include "SceneCore/SLB_NodePickAdaptorFactory.h"
#include "SceneCore/SLB_PickEngine.h"
#include "SceneCore/SLB_SelectableDragManipulator.h"
#include "SceneCore/SLB_SelectionInterface.h"
