#include "AttributeEdit.h"

#include "AttributeDocs.h"

#include <cmath>

#include "Preference/PR_Preference.h"
#include "SceneCore/AT_BoolAttr.h"
#include "SceneCore/AT_CompoundAttr.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_EditCmd.h"
#include "SceneCore/AT_EnumAttrBase.h"
#include "SceneCore/AT_IntAttr.h"
#include "SceneCore/AT_Keys.h"
#include "SceneCore/AT_PushButtonAttr.h"
#include "SceneCore/AT_StringAttr.h"
#include "SceneCore/AT_ValueText.h"
#include "SceneCore/MO_Module.h"
#include "SessionError.h"

namespace {

// Whether the text is a value the attribute takes as its own, with the reader's reason if not.
bool acceptsLocalText(AT_Attr* attr, const QString& text, QString* why) {
  if (!attr->hasLocalValue())
    return attr->setLocalValueFromString(text, why); // refuses: it takes no value of its own
  double v = 0.0;
  int i = 0;
  bool b = false;
  if (dynamic_cast<const AT_DoubleAttr*>(attr))
    return AT_ValueText::toDouble(text, v, why) && attr->acceptsKeyValue(v, why);
  if (dynamic_cast<const AT_IntAttr*>(attr))
    return AT_ValueText::toInt(text, i, why) && attr->acceptsKeyValue(i, why);
  if (dynamic_cast<const AT_BoolAttr*>(attr))
    return AT_ValueText::toBool(text, b, why);
  if (const auto* option = dynamic_cast<const AT_EnumAttrBase*>(attr)) {
    for (auto it = option->enumBegin(); it != option->enumEnd(); ++it)
      if (it->second.m_keyword == text)
        return true;
    // Not one of its keywords: the option refuses it as well, changing nothing, and says why.
    return attr->setLocalValueFromString(text, why);
  }
  return true; // text
}

// The number a key stores for the text, as the reader reads a key's value.
bool keyValue(const AT_Attr* attr, const QString& text, double& v, QString* why) {
  if (AT_ValueText::toDouble(text, v, why))
    return true;
  bool flag = false;
  // Flags store their keys as 0 and 1 but read as true and false.
  if (!dynamic_cast<const AT_BoolAttr*>(attr) || !AT_ValueText::toBool(text, flag, nullptr))
    return false;
  v = flag ? 1.0 : 0.0;
  return true;
}

CO_Command* createKeyCommand(MO_Module* node, AT_Attr* attr, const QString& text, double frame) {
  AT_Keys* keys = attr->keys();
  if (!keys)
    throw BadArgumentError(
        QStringLiteral("attribute \"%1\" of node \"%2\" cannot be animated").arg(attr->path(), node->instanceName()));
  double v = 0.0;
  QString why;
  if (!keyValue(attr, text, v, &why))
    throw BadArgumentError(
        QStringLiteral("key of \"%1\" on node \"%2\": %3").arg(attr->path(), node->instanceName(), why));
  if (!attr->acceptsKeyValue(v, &why))
    throw BadArgumentError(QStringLiteral("node \"%1\": %2").arg(node->instanceName(), why));
  return new AT_EditCmd(attr, [attr, keys, frame, v] {
    const AT_Keys::Key* standing = keys->find(frame);
    keys->setKey(frame, v, standing ? standing->interpolation : AT_Keys::Linear);
    attr->changed();
  });
}

AttributeInfo::Kind kindOf(const AT_Attr* attr) {
  if (dynamic_cast<const AT_DoubleAttr*>(attr))
    return AttributeInfo::Number;
  if (dynamic_cast<const AT_IntAttr*>(attr))
    return AttributeInfo::Integer;
  if (dynamic_cast<const AT_BoolAttr*>(attr))
    return AttributeInfo::Flag;
  if (dynamic_cast<const AT_EnumAttrBase*>(attr))
    return AttributeInfo::Option;
  if (dynamic_cast<const AT_PushButtonAttr*>(attr))
    return AttributeInfo::Button;
  if (dynamic_cast<const AT_CompoundAttr*>(attr) || !attr->hasLocalValue())
    return AttributeInfo::Compound;
  return AttributeInfo::Text;
}

// The value at the frame, as a number and as the scene file spells it.
void describeValue(const AT_Attr* attr, double frame, AttributeInfo& info) {
  if (const auto* d = dynamic_cast<const AT_DoubleAttr*>(attr)) {
    const AT_DoubleAttrMeta& m = d->doubleMeta();
    info.number = d->value(frame);
    info.min = m.min(), info.max = m.max(), info.softMin = m.weakMin(), info.softMax = m.weakMax();
    // The user's step preference, read now, wins over the declared step.
    info.step = m.stepPreference().isEmpty() ? m.step() : rxPref->getDoubleValue(m.stepPreference(), m.step());
  } else if (const auto* i = dynamic_cast<const AT_IntAttr*>(attr)) {
    info.number = i->value(frame);
    info.min = info.softMin = i->min(), info.max = info.softMax = i->max();
    info.step = i->step();
  } else if (const auto* b = dynamic_cast<const AT_BoolAttr*>(attr)) {
    info.number = b->value(frame) ? 1.0 : 0.0;
  } else if (const auto* e = dynamic_cast<const AT_EnumAttrBase*>(attr)) {
    info.number = e->value(frame);
    for (auto it = e->enumBegin(); it != e->enumEnd(); ++it) {
      info.options.push_back({it->first, it->second.m_keyword, it->second.m_text});
      if (it->first == e->value(frame))
        info.text = it->second.m_keyword;
    }
    if (info.text.isEmpty())
      info.text = QString::number(e->value(frame));
    return;
  }
  if (info.kind != AttributeInfo::Compound && info.kind != AttributeInfo::Button)
    info.text = info.kind == AttributeInfo::Text ? attr->localValueString() : attr->textValue(frame);
}

} // namespace

