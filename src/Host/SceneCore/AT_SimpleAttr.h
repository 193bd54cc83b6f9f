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
  ~AT_SimpleAttr() override;

  // Attaching or detaching a surrogate changes what readers see but is not an edit: nothing in
  // the scene changes until a command runs.
  void setSurrogate(std::shared_ptr<AT_SimpleAttrSurrogate> surrogate);
  AT_SimpleAttrSurrogate* surrogate() const { return spareBit(kSurrogateBit) ? attachedSurrogate() : nullptr; }
  const AT_ScalarSimpleAttrSurrogate* scalarSurrogate() const {
    return spareBit(kSurrogateBit) ? dynamic_cast<const AT_ScalarSimpleAttrSurrogate*>(attachedSurrogate()) : nullptr;
  }
  bool hasLocalValue() const override { return true; }

protected:
  void onChanged() override { tell(); }
  // The spare bit left to subclasses.
  static constexpr int kSubclassBit = 0;

private:
  // Surrogates are held apart, in one table for all attributes, while attached (a drag): most
  // numbers never have one, and the bit says whether this one has.
  static constexpr int kSurrogateBit = 1;
  AT_SimpleAttrSurrogate* attachedSurrogate() const;
};
