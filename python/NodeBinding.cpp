// Node, and the records it hands out: Attribute (with Key and Option), Port and Link.
#include <cmath>
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "Arguments.h"
#include "Bindings.h"
#include "HostLock.h"
#include "Node.h"
#include "QtCasters.h"
#include "SessionError.h"

namespace py = pybind11;

namespace {

// An attribute at a frame with, for a compound, each of its parts.
struct AttrValue {
  AttributeInfo info;
  std::vector<AttrValue> parts;
};

AttrValue read(Session& s, const QString& node, const QString& keyword, std::optional<double> frame) {
  AttrValue v{s.attribute(node, keyword, frame), {}};
  for (const QString& part : v.info.parts)
    v.parts.push_back(read(s, node, part, frame));
  return v;
}

const char* kindName(AttributeInfo::Kind kind) {
  switch (kind) {
  case AttributeInfo::Number:
    return "number";
  case AttributeInfo::Integer:
    return "integer";
  case AttributeInfo::Flag:
    return "flag";
  case AttributeInfo::Option:
    return "option";
  case AttributeInfo::Text:
    return "text";
  case AttributeInfo::Compound:
    return "compound";
  case AttributeInfo::Button:
    return "button";
  }
  return "";
}

// The value as Python holds it; None for what has no value of its own (a compound, a button).
py::object simpleValue(const AttributeInfo& info) {
  switch (info.kind) {
  case AttributeInfo::Number:
    return py::float_(info.number);
  case AttributeInfo::Integer:
    return py::int_(static_cast<long long>(std::llround(info.number)));
  case AttributeInfo::Flag:
    return py::bool_(info.number != 0.0);
  case AttributeInfo::Option:
  case AttributeInfo::Text:
    return py::cast(info.text);
  case AttributeInfo::Compound:
  case AttributeInfo::Button:
    break;
  }
  return py::none();
}

py::object valueOf(const AttrValue& v, const QString& node) {
  if (v.info.kind == AttributeInfo::Button)
    throw py::value_error("attribute \"" + v.info.keyword.toStdString() + "\" of node \"" + node.toStdString() +
                          "\" is a button and has no value");
  if (v.info.kind != AttributeInfo::Compound)
    return simpleValue(v.info);
  py::tuple parts(v.parts.size());
  for (std::size_t i = 0; i < v.parts.size(); ++i)
    parts[i] = valueOf(v.parts[i], node);
  return std::move(parts);
}

py::object get(const Node& n, const QString& keyword, std::optional<double> frame) {
  const AttrValue v = HostLock::run([&] { return read(n.scene->session(), n.name, keyword, frame); });
  return valueOf(v, n.name);
}

QString set(const Node& n, const QString& keyword, py::object value, std::optional<double> frame) {
  const Arguments::Value v = Arguments::value(value, keyword);
  return HostLock::run([&] {
    Session& s = n.scene->session();
    switch (v.kind) {
    case Arguments::Value::Flag:
      return s.setAttribute(n.name, keyword, v.flag, frame);
    case Arguments::Value::Number:
      return s.setAttribute(n.name, keyword, v.number, frame);
    case Arguments::Value::Text:
      break;
    }
    return s.setAttribute(n.name, keyword, v.text, frame);
  });
}

NodeInfo info(const Node& n) {
  return HostLock::run([&] { return n.scene->session().nodeInfo(n.name); });
}

py::object numeric(const AttributeInfo& a, double value) {
  return a.kind == AttributeInfo::Number || a.kind == AttributeInfo::Integer ? py::object(py::float_(value))
                                                                             : py::object(py::none());
}

std::string quoted(const QString& s) { return py::repr(py::cast(s)); }

void bindAttributeRecord(py::module_& m);
void bindPortAndLinkRecords(py::module_& m);

void bindRecords(py::module_& m) {
  py::class_<KeyInfo>(m, "Key", "A key of an animated attribute.")
      .def_readonly("frame", &KeyInfo::frame)
      .def_readonly("value", &KeyInfo::value, "The value as keys store it (a flag's as 0 or 1).")
      .def_readonly("constant", &KeyInfo::constant, "True: held until the next key; False: linear to it.")
      .def("__repr__", [](const KeyInfo& k) {
        return "Key(frame=" + std::string(py::repr(py::float_(k.frame))) +
               ", value=" + std::string(py::repr(py::float_(k.value))) + (k.constant ? ", constant=True)" : ")");
      });

  py::class_<OptionInfo>(m, "Option", "One value of an option attribute.")
      .def_readonly("value", &OptionInfo::value, "Its number.")
      .def_readonly("keyword", &OptionInfo::keyword, "The form scene files hold and Node.set takes (\"PROJECT\").")
      .def_readonly("text", &OptionInfo::text, "What editors show.")
      .def("__repr__", [](const OptionInfo& o) {
        return "Option(" + std::to_string(o.value) + ", " + quoted(o.keyword) + ", " + quoted(o.text) + ")";
      });

  bindAttributeRecord(m);
  bindPortAndLinkRecords(m);
}

void bindAttributeRecord(py::module_& m) {
  py::class_<AttributeInfo>(m, "Attribute",
                            "An attribute as an editor shows it: its declaration, its value at a frame, its keys.")
      .def_readonly("keyword", &AttributeInfo::keyword, "Its path from the node (\"ROTATION.ANGLEZ\").")
      .def_readonly("display_name", &AttributeInfo::displayName)
      .def_readonly("class_name", &AttributeInfo::className)
      .def_property_readonly(
          "kind", [](const AttributeInfo& a) { return kindName(a.kind); },
          "\"number\", \"integer\", \"flag\", \"option\", \"text\", \"compound\" (parts, no value of its own) or "
          "\"button\".")
      .def_property_readonly("value", &simpleValue,
                             "The value at the frame: float, int, bool, or str (an option's keyword, a text); None "
                             "for a compound or a button (Node.get gives a compound's parts).")
      .def_readonly("text", &AttributeInfo::text, "The value at the frame as the scene file spells it.")
      .def_readonly("animatable", &AttributeInfo::animatable, "Whether it can hold keys.")
      .def_readonly("keys", &AttributeInfo::keys, "Its keys in frame order (empty: not animated).")
      .def_property_readonly(
          "min", [](const AttributeInfo& a) { return numeric(a, a.min); }, "The hard range (numbers only).")
      .def_property_readonly("max", [](const AttributeInfo& a) { return numeric(a, a.max); })
      .def_property_readonly(
          "soft_min", [](const AttributeInfo& a) { return numeric(a, a.softMin); }, "The range editors offer.")
      .def_property_readonly("soft_max", [](const AttributeInfo& a) { return numeric(a, a.softMax); })
      .def_property_readonly(
          "step", [](const AttributeInfo& a) { return numeric(a, a.step); }, "An editor's step.")
      .def_readonly("options", &AttributeInfo::options, "An option's values, in numeric order.")
      .def_readonly("parts", &AttributeInfo::parts, "A compound's part keywords, in order.")
      .def("__repr__", [](const AttributeInfo& a) {
        return "<vantorel.Attribute " + a.keyword.toStdString() + " (" + kindName(a.kind) + ")" +
               (a.text.isEmpty() ? std::string() : " = " + a.text.toStdString()) + ">";
      });
}

void bindPortAndLinkRecords(py::module_& m) {
  py::class_<PortInfo>(m, "Port", "An input port of a node and what is linked to it.")
      .def_readonly("index", &PortInfo::index)
      .def_readonly("name", &PortInfo::name, "The port's declared name; empty when it has none.")
      .def_property_readonly(
          "source", [](const PortInfo& p) { return p.sourceNode.isEmpty() ? py::none() : py::cast(p.sourceNode); },
          "The name of the node linked to it; None when unlinked.")
      .def_readonly("source_port", &PortInfo::sourcePort, "The output of that node.")
      .def("__repr__", [](const PortInfo& p) {
        return "Port(" + std::to_string(p.index) + ", " + quoted(p.name) +
               ", source=" + (p.sourceNode.isEmpty() ? std::string("None") : quoted(p.sourceNode)) + ")";
      });

  py::class_<LinkInfo>(m, "Link", "A link from a node's output to another node's input.")
      .def_readonly("source", &LinkInfo::from)
      .def_readonly("source_port", &LinkInfo::fromPort)
      .def_readonly("target", &LinkInfo::to)
      .def_readonly("target_port", &LinkInfo::toPort)
      .def("__repr__", [](const LinkInfo& l) {
        return "Link(" + quoted(l.from) + ", " + std::to_string(l.fromPort) + " -> " + quoted(l.to) + ", " +
               std::to_string(l.toPort) + ")";
      });
}

} // namespace

