#pragma once
// An attribute made of numeric parts, each an AT_DoubleAttr of its own (so each part animates
// on its own keys), followed by the compound's own on/off flag "SEPARATE": whether editors treat
// the parts as separate values rather than one point. The stand-in keys every part on its own
// either way; nodes switch the flag on where the host expects it, and files keep it. Parts are
// named in the compound keyword's case.
#include <cstdint>
#include <initializer_list>

#include "SceneCore/AT_Attr.h"
#include "SceneCore/AT_BoolAttr.h"
#include "SceneCore/AT_DoubleAttr.h"

class AT_CompoundAttr : public AT_Attr {
public:
  ~AT_CompoundAttr() override;

  Parts subAttrs() const override { return Parts(m_list, static_cast<std::size_t>(m_partCount) + 1); }
  AT_DoubleAttr* part(int i) const { return static_cast<AT_DoubleAttr*>(m_list[i]); }
  // The numeric parts only; the flag comes after them in subAttrs().
  int partCount() const { return m_partCount; }
  double partValue(int i, double frame) const { return part(i)->value(frame); }
  // Off until the owning node switches it on.
  AT_BoolAttr* separateAttr() const { return const_cast<AT_BoolAttr*>(&m_separate); }

protected:
  struct PartSpec {
    const char* name;
    double defaultValue;
  };
  AT_CompoundAttr(MO_Node* owner, const AT_AttrMeta& meta, bool linkable, std::initializer_list<PartSpec> parts);

private:
  static constexpr int kMaxParts = 3;

  // The parts live inside the compound, so that it takes one allocation where it took one per
  // part and a list (every peg holds four compounds).
  AT_Attr* m_list[kMaxParts + 1] = {};
  alignas(AT_DoubleAttr) unsigned char m_numbers[kMaxParts][sizeof(AT_DoubleAttr)];
  AT_BoolAttr m_separate;
  std::uint8_t m_partCount = 0;
};
