#include "PersistentObj/PO_XmlWriter.h"

#include <cmath>

#include "SceneCore/AT_ValueText.h"

namespace {
// XML 1.0 Char production: a string outside it makes a file that no conforming reader accepts.
int firstBadChar(const QString& s) {
  for (int i = 0; i < s.size(); ++i) {
    const char16_t c = s.at(i).unicode();
    if (QChar::isHighSurrogate(c)) {
      if (i + 1 < s.size() && QChar::isLowSurrogate(s.at(i + 1).unicode())) {
        ++i;
        continue;
      }
      return i;
    }
    if (QChar::isLowSurrogate(c))
      return i;
    const bool ok = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xFFFD);
    if (!ok)
      return i;
  }
  return -1;
}
} // namespace

PO_XmlWriter::PO_XmlWriter(QByteArray* out) : m_stream(out) { m_stream.setAutoFormatting(true); m_stream.setAutoFormattingIndent(2); }

void PO_XmlWriter::startDocument() { m_stream.writeStartDocument(); }

void PO_XmlWriter::endDocument() { m_stream.writeEndDocument(); }

void PO_XmlWriter::startElement(const QString& name) { m_stream.writeStartElement(name); }

void PO_XmlWriter::endElement() { m_stream.writeEndElement(); }

void PO_XmlWriter::encodeStringAttr(const QString& name, const QString& value) {
  const int bad = firstBadChar(value);
  if (bad >= 0 && m_error.isEmpty())
    m_error = QStringLiteral("the value of \"%1\" holds character U+%2, which XML cannot carry")
                  .arg(name)
                  .arg(value.at(bad).unicode(), 4, 16, QLatin1Char('0'));
  m_stream.writeAttribute(name, value);
}

void PO_XmlWriter::encodeDoubleAttr(const QString& name, double value) {
  // QString::number drops the sign of zero; a key at -0 must read back as -0.
  encodeStringAttr(name, value == 0.0 && std::signbit(value) ? QStringLiteral("-0") : AT_ValueText::fromDouble(value));
}

void PO_XmlWriter::encodeIntAttr(const QString& name, qint64 value) { encodeStringAttr(name, QString::number(value)); }

void PO_XmlWriter::encodeBoolAttr(const QString& name, bool value) { encodeStringAttr(name, AT_ValueText::fromBool(value)); }
