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
  void encodeStringAttr(const QString& name, const QString& value);
  void encodeDoubleAttr(const QString& name, double value);
  void encodeIntAttr(const QString& name, qint64 value);
  void encodeBoolAttr(const QString& name, bool value);

  // Whether something written cannot be read back; errorString says what.
  bool hasError() const { return !m_error.isEmpty(); }
  const QString& errorString() const { return m_error; }

  QXmlStreamWriter& stream() { return m_stream; }

private:
  QXmlStreamWriter m_stream;
  QString m_error;
};
