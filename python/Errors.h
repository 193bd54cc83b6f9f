#pragma once
// What the session refuses, as Python exceptions: a scene file that cannot be read is a
// vantorel.SceneError (a ValueError) carrying the file, line and column, with the message the
// command line prints; a bad argument a ValueError; a name the scene lacks a KeyError.
#include <pybind11/pybind11.h>

namespace Errors {
// Adds SceneError to the module and translates the session's errors from then on.
void install(pybind11::module_& module);
} // namespace Errors
