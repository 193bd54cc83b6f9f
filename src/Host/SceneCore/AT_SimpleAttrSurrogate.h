#pragma once
// A temporary value that stands for an attribute's own while it is attached (a drag in progress
// shows a value that is not committed yet). Nothing in the scene changes until a command runs.
class AT_SimpleAttrSurrogate {
public:
  virtual ~AT_SimpleAttrSurrogate() = default;
};

class AT_ScalarSimpleAttrSurrogate : public AT_SimpleAttrSurrogate {
public:
  explicit AT_ScalarSimpleAttrSurrogate(double value = 0.0) : m_value(value) {}
  double doubleValue() const { return m_value; }
  int intValue() const;
  bool boolValue() const { return m_value != 0.0; }
  void setValue(double v) { m_value = v; }

private:
  double m_value;
};
