#include "PersistentObj/PIO_SceneReader.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QXmlStreamReader>
#include <algorithm>
#include <functional>
#include <limits>
#include <utility>
#include <vector>

#include "PersistentObj/PIO_ElementText.h"
#include "PersistentObj/PIO_SceneSource.h"
#include "PersistentObj/PIO_WritingContext.h"
#include "SceneCore/AT_Attr.h"
#include "SceneCore/AT_BoolAttr.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_Keys.h"
#include "SceneCore/AT_ValueText.h"
#include "SceneCore/Camera.h"
#include "SceneCore/MO_AutoInPortsModule.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/MO_Port.h"
#include "SceneCore/SC_SceneCommon.h"

namespace {

struct Pos {
  qint64 line = 0;
  qint64 column = 0;
  // Into the text, for elements; -1 where it is not known.
  qint64 offset = -1;
};

struct PendingLink {
  Pos pos;
  QString from;
  QString to;
  int toPort = 0;
  int fromPort = 0;
};

// The reader counts characters (UTF-16 units) where the kept text is UTF-8 bytes. Offsets are
// asked in increasing order, so one walk forward maps them all.
class Utf8Walk {
public:
  void reset(QByteArrayView text) { *this = Utf8Walk(text); }
  // The byte where the character offset falls, or -1 past the end of the text.
  qsizetype byteAt(qint64 chars) {
    // Most scene files are ASCII throughout: characters are bytes.
    if (m_ascii)
      return chars >= 0 && chars <= m_text.size() ? qsizetype(chars) : -1;
    if (chars < m_chars)
      m_chars = m_byte = 0;
    while (m_chars < chars && m_byte < m_text.size()) {
      const uchar c = uchar(m_text[m_byte]);
      m_byte += c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      m_chars += c >= 0xF0 ? 2 : 1;
    }
    return m_chars == chars && m_byte <= m_text.size() ? m_byte : -1;
  }
  // The characters the bytes [from, to) hold.
  static qint64 units(QByteArrayView text, qsizetype from, qsizetype to) {
    qint64 n = 0;
    for (qsizetype i = from; i < to; ++i)
      if (const uchar c = uchar(text[i]); (c & 0xC0) != 0x80)
        n += c >= 0xF0 ? 2 : 1;
    return n;
  }

  explicit Utf8Walk(QByteArrayView text = {}) : m_text(text), m_ascii(isAscii(text)) {}

private:
  static bool isAscii(QByteArrayView text) {
    uchar any = 0;
    for (const char c : text)
      any |= uchar(c);
    return any < 0x80;
  }

  QByteArrayView m_text;
  bool m_ascii;
  qint64 m_chars = 0;
  qsizetype m_byte = 0;
};

// The text as the reader's decoder reads it (an initial byte order mark skipped), or empty when
// it is not UTF-8. Checked a piece at a time, so that no decoded copy of the file is made.
QByteArray utf8Text(const QByteArray& xml) {
  QStringDecoder decoder(QStringDecoder::Utf8);
  constexpr qsizetype kPiece = qsizetype(1) << 16;
  std::vector<QChar> scratch(std::size_t(decoder.requiredSpace(kPiece)));
  for (qsizetype at = 0; at < xml.size() && !decoder.hasError(); at += kPiece)
    decoder.appendToBuffer(scratch.data(), QByteArrayView(xml).sliced(at, std::min(kPiece, xml.size() - at)));
  if (decoder.hasError())
    return QByteArray();
  return xml.startsWith("\xEF\xBB\xBF") ? xml.mid(3) : xml;
}

class Loader {
public:
  // `whole`: the XML reader is handed all the data at once (it then holds a decoded copy of all
  // of it), else it reads the data a piece at a time. Both read alike; errors are reported from
  // a reading of the whole, which places every fault exactly as it always has.
  Loader(const QByteArray& xml, const QString& label, bool whole, PIO_SceneReader::Text text)
      : m_readerOwned(whole ? std::make_unique<QXmlStreamReader>(xml) : std::make_unique<QXmlStreamReader>()),
        m_reader(*m_readerOwned), m_label(label), m_keepText(text == PIO_SceneReader::Text::Kept) {
    // The text places errors at the start of an element and is kept for writing back; without
    // it (not UTF-8) errors point at the end of the start tag, as the reader reports it.
    m_text = utf8Text(xml);
    m_walk.reset(m_text);
    if (!whole) {
      m_device.setData(xml);
      m_device.open(QIODevice::ReadOnly);
      m_reader.setDevice(&m_device);
    }
    m_source = std::make_shared<PIO_SceneSource>();
  }
  // Reads straight from a device, holding none of its text: for a scene that keeps no text,
  // whose faults are then reported from a reading of the whole (which places them exactly).
  Loader(QIODevice* device, const QString& label)
      : m_readerOwned(std::make_unique<QXmlStreamReader>(device)), m_reader(*m_readerOwned), m_label(label),
        m_keepText(false), m_source(std::make_shared<PIO_SceneSource>()) {}

