#include "PersistentObj/PIO_ElementText.h"

#include <QHashFunctions>
#include <cstring>
#include <limits>

#include "PersistentObj/PIO_WritingContext.h"
#include "PersistentObj/PO_XmlWriter.h"
#include "SceneCore/AT_Attr.h"
#include "SceneCore/AT_Keys.h"
#include "SceneCore/AT_ValueText.h"
#include "SceneCore/MO_AutoInPortsModule.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/MO_Port.h"
#include "SceneCore/SC_SceneCommon.h"

// Nodes as the reader starts them, one per type, to tell which values a file must carry. They
// live in a scene of their own because the reader adds each node to its scene before setting
// values, and a node may set values on entering one.
class PIO_ElementText::Defaults {
public:
  const MO_Module* of(const QString& type) {
    auto it = m_byType.find(type);
    if (it != m_byType.end())
      return it.value();
    MO_Module* node = nullptr;
    if (const MO_ModuleFactory::Entry* entry = MO_ModuleFactorySingleton().find(type)) {
      std::unique_ptr<MO_Module> created(entry->createForLoading ? entry->createForLoading() : entry->create());
      if (created)
        node = m_scene.addNode(std::move(created));
    }
    m_byType.insert(type, node);
    return node;
  }

private:
  SC_SceneCommon m_scene;
  QHash<QString, MO_Module*> m_byType;
};

PIO_ElementText::PIO_ElementText(const SC_SceneCommon& scene)
    : m_scene(scene), m_defaults(std::make_unique<Defaults>()) {}

PIO_ElementText::~PIO_ElementText() = default;

void PIO_ElementText::keep(const PO_XmlWriter& w) {
  if (w.hasError() && m_error.isEmpty())
    m_error = w.errorString();
}

QString PIO_ElementText::sceneStartTag() {
  PO_XmlWriter w;
  w.startElement(QStringLiteral("scene"));
  w.encodeStringAttr(QStringLiteral("version"), QStringLiteral("1"));
  w.encodeStringAttr(QStringLiteral("frames"),
                     QStringLiteral("%1-%2").arg(m_scene.firstFrame()).arg(m_scene.lastFrame()));
  w.encodeStringAttr(QStringLiteral("aspect"), AT_ValueText::fromDouble(m_scene.designAspectRatioX()) +
                                                   QLatin1Char(':') +
                                                   AT_ValueText::fromDouble(m_scene.designAspectRatioY()));
  return w.text();
}

namespace {

QString metricsText(const SC_SceneMetrics& m) {
  PO_XmlWriter w;
  w.startElement(QStringLiteral("metrics"));
  w.encodeDoubleAttr(QStringLiteral("x"), m.fx());
  w.encodeDoubleAttr(QStringLiteral("y"), m.fy());
  w.encodeDoubleAttr(QStringLiteral("z"), m.fz());
  w.endElement();
  return w.text();
}

QString interpolationKeyword(AT_Keys::Interpolation i) {
  switch (i) {
  case AT_Keys::Constant:
    return QStringLiteral("constant");
  case AT_Keys::Smooth:
    return QStringLiteral("smooth");
  case AT_Keys::Linear:
    break;
  }
  return QStringLiteral("linear");
}

} // namespace

QString PIO_ElementText::metrics() { return metricsText(m_scene.metrics()); }

QString PIO_ElementText::defaultMetrics() { return metricsText(SC_SceneMetrics()); }

QString PIO_ElementText::camera() {
  const MO_Module* camera = m_scene.camera();
  if (!camera)
    return QString();
  PO_XmlWriter w;
  w.startElement(QStringLiteral("camera"));
  w.encodeStringAttr(QStringLiteral("node"), camera->instanceName());
  w.endElement();
  keep(w);
  return w.text();
}

