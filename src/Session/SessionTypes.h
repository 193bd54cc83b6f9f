#pragma once
// The plain values the session hands out and takes in, kept free of host pointers so that the
// window and the Python module copy them as they are. Names are node instance names, keywords
// attribute keyword paths ("ROTATION.ANGLEZ"), frames frame numbers, view points pixels of the
// view as render draws it (x right, y down from the top left corner).
#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "BaseCore/Point2d.h"
#include "GraphicCore/VU_SceneRenderer.h"

// How a caller's buffer holds each 4x4 matrix: column order as eval writes it (values 0-3 the
// first column, 12-14 the translation), or row-major, so that NumPy's a[f, n] @ p maps a point.
enum class MatrixLayout { ColumnOrder, RowMajor };

struct PortInfo {
  int index = 0;
  QString name;       // the port's declared name; empty when it has none
  QString sourceNode; // the node linked to it; empty when unlinked
  int sourcePort = 0;
};

struct NodeInfo {
  QString name;
  QString type;        // the factory type name ("Peg", "PointConstraint2")
  QString displayName; // as editors show new nodes of the type ("Two-Points-Constraint")
  bool enabled = true;
  bool selected = false;
  bool matrixOutput = false; // whether its output 0 carries a transformation
  std::vector<PortInfo> inPorts;
};

struct LinkInfo {
  QString from;
  int fromPort = 0;
  QString to;
  int toPort = 0;
};

struct KeyInfo {
  double frame = 0.0;
  double value = 0.0;
  bool constant = false; // held until the next key
  bool smooth = false;   // eased: a cubic Hermite stretch (neither: linear)
};

struct OptionInfo {
  int value = 0;
  QString keyword; // the form files hold and setAttribute takes
  QString text;    // what editors show
};

// One attribute as an editor shows it: its declaration, its value at a frame and its keys.
struct AttributeInfo {
  enum Kind { Number, Integer, Flag, Option, Text, Compound, Button };
  QString keyword; // the path from the node ("POSITION.X")
  QString displayName;
  QString className;
  QString unit;        // "scene units", "drawing units", "degrees", "percent" or empty
  QString description; // what the attribute does, in one line
  Kind kind = Number;
  QString text;        // the value at the frame as the scene file spells it (empty for compounds, buttons)
  double number = 0.0; // the same as a number (0 or 1 for flags, the option's value; 0 for text)
  bool animatable = false;
  std::vector<KeyInfo> keys; // in frame order
  // Numbers and whole numbers: the hard range, the range editors offer, the step.
  double min = 0.0, max = 0.0, softMin = 0.0, softMax = 0.0, step = 0.0;
  std::vector<OptionInfo> options; // an option's values in numeric order
  QStringList parts;               // a compound's part keywords, in order
};

// Where a view looks from: the frame, the view (camera, top or side), its size in pixels
// (QSize(), the default: render's, 960 wide with the scene's aspect ratio) and how a viewer has
// panned and zoomed it (none by default, as render draws it).
struct ViewSpec {
  std::optional<double> frame; // empty: the session's current frame
  VU_SceneRenderer::View view = VU_SceneRenderer::eCameraView;
  QSize size;
  VU_SceneRenderer::PanZoom panZoom{};
};

struct RenderOptions {
  ViewSpec view;
  bool picking = false;   // only the colours that encode pick ids
  int onion = 0;          // frames before and after drawn as each node's pivot path
  QStringList onionNodes; // whose paths; empty: every node
  bool labels = false;    // node names beside their pivots
  bool caption = false;   // the frame and the view in the top left corner
  // Frames whose pivots the top and side views frame too, so that a sequence is framed alike.
  std::vector<double> framingFrames;
};

// What a click at a view point finds, as vantorel pick reports it.
struct PickResult {
  QString node; // the node whose pick id the pixel holds; empty: background
  QString type;
  int handle = -1;
  QString controlNode; // the node whose control drew the pixel when another node's id is there; else empty
  QString controlType;
  // The node told of the click (the control's node or the one asked for) when it chooses its
  // main input from clicks, and the input it then reports.
  QString mainInputOf;
  int mainInputPort = -1;
  QString mainInputPortName; // empty when the port has no declared name
  QString mainInputSource;   // the node linked there; empty when nothing is
};

// What a press at a view point took hold of for a drag.
struct DragHit {
  enum Kind { Nothing, Control, PegPivot };
  Kind kind = Nothing;
  QString node; // the node whose control (or peg pivot) is dragged
  QString type;
  int handle = -1; // the pick handle under the point, -1 when none
};

struct BakeKeysResult {
  QString commandName; // "Bake Keys"
  QString pegName;
  double largestResidual = 0.0; // the largest difference of any matrix value over the range
  int residualFrame = 0;
  int residualValue = 0;     // 0 to 15, column order
  bool exact = true;         // every difference within 1e-9 of its value (of 1 below 1)
  double largestValue = 0.0; // the largest magnitude of the node's values over the range
  int largestValueFrame = 0;
};