  std::unique_ptr<SC_SceneCommon> run(PIO_LoadError* error) {
    m_scene = std::make_unique<SC_SceneCommon>();
    if (!readDocument() || !resolveLinks() || !resolveCamera()) {
      if (error)
        *error = m_error;
      return nullptr;
    }
    if (m_keepText)
      keepSource();
    return std::move(m_scene);
  }

private:
  using Type = QXmlStreamReader::TokenType;

  // Offsets are kept in 32 bits; a longer text is not kept (keepSource).
  static std::int32_t offset32(qsizetype offset) { return static_cast<std::int32_t>(offset); }

  // Where the reader stands, in bytes of the text (in characters when the text is not known).
  qsizetype here() { return bytes(m_reader.characterOffset()); }
  qsizetype bytes(qint64 chars) { return m_text.isEmpty() ? chars : m_walk.byteAt(chars); }

  Type next() {
    const Pos before{m_reader.lineNumber(), m_reader.columnNumber()};
    const qsizetype offset = here();
    const Type t = m_reader.readNext();
    m_tokenBegin = offset;
    // An element's XML attributes, taken once for every look-up while the reader stands on it.
    m_attrs = t == QXmlStreamReader::StartElement ? m_reader.attributes() : QXmlStreamAttributes();
    if (t == QXmlStreamReader::StartElement)
      m_start = elementStart();
    else if (t == QXmlStreamReader::Characters)
      m_start = textStart(before, offset);
    return t;
  }

  // The reader reports where a start tag ends. A tag's text holds no '<' but its first (attribute
  // values must escape it), so the last '<' before the end is where the element starts.
  Pos elementStart() {
    const qint64 endChars = m_reader.characterOffset();
    const Pos reported{m_reader.lineNumber(), m_reader.columnNumber()};
    const qsizetype end = m_text.isEmpty() ? -1 : m_walk.byteAt(endChars);
    // at(), not []: the text is shared with the caller's buffer and must not be copied.
    if (endChars <= 0 || end <= 0 || m_text.at(end - 1) != '>')
      return reported;
    const qsizetype start = m_text.lastIndexOf('<', end - 1);
    if (start < 0)
      return reported;
    const qint64 newlines = QByteArrayView(m_text).sliced(start, end - start).count('\n');
    if (newlines == 0)
      return Pos{reported.line, reported.column - Utf8Walk::units(m_text, start, end) + 1, start};
    const qsizetype lineStart = m_text.lastIndexOf('\n', start) + 1;
    return Pos{reported.line - newlines, Utf8Walk::units(m_text, lineStart, start) + 1, start};
  }

  // Where the first visible character of a text token stands (the token begins with the
  // whitespace before it).
  Pos textStart(Pos before, qsizetype offset) const {
    Pos p = before;
    for (qsizetype i = offset; i >= 0 && i < m_text.size();) {
      const uchar c = uchar(m_text.at(i));
      const int length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      if (i + length > m_text.size())
        break;
      char32_t code = length == 1 ? c : length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
      for (int k = 1; k < length; ++k)
        code = (code << 6) | (uchar(m_text.at(i + k)) & 0x3F);
      if (!QChar::isSpace(code))
        break;
      if (code == U'\n')
        p = Pos{p.line + 1, 0};
      else
        ++p.column;
      i += length;
    }
    return Pos{p.line, p.column + 1};
  }

  bool fail(Pos pos, const QString& message) {
    m_error.file = m_label;
    m_error.line = pos.line;
    m_error.column = pos.column;
    m_error.message = message;
    return false;
  }

  bool xmlFail() {
    return fail(Pos{m_reader.lineNumber(), m_reader.columnNumber()},
                QStringLiteral("XML error: %1").arg(m_reader.errorString()));
  }

  QString elementName() const { return m_reader.qualifiedName().toString(); }

  // Refuses XML attributes the element does not know (a misspelt one would otherwise be dropped
  // without a word).
  bool checkAttrs(Pos pos, std::initializer_list<const char*> known) {
    for (const QXmlStreamAttribute& a : std::as_const(m_attrs)) {
      bool found = false;
      for (const char* k : known)
        found = found || a.qualifiedName() == QLatin1String(k);
      if (!found)
        return fail(
            pos, QStringLiteral("<%1> has no XML attribute \"%2\"").arg(elementName(), a.qualifiedName().toString()));
    }
    return true;
  }

