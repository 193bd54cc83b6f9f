#pragma once
// Where each element of a scene file stands in the text it was read from, and the digest of the
// text the scene writer gives it as read (PIO_ElementText). The reader attaches this to the scene
// it makes; the writer copies every element whose text has not changed as it was written,
// together with the comments and spacing around it, and writes afresh only what changed.
// Offsets count bytes of `text`, the file's UTF-8 (after any byte order mark); texts beyond
// 2 GiB are not kept. A scene of ten thousand nodes holds some ninety thousand items, so an item
// is kept small: a node's <attr> items lie side by side in `attrs`, each naming its keyword by
// its place in `keywords` (every node of a type names the same few).
#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "SceneCore/SC_SceneCommon.h"

class PIO_SceneSource : public SC_SceneCommon::Source {
public:
  enum class Kind : std::uint8_t { Metrics, Camera, Node, Link, Attr };

  struct Item {
    // A node's name, an attribute's keyword path, a link's target input ("NODE:PORT": a new
    // link into it takes the old one's place).
    QString key;
    // Of the element's text; of its start tag alone for a node.
    std::array<quint64, 2> digest{};
    // The text before the element (spacing, comments) starts at `before`; the element spans
    // [begin, end), its start tag [begin, tagEnd) and its end tag [childrenEnd, end) (for an
    // element written `<x/>`, tagEnd == childrenEnd == end).
    std::int32_t before = 0;
    std::int32_t begin = 0;
    std::int32_t tagEnd = 0;
    std::int32_t childrenEnd = 0;
    std::int32_t end = 0;
    // A node's <attr> elements: attrs[firstAttr, firstAttr + attrCount).
    std::int32_t firstAttr = 0;
    std::int32_t attrCount = 0;
    Kind kind = Kind::Node;
    // An attribute whose element gave a value (beside its keys).
    bool withValue = false;

    bool selfClosing() const { return tagEnd == end; }
  };

  // An <attr> element: its keyword path is keywords[keyword]; its text, its digest and the text
  // before it as for an item.
  struct AttrItem {
    std::array<quint64, 2> digest{};
    std::int32_t before = 0;
    std::int32_t begin = 0;
    std::int32_t end = 0;
    std::uint16_t keyword = 0;
    bool withValue = false;
  };
  static constexpr std::size_t kMaxKeywords = 0x10000;

  // A node's <attr> items, in file order.
  struct Attrs {
    const AttrItem* first;
    const AttrItem* last;
    const AttrItem* begin() const { return first; }
    const AttrItem* end() const { return last; }
    bool empty() const { return first == last; }
    const AttrItem& back() const { return last[-1]; }
  };
  Attrs attrsOf(const Item& node) const {
    const AttrItem* first = attrs.data() + node.firstAttr;
    return Attrs{first, first + node.attrCount};
  }
  const QString& keywordOf(const AttrItem& attr) const { return keywords[attr.keyword]; }

  QByteArray text;
  // The <scene> element, as an item whose children are `items`.
  Item scene;
  std::vector<Item> items;
  std::vector<AttrItem> attrs;
  std::vector<QString> keywords;
};
