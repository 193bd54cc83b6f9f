#include "SceneCore/AT_SimpleAttr.h"

#include "SceneCore/MO_Revision.h"

void AT_SimpleAttr::setSurrogate(std::shared_ptr<AT_SimpleAttrSurrogate> surrogate) {
  m_surrogate = std::move(surrogate);
  // Values computed while the surrogate stood in (or before) must not be served as final.
  MO_Revision::bump();
}
