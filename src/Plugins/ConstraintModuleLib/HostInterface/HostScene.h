#pragma once
// The host's node framework as the plug-in sees it: nodes, modules, ports and their stored
// transformations, evaluation contexts, visitors, the factory, the scene and its metrics.
#include "SceneCore/CC_Transformation.h"
#include "SceneCore/MO_AbstractModuleVisitor.h"
#include "SceneCore/MO_AutoInPortsModule.h"
#include "SceneCore/MO_BaseContext.h"
#include "SceneCore/MO_FrameKey.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/MO_Node.h"
#include "SceneCore/MO_PivotVisitor.h"
#include "SceneCore/MO_Port.h"
#include "SceneCore/MO_PortManipulator.h"
#include "SceneCore/MO_PortTransform.h"
#include "SceneCore/MO_Revision.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/SC_SceneMetrics.h"