QString PIO_ElementText::nodeStartTag(const MO_Module& node) {
  PO_XmlWriter w;
  w.startElement(QStringLiteral("node"));
  w.encodeStringAttr(QStringLiteral("type"), node.moduleTypeName());
  w.encodeStringAttr(QStringLiteral("name"), node.instanceName());
  // Unlinked ports after the last link would be lost without the count.
  if (const auto* autoIn = dynamic_cast<const MO_AutoInPortsModule*>(&node);
      autoIn && autoIn->nInPorts() > autoIn->linkedInPortCount())
    w.encodeIntAttr(QStringLiteral("inputs"), autoIn->nInPorts());
  if (!node.enabled())
    w.encodeBoolAttr(QStringLiteral("enabled"), false);
  if (node.selected())
    w.encodeBoolAttr(QStringLiteral("selected"), true);
  keep(w);
  return w.text();
}

const AT_Attr* PIO_ElementText::freshAttr(const AT_Attr& attr) {
  const auto* owner = dynamic_cast<const MO_Module*>(attr.owner());
  const MO_Module* fresh = owner ? m_defaults->of(owner->moduleTypeName()) : nullptr;
  return fresh ? fresh->attr(attr.path()) : nullptr;
}

bool PIO_ElementText::writesValue(const AT_Attr& attr, bool forced, bool withValue, bool hasKeys) {
  if (!attr.hasLocalValue())
    return false;
  if (forced && (withValue || !hasKeys))
    return true;
  const AT_Attr* fresh = freshAttr(attr);
  return !fresh || fresh->localValueString() != attr.localValueString();
}

QString PIO_ElementText::attr(const AT_Attr& attr, bool forced, bool withValue) {
  const AT_Keys* keys = attr.keys();
  const bool hasKeys = keys && !keys->empty();
  const bool writeValue = writesValue(attr, forced, withValue, hasKeys);
  if (!hasKeys && !writeValue)
    return QString();
  PO_XmlWriter w;
  PIO_WritingContext ctx(w, m_scene);
  w.startElement(QStringLiteral("attr"));
  w.encodeStringAttr(QStringLiteral("keyword"), attr.path());
  if (writeValue)
    attr.writeXmlLocalValue(ctx);
  if (hasKeys) {
    for (const auto& [frame, key] : keys->keys()) {
      w.startElement(QStringLiteral("key"));
      w.encodeDoubleAttr(QStringLiteral("frame"), frame);
      w.encodeDoubleAttr(kPIO_attributeValue, key.value);
      w.encodeStringAttr(QStringLiteral("interpolation"), interpolationKeyword(key.interpolation));
      w.endElement();
    }
  }
  w.endElement();
  keep(w);
  return w.text();
}

namespace {

// Two running 64-bit hashes with different seeds, as PIO_ElementText::digest makes of a text.
class DigestFeed {
public:
  void add(QStringView text) {
    add(quint64(text.size()));
    m_d[0] = quint64(qHash(text, size_t(m_d[0])));
    m_d[1] = quint64(qHash(text, size_t(m_d[1])));
  }
  void add(quint64 v) {
    m_d[0] = mix(m_d[0] ^ v);
    m_d[1] = mix(m_d[1] + v * 0x9e3779b97f4a7c15ull);
  }
  // A number as its shortest text gives it: equal texts for equal numbers, every NaN alike.
  void add(double v) {
    quint64 bits = 0;
    if (v != v)
      v = std::numeric_limits<double>::quiet_NaN();
    std::memcpy(&bits, &v, sizeof bits);
    add(bits);
  }
  PIO_ElementText::Digest digest() const { return {m_d[0], m_d[1] | 1u}; }

private:
  // The finaliser of MurmurHash3.
  static quint64 mix(quint64 k) {
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdull;
    k ^= k >> 33;
    k *= 0xc4ceb9fe1a85ec53ull;
    return k ^ (k >> 33);
  }
  quint64 m_d[2] = {0x243f6a8885a308d3ull, 0x13198a2e03707344ull};
};

} // namespace

