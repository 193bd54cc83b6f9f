#include "SceneCore/CC_CameraChainTransformCanvasBinder.h"