  // The element's XML attribute of that name, or null.
  const QXmlStreamAttribute* xmlAttr(const char* name) const {
    for (const QXmlStreamAttribute& a : std::as_const(m_attrs))
      if (a.qualifiedName() == QLatin1String(name))
        return &a;
    return nullptr;
  }
  // The value of an XML attribute the element must have, as a view valid while the reader
  // stays on the element.
  bool required(Pos pos, const char* name, QStringView& out) {
    const QXmlStreamAttribute* a = xmlAttr(name);
    if (!a)
      return fail(pos,
                  QStringLiteral("<%1> is missing the XML attribute \"%2\"").arg(elementName(), QLatin1String(name)));
    out = a->value();
    return true;
  }
  bool required(Pos pos, const char* name, QString& out) {
    QStringView view;
    if (!required(pos, name, view))
      return false;
    out = view.toString();
    return true;
  }

  bool optional(const char* name, QStringView& out) const {
    const QXmlStreamAttribute* a = xmlAttr(name);
    if (a)
      out = a->value();
    return a;
  }
  bool optional(const char* name, QString& out) const {
    QStringView view;
    if (!optional(name, view))
      return false;
    out = view.toString();
    return true;
  }

  static void record(std::vector<PIO_SceneSource::Item>& items, PIO_SceneSource::Item&& item) {
    items.push_back(std::move(item));
  }
  void record(std::vector<PIO_SceneSource::AttrItem>& attrs, PIO_SceneSource::Item&& item) {
    PIO_SceneSource::AttrItem a;
    a.before = item.before;
    a.begin = item.begin;
    a.end = item.end;
    a.keyword = m_pendingKeyword;
    a.withValue = item.withValue;
    attrs.push_back(a);
  }

  // Reads up to the end of the current element; `onChild` handles each child element (and must
  // read it to its end), text other than whitespace is refused. With `items`, each child's place
  // in the text is recorded there, with what its reader left in m_pending.
  template <class Items = std::vector<PIO_SceneSource::Item>>
  bool readChildren(const QString& parent, const std::function<bool(Pos, const QString&)>& onChild,
                    Items* items = nullptr) {
    qsizetype previousEnd = here();
    for (;;) {
      switch (next()) {
      case QXmlStreamReader::StartElement: {
        PIO_SceneSource::Item item;
        item.before = offset32(previousEnd);
        item.begin = offset32(m_start.offset);
        item.tagEnd = offset32(here());
        m_pending = PIO_SceneSource::Item();
        if (!onChild(m_start, elementName()))
          return false;
        previousEnd = here();
        if (items) {
          item.kind = m_pending.kind;
          item.key = m_pending.key;
          item.withValue = m_pending.withValue;
          item.firstAttr = m_pending.firstAttr;
          item.attrCount = m_pending.attrCount;
          item.childrenEnd = offset32(m_endTagBegin);
          item.end = offset32(previousEnd);
          m_sourceKnown = m_sourceKnown && item.begin >= 0;
          record(*items, std::move(item));
        }
        break;
      }
      case QXmlStreamReader::EndElement:
        m_endTagBegin = m_tokenBegin;
        return true;
      case QXmlStreamReader::Characters:
        if (!m_reader.isWhitespace())
          return fail(m_start, QStringLiteral("unexpected text inside <%1>").arg(parent));
        break;
      case QXmlStreamReader::Comment:
      case QXmlStreamReader::ProcessingInstruction:
        break;
      case QXmlStreamReader::Invalid:
        return xmlFail();
      default:
        return fail(Pos{m_reader.lineNumber(), m_reader.columnNumber()},
                    QStringLiteral("unexpected %1 inside <%2>").arg(m_reader.tokenString(), parent));
      }
    }
  }

  bool readEmpty(const QString& name) {
    return readChildren(name, [&](Pos pos, const QString& child) {
      return fail(pos, QStringLiteral("unknown element <%1> inside <%2>").arg(child, name));
    });
  }

  bool readDocument() {
    for (;;) {
      switch (next()) {
      case QXmlStreamReader::StartDocument:
      case QXmlStreamReader::Comment:
      case QXmlStreamReader::ProcessingInstruction:
        break;
      case QXmlStreamReader::Characters:
        if (!m_reader.isWhitespace())
          return fail(Pos{m_reader.lineNumber(), m_reader.columnNumber()}, QStringLiteral("text outside <scene>"));
        break;
      case QXmlStreamReader::DTD:
        // Entity declarations would let a small file expand to a large one.
        return fail(Pos{m_reader.lineNumber(), m_reader.columnNumber()},
                    QStringLiteral("document type declarations are not accepted"));
      case QXmlStreamReader::StartElement:
        if (elementName() != QLatin1String("scene"))
          return fail(m_start, QStringLiteral("the root element is <%1>, not <scene>").arg(elementName()));
        m_source->scene.begin = offset32(m_start.offset);
        m_source->scene.tagEnd = offset32(here());
        if (!readScene())
          return false;
        m_source->scene.childrenEnd = offset32(m_endTagBegin);
        m_source->scene.end = offset32(here());
        return readTrailer();
      case QXmlStreamReader::Invalid:
        return xmlFail();
      default:
        return fail(Pos{m_reader.lineNumber(), m_reader.columnNumber()},
                    QStringLiteral("unexpected %1 before <scene>").arg(m_reader.tokenString()));
      }
    }
  }

