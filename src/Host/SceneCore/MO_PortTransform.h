#pragma once
// The transformation an out-port holds for one frame, with its depth (how many nodes of the
// hierarchy above contributed to it). Setting it replaces both.
#include "SceneCore/CC_Transformation.h"

class MO_PortTransform {
public:
  MO_PortTransform() = default;
  MO_PortTransform(const CC_Transformation& t, int depth) : m_transformation(t), m_depth(depth) {}

  const CC_Transformation& transformation() const { return m_transformation; }
  int depth() const { return m_depth; }
  // The last argument says whether the value is final for this frame; the stand-in keeps recent
  // values until the next edit whatever it says, so it is accepted for source compatibility only.
  void setTransformation(const CC_Transformation& t, int depth, bool = true) {
    m_transformation = t;
    m_depth = depth;
  }

  // Becomes what `parent` passes down (nothing when null), followed by m.
  void setAppended(const MO_PortTransform* parent, const Math::Matrix4x4& m) {
    static const CC_Transformation kNothing;
    m_transformation.setAppended(parent ? parent->m_transformation : kNothing, m);
    m_depth = parent ? parent->m_depth + 1 : 0;
  }
  // Becomes what `parent` passes down (nothing when null).
  void setPassed(const MO_PortTransform* parent) {
    if (parent) {
      m_transformation = parent->m_transformation;
      m_depth = parent->m_depth + 1;
    } else {
      m_transformation.clear();
      m_depth = 0;
    }
  }

  // Adds a matrix at the end of the run, in place.
  void append(const Math::Matrix4x4& m) { m_transformation.add(m); }

private:
  CC_Transformation m_transformation;
  int m_depth = 0;
};
