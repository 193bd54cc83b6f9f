#include "PersistentObj/PO_XmlWriter.h"

#include "SceneCore/AT_ValueText.h"

PO_XmlWriter::PO_XmlWriter(QByteArray* out) : m_stream(out) {
  m_stream.setAutoFormatting(true);
  m_stream.setAutoFormattingIndent(2);
}

void PO_XmlWriter::startDocument() { m_stream.writeStartDocument(); }

void PO_XmlWriter::endDocument() { m_stream.writeEndDocument(); }

void PO_XmlWriter::startElement(const QString& name) { m_stream.writeStartElement(name); }

void PO_XmlWriter::endElement() { m_stream.writeEndElement(); }

void PO_XmlWriter::encodeDoubleAttr(const QString& name, double value) {
  encodeStringAttr(name, AT_ValueText::fromDouble(value));
}

void PO_XmlWriter::encodeIntAttr(const QString& name, qint64 value) { encodeStringAttr(name, QString::number(value)); }

void PO_XmlWriter::encodeBoolAttr(const QString& name, bool value) {
  encodeStringAttr(name, AT_ValueText::fromBool(value));
}
