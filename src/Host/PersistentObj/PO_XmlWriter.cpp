#include "PersistentObj/PO_XmlWriter.h"

#include "SceneCore/AT_ValueText.h"

void PO_XmlWriter::startDocument() { m_text += QLatin1String("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"); }

void PO_XmlWriter::endDocument() { m_text += QLatin1Char('\n'); }

void PO_XmlWriter::startLine() {
  if (!m_text.isEmpty())
    m_text += QLatin1Char('\n');
  m_text += QString(2 * static_cast<qsizetype>(m_open.size()), QLatin1Char(' '));
}

void PO_XmlWriter::closeOpenTag() {
  if (!m_open.empty() && !m_open.back().hasChildren) {
    m_text += QLatin1Char('>');
    m_open.back().hasChildren = true;
  }
}

void PO_XmlWriter::startElement(const QString& name) {
  closeOpenTag();
  startLine();
  m_text += QLatin1Char('<');
  m_text += name;
  m_open.push_back(Open{name, false});
}

void PO_XmlWriter::endElement() {
  if (m_open.empty())
    return;
  const Open open = m_open.back();
  m_open.pop_back();
  if (!open.hasChildren) {
    m_text += QLatin1String("/>");
    return;
  }
  startLine();
  m_text += QLatin1String("</");
  m_text += open.name;
  m_text += QLatin1Char('>');
}

void PO_XmlWriter::encodeDoubleAttr(const QString& name, double value) {
  encodeStringAttr(name, AT_ValueText::fromDouble(value));
}

void PO_XmlWriter::encodeIntAttr(const QString& name, qint64 value) { encodeStringAttr(name, QString::number(value)); }

void PO_XmlWriter::encodeBoolAttr(const QString& name, bool value) {
  encodeStringAttr(name, AT_ValueText::fromBool(value));
}
