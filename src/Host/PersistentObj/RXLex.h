#pragma once
// The lexer of the older text scene format: words separated by white space, read one at a
// time. Kept header-only so that attributes (in the node framework) can parse from it without
// the node framework depending on the file library.
#include <QRegularExpression>
#include <QString>
#include <QStringList>

class RXLex {
public:
  explicit RXLex(const QString& text)
      : m_words(text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {}

  bool atEnd() const { return m_pos >= m_words.size(); }
  // The next word without consuming it; empty at the end.
  QString peek() const { return atEnd() ? QString() : m_words[m_pos]; }
  QString next() { return atEnd() ? QString() : m_words[m_pos++]; }
  // Consumes the next word when it is exactly `word`.
  bool accept(const QString& word) {
    if (atEnd() || m_words[m_pos] != word)
      return false;
    ++m_pos;
    return true;
  }

private:
  QStringList m_words;
  qsizetype m_pos = 0;
};
