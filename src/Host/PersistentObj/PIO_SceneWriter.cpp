#include "PersistentObj/PIO_SceneWriter.h"

#include <QHash>
#include <QSet>
#include <map>

#include "PersistentObj/PIO_ElementText.h"
#include "PersistentObj/PIO_SceneSource.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/UT_OutputFile.h"

namespace {

using Item = PIO_SceneSource::Item;
using Kind = PIO_SceneSource::Kind;

// A scene built in memory: metrics, camera, the nodes in scene order, then their links by
// target node and input.
QString freshDocument(const SC_SceneCommon& scene, PIO_ElementText& texts) {
  const QString indent = QStringLiteral("  ");
  QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
  out += texts.sceneStartTag() + QLatin1Char('>');
  auto line = [&](const QString& element) {
    if (!element.isEmpty())
      out += QLatin1Char('\n') + indent + element;
  };
  line(texts.metrics());
  line(texts.camera());
  for (const MO_Module* node : scene.nodes()) {
    out += QLatin1Char('\n') + indent;
    texts.appendNode(out, *node, indent);
  }
  for (const MO_Module* node : scene.nodes())
    for (const auto& link : texts.links(*node))
      line(link.first);
  return out + QLatin1String("\n</scene>\n");
}

// Writes a scene back into the text it was read from: an element whose text has not changed is
// copied as it was written, with the spacing and comments before it; a changed one is written
// afresh in its place at its line's indentation; one that is gone leaves only its comments; a
// new one follows the last element of its kind (metrics and camera lead).
class SourceWriter {
public:
  SourceWriter(const SC_SceneCommon& scene, const PIO_SceneSource& source, PIO_ElementText& texts)
      : m_scene(scene), m_source(source), m_text(source.text), m_texts(texts) {}

  // The file's bytes: what is kept is copied from the text read, what is new is its UTF-8.
  QByteArray run() {
    const Item& sceneItem = m_source.scene;
    QByteArray out;
    out.reserve(m_text.size());
    out += span(0, sceneItem.begin);
    if (sceneItem.selfClosing()) {
      // Nothing inside to keep: the scene as a new one, after what stood before it.
      QString fresh = freshDocument(m_scene, m_texts);
      fresh.remove(0, fresh.indexOf(QLatin1String("<scene")));
      fresh.chop(1);
      out += fresh.toUtf8();
      out += span(sceneItem.end, m_text.size());
      return out;
    }
    keptOrNew(out, sceneItem, m_texts.sceneStartTag());
    writeSceneChildren(out);
    out += span(sceneItem.childrenEnd, m_text.size());
    return out;
  }

private:
  QByteArrayView span(qsizetype from, qsizetype to) const {
    return QByteArrayView(m_text.constData() + from, to - from);
  }

  // The spacing that opens the element's line.
  QString lineIndent(qsizetype at) const {
    const qsizetype lineStart = m_text.lastIndexOf('\n', at - 1) + 1;
    qsizetype i = lineStart;
    while (i < at && (m_text[i] == ' ' || m_text[i] == '\t'))
      ++i;
    return QString::fromLatin1(span(lineStart, i));
  }

  // A start tag as written when its text is unchanged, else afresh.
  void keptOrNew(QByteArray& out, const Item& item, const QString& openTag) const {
    if (PIO_ElementText::digest(openTag) == item.digest)
      out += span(item.begin, item.tagEnd);
    else
      out += (openTag + QLatin1Char('>')).toUtf8();
  }

  // For scene children and <attr> elements alike.
  template <class AnyItem> void keep(QByteArray& out, const AnyItem& item) const { out += span(item.before, item.end); }
  template <class AnyItem> void replace(QByteArray& out, const AnyItem& item, const QString& element) const {
    out += span(item.before, item.begin);
    QString indented;
    PIO_ElementText::appendIndented(indented, element, lineIndent(item.begin));
    out += indented.toUtf8();
  }
  void keepOrReplace(QByteArray& out, const Item& item, const QString& element) const {
    if (PIO_ElementText::digest(element) == item.digest)
      keep(out, item);
    else
      replace(out, item, element);
  }
  // Spacing goes with the element; a comment before it stays.
  // (Between elements there is only XML's spacing, comments and processing instructions.)
  template <class AnyItem> void drop(QByteArray& out, const AnyItem& item) const {
    QByteArrayView before = span(item.before, item.begin);
    while (!before.isEmpty() && uchar(before.back()) < 0x80 && QChar::isSpace(uchar(before.back())))
      before.chop(1);
    out += before;
  }
  static void add(QByteArray& out, const QString& indent, const QString& element) {
    QString text = QLatin1Char('\n') + indent;
    PIO_ElementText::appendIndented(text, element, indent);
    out += text.toUtf8();
  }

