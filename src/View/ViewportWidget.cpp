#include "ViewportWidget.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cmath>

#include "SessionError.h"
#include "ViewDocument.h"

namespace {

// One notch of the wheel zooms by this much.
constexpr double kZoomStep = 1.15;
constexpr double kMinZoom = 0.05, kMaxZoom = 400.0;

} // namespace

ViewportWidget::ViewportWidget(ViewDocument& document, QWidget* parent) : QWidget(parent), m_document(document) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(160, 90);
  m_view = document.display().view;
  connect(&document, &ViewDocument::frameChanged, this, &ViewportWidget::stale);
  connect(&document, &ViewDocument::sceneChanged, this, &ViewportWidget::stale);
  connect(&document, &ViewDocument::selectionChanged, this, &ViewportWidget::stale);
  connect(&document, &ViewDocument::displayChanged, this, [this] {
    m_view = m_document.display().view;
    stale();
  });
  connect(&document, &ViewDocument::replaced, this, [this] {
    for (VU_SceneRenderer::PanZoom& pz : m_panZoom)
      pz = {};
    m_gesture = Gesture::None;
    stale();
  });
}

void ViewportWidget::stale() {
  m_stale = true;
  update();
}

bool ViewportWidget::canPan() const { return m_view != VU_SceneRenderer::eCameraView; }

ViewSpec ViewportWidget::viewSpec() const {
  ViewSpec spec;
  spec.frame = m_document.frame();
  spec.view = static_cast<VU_SceneRenderer::View>(m_view);
  spec.size = size();
  spec.panZoom = canPan() ? m_panZoom[m_view] : VU_SceneRenderer::PanZoom();
  return spec;
}

const QImage& ViewportWidget::picture() {
  if (m_stale || m_picture.size() != size()) {
    m_picture = m_document.session().renderImage(m_document.renderOptions(viewSpec()));
    m_stale = false;
  }
  return m_picture;
}

void ViewportWidget::setPanZoom(const VU_SceneRenderer::PanZoom& panZoom) {
  if (!canPan())
    return;
  m_panZoom[m_view] = panZoom;
  stale();
}

void ViewportWidget::resetPanZoom() { setPanZoom({}); }

void ViewportWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, picture());
}

void ViewportWidget::resizeEvent(QResizeEvent*) { m_stale = true; }

void ViewportWidget::mousePressEvent(QMouseEvent* event) {
  if (m_gesture != Gesture::None)
    return;
  m_button = event->button();
  m_pressAt = m_lastAt = event->position().toPoint();
  if (m_button == Qt::MiddleButton && canPan()) {
    m_gesture = Gesture::Panning;
    return;
  }
  if (m_button != Qt::LeftButton)
    return;
  m_gesture = Gesture::Pressed;
  try {
    m_hit = m_document.session().pressDrag(viewPoint(event->position()), viewSpec(), m_animationMode);
  } catch (const SessionError& e) {
    m_hit = DragHit();
    emit refused(e.message());
  }
}

void ViewportWidget::mouseMoveEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (m_gesture == Gesture::Pressed && (at - m_pressAt).manhattanLength() >= QApplication::startDragDistance()) {
    if (m_hit.kind != DragHit::Nothing) {
      m_gesture = Gesture::Dragging;
      // What is dragged is what the panels show.
      m_document.chooseNode(m_hit.node);
      emit dragStarted(m_hit);
    } else if (canPan()) {
      m_gesture = Gesture::Panning;
    }
  }
  if (m_gesture == Gesture::Dragging) {
    m_document.session().moveDrag(viewPoint(event->position()));
  } else if (m_gesture == Gesture::Panning) {
    VU_SceneRenderer::PanZoom pz = m_panZoom[m_view];
    pz.panX += at.x() - m_lastAt.x();
    pz.panY += at.y() - m_lastAt.y();
    setPanZoom(pz);
  }
  m_lastAt = at;
}

void ViewportWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != m_button || m_gesture == Gesture::None)
    return;
  const Gesture gesture = m_gesture;
  m_gesture = Gesture::None;
  Session& session = m_document.session();
  try {
    if (gesture == Gesture::Dragging) {
      emit dragFinished(session.releaseDrag());
    } else if (gesture == Gesture::Pressed) {
      // Held without moving: a click, which picks and selects.
      session.cancelDrag();
      const PickResult hit =
          session.pick(viewPoint(event->position()), viewSpec(), {}, true, static_cast<int>(event->modifiers()));
      m_document.setFocusNode(hit.node);
      emit picked(hit);
    }
  } catch (const SessionError& e) {
    session.cancelDrag();
    emit refused(e.message());
  }
}

void ViewportWidget::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && m_gesture == Gesture::Dragging) {
    m_gesture = Gesture::None;
    m_document.session().cancelDrag();
    emit dragFinished(QString());
    return;
  }
  QWidget::keyPressEvent(event);
}

void ViewportWidget::wheelEvent(QWheelEvent* event) {
  if (!canPan() || event->angleDelta().y() == 0)
    return;
  // The point under the pointer stays where it is.
  VU_SceneRenderer::PanZoom pz = m_panZoom[m_view];
  const double k = std::pow(kZoomStep, event->angleDelta().y() / 120.0);
  const double zoom = std::clamp(pz.zoom * k, kMinZoom, kMaxZoom);
  const double f = 1.0 - zoom / pz.zoom;
  const QPointF q = event->position();
  pz.panX += f * (q.x() - 0.5 * width() - pz.panX);
  pz.panY += f * (q.y() - 0.5 * height() - pz.panY);
  pz.zoom = zoom;
  setPanZoom(pz);
  event->accept();
}
