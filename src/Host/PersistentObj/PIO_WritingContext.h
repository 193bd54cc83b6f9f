#pragma once
// What an object writing itself into a scene file is handed: the XML writer and the scene being
// written. Attributes put their local value under kPIO_attributeValue with encodeStringAttr; an
// option attribute writes its value keyword the same way.
#include "PersistentObj/PO_XmlWriter.h"

class SC_SceneCommon;

// The XML attribute of <attr> that holds an attribute's local value.
inline constexpr char kPIO_attributeValue[] = "value";

class PIO_WritingContext {
public:
  PIO_WritingContext(PO_XmlWriter& writer, const SC_SceneCommon& scene) : m_writer(writer), m_scene(scene) {}

  PO_XmlWriter& writer() { return m_writer; }
  const SC_SceneCommon& scene() const { return m_scene; }

private:
  PO_XmlWriter& m_writer;
  const SC_SceneCommon& m_scene;
};
