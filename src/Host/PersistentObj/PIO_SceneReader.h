#pragma once
// Reads a scene file (XML, version 1) into a new scene: frame range, aspect ratio, metrics,
// camera, nodes with their flags, attribute values and keys, and links. Any fault (bad XML, an
// unknown element, XML attribute, node type or keyword, a value of the wrong kind or out of
// range, a link that is missing a node or port or would close a cycle, a file past the size
// limits) rejects the whole file: null comes back and the error says where and what.
//
// Defaults for what a file leaves out: frames 1-1, aspect 4:3, metrics 1/12 on each axis, no
// camera, nodes enabled and not selected, fromPort 0, linear keys. A node with variable inputs
// has as many as its `inputs` says, grown further as its links need (an unlinked port below a
// linked one is a gap, kept as it is); `inputs` on a node with fixed ports is refused. Frames are "A-B" or "A"
// (whole numbers, A <= B); aspect is "X:Y" with two positive numbers; metrics are positive.
// Camera and link elements may name nodes that come later in the file; the camera must be a
// Camera node. Positions are 1-based
// and point at the '<' of the element at fault.
#include <QByteArray>
#include <QString>
#include <memory>

#include "PersistentObj/PIO_LoadError.h"

class SC_SceneCommon;

class PIO_SceneReader {
public:
  // Limits that keep a hostile file from costing unbounded memory or time.
  static constexpr int kMaxNodes = 10000;
  static constexpr int kMaxLinks = 20000;
  // Highest input index a link may ask a node with variable inputs to grow to.
  static constexpr int kMaxAutoInPort = 10000;
  // Input ports that links may add in one file, all nodes together.
  static constexpr int kMaxAddedPorts = 100000;
  static constexpr qint64 kMaxFileBytes = qint64(256) * 1024 * 1024;

  // What a scene keeps of the text it was read from. Kept: the text and where each element stood
  // in it, so that writing the scene back copies what did not change as it was (comments, spacing,
  // the numbers' spelling). Dropped: nothing, for a scene that is only evaluated, drawn or
  // exported (ten thousand pegs keep some 20 MB); written back, it is written afresh.
  enum class Text { Kept, Dropped };

  static std::unique_ptr<SC_SceneCommon> readFile(const QString& path, PIO_LoadError* error, Text text = Text::Kept);
  // `fileLabel` is what error messages call the data.
  static std::unique_ptr<SC_SceneCommon> readData(const QByteArray& xml, const QString& fileLabel, PIO_LoadError* error,
                                                  Text text = Text::Kept);
};
