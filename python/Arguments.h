#pragma once
// Python's arguments turned into the session's, each refused with a ValueError (a value out of
// range) or a TypeError (a value of the wrong kind) that names the argument:
// - frames to evaluate: None (the scene's range), a frame number, "A" or "A-B" as the command
//   line writes them, or any iterable of whole numbers (range(1, 49), a list, a NumPy array);
// - a range of frames to bake: the same, the frames following each other one by one;
// - node names: None (every node), one name, or an iterable of names;
// - views ("camera", "top", "side"), sizes ((width, height) in pixels), points ((x, y)) and
//   attribute values (a bool, a number or a text as the scene file spells it).
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>
#include <pybind11/pybind11.h>
#include <vector>

#include "BaseCore/Point2d.h"
#include "FrameRange.h"
#include "GraphicCore/VU_SceneRenderer.h"

namespace Arguments {

// Empty: the scene's range.
std::optional<std::vector<int>> frames(pybind11::handle value);
std::optional<FrameRange> frameRange(pybind11::handle value);
// Empty: every node.
std::optional<QStringList> nodes(pybind11::handle value);
VU_SceneRenderer::View view(const QString& name);
// QSize() for None: the view's default size.
QSize size(pybind11::handle value);
Math::Point2d point(pybind11::handle value, const char* name);

// An attribute value as Session::setAttribute takes it.
struct Value {
  enum Kind { Text, Number, Flag } kind = Text;
  QString text;
  double number = 0.0;
  bool flag = false;
};
Value value(pybind11::handle value, const QString& keyword);

} // namespace Arguments