  // After </scene>: only comments and processing instructions, and the XML must end cleanly.
  bool readTrailer() {
    for (;;) {
      switch (next()) {
      case QXmlStreamReader::EndDocument:
        return true;
      case QXmlStreamReader::Invalid:
        return xmlFail();
      case QXmlStreamReader::Comment:
      case QXmlStreamReader::ProcessingInstruction:
        break;
      case QXmlStreamReader::Characters:
        if (m_reader.isWhitespace())
          break;
        [[fallthrough]];
      default:
        return fail(Pos{m_reader.lineNumber(), m_reader.columnNumber()},
                    QStringLiteral("unexpected %1 after </scene>").arg(m_reader.tokenString()));
      }
    }
  }

  bool readScene() {
    const Pos pos = m_start;
    if (!checkAttrs(pos, {"version", "frames", "aspect"}))
      return false;
    QString version, frames, aspect;
    if (!required(pos, "version", version))
      return false;
    if (version.trimmed() != QLatin1String("1"))
      return fail(pos, QStringLiteral("unsupported scene version \"%1\" (version 1 is read)").arg(version));
    if (optional("frames", frames) && !parseFrames(pos, frames))
      return false;
    if (optional("aspect", aspect) && !parseAspect(pos, aspect))
      return false;
    return readChildren(
        QStringLiteral("scene"),
        [this](Pos child, const QString& name) {
          if (name == QLatin1String("node"))
            return readNode(child);
          if (name == QLatin1String("link"))
            return readLink(child);
          if (name == QLatin1String("camera"))
            return readCamera(child);
          if (name == QLatin1String("metrics"))
            return readMetrics(child);
          return fail(child, QStringLiteral("unknown element <%1> inside <scene>").arg(name));
        },
        m_keepText ? &m_source->items : nullptr);
  }

  bool parseFrames(Pos pos, const QString& text) {
    static const QRegularExpression re(QStringLiteral("^\\s*([+-]?\\d+)\\s*(?:-\\s*([+-]?\\d+)\\s*)?$"));
    const QRegularExpressionMatch m = re.match(text);
    bool okA = false, okB = true;
    int a = 0, b = 0;
    if (m.hasMatch()) {
      a = m.captured(1).toInt(&okA);
      b = m.captured(2).isEmpty() ? a : m.captured(2).toInt(&okB);
    }
    if (!m.hasMatch() || !okA || !okB)
      return fail(pos, QStringLiteral("frames \"%1\" is not a range \"A-B\" of whole numbers").arg(text));
    if (a > b)
      return fail(pos, QStringLiteral("frames \"%1\" ends before it starts").arg(text));
    m_scene->setFrameRange(a, b);
    return true;
  }

  bool parseAspect(Pos pos, const QString& text) {
    const QStringList parts = text.split(QLatin1Char(':'));
    double x = 0.0, y = 0.0;
    if (parts.size() != 2 || !AT_ValueText::toDouble(parts[0], x, nullptr) ||
        !AT_ValueText::toDouble(parts[1], y, nullptr) || !(x > 0.0) || !(y > 0.0))
      return fail(pos, QStringLiteral("aspect \"%1\" is not two positive numbers \"X:Y\"").arg(text));
    m_scene->setDesignAspectRatio(x, y);
    return true;
  }

  bool readMetrics(Pos pos) {
    if (m_sawMetrics)
      return fail(pos, QStringLiteral("a second <metrics> element"));
    m_sawMetrics = true;
    if (!checkAttrs(pos, {"x", "y", "z"}))
      return false;
    double f[3] = {SC_SceneMetrics::kDefaultFactor, SC_SceneMetrics::kDefaultFactor, SC_SceneMetrics::kDefaultFactor};
    const char* names[3] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
      QString text, why;
      if (!optional(names[i], text))
        continue;
      if (!AT_ValueText::toDouble(text, f[i], &why))
        return fail(pos, QStringLiteral("metrics %1: %2").arg(QLatin1String(names[i]), why));
      if (!(f[i] > 0.0))
        return fail(pos, QStringLiteral("metrics %1 must be positive, not %2").arg(QLatin1String(names[i]), text));
    }
    m_scene->setMetrics(SC_SceneMetrics(f[0], f[1], f[2]));
    if (!readEmpty(QStringLiteral("metrics")))
      return false;
    m_pending.kind = PIO_SceneSource::Kind::Metrics;
    return true;
  }

  bool readCamera(Pos pos) {
    if (m_cameraPos.line > 0)
      return fail(pos, QStringLiteral("a second <camera> element"));
    if (!checkAttrs(pos, {"node"}) || !required(pos, "node", m_cameraName))
      return false;
    m_cameraPos = pos;
    if (!readEmpty(QStringLiteral("camera")))
      return false;
    m_pending.kind = PIO_SceneSource::Kind::Camera;
    return true;
  }

