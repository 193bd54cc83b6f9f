#pragma once
// A temporary value that stands for an attribute's own while it is attached (a drag in progress
// shows a value that is not committed yet). Nothing in the scene changes until a command runs:
// setting the value only makes results computed from the previous one stale.
class AT_SimpleAttr;

class AT_SimpleAttrSurrogate {
public:
  virtual ~AT_SimpleAttrSurrogate() = default;
};

// A number (or a flag, or a whole number) standing in for the attribute, in the attribute's
// own units. The attribute and frame it was made for, and the flags, are kept for whoever
// commits the drag; the surrogate itself never writes to the attribute.
class AT_ScalarSimpleAttrSurrogate : public AT_SimpleAttrSurrogate {
public:
  explicit AT_ScalarSimpleAttrSurrogate(double value = 0.0) : m_value(value) {}
  // A drag at one frame; `segment` asks that the stretch of constant keys around it be edited.
  AT_ScalarSimpleAttrSurrogate(AT_SimpleAttr* attr, double value, int frame, bool segment, bool flag)
      : m_attr(attr), m_value(value), m_frame(frame), m_segment(segment), m_flag(flag) {}
  // A drag that will apply to every frame (allFrames) or to the one frame given.
  AT_ScalarSimpleAttrSurrogate(AT_SimpleAttr* attr, double value, bool allFrames, int frame, bool segment, bool flag)
      : m_attr(attr), m_value(value), m_frame(frame), m_allFrames(allFrames), m_segment(segment), m_flag(flag) {}

  double value() const { return m_value; }
  double doubleValue() const { return m_value; }
  // Rounded to the nearest whole number, held to the int range (0 when not finite).
  int intValue() const;
  bool boolValue() const { return m_value != 0.0; }
  void setValue(double v);
  // Whether setValue was called since construction.
  bool isDirty() const { return m_dirty; }

  AT_SimpleAttr* attr() const { return m_attr; }
  int frame() const { return m_frame; }
  bool allFrames() const { return m_allFrames; }
  bool segment() const { return m_segment; }
  bool flag() const { return m_flag; }

private:
  AT_SimpleAttr* m_attr = nullptr;
  double m_value;
  int m_frame = 0;
  bool m_allFrames = false;
  bool m_segment = false;
  bool m_flag = false;
  bool m_dirty = false;
};
