#include "PlugInManager/PLUG_CurrentFrameInterface.h"

#include <cmath>
#include <limits>

#include "SceneCore/SC_SceneCommon.h"

int PLUG_CurrentFrameInterface::currentFrame(const SC_SceneCommon* scene) const {
  if (!scene)
    return 0;
  const double f = std::round(scene->currentFrame());
  if (!(f >= std::numeric_limits<int>::min() && f <= std::numeric_limits<int>::max()))
    return 0;
  return static_cast<int>(f);
}