PIO_ElementText::Digest PIO_ElementText::attrDigest(const AT_Attr& attr, bool forced, bool withValue) {
  const AT_Keys* keys = attr.keys();
  const bool hasKeys = keys && !keys->empty();
  const bool writeValue = writesValue(attr, forced, withValue, hasKeys);
  if (!hasKeys && !writeValue)
    return Digest{};
  DigestFeed feed;
  feed.add(attr.path());
  feed.add(quint64(writeValue));
  if (writeValue) {
    // Some attributes write a value other than their local value's text (enumerations write
    // their keyword): the value as written.
    PO_XmlWriter w;
    PIO_WritingContext ctx(w, m_scene);
    attr.writeXmlLocalValue(ctx);
    keep(w);
    feed.add(w.text());
  }
  if (hasKeys) {
    feed.add(quint64(keys->size()));
    for (const auto& [frame, key] : keys->keys()) {
      feed.add(frame);
      feed.add(key.value);
      feed.add(quint64(key.interpolation));
    }
  }
  return feed.digest();
}

void PIO_ElementText::collectAttrs(const AT_Attr& attr, const QSet<QString>& skip,
                                   const std::function<void(const QString&)>& use) {
  if (!skip.contains(attr.path())) {
    const QString text = this->attr(attr, false, false);
    if (!text.isEmpty())
      use(text);
  }
  for (const AT_Attr* part : attr.subAttrs())
    collectAttrs(*part, skip, use);
}

void PIO_ElementText::attrs(const MO_Module& node, const QSet<QString>& skip,
                            const std::function<void(const QString&)>& use) {
  for (const AT_Attr* a : node.attrs())
    collectAttrs(*a, skip, use);
}

void PIO_ElementText::appendNode(QString& out, const MO_Module& node, const QString& indent) {
  out += nodeStartTag(node);
  const QString childIndent = indent + QLatin1String("  ");
  bool any = false;
  attrs(node, {}, [&](const QString& text) {
    out += any ? QLatin1String("\n") : QLatin1String(">\n");
    any = true;
    out += childIndent;
    appendIndented(out, text, childIndent);
  });
  if (!any) {
    out += QLatin1String("/>");
    return;
  }
  out += QLatin1Char('\n') + indent + QLatin1String("</node>");
}

void PIO_ElementText::appendIndented(QString& out, const QString& text, const QString& indent) {
  qsizetype from = 0;
  for (;;) {
    const qsizetype nl = text.indexOf(QLatin1Char('\n'), from);
    if (nl < 0) {
      out += QStringView(text).mid(from);
      return;
    }
    out += QStringView(text).mid(from, nl + 1 - from);
    out += indent;
    from = nl + 1;
  }
}

QString PIO_ElementText::link(const QString& from, int fromPort, const QString& to, int toPort) {
  PO_XmlWriter w;
  w.startElement(QStringLiteral("link"));
  w.encodeStringAttr(QStringLiteral("from"), from);
  w.encodeStringAttr(QStringLiteral("to"), to);
  w.encodeIntAttr(QStringLiteral("toPort"), toPort);
  if (fromPort != 0)
    w.encodeIntAttr(QStringLiteral("fromPort"), fromPort);
  w.endElement();
  keep(w);
  return w.text();
}

std::vector<std::pair<QString, QString>> PIO_ElementText::links(const MO_Module& node) {
  std::vector<std::pair<QString, QString>> out;
  for (int i = 0; i < node.nInPorts(); ++i) {
    const MO_Port* src = node.inPort(i)->srcPort();
    if (src)
      out.emplace_back(link(src->node()->instanceName(), src->index(), node.instanceName(), i),
                       inputKey(node.instanceName(), i));
  }
  return out;
}

PIO_ElementText::Digest PIO_ElementText::digest(const QString& text) {
  // Fixed seeds: digests are compared with digests made earlier in the same process.
  return {quint64(qHash(QStringView(text), size_t(0x9e3779b97f4a7c15ull))),
          quint64(qHash(QStringView(text), size_t(0xc2b2ae3d27d4eb4full)))};
}
