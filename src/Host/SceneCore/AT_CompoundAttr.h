#pragma once
// An attribute made of numeric parts, each an AT_DoubleAttr of its own (so each part animates
// on its own keys). Parts are named in the compound keyword's case.
#include <initializer_list>

#include "SceneCore/AT_Attr.h"
#include "SceneCore/AT_DoubleAttr.h"

class AT_CompoundAttr : public AT_Attr {
public:
  AT_DoubleAttr* part(int i) const { return static_cast<AT_DoubleAttr*>(subAttrs()[static_cast<std::size_t>(i)]); }
  int partCount() const { return static_cast<int>(subAttrs().size()); }
  double partValue(int i, double frame) const { return part(i)->value(frame); }

protected:
  struct PartSpec {
    const char* name;
    double defaultValue;
  };
  AT_CompoundAttr(MO_Node* owner, const AT_AttrMeta& meta, bool linkable, std::initializer_list<PartSpec> parts);
};
