#pragma once
// Writes scene XML into a byte array through QXmlStreamWriter (UTF-8, indented). Values go out
// as attribute text; numbers with 17 significant digits so that they read back bit for bit. A
// text holding characters XML 1.0 cannot carry is still written but marks the writer as failed,
// so that callers saving a file refuse it instead of producing a file nobody can read.
#include <QByteArray>
#include <QString>
#include <QXmlStreamWriter>

class PO_XmlWriter {
public:
  explicit PO_XmlWriter(QByteArray* out);
  PO_XmlWriter(const PO_XmlWriter&) = delete;
  PO_XmlWriter& operator=(const PO_XmlWriter&) = delete;

  void startDocument();
  void endDocument();
  void startElement(const QString& name);
  void endElement();

  // One XML attribute of the element just started.
  // Inline so that attributes in the node framework can write themselves without linking the
  // file library.
  void encodeStringAttr(const QString& name, const QString& value) {
    const qsizetype bad = firstBadChar(value);
    if (bad >= 0 && m_error.isEmpty())
      m_error = QStringLiteral("the value of \"%1\" holds character U+%2, which XML cannot carry")
                    .arg(name)
                    .arg(value.at(bad).unicode(), 4, 16, QLatin1Char('0'));
    m_stream.writeAttribute(name, value);
  }
  void encodeDoubleAttr(const QString& name, double value);
  void encodeIntAttr(const QString& name, qint64 value);
  void encodeBoolAttr(const QString& name, bool value);

  // Whether something written cannot be read back; errorString says what.
  bool hasError() const { return !m_error.isEmpty(); }
  const QString& errorString() const { return m_error; }

  QXmlStreamWriter& stream() { return m_stream; }

private:
  // XML 1.0 Char production: a string outside it makes a file that no conforming reader accepts.
  static qsizetype firstBadChar(const QString& s) {
    for (qsizetype i = 0; i < s.size(); ++i) {
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
      if (!(c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xFFFD)))
        return i;
    }
    return -1;
  }

  QXmlStreamWriter m_stream;
  QString m_error;
};
