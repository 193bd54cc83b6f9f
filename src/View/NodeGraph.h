#pragma once
// The node view, as the host draws its node graph: a box for every node, named after it,
// filled with its light colour and outlined in its dark one as the node reports them (so the
// colour preferences show); its input ports along the top edge and its outputs along the bottom,
// each filled and outlined with the colours the node gives that port at the frame (a switch
// port's pair, a gate's blend between its target and default colours); a link from each output
// to the inputs it feeds. A link into an input the node does not use at the frame is dashed,
// one into its main input drawn heavier. Nodes nothing feeds stand in the top row, every other
// node a row below the lowest of its inputs, each row ordered to keep links short. Positions
// are pixels at a zoom of 1. Drawing texts needs a QGuiApplication (fonts).
#include <QColor>
#include <QImage>
#include <QRectF>
#include <QString>
#include <vector>

class QPainter;
class SC_SceneCommon;

class NodeGraph {
public:
  struct Port {
    int index = 0;
    QString name; // declared name; empty when it has none
    QRectF rect;
    QColor light, dark;
    bool active = true; // inputs: takes part in the result at the frame
    bool main = false;  // inputs: the node's main input at the frame
  };
  struct Node {
    QString name, type, displayName;
    QRectF rect;
    QColor light, dark;
    bool enabled = true;
    bool selected = false;
    std::vector<Port> inputs, outputs;
  };
  struct Link {
    std::size_t from = 0; // node indices into nodes()
    int fromPort = 0;
    std::size_t to = 0;
    int toPort = 0;
  };

  // The scene's graph with its colours at the frame.
  static NodeGraph of(SC_SceneCommon& scene, double frame);

  const std::vector<Node>& nodes() const { return m_nodes; }
  const std::vector<Link>& links() const { return m_links; }
  const Node* find(const QString& name) const;
  // Every box, with a margin around.
  QRectF bounds() const;
  // The node whose box holds the point; empty when none does.
  QString nodeAt(const QPointF& p) const;

  // Draws the graph in its own coordinates (the caller sets the painter's transformation).
  void paint(QPainter& painter) const;
  // The whole graph at a zoom of 1 on the view's background.
  QImage toImage() const;
  // A PNG or SVG by the path's extension, written whole or not at all; false with a reason.
  bool save(const QString& path, QString* why) const;

  static const QColor kBackground;

private:
  void place();
  void lineUp(const std::vector<std::size_t>& nodes, int row);
  void orderUnderInputs(std::vector<std::vector<std::size_t>>& byRow);
  void centreRows(const std::vector<std::vector<std::size_t>>& byRow);

  std::vector<Node> m_nodes;
  std::vector<Link> m_links;
};
