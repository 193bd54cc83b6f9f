#pragma once
// The module's classes, each group defined by one function: Node with the attribute, port and
// link records it hands out; Scene with its evaluation, edits, history, views and saving.
#include <pybind11/pybind11.h>

namespace Bindings {
void node(pybind11::module_& module);
void scene(pybind11::module_& module);
} // namespace Bindings
