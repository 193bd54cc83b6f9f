#include "SceneCore/AT_SimpleAttr.h"

#include "SceneCore/MO_Revision.h"

void AT_SimpleAttr::setSurrogate(std::shared_ptr<AT_SimpleAttrSurrogate> surrogate) {
  if (surrogate)
    m_surrogate = std::make_unique<std::shared_ptr<AT_SimpleAttrSurrogate>>(std::move(surrogate));
  else
    m_surrogate.reset();
  // Values computed while the surrogate stood in (or before) must not be served as final.
  MO_Revision::bump();
}
