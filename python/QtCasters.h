#pragma once
// QString and QStringList as Python's str and list of str, both ways, so that the session's
// plain structs reach Python as they are. Text is UTF-8 on the Python side.
#include <QString>
#include <QStringList>
#include <pybind11/pybind11.h>

namespace pybind11::detail {

template <> struct type_caster<QString> {
  PYBIND11_TYPE_CASTER(QString, const_name("str"));

  bool load(handle src, bool) {
    if (!src || !PyUnicode_Check(src.ptr()))
      return false;
    Py_ssize_t size = 0;
    const char* utf8 = PyUnicode_AsUTF8AndSize(src.ptr(), &size);
    if (!utf8) {
      PyErr_Clear();
      return false;
    }
    value = QString::fromUtf8(utf8, static_cast<qsizetype>(size));
    return true;
  }

  static handle cast(const QString& s, return_value_policy, handle) {
    const QByteArray utf8 = s.toUtf8();
    return PyUnicode_DecodeUTF8(utf8.constData(), utf8.size(), "replace");
  }
};

template <> struct type_caster<QStringList> {
  PYBIND11_TYPE_CASTER(QStringList, const_name("list[str]"));

  bool load(handle src, bool convert) {
    // A lone str is a sequence too, of its letters: never what a list of names means.
    if (!src || PyUnicode_Check(src.ptr()) || !PySequence_Check(src.ptr()))
      return false;
    value.clear();
    for (handle item : reinterpret_borrow<sequence>(src)) {
      make_caster<QString> text;
      if (!text.load(item, convert))
        return false;
      value << cast_op<QString&&>(std::move(text));
    }
    return true;
  }

  static handle cast(const QStringList& list, return_value_policy policy, handle parent) {
    pybind11::list out(static_cast<size_t>(list.size()));
    for (qsizetype i = 0; i < list.size(); ++i)
      PyList_SET_ITEM(out.ptr(), i, make_caster<QString>::cast(list[i], policy, parent).ptr());
    return out.release();
  }
};

} // namespace pybind11::detail