  // Where the read children stand: the last node and link, the first link, whether the file had
  // metrics and a camera.
  struct Landmarks {
    int lastNode = -1, lastLink = -1, firstLink = -1;
    bool hadMetrics = false, hadCamera = false;
  };
  Landmarks landmarks() const {
    Landmarks l;
    const std::vector<Item>& items = m_source.items;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
      const Kind k = items[i].kind;
      l.hadMetrics = l.hadMetrics || k == Kind::Metrics;
      l.hadCamera = l.hadCamera || k == Kind::Camera;
      if (k == Kind::Node)
        l.lastNode = i;
      if (k == Kind::Link) {
        l.lastLink = i;
        if (l.firstLink < 0)
          l.firstLink = i;
      }
    }
    return l;
  }

  // The scene's links now: by the digest of their text, by the input they go into, and in scene
  // order.
  struct CurrentLinks {
    std::map<PIO_ElementText::Digest, QString> byDigest;
    QHash<QString, QString> into;
    std::vector<QString> order;
  };
  CurrentLinks currentLinks() const {
    CurrentLinks c;
    for (const MO_Module* node : m_scene.nodes())
      for (const auto& [link, input] : m_texts.links(*node)) {
        c.byDigest.emplace(PIO_ElementText::digest(link), link);
        c.into.insert(input, link);
        c.order.push_back(link);
      }
    return c;
  }

  // A read link kept as written, replaced by the one that now goes into the same input, or dropped.
  void writeLink(QByteArray& out, const Item& item, const CurrentLinks& current, QSet<QString>& kept) {
    const auto same = current.byDigest.find(item.digest);
    const bool unchanged = same != current.byDigest.end();
    const QString link = unchanged ? same->second : current.into.value(item.key);
    if (link.isEmpty() || kept.contains(link)) {
      drop(out, item);
      return;
    }
    kept.insert(link);
    if (unchanged)
      keep(out, item);
    else
      replace(out, item, link);
  }

  // What is kept of the read scene, so that the rest is written as new.
  struct Kept {
    QSet<QString> links;
    QSet<const MO_Module*> nodes;
  };

  // One read child: kept as written, replaced by what the scene now holds, or dropped.
  void writeItem(QByteArray& out, const Item& item, const QString& metrics, const QString& camera,
                 const CurrentLinks& current, Kept& kept) {
    switch (item.kind) {
    case Kind::Metrics:
      keepOrReplace(out, item, metrics);
      break;
    case Kind::Camera:
      if (camera.isEmpty())
        drop(out, item);
      else
        keepOrReplace(out, item, camera);
      break;
    case Kind::Link:
      writeLink(out, item, current, kept.links);
      break;
    case Kind::Node: {
      const MO_Module* node = m_scene.findNode(item.key);
      if (!node || kept.nodes.contains(node)) {
        drop(out, item);
        break;
      }
      kept.nodes.insert(node);
      writeNode(out, item, *node);
      break;
    }
    case Kind::Attr:
      break;
    }
  }

