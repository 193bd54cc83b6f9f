#pragma once
// The user's preferences: colours, flags and numbers under text keys. Readers give a default
// that counts when the key is unset or holds another kind of value; nothing is ever thrown.
// Colours are packed as QColor::rgb gives them (0xAARRGGBB).
//
// Preference file format, one setting per line:
//   # a comment (a line whose first non-blank character is '#')
//   KEY = VALUE
// Keys are letters, digits and '_' or '.'. A value is a colour "#RRGGBB" (alpha 255),
// "#RRGGBBAA" or "r,g,b[,a]" (each 0 to 255), a flag "true" or "false", or a finite number.
// A later line for the same key wins. A file with any bad line is refused whole: nothing of it
// is applied and every bad line is reported as "file:line: what is wrong".
#include <QHash>
#include <QString>
#include <cstdint>
#include <variant>

class PR_Preference {
public:
  std::uint32_t getRgbaValue(const QString& key, std::uint32_t defaultRgba) const;
  bool getBoolValue(const QString& key, bool defaultValue) const;
  double getDoubleValue(const QString& key, double defaultValue) const;

  void setRgbaValue(const QString& key, std::uint32_t rgba);
  void setBoolValue(const QString& key, bool value);
  void setDoubleValue(const QString& key, double value);

  bool contains(const QString& key) const { return m_values.contains(key); }
  void remove(const QString& key) { m_values.remove(key); }
  void clear() { m_values.clear(); }

  // Reads a file in the format above. On failure `error` gets one line per bad line.
  bool loadFile(const QString& path, QString* error);
  // The same for text already read; `source` names it in messages.
  bool loadText(const QString& text, const QString& source, QString* error);

private:
  struct Colour {
    std::uint32_t rgba;
  };
  using Value = std::variant<Colour, bool, double>;
  static bool parseValue(const QString& value, Value& out, QString& why);
  QHash<QString, Value> m_values;
};

// The process-wide preferences; never null (do not reassign it).
extern PR_Preference* rxPref;
