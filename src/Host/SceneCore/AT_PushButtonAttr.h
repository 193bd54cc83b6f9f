#pragma once
// A button: it holds no value; pressing it tells the owner through attributeChangedByEditor.
#include "SceneCore/AT_Attr.h"

class AT_PushButtonAttr : public AT_Attr {
public:
  AT_PushButtonAttr(MO_Node* owner, const AT_AttrMeta& meta) : AT_Attr(owner, meta) {}
  QString className() const override { return QStringLiteral("AT_PushButtonAttr"); }
  // What an editor does when the user presses the button.
  void press();
};
