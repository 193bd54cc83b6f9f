#include "NodeGraphWidget.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "ViewDocument.h"

NodeGraphWidget::NodeGraphWidget(ViewDocument& document, QWidget* parent) : QWidget(parent), m_document(document) {
  setMinimumSize(120, 90);
  setFocusPolicy(Qt::ClickFocus);
  connect(&document, &ViewDocument::frameChanged, this, &NodeGraphWidget::stale);
  connect(&document, &ViewDocument::sceneChanged, this, &NodeGraphWidget::stale);
  connect(&document, &ViewDocument::selectionChanged, this, &NodeGraphWidget::stale);
  connect(&document, &ViewDocument::replaced, this, [this] {
    m_fitted = true;
    stale();
  });
}

void NodeGraphWidget::stale() {
  m_stale = true;
  update();
}

const NodeGraph& NodeGraphWidget::graph() {
  if (m_stale) {
    m_graph = NodeGraph::of(m_document.session().scene(), m_document.frame());
    m_stale = false;
  }
  return m_graph;
}

void NodeGraphWidget::fit() {
  const QRectF area = graph().bounds();
  if (area.isEmpty())
    return;
  // Never larger than drawn by vantorel graph, smaller when the widget cannot hold it.
  m_zoom = std::min({1.0, width() / area.width(), height() / area.height()});
  m_offset = QPointF(0.5 * width(), 0.5 * height()) - m_zoom * area.center();
}

void NodeGraphWidget::fitToWidget() {
  m_fitted = true;
  update();
}

QPointF NodeGraphWidget::toWidget(const QPointF& p) const { return m_offset + m_zoom * p; }
QPointF NodeGraphWidget::toGraph(const QPointF& p) const { return (p - m_offset) / m_zoom; }

void NodeGraphWidget::paintEvent(QPaintEvent*) {
  const NodeGraph& g = graph();
  if (m_fitted)
    fit();
  QPainter painter(this);
  painter.fillRect(rect(), NodeGraph::kBackground);
  painter.translate(m_offset);
  painter.scale(m_zoom, m_zoom);
  g.paint(painter);
}

void NodeGraphWidget::mousePressEvent(QMouseEvent* event) {
  m_pressAt = m_lastAt = event->position();
  m_panning = false;
}

void NodeGraphWidget::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & (Qt::LeftButton | Qt::MiddleButton)))
    return;
  if (!m_panning && (event->position() - m_pressAt).manhattanLength() >= QApplication::startDragDistance())
    m_panning = true;
  if (m_panning) {
    m_fitted = false;
    m_offset += event->position() - m_lastAt;
    update();
  }
  m_lastAt = event->position();
}

void NodeGraphWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (m_panning || event->button() != Qt::LeftButton) {
    m_panning = false;
    return;
  }
  const QString name = graph().nodeAt(toGraph(event->position()));
  m_document.chooseNode(name, !name.isEmpty() && (event->modifiers() & Qt::ShiftModifier));
}

void NodeGraphWidget::wheelEvent(QWheelEvent* event) {
  if (event->angleDelta().y() == 0)
    return;
  const QPointF q = event->position();
  const QPointF under = toGraph(q);
  m_zoom = std::clamp(m_zoom * std::pow(1.15, event->angleDelta().y() / 120.0), 0.05, 8.0);
  m_offset = q - m_zoom * under;
  m_fitted = false;
  update();
  event->accept();
}
