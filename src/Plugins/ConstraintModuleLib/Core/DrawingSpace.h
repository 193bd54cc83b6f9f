#pragma once
// What the nodes' controls draw with. DrawingSpace sets the space the view's painter draws a
// control in for as long as it lives (scene space, no model matrix, unless told otherwise) and
// gives the view's own back after. setColours sets the three colours a control's shapes take;
// pickColour finds the colour that picks a peg on an input.
#include "HostInterface/HostMath.h"
#include "HostInterface/HostScene.h"
#include "HostInterface/HostViews.h"

class DrawingSpace {
public:
  explicit DrawingSpace(const MO_OGLContext& ctx, const Math::Matrix4x4& model = Math::Matrix4x4());
  ~DrawingSpace();
  DrawingSpace(const DrawingSpace&) = delete;
  DrawingSpace& operator=(const DrawingSpace&) = delete;

private:
  CC_CameraChainTransformCanvasBinder* m_binder;
  Math::Matrix4x4 m_saved;
};

// Point stroke and line alike, and the point fill.
void setColours(VU_Painter& painter, const VS_RGBA& strokeAndLine, const VS_RGBA& fill);

// The colour a peg on an input is picked by: its own pick adaptor's or the first one up its main
// inputs. False when there is none.
bool pickColour(MO_Module* input, const MO_FrameKey& key, VS_RGBA& colour);