  bool parsePort(Pos pos, const char* what, const QString& text, int& port) {
    bool ok = false;
    port = text.trimmed().toInt(&ok);
    if (!ok || port < 0)
      return fail(pos, QStringLiteral("%1 \"%2\" is not a port index").arg(QLatin1String(what), text));
    return true;
  }

  bool readLink(Pos pos) {
    if (m_links.size() >= static_cast<std::size_t>(PIO_SceneReader::kMaxLinks))
      return fail(pos, QStringLiteral("more than %1 links").arg(PIO_SceneReader::kMaxLinks));
    if (!checkAttrs(pos, {"from", "to", "toPort", "fromPort"}))
      return false;
    PendingLink link;
    link.pos = pos;
    QString toPort, fromPort;
    if (!required(pos, "from", link.from) || !required(pos, "to", link.to) || !required(pos, "toPort", toPort) ||
        !parsePort(pos, "toPort", toPort, link.toPort))
      return false;
    if (optional("fromPort", fromPort) && !parsePort(pos, "fromPort", fromPort, link.fromPort))
      return false;
    m_links.push_back(link);
    if (!readEmpty(QStringLiteral("link")))
      return false;
    m_pending.kind = PIO_SceneSource::Kind::Link;
    // Its digest and target input are known once every node is.
    m_pending.firstAttr = static_cast<std::int32_t>(m_links.size() - 1);
    return true;
  }

  bool readNode(Pos pos) {
    if (static_cast<int>(m_scene->nodes().size()) >= PIO_SceneReader::kMaxNodes)
      return fail(pos, QStringLiteral("more than %1 nodes").arg(PIO_SceneReader::kMaxNodes));
    if (!checkAttrs(pos, {"type", "name", "enabled", "selected", "inputs"}))
      return false;
    QString type, name, flag, why;
    if (!required(pos, "type", type) || !required(pos, "name", name))
      return false;
    const MO_ModuleFactory::Entry* entry = MO_ModuleFactorySingleton().find(type);
    if (!entry)
      return fail(pos, QStringLiteral("unknown node type \"%1\"").arg(type));
    if (name.isEmpty())
      return fail(pos, QStringLiteral("a node of type \"%1\" has an empty name").arg(type));
    if (m_byName.contains(name))
      return fail(pos, QStringLiteral("a second node named \"%1\"").arg(name));
    // The creator meant for loading: the writer compares against the same, so what it leaves
    // out reads back as the value it had.
    std::unique_ptr<MO_Module> created(entry->createForLoading ? entry->createForLoading() : entry->create());
    if (!created)
      return fail(pos, QStringLiteral("a node of type \"%1\" could not be created").arg(type));
    created->setInstanceName(name);
    if (optional("enabled", flag)) {
      bool v = true;
      if (!AT_ValueText::toBool(flag, v, &why))
        return fail(pos, QStringLiteral("enabled of node \"%1\": %2").arg(name, why));
      created->setEnabled(v);
    }
    if (optional("selected", flag)) {
      bool v = false;
      if (!AT_ValueText::toBool(flag, v, &why))
        return fail(pos, QStringLiteral("selected of node \"%1\": %2").arg(name, why));
      created->setSelected(v);
    }
    // Entering the scene first lets the node set up what it takes from the scene; the values
    // in the file then win over anything it set.
    MO_Module* node = m_scene->addNode(std::move(created));
    m_byName.insert(name, node);
    if (optional("inputs", flag) && !readInputCount(pos, node, flag))
      return false;
    QSet<QString> seen;
    std::vector<PIO_SceneSource::AttrItem>& attrs = m_source->attrs;
    const std::size_t firstAttr = attrs.size();
    if (!readChildren(
            QStringLiteral("node"),
            [&](Pos child, const QString& childName) {
              if (childName != QLatin1String("attr"))
                return fail(child, QStringLiteral("unknown element <%1> inside <node>").arg(childName));
              return readAttr(child, node, seen);
            },
            m_keepText ? &attrs : nullptr))
      return false;
    m_pending = PIO_SceneSource::Item();
    m_pending.kind = PIO_SceneSource::Kind::Node;
    m_pending.key = name;
    m_pending.firstAttr = static_cast<std::int32_t>(firstAttr);
    m_pending.attrCount = static_cast<std::int32_t>(attrs.size() - firstAttr);
    return true;
  }

