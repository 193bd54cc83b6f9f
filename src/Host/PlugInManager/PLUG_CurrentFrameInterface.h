#pragma once
// Tells plug-ins which frame a scene is shown at, as a whole frame number (the scene's current
// frame rounded to the nearest; 0 for a null scene or one outside the int range).
class SC_SceneCommon;

class PLUG_CurrentFrameInterface {
public:
  virtual ~PLUG_CurrentFrameInterface() = default;
  virtual int currentFrame(const SC_SceneCommon* scene) const;
};
