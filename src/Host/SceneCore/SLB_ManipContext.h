#pragma once
// What a drag manipulator is told about the drag: the frame (a frame number), how edits are
// keyed (animation mode 1: set at the current frame; any other: offset over every frame of the
// range), the macro collecting the drag's undoable commands (null: nothing is recorded), the
// view's camera chain, and the name the finished operation shows in the undo history.
#include <QString>
#include <utility>

#include "BaseCore/CameraTransformChain.h"

class CO_OrCommand;
class MO_Module;

class SLB_ManipContext {
public:
  enum AnimationMode { eOffsetAllFrames = 0, eSetAtFrame = 1 };

  SLB_ManipContext(const Math::CameraTransformChain& viewChain, double currentFrame, int animationMode,
                   CO_OrCommand* macro, std::pair<int, int> frameRange);

  double currentFrame() const { return m_frame; }
  int animationMode() const { return m_animationMode; }
  CO_OrCommand* macro() const { return m_macro; }
  std::pair<int, int> frameRange() const { return m_range; }

  // The view's chain with the model matrix of `node`'s output at the current frame (the
  // identity for a null node or one without output). The flag is accepted for source
  // compatibility; the output is what a drawing plane of the node is placed by.
  void cameraTransformChain(Math::CameraTransformChain& chain, MO_Module* node, bool flag) const;
  const Math::CameraTransformChain& viewChain() const { return m_chain; }

  void setCurrentOperationName(const QString& name) { m_operationName = name; }
  const QString& currentOperationName() const { return m_operationName; }

private:
  Math::CameraTransformChain m_chain;
  double m_frame;
  int m_animationMode;
  CO_OrCommand* m_macro;
  std::pair<int, int> m_range;
  QString m_operationName;
};