  // A node with variable inputs keeps unlinked ports after its last link: the file says how many
  // ports it has in all. Links may still grow it further.
  bool readInputCount(Pos pos, MO_Module* node, const QString& text) {
    auto* autoIn = dynamic_cast<MO_AutoInPortsModule*>(node);
    if (!autoIn)
      return fail(pos, QStringLiteral("node \"%1\" of type \"%2\" has a fixed set of input ports, so no \"inputs\"")
                           .arg(node->instanceName(), node->moduleTypeName()));
    bool ok = false;
    const int count = text.trimmed().toInt(&ok);
    if (!ok || count < 0)
      return fail(pos,
                  QStringLiteral("inputs \"%1\" of node \"%2\" is not a port count").arg(text, node->instanceName()));
    if (count > PIO_SceneReader::kMaxAutoInPort + 1)
      return fail(pos, QStringLiteral("inputs %1 of node \"%2\" is above the limit of %3 inputs")
                           .arg(count)
                           .arg(node->instanceName())
                           .arg(PIO_SceneReader::kMaxAutoInPort + 1));
    if (count < node->nInPorts())
      return fail(pos, QStringLiteral("node \"%1\" has %2 input ports from the start, more than inputs %3")
                           .arg(node->instanceName())
                           .arg(node->nInPorts())
                           .arg(count));
    m_addedPorts += count - node->nInPorts();
    if (m_addedPorts > PIO_SceneReader::kMaxAddedPorts)
      return fail(pos,
                  QStringLiteral("nodes and links add more than %1 input ports").arg(PIO_SceneReader::kMaxAddedPorts));
    autoIn->ensureInPort(count - 1);
    if (autoIn->nInPorts() != count)
      return fail(pos,
                  QStringLiteral("node \"%1\" could not make %2 input ports").arg(node->instanceName()).arg(count));
    return true;
  }

  bool readAttr(Pos pos, MO_Module* node, QSet<QString>& seen) {
    if (!checkAttrs(pos, {"keyword", kPIO_attributeValue}))
      return false;
    QString keyword, value, why;
    if (!required(pos, "keyword", keyword))
      return false;
    AT_Attr* attr = node->attr(keyword);
    if (!attr)
      return fail(pos, node->missingAttrText(keyword));
    if (seen.contains(keyword))
      return fail(pos,
                  QStringLiteral("attribute \"%1\" of node \"%2\" is given twice").arg(keyword, node->instanceName()));
    seen.insert(keyword);
    if (m_keepText)
      m_attrOf.push_back(attr);
    const bool hasValue = optional(kPIO_attributeValue, value);
    if (hasValue && !attr->setLocalValueFromString(value, &why))
      return fail(pos, QStringLiteral("node \"%1\": %2").arg(node->instanceName(), why));
    AT_Keys keys;
    const bool ok = readChildren(QStringLiteral("attr"), [&](Pos child, const QString& childName) {
      if (childName != QLatin1String("key"))
        return fail(child, QStringLiteral("unknown element <%1> inside <attr>").arg(childName));
      return readKey(child, node, attr, keys);
    });
    if (!ok)
      return false;
    if (!hasValue && keys.empty())
      return fail(pos, QStringLiteral("attribute \"%1\" of node \"%2\" has neither a value nor keys")
                           .arg(keyword, node->instanceName()));
    if (!keys.empty()) {
      *attr->keys() = keys;
      attr->changed();
    }
    m_pending = PIO_SceneSource::Item();
    m_pending.kind = PIO_SceneSource::Kind::Attr;
    if (m_keepText)
      m_pendingKeyword = keywordIndex(keyword);
    m_pending.withValue = hasValue;
    return true;
  }

  // Every node of a type names the same keywords: one copy of each serves the whole file. A file
  // naming more than an item can tell apart keeps no source.
  std::uint16_t keywordIndex(const QString& keyword) {
    std::vector<QString>& keywords = m_source->keywords;
    const auto found = m_keywords.constFind(keyword);
    if (found != m_keywords.constEnd())
      return *found;
    if (keywords.size() >= PIO_SceneSource::kMaxKeywords) {
      m_sourceKnown = false;
      return 0;
    }
    const auto index = static_cast<std::uint16_t>(keywords.size());
    keywords.push_back(keyword);
    m_keywords.insert(keyword, index);
    return index;
  }

