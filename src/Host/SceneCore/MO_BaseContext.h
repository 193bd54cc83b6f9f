#pragma once
// What an evaluation is asked for: the frame and the kind of request (0 for an ordinary
// evaluation; other values are left to callers that need to tell their requests apart).
#include "SceneCore/MO_FrameKey.h"

class MO_BaseContext {
public:
  explicit MO_BaseContext(const MO_FrameKey& key = MO_FrameKey(), int type = 0) : m_key(key), m_type(type) {}
  const MO_FrameKey& frameKey() const { return m_key; }
  double frame() const { return m_key.frame(); }
  int contextType() const { return m_type; }

private:
  MO_FrameKey m_key;
  int m_type;
};