py::array_t<double> matrixOf(const Node& n, std::optional<double> frame) {
  const Math::Matrix4x4 m = HostLock::run([&] {
    Session& s = n.scene->session();
    return s.matrix(n.name, frame ? *frame : s.currentFrame());
  });
  py::array_t<double> out({4, 4});
  auto a = out.mutable_unchecked<2>();
  for (py::ssize_t r = 0; r < 4; ++r)
    for (py::ssize_t c = 0; c < 4; ++c)
      a(r, c) = m(static_cast<int>(r), static_cast<int>(c));
  return out;
}

static void bindNodeFacts(py::class_<Node>& node);
static void bindNodeAttributes(py::class_<Node>& node);
static void bindNodeIdentity(py::class_<Node>& node);

void Bindings::node(py::module_& m) {
  bindRecords(m);

  py::class_<Node> node(m, "Node", R"(A node of a scene, by name (Scene.node(name) or scene[name]).

Its facts are read from the scene at each use, so they follow edits, undo and redo.
Attributes are named by keyword path, a compound's part as KEYWORD.part in the
parent's case ("POSITION.X", "ROTATION.ANGLEZ"):

    arm = scene["Arm"]
    arm["STRETCHMAX"]                   # the value at the scene's current frame
    arm.get("STRETCHMAX", frame=12)     # at frame 12
    arm.set("FLATTENTYPE", "PROJECT")   # one undoable step, named "Set FLATTENTYPE of Arm"
    arm["STRETCHMAX"] = 120             # the same as arm.set("STRETCHMAX", 120)
)");
  bindNodeFacts(node);
  bindNodeAttributes(node);
  bindNodeIdentity(node);
}

