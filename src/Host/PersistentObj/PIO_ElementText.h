#pragma once
// The text the scene writer gives each element of a scene file: the scene's start tag, metrics,
// camera, a node's start tag, one <attr> element, a whole node, a link. Each comes at
// indentation 0 with its children two spaces in, ready to be placed at any depth. A file's
// element whose text as read equals the text the scene now gives has not changed, so the
// writer can keep it as it was written; the reader records these texts' digests for that.
//
// Attributes are written when they carry keys or differ from a freshly created node of the
// type; one the file already had is written even at its default ("forced"), so that an edit
// back to the default still shows as the value it now has.
#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class AT_Attr;
class MO_Module;
class SC_SceneCommon;

class PIO_ElementText {
public:
  explicit PIO_ElementText(const SC_SceneCommon& scene);
  ~PIO_ElementText();
  PIO_ElementText(const PIO_ElementText&) = delete;
  PIO_ElementText& operator=(const PIO_ElementText&) = delete;

  // A start tag without its closing '>' (the caller closes it with '>' or "/>").
  QString sceneStartTag();
  QString nodeStartTag(const MO_Module& node);

  QString metrics();
  // Empty when the scene has no camera.
  QString camera();
  // Empty when nothing needs writing. `withValue`: a forced attribute also writes its value.
  QString attr(const AT_Attr& attr, bool forced, bool withValue);
  // A digest that two states of an attribute share exactly when attr() gives them the same
  // text, made from what the text is made of without writing it (a scene of ten thousand pegs
  // has seventy thousand of these to make when it loads). Zero when the text is empty.
  using Digest = std::array<quint64, 2>;
  Digest attrDigest(const AT_Attr& attr, bool forced, bool withValue);
  // Hands each <attr> element of the node that needs writing to `use`, in declaration order,
  // leaving out the paths in `skip`.
  void attrs(const MO_Module& node, const QSet<QString>& skip, const std::function<void(const QString&)>& use);
  // The whole node, appended to `out` with `indent` before every line but its first.
  void appendNode(QString& out, const MO_Module& node, const QString& indent);
  QString link(const QString& from, int fromPort, const QString& to, int toPort);
  // The node's links in the order of its inputs, each with its target input (inputKey).
  std::vector<std::pair<QString, QString>> links(const MO_Module& node);
  static QString inputKey(const QString& node, int port) { return node + QLatin1Char(':') + QString::number(port); }

  // The text metrics at their default have (a file without <metrics> means them).
  static QString defaultMetrics();
  // A short fixed-size fingerprint of a text, for telling within one process whether a text is
  // still the one it was (two 64-bit hashes with different seeds).
  static Digest digest(const QString& text);
  // Appends `text` with `indent` after each of its line breaks.
  static void appendIndented(QString& out, const QString& text, const QString& indent);

  // Set when some text holds what XML cannot carry; says what.
  bool hasError() const { return !m_error.isEmpty(); }
  const QString& errorString() const { return m_error; }

private:
  class Defaults;
  const AT_Attr* freshAttr(const AT_Attr& attr);
  // Whether attr() writes the attribute's own value.
  bool writesValue(const AT_Attr& attr, bool forced, bool withValue, bool hasKeys);
  void collectAttrs(const AT_Attr& attr, const QSet<QString>& skip, const std::function<void(const QString&)>& use);
  void keep(const class PO_XmlWriter& w);

  const SC_SceneCommon& m_scene;
  std::unique_ptr<Defaults> m_defaults;
  QString m_error;
};
