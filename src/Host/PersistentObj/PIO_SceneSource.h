#pragma once
// Where each element of a scene file stands in the text it was read from, and the digest of the
// text the scene writer gives it as read (PIO_ElementText). The reader attaches this to the scene
// it makes; the writer copies every element whose text has not changed as it was written,
// together with the comments and spacing around it, and writes afresh only what changed.
// Offsets count bytes of `text`, the file's UTF-8 (after any byte order mark).
#include <QByteArray>
#include <QString>
#include <array>
#include <vector>

#include "SceneCore/SC_SceneCommon.h"

class PIO_SceneSource : public SC_SceneCommon::Source {
public:
  enum class Kind { Metrics, Camera, Node, Link, Attr };

  struct Item {
    Kind kind = Kind::Node;
    // A node's name, an attribute's keyword path, a link's own text as the writer gives it.
    QString key;
    // The text before the element (spacing, comments) starts at `before`; the element spans
    // [begin, end), its start tag [begin, tagEnd) and its end tag [childrenEnd, end) (for an
    // element written `<x/>`, tagEnd == childrenEnd == end).
    qsizetype before = 0;
    qsizetype begin = 0;
    qsizetype tagEnd = 0;
    qsizetype childrenEnd = 0;
    qsizetype end = 0;
    // A link's target input ("NODE:PORT"): a new link into it takes the old one's place.
    QString input;
    // An attribute whose element gave a value (beside its keys).
    bool withValue = false;
    // Of the element's text; of its start tag alone for a node.
    std::array<quint64, 2> digest{};
    // A node's <attr> elements.
    std::vector<Item> children;

    bool selfClosing() const { return tagEnd == end; }
  };

  QByteArray text;
  // The <scene> element, as an item whose children are `items`.
  Item scene;
  std::vector<Item> items;
};
