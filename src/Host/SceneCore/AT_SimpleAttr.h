#pragma once
// An attribute holding one value of its own, which listeners can follow and a surrogate can
// stand in for while attached (during a drag).
#include <memory>

#include "SceneCore/AT_Attr.h"
#include "SceneCore/AT_SimpleAttrSurrogate.h"
#include "SceneCore/RXTeller.h"

class AT_SimpleAttr : public AT_Attr, public RXTeller {
public:
  using AT_Attr::AT_Attr;

  // Attaching or detaching a surrogate changes what readers see but is not an edit: nothing in
  // the scene changes until a command runs.
  void setSurrogate(std::shared_ptr<AT_SimpleAttrSurrogate> surrogate);
  AT_SimpleAttrSurrogate* surrogate() const { return m_surrogate ? m_surrogate->get() : nullptr; }
  const AT_ScalarSimpleAttrSurrogate* scalarSurrogate() const {
    return m_surrogate ? dynamic_cast<const AT_ScalarSimpleAttrSurrogate*>(m_surrogate->get()) : nullptr;
  }
  bool hasLocalValue() const override { return true; }

protected:
  void onChanged() override { tell(); }

private:
  // Held apart while one is attached (a drag): most numbers never have one.
  std::unique_ptr<std::shared_ptr<AT_SimpleAttrSurrogate>> m_surrogate;
};