  void writeSceneChildren(QByteArray& out) {
    const std::vector<Item>& items = m_source.items;
    const Landmarks marks = landmarks();
    const int lastNode = marks.lastNode, lastLink = marks.lastLink, firstLink = marks.firstLink;
    const QString childIndent =
        items.empty() ? lineIndent(m_source.scene.begin) + QLatin1String("  ") : lineIndent(items.front().begin);
    const CurrentLinks current = currentLinks();
    Kept kept;

    // Metrics and camera the file did not have lead, when they say something.
    const QString metrics = m_texts.metrics();
    if (!marks.hadMetrics && metrics != PIO_ElementText::defaultMetrics())
      add(out, childIndent, metrics);
    const QString camera = m_texts.camera();
    if (!marks.hadCamera && !camera.isEmpty())
      add(out, childIndent, camera);

    auto newNodes = [&](const QString& indent) {
      for (const MO_Module* node : m_scene.nodes())
        if (!kept.nodes.contains(node)) {
          QString text = QLatin1Char('\n') + indent;
          m_texts.appendNode(text, *node, indent);
          out += text.toUtf8();
        }
    };
    auto newLinks = [&](const QString& indent) {
      for (const QString& link : current.order)
        if (!kept.links.contains(link))
          add(out, indent, link);
    };

    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
      const Item& item = items[i];
      if (i == firstLink && lastNode < 0)
        newNodes(lineIndent(item.begin));
      writeItem(out, item, metrics, camera, current, kept);
      if (i == lastNode)
        newNodes(lineIndent(item.begin));
      if (i == lastLink)
        newLinks(lineIndent(item.begin));
    }
    if (lastNode < 0 && firstLink < 0)
      newNodes(childIndent);
    if (lastLink < 0)
      newLinks(childIndent);
    out += span(items.empty() ? m_source.scene.tagEnd : items.back().end, m_source.scene.childrenEnd);
  }

  void writeNode(QByteArray& out, const Item& item, const MO_Module& node) {
    const QString tag = m_texts.nodeStartTag(node);
    if (item.selfClosing()) {
      QString whole;
      m_texts.appendNode(whole, node, lineIndent(item.begin));
      if (whole == tag + QLatin1String("/>") && PIO_ElementText::digest(tag) == item.digest) {
        keep(out, item);
      } else {
        out += span(item.before, item.begin);
        out += whole.toUtf8();
      }
      return;
    }
    out += span(item.before, item.begin);
    keptOrNew(out, item, tag);
    const PIO_SceneSource::Attrs attrs = m_source.attrsOf(item);
    QSet<QString> inFile;
    for (const PIO_SceneSource::AttrItem& a : attrs)
      inFile.insert(m_source.keywordOf(a));
    for (const PIO_SceneSource::AttrItem& a : attrs) {
      const AT_Attr* attr = node.attr(m_source.keywordOf(a));
      const PIO_ElementText::Digest digest =
          attr ? m_texts.attrDigest(*attr, true, a.withValue) : PIO_ElementText::Digest{};
      if (digest == PIO_ElementText::Digest{})
        drop(out, a);
      else if (digest == a.digest)
        keep(out, a);
      else
        replace(out, a, m_texts.attr(*attr, true, a.withValue));
    }
    const QString indent =
        attrs.empty() ? lineIndent(item.begin) + QLatin1String("  ") : lineIndent(attrs.back().begin);
    m_texts.attrs(node, inFile, [&](const QString& text) { add(out, indent, text); });
    out += span(attrs.empty() ? item.tagEnd : attrs.back().end, item.end);
  }

  const SC_SceneCommon& m_scene;
  const PIO_SceneSource& m_source;
  const QByteArray& m_text;
  PIO_ElementText& m_texts;
};

} // namespace

QByteArray PIO_SceneWriter::write(const SC_SceneCommon& scene, QString* error) {
  PIO_ElementText texts(scene);
  const auto* source = dynamic_cast<const PIO_SceneSource*>(scene.source());
  QByteArray out = source ? SourceWriter(scene, *source, texts).run() : freshDocument(scene, texts).toUtf8();
  if (error && texts.hasError())
    *error = texts.errorString();
  return out;
}

QByteArray PIO_SceneWriter::writeData(const SC_SceneCommon& scene) { return write(scene, nullptr); }

bool PIO_SceneWriter::writeFile(const SC_SceneCommon& scene, const QString& path, QString* error) {
  auto failed = [&](const QString& why) {
    if (error)
      *error = QStringLiteral("%1: %2").arg(path, why);
    return false;
  };
  QString why;
  const QByteArray data = write(scene, &why);
  if (!why.isEmpty())
    return failed(why);
  return UT_OutputFile::save(path, data, error);
}
