#pragma once
// A transformation built from a run of matrices applied in order (the first is the outermost).
// matrix(true) gives their product; an empty transformation reads as the identity but reports
// isEmpty(), which callers use to tell "nothing yet". Only the product is kept (every output port
// holds one for each of its recent frames, so its size is the scene's): the last matrix of the run
// on its own, matrix(false), is not kept, and asking for it is a programming error.
#include <stdexcept>

#include "BaseCore/Matrix4x4.h"

class CC_Transformation {
public:
  CC_Transformation() = default;
  explicit CC_Transformation(const Math::Matrix4x4& m) { set(m); }

  bool isEmpty() const { return m_count == 0; }
  int count() const { return m_count; }
  const Math::Matrix4x4& matrix(bool composed) const {
    if (!composed)
      throw std::logic_error("CC_Transformation keeps the product of its matrices only");
    return m_composed;
  }

  void set(const Math::Matrix4x4& m);
  void add(const Math::Matrix4x4& m);
  void add(const CC_Transformation& t);
  // Becomes `base` followed by m: what a copy of base given add(m) would be, without the copy.
  void setAppended(const CC_Transformation& base, const Math::Matrix4x4& m);
  void clear();

private:
  Math::Matrix4x4 m_composed;
  int m_count = 0;
};