// What the node is and how it is linked, read from the scene at each use.
void bindNodeFacts(py::class_<Node>& node) {
  node.def_property_readonly(
          "name", [](const Node& n) { return n.name; }, "The node's instance name.")
      .def_property_readonly(
          "type", [](const Node& n) { return info(n).type; }, "The node type's name (\"Peg\", \"PointConstraint2\").")
      .def_property_readonly(
          "display_name", [](const Node& n) { return info(n).displayName; },
          "The type's display name (\"Two-Points-Constraint\").")
      .def_property_readonly(
          "enabled", [](const Node& n) { return info(n).enabled; }, "Scene.enable and Scene.disable change it.")
      .def_property_readonly("selected", [](const Node& n) { return info(n).selected; })
      .def_property_readonly(
          "has_matrix", [](const Node& n) { return info(n).matrixOutput; },
          "Whether its output carries a transformation (a switch's does not).")
      .def_property_readonly(
          "inputs", [](const Node& n) { return info(n).inPorts; },
          "Its input ports, each with the node linked to it (a list of Port).")
      .def_property_readonly(
          "links",
          [](const Node& n) {
            const std::vector<LinkInfo> all = HostLock::run([&] {
              n.scene->session().node(n.name);
              return n.scene->session().links();
            });
            std::vector<LinkInfo> mine;
            for (const LinkInfo& l : all)
              if (l.from == n.name || l.to == n.name)
                mine.push_back(l);
            return mine;
          },
          "Every link into or out of the node (a list of Link).")
      .def_property_readonly(
          "attributes",
          [](const Node& n) { return HostLock::run([&] { return n.scene->session().attributes(n.name); }); },
          "Its attributes at the scene's current frame (a list of Attribute; compounds list their parts).")
      .def_property_readonly(
          "keywords",
          [](const Node& n) {
            const std::vector<AttributeInfo> all = HostLock::run([&] { return n.scene->session().attributes(n.name); });
            QStringList keywords;
            for (const AttributeInfo& a : all)
              keywords << a.keyword << a.parts;
            return keywords;
          },
          "Every keyword path it answers to, compounds followed by their parts.");
}

