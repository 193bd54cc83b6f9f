#pragma once
// A transformation built from a run of matrices applied in order (the first is the outermost).
// matrix(true) gives their product, matrix(false) the last one; an empty transformation reads
// as the identity both ways but reports isEmpty(), which callers use to tell "nothing yet".
#include "BaseCore/Matrix4x4.h"

class CC_Transformation {
public:
  CC_Transformation() = default;
  explicit CC_Transformation(const Math::Matrix4x4& m) { set(m); }

  bool isEmpty() const { return m_count == 0; }
  int count() const { return m_count; }
  const Math::Matrix4x4& matrix(bool composed) const { return composed ? m_composed : m_last; }

  void set(const Math::Matrix4x4& m);
  void add(const Math::Matrix4x4& m);
  void add(const CC_Transformation& t);
  // Becomes `base` followed by m: what a copy of base given add(m) would be, without the copy.
  void setAppended(const CC_Transformation& base, const Math::Matrix4x4& m);
  void clear();

private:
  Math::Matrix4x4 m_composed;
  Math::Matrix4x4 m_last;
  int m_count = 0;
};