  bool readKey(Pos pos, MO_Module* node, AT_Attr* attr, AT_Keys& keys) {
    // Parts declared not linkable (a peg's pivot) are not animated, though their class holds keys.
    const auto* number = dynamic_cast<const AT_DoubleAttr*>(attr);
    if (!attr->keys() || (number && number->linkable() == AT_DoubleAttr::eNotLinkable))
      return fail(
          pos,
          QStringLiteral("attribute \"%1\" of node \"%2\" cannot be animated").arg(attr->path(), node->instanceName()));
    if (!checkAttrs(pos, {"frame", kPIO_attributeValue, "interpolation"}))
      return false;
    QStringView frameText, valueText, interpolation;
    QString why;
    if (!required(pos, "frame", frameText) || !required(pos, kPIO_attributeValue, valueText))
      return false;
    double frame = 0.0, value = 0.0;
    if (!AT_ValueText::toDouble(frameText, frame, &why))
      return fail(pos, QStringLiteral("key frame of \"%1\": %2").arg(attr->path(), why));
    if (!AT_ValueText::toDouble(valueText, value, &why)) {
      bool flag = false;
      // Flags store their keys as 0 and 1 but read as true and false.
      if (!dynamic_cast<AT_BoolAttr*>(attr) || !AT_ValueText::toBool(valueText, flag, nullptr))
        return fail(pos,
                    QStringLiteral("key of \"%1\" on node \"%2\": %3").arg(attr->path(), node->instanceName(), why));
      value = flag ? 1.0 : 0.0;
    }
    if (!attr->acceptsKeyValue(value, &why))
      return fail(pos, QStringLiteral("node \"%1\": %2").arg(node->instanceName(), why));
    if (keys.isKey(frame))
      return fail(pos, QStringLiteral("two keys at frame %1 on \"%2\" of node \"%3\"")
                           .arg(AT_ValueText::fromDouble(frame), attr->path(), node->instanceName()));
    AT_Keys::Interpolation interp = AT_Keys::Linear;
    if (optional("interpolation", interpolation)) {
      if (interpolation == QLatin1String("constant"))
        interp = AT_Keys::Constant;
      else if (interpolation == QLatin1String("smooth"))
        interp = AT_Keys::Smooth;
      else if (interpolation != QLatin1String("linear"))
        return fail(pos,
                    QStringLiteral("unknown interpolation \"%1\" (linear, smooth or constant)").arg(interpolation));
    }
    keys.setKey(frame, value, interp);
    return readEmpty(QStringLiteral("key"));
  }

  bool resolveLinks() {
    for (const PendingLink& l : m_links) {
      MO_Module* src = m_byName.value(l.from);
      MO_Module* dst = m_byName.value(l.to);
      if (!src || !dst)
        return fail(l.pos,
                    QStringLiteral("link names node \"%1\", which the scene does not have").arg(src ? l.to : l.from));
      if (auto* autoIn = dynamic_cast<MO_AutoInPortsModule*>(dst); autoIn && l.toPort >= dst->nInPorts()) {
        if (l.toPort > PIO_SceneReader::kMaxAutoInPort)
          return fail(l.pos, QStringLiteral("toPort %1 of \"%2\" is above the limit of %3 inputs")
                                 .arg(l.toPort)
                                 .arg(l.to)
                                 .arg(PIO_SceneReader::kMaxAutoInPort));
        m_addedPorts += l.toPort + 1 - dst->nInPorts();
        if (m_addedPorts > PIO_SceneReader::kMaxAddedPorts)
          return fail(l.pos, QStringLiteral("links add more than %1 input ports").arg(PIO_SceneReader::kMaxAddedPorts));
        autoIn->ensureInPort(l.toPort);
      }
      if (MO_Port* in = dst->inPort(l.toPort); in && in->srcPort())
        return fail(l.pos, QStringLiteral("input port %1 of \"%2\" is linked twice").arg(l.toPort).arg(l.to));
      QString why;
      if (!dst->link(l.toPort, src, l.fromPort, &why))
        return fail(l.pos, why);
    }
    return true;
  }

  bool resolveCamera() {
    if (m_cameraPos.line == 0)
      return true;
    MO_Module* camera = m_byName.value(m_cameraName);
    if (!camera)
      return fail(m_cameraPos,
                  QStringLiteral("the camera names node \"%1\", which the scene does not have").arg(m_cameraName));
    if (!dynamic_cast<Camera*>(camera))
      return fail(m_cameraPos, QStringLiteral("the camera names node \"%1\" of type \"%2\", which is not a camera")
                                   .arg(m_cameraName, camera->moduleTypeName()));
    m_scene->setCamera(camera);
    return true;
  }

  // Records where each element stood and the digest of its text as the scene now gives it, so
  // that writing the scene back keeps what did not change as it was. Only for text known exactly
  // (UTF-8, every element placed).
  void keepSource() {
    const QString encoding = m_reader.documentEncoding().toString();
    if (m_text.isEmpty() || !m_sourceKnown || m_source->scene.begin < 0 ||
        m_text.size() > std::numeric_limits<std::int32_t>::max() ||
        !(encoding.isEmpty() || encoding.compare(QLatin1String("UTF-8"), Qt::CaseInsensitive) == 0))
      return;
    PIO_ElementText texts(*m_scene);
    m_source->scene.digest = PIO_ElementText::digest(texts.sceneStartTag());
    for (PIO_SceneSource::Item& item : m_source->items) {
      switch (item.kind) {
      case PIO_SceneSource::Kind::Metrics:
        item.digest = PIO_ElementText::digest(texts.metrics());
        break;
      case PIO_SceneSource::Kind::Camera:
        item.digest = PIO_ElementText::digest(texts.camera());
        break;
      case PIO_SceneSource::Kind::Link: {
        const PendingLink& l = m_links[static_cast<std::size_t>(item.firstAttr)];
        item.digest = PIO_ElementText::digest(texts.link(l.from, l.fromPort, l.to, l.toPort));
        item.key = PIO_ElementText::inputKey(l.to, l.toPort);
        item.firstAttr = 0;
        break;
      }
      case PIO_SceneSource::Kind::Node: {
        const MO_Module* node = m_byName.value(item.key);
        item.digest = PIO_ElementText::digest(texts.nodeStartTag(*node));
        for (std::int32_t i = item.firstAttr; i < item.firstAttr + item.attrCount; ++i) {
          PIO_SceneSource::AttrItem& a = m_source->attrs[static_cast<std::size_t>(i)];
          a.digest = texts.attrDigest(*m_attrOf[static_cast<std::size_t>(i)], true, a.withValue);
        }
        break;
      }
      case PIO_SceneSource::Kind::Attr:
        break;
      }
    }
    m_source->items.shrink_to_fit();
    m_source->attrs.shrink_to_fit();
    m_source->text = std::move(m_text);
    m_scene->setSource(std::move(m_source));
  }