// Its attributes by keyword: read at a frame, set as one undoable step.
void bindNodeAttributes(py::class_<Node>& node) {
  node.def(
          "attribute",
          [](const Node& n, const QString& keyword, std::optional<double> frame) {
            return HostLock::run([&] { return n.scene->session().attribute(n.name, keyword, frame); });
          },
          py::arg("keyword"), py::arg("frame") = py::none(),
          "The attribute's declaration, value, keys, range and options at the frame (default: the "
          "scene's current frame). KeyError for a keyword the node lacks.")
      .def("get", &get, py::arg("keyword"), py::arg("frame") = py::none(),
           "The value at the frame (default: the scene's current frame): float, int, bool, str (an "
           "option's keyword, a text), or a tuple of a compound's parts. KeyError for a keyword the "
           "node lacks; ValueError for a button.")
      .def("set", &set, py::arg("keyword"), py::arg("value"), py::arg("frame") = py::none(),
           R"(Sets the attribute as one undoable step and returns the step's name.

value: a number, a bool, or a text as the scene file spells it (an option's keyword
such as "PROJECT"). With a frame the value becomes a key there; without one it is a
key at the scene's current frame when the attribute is animated, else its value.
A value the scene file would refuse is a ValueError, and nothing changes.)")
      .def(
          "__getitem__", [](const Node& n, const QString& keyword) { return get(n, keyword, std::nullopt); },
          py::arg("keyword"))
      .def(
          "__setitem__",
          [](const Node& n, const QString& keyword, py::object value) { set(n, keyword, value, std::nullopt); },
          py::arg("keyword"), py::arg("value"))
      .def(
          "__contains__",
          [](const Node& n, const QString& keyword) {
            return HostLock::run([&] {
              try {
                n.scene->session().attribute(n.name, keyword);
                return true;
              } catch (const UnknownNameError&) {
                n.scene->session().node(n.name); // a node that is gone is still a KeyError
                return false;
              }
            });
          },
          py::arg("keyword"));
}

// Its matrix, and equality, hashing and printing by scene and name.
void bindNodeIdentity(py::class_<Node>& node) {
  node.def("matrix", &matrixOf, py::arg("frame") = py::none(),
           "Its output matrix at the frame (default: the scene's current frame), a 4x4 float64 array "
           "with the translation in the last column, the same numbers as Scene.eval.")
      .def("__eq__", [](const Node& a, const Node& b) { return a.scene.get() == b.scene.get() && a.name == b.name; })
      .def("__hash__",
           [](const Node& n) {
             return py::hash(py::make_tuple(py::int_(reinterpret_cast<std::uintptr_t>(n.scene.get())), n.name));
           })
      .def("__repr__", [](const Node& n) {
        const std::optional<QString> type = HostLock::run([&]() -> std::optional<QString> {
          if (!n.scene->session().hasNode(n.name))
            return std::nullopt;
          return n.scene->session().nodeInfo(n.name).type;
        });
        return "<vantorel.Node " + quoted(n.name) + " (" + (type ? type->toStdString() : std::string("gone")) + ")>";
      });
}
