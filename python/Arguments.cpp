#include "Arguments.h"

#include <climits>
#include <cmath>

#include "QtCasters.h"

namespace py = pybind11;

namespace {

std::string typeName(py::handle value) { return py::str(py::type::handle_of(value).attr("__name__")); }

std::string textOf(py::handle value) { return py::repr(value); }

// Kept for the module's life.
py::handle numpyType(const char* name) { return py::object(py::module_::import("numpy").attr(name)).release(); }

bool isText(py::handle value) { return PyUnicode_Check(value.ptr()); }

// NumPy's own scalar types are numbers too; bool (and NumPy's bool_) is not a number here.
bool isFlag(py::handle value) {
  if (PyBool_Check(value.ptr()))
    return true;
  static const py::handle numpyBool = numpyType("bool_");
  return py::isinstance(value, numpyBool);
}

// Python's and NumPy's real scalars, and other numbers (Fraction, Decimal); never an array.
bool isNumber(py::handle value) {
  if (isFlag(value))
    return false;
  if (PyLong_Check(value.ptr()) || PyFloat_Check(value.ptr()))
    return true;
  static const py::handle numpyInteger = numpyType("integer");
  static const py::handle numpyFloating = numpyType("floating");
  if (py::isinstance(value, numpyInteger) || py::isinstance(value, numpyFloating))
    return true;
  return PyNumber_Check(value.ptr()) && !PyComplex_Check(value.ptr()) && !py::isinstance<py::iterable>(value);
}

double numberOf(py::handle value) {
  const double v = PyFloat_AsDouble(value.ptr());
  if (v == -1.0 && PyErr_Occurred())
    throw py::error_already_set();
  return v;
}

int wholeFrame(py::handle item) {
  if (!isNumber(item))
    throw py::type_error("frames must be whole numbers, not " + typeName(item) + " " + textOf(item));
  const double v = numberOf(item);
  if (!std::isfinite(v) || v != std::floor(v) || v < INT_MIN || v > INT_MAX)
    throw py::value_error("frames must be whole numbers, not " + textOf(item));
  return static_cast<int>(v);
}

FrameRange parsedRange(const QString& text) {
  FrameRange range;
  QString why;
  if (!FrameRange::parse(text, range, &why))
    throw py::value_error("frames: " + why.toStdString());
  return range;
}

} // namespace

std::optional<std::vector<int>> Arguments::frames(py::handle value) {
  if (value.is_none())
    return std::nullopt;
  if (isText(value))
    return parsedRange(py::cast<QString>(value)).frames();
  if (isNumber(value))
    return std::vector<int>{wholeFrame(value)};
  if (!py::isinstance<py::iterable>(value))
    throw py::type_error("frames must be None, a frame number, \"A-B\" or an iterable of frame numbers, not " +
                         typeName(value));
  std::vector<int> frames;
  if (PySequence_Check(value.ptr()) && !isFlag(value))
    frames.reserve(static_cast<std::size_t>(std::max<Py_ssize_t>(0, PySequence_Size(value.ptr()))));
  PyErr_Clear();
  for (py::handle item : py::reinterpret_borrow<py::iterable>(value))
    frames.push_back(wholeFrame(item));
  return frames;
}

std::optional<FrameRange> Arguments::frameRange(py::handle value) {
  if (value.is_none())
    return std::nullopt;
  if (isText(value))
    return parsedRange(py::cast<QString>(value));
  const std::vector<int> all = *frames(value);
  if (all.empty())
    throw py::value_error("frames: no frames given");
  for (std::size_t i = 1; i < all.size(); ++i)
    if (all[i] != all[i - 1] + 1)
      throw py::value_error("frames must follow each other one by one (range(A, B + 1) or \"A-B\"), but " +
                            std::to_string(all[i]) + " follows " + std::to_string(all[i - 1]));
  return FrameRange{all.front(), all.back()};
}

std::optional<QStringList> Arguments::nodes(py::handle value) {
  if (value.is_none())
    return std::nullopt;
  if (isText(value))
    return QStringList{py::cast<QString>(value)};
  if (!py::isinstance<py::iterable>(value))
    throw py::type_error("nodes must be None, a node name or an iterable of names, not " + typeName(value));
  QStringList names;
  for (py::handle item : py::reinterpret_borrow<py::iterable>(value)) {
    if (!isText(item))
      throw py::type_error("nodes must be names (str), not " + typeName(item) + " " + textOf(item));
    names << py::cast<QString>(item);
  }
  return names;
}

VU_SceneRenderer::View Arguments::view(const QString& name) {
  VU_SceneRenderer::View view = VU_SceneRenderer::eCameraView;
  if (!VU_SceneRenderer::parseView(name, view))
    throw py::value_error("view must be \"camera\", \"top\" or \"side\", not \"" + name.toStdString() + "\"");
  return view;
}

namespace {

// Two finite numbers in a sequence of two, as sizes and points are given.
bool pairOf(py::handle value, double (&out)[2]) {
  if (isText(value) || !PySequence_Check(value.ptr()) || PySequence_Size(value.ptr()) != 2) {
    PyErr_Clear();
    return false;
  }
  const py::sequence pair = py::reinterpret_borrow<py::sequence>(value);
  for (std::size_t i = 0; i < 2; ++i) {
    const py::object item = pair[i];
    if (!isNumber(item) || !std::isfinite(out[i] = numberOf(item)))
      return false;
  }
  return true;
}

} // namespace

QSize Arguments::size(py::handle value) {
  if (value.is_none())
    return QSize();
  double side[2] = {0.0, 0.0};
  const auto whole = [](double v) { return v == std::floor(v) && v >= INT_MIN && v <= INT_MAX; };
  if (!pairOf(value, side) || !whole(side[0]) || !whole(side[1]))
    throw py::value_error("size must be (width, height) in whole pixels, not " + textOf(value));
  // The session says which sizes a view may have.
  return QSize(static_cast<int>(side[0]), static_cast<int>(side[1]));
}

Math::Point2d Arguments::point(py::handle value, const char* name) {
  double xy[2] = {0.0, 0.0};
  if (!pairOf(value, xy))
    throw py::value_error(std::string(name) + " must be a point (x, y) in view pixels, not " + textOf(value));
  return Math::Point2d(xy[0], xy[1]);
}

Arguments::Value Arguments::value(py::handle value, const QString& keyword) {
  Value v;
  if (isFlag(value)) {
    v.kind = Value::Flag;
    v.flag = PyObject_IsTrue(value.ptr()) == 1;
  } else if (isText(value)) {
    v.kind = Value::Text;
    v.text = py::cast<QString>(value);
  } else if (isNumber(value)) {
    v.kind = Value::Number;
    v.number = numberOf(value);
  } else {
    throw py::type_error("the value of " + keyword.toStdString() + " must be a number, a bool or a text, not " +
                         typeName(value));
  }
  return v;
}