AT_Attr* AttributeEdit::find(const MO_Module* node, const QString& keyword) {
  AT_Attr* attr = node->attr(keyword);
  if (!attr)
    throw UnknownNameError(node->missingAttrText(keyword));
  return attr;
}

AttributeInfo AttributeEdit::describe(const AT_Attr* attr, double frame) {
  AttributeInfo info;
  info.keyword = attr->path();
  info.displayName = attr->displayName();
  info.className = attr->className();
  info.kind = kindOf(attr);
  if (const auto* owner = dynamic_cast<const MO_Module*>(attr->owner())) {
    const AttributeDocs::Doc doc = AttributeDocs::find(owner->moduleTypeName(), info.keyword);
    info.unit = doc.unit;
    info.description = doc.description;
  }
  info.animatable = attr->keys() != nullptr;
  describeValue(attr, frame, info);
  if (const AT_Keys* keys = attr->keys())
    for (const auto& [at, key] : keys->keys())
      info.keys.push_back(
          {at, key.value, key.interpolation == AT_Keys::Constant, key.interpolation == AT_Keys::Smooth});
  for (const AT_Attr* part : attr->subAttrs())
    info.parts << part->path();
  return info;
}

CO_Command* AttributeEdit::createSetCommand(MO_Module* node, const QString& keyword, const QString& text,
                                            std::optional<double> keyFrame, double currentFrame) {
  AT_Attr* attr = find(node, keyword);
  QString why;
  if (!attr->hasLocalValue() && !acceptsLocalText(attr, text, &why))
    throw BadArgumentError(QStringLiteral("node \"%1\": %2").arg(node->instanceName(), why));
  if (keyFrame && !std::isfinite(*keyFrame))
    throw BadArgumentError(QStringLiteral("the frame of a key must be a number"));
  const AT_Keys* keys = attr->keys();
  if (keyFrame || (keys && !keys->empty()))
    return createKeyCommand(node, attr, text, keyFrame ? *keyFrame : currentFrame);
  if (!acceptsLocalText(attr, text, &why))
    throw BadArgumentError(QStringLiteral("node \"%1\": %2").arg(node->instanceName(), why));
  return new AT_EditCmd(attr, [attr, text] { attr->setLocalValueFromString(text, nullptr); });
}
