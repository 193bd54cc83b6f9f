#pragma once
// Writes scene XML as text: one element a line, children indented by two spaces, an element
// without children closed as `<name .../>`, attribute values in double quotes with the five XML
// specials and line breaks and tabs escaped (so no value ever spans lines). A writer can also
// make a fragment (one element and its children, no declaration) that a caller places at an
// indentation of its own. A text holding characters XML 1.0 cannot carry is still written but
// marks the writer as failed, so that callers saving a file refuse it instead of producing a
// file nobody can read.
#include <QString>
#include <vector>

class PO_XmlWriter {
public:
  PO_XmlWriter() = default;
  PO_XmlWriter(const PO_XmlWriter&) = delete;
  PO_XmlWriter& operator=(const PO_XmlWriter&) = delete;

  // The XML declaration; endDocument ends the last line.
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
    m_text += QLatin1Char(' ');
    m_text += name;
    m_text += QLatin1String("=\"");
    appendEscaped(value);
    m_text += QLatin1Char('"');
  }
  void encodeDoubleAttr(const QString& name, double value);
  void encodeIntAttr(const QString& name, qint64 value);
  void encodeBoolAttr(const QString& name, bool value);

  // What has been written so far. While an element's start tag is still open (no child and no
  // end yet) it ends after the tag's last attribute, without the closing '>'.
  const QString& text() const { return m_text; }

  // Whether something written cannot be read back; errorString says what.
  bool hasError() const { return !m_error.isEmpty(); }
  const QString& errorString() const { return m_error; }

private:
  struct Open {
    QString name;
    bool hasChildren = false;
  };

  void startLine();
  void closeOpenTag();

  void appendEscaped(const QString& value) {
    // Most values (numbers, names) need no escape: appended at once.
    bool plain = true;
    for (const QChar c : value)
      plain = plain && !(c == u'<' || c == u'>' || c == u'&' || c == u'"' || c == u'\n' || c == u'\r' || c == u'\t');
    if (plain) {
      m_text += value;
      return;
    }
    for (const QChar c : value) {
      switch (c.unicode()) {
      case u'<':
        m_text += QLatin1String("&lt;");
        break;
      case u'>':
        m_text += QLatin1String("&gt;");
        break;
      case u'&':
        m_text += QLatin1String("&amp;");
        break;
      case u'"':
        m_text += QLatin1String("&quot;");
        break;
      // A reader folds raw line breaks and tabs in attribute values into spaces.
      case u'\n':
        m_text += QLatin1String("&#10;");
        break;
      case u'\r':
        m_text += QLatin1String("&#13;");
        break;
      case u'\t':
        m_text += QLatin1String("&#9;");
        break;
      default:
        m_text += c;
      }
    }
  }

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

  QString m_text;
  std::vector<Open> m_open;
  QString m_error;
};