  QBuffer m_device;
  std::unique_ptr<QXmlStreamReader> m_readerOwned;
  QXmlStreamReader& m_reader;
  QXmlStreamAttributes m_attrs;
  QString m_label;
  bool m_keepText;
  QByteArray m_text;
  Utf8Walk m_walk;
  Pos m_start;
  PIO_LoadError m_error;
  std::unique_ptr<SC_SceneCommon> m_scene;
  QHash<QString, MO_Module*> m_byName;
  // Where each keyword stands in m_source->keywords.
  QHash<QString, std::uint16_t> m_keywords;
  std::vector<PendingLink> m_links;
  // The attribute of each item of m_source->attrs.
  std::vector<const AT_Attr*> m_attrOf;
  QString m_cameraName;
  Pos m_cameraPos;
  bool m_sawMetrics = false;
  int m_addedPorts = 0;
  std::shared_ptr<PIO_SceneSource> m_source;
  // What the child element just read was, for readChildren to record.
  PIO_SceneSource::Item m_pending;
  std::uint16_t m_pendingKeyword = 0;
  qsizetype m_tokenBegin = 0;
  qsizetype m_endTagBegin = 0;
  bool m_sourceKnown = true;
};

} // namespace

std::unique_ptr<SC_SceneCommon> PIO_SceneReader::readData(const QByteArray& xml, const QString& fileLabel,
                                                          PIO_LoadError* error, Text text) {
  std::unique_ptr<SC_SceneCommon> scene;
  if (text == Text::Dropped) {
    // As from a file: nothing of the text is looked at but by the XML reader.
    QBuffer device;
    device.setData(xml);
    device.open(QIODevice::ReadOnly);
    scene = Loader(&device, fileLabel).run(nullptr);
  } else {
    scene = Loader(xml, fileLabel, false, text).run(error);
  }
  if (scene)
    return scene;
  return Loader(xml, fileLabel, true, text).run(error);
}

std::unique_ptr<SC_SceneCommon> PIO_SceneReader::readFile(const QString& path, PIO_LoadError* error, Text text) {
  QFile file(path);
  auto failed = [&](const QString& message) {
    if (error)
      *error = PIO_LoadError{path, 0, 0, message};
    return nullptr;
  };
  if (!file.open(QIODevice::ReadOnly))
    return failed(QStringLiteral("cannot open: %1").arg(file.errorString()));
  const QString tooLarge = QStringLiteral("larger than %1 bytes").arg(kMaxFileBytes);
  if (!file.isSequential() && file.size() > kMaxFileBytes)
    return failed(tooLarge);
  // A scene that keeps no text is read from the file as it goes, so that the file's text is never
  // held beside the scene; a file it refuses is read again whole below, for the error's place.
  const bool streamed = text == Text::Dropped && !file.isSequential();
  if (streamed) {
    if (std::unique_ptr<SC_SceneCommon> scene = Loader(&file, path).run(nullptr))
      return scene;
    if (!file.seek(0))
      return failed(QStringLiteral("cannot read: %1").arg(file.errorString()));
  }
  // A file of known size is read into a buffer of that size: the scene may keep it for writing back.
  QByteArray data;
  if (!file.isSequential()) {
    data.resize(file.size());
    const qint64 got = file.read(data.data(), data.size());
    data.resize(std::max<qint64>(got, 0));
    if (got == file.size() && !file.atEnd())
      data += file.readAll();
  } else {
    data = file.readAll();
  }
  if (file.error() != QFileDevice::NoError)
    return failed(QStringLiteral("cannot read: %1").arg(file.errorString()));
  // Pipes report no size up front.
  if (data.size() > kMaxFileBytes)
    return failed(tooLarge);
  if (streamed)
    return Loader(data, path, true, text).run(error);
  return readData(data, path, error, text);
}
