#pragma once
// A node of a Python Scene, named: its facts and attributes are read from the scene at each
// use, so a Node stays current across edits, undo and redo (and says so when its node is gone).
#include <QString>
#include <memory>
#include <optional>
#include <pybind11/numpy.h>

#include "SceneHandle.h"

struct Node {
  std::shared_ptr<SceneHandle> scene;
  QString name;
};

// The node's output matrix at the frame (default: the current one), row-major 4x4.
pybind11::array_t<double> matrixOf(const Node& node, std::optional<double> frame);
