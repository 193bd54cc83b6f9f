#pragma once
// The node view beside the viewport: the scene's NodeGraph at the shown frame, kept up to date
// with every edit, drag step and selection. Clicking a box selects its node (Shift adds it),
// clicking the background clears the selection; the wheel zooms about the pointer and dragging
// the background pans. The graph is fitted to the widget until the user zooms or pans.
#include <QPointF>
#include <QWidget>

#include "NodeGraph.h"

class ViewDocument;

class NodeGraphWidget : public QWidget {
  Q_OBJECT
public:
  explicit NodeGraphWidget(ViewDocument& document, QWidget* parent = nullptr);

  // The graph as drawn now.
  const NodeGraph& graph();
  // Where a point of the graph lies in the widget.
  QPointF toWidget(const QPointF& graphPoint) const;
  void fitToWidget();

  QSize sizeHint() const override { return QSize(360, 540); }

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

private:
  void stale();
  QPointF toGraph(const QPointF& widgetPoint) const;
  void fit();

  ViewDocument& m_document;
  NodeGraph m_graph;
  bool m_stale = true;
  bool m_fitted = true; // fitted to the widget until the user zooms or pans
  double m_zoom = 1.0;
  QPointF m_offset; // where the graph's origin lies in the widget
  bool m_panning = false;
  QPointF m_pressAt, m_lastAt;
};
