#include "SceneCore/AT_PushButtonAttr.h"

#include "SceneCore/MO_Node.h"

void AT_PushButtonAttr::press() {
  if (owner())
    owner()->attributeChangedByEditor(keyword());
}
