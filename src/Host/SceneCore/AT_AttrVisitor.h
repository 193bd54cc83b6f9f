#pragma once
// Walks attributes. Operations registered on the visitor under an attribute class's key run
// instead of the generic visit; attributes without one get visitAttr (or visitEnumAttr for
// options).
#include <functional>
#include <map>

#include "SceneCore/UT_DynKey.h"

class AT_Attr;
class AT_EnumAttrBase;

class AT_AttrVisitor {
public:
  using Operation = std::function<void(AT_AttrVisitor& visitor, AT_Attr* attr)>;

  virtual ~AT_AttrVisitor() = default;
  void registerOperation(const UT_DynKey& key, Operation op) { m_operations[key] = std::move(op); }
  // Runs the operation registered under `key`; false when there is none.
  bool performDynamicOperation(AT_Attr* attr, const UT_DynKey& key);

  virtual void visitAttr(AT_Attr*) {}
  virtual void visitEnumAttr(AT_EnumAttrBase* attr);

private:
  std::map<UT_DynKey, Operation> m_operations;
};
