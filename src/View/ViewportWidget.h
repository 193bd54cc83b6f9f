#pragma once
// The viewport: the scene at the shown frame drawn by the renderer vantorel render uses, at this
// widget's size, so that its picture is render's picture of the same frame and size pixel for
// pixel. A click picks as vantorel pick picks (and selects); a press on a control with a drag
// manipulator (the switch's knob, the limit's control) or on a peg's pivot drags it live, the
// view and every dependent node following the pointer, and the release is one undoable step.
// The top and side views pan (dragging the background, or with the middle button) and zoom
// (the wheel, about the pointer); the camera view shows what the camera frames.
#include <QImage>
#include <QPoint>
#include <QWidget>

#include "GraphicCore/VU_SceneRenderer.h"
#include "SessionTypes.h"

class ViewDocument;

class ViewportWidget : public QWidget {
  Q_OBJECT
public:
  explicit ViewportWidget(ViewDocument& document, QWidget* parent = nullptr);

  // The view as it is drawn now: the shown frame, the view, this widget's size and, in the top
  // and side views, their pan and zoom.
  ViewSpec viewSpec() const;
  // The picture on show, drawn again first when anything it shows has changed.
  const QImage& picture();
  VU_SceneRenderer::PanZoom panZoom() const { return m_panZoom[m_view]; }
  void setPanZoom(const VU_SceneRenderer::PanZoom& panZoom);
  // Back to the view as render frames it.
  void resetPanZoom();
  // Animation mode of drags: 1 sets the dragged value at the frame, any other moves every key.
  void setAnimationMode(int mode) { m_animationMode = mode; }
  int animationMode() const { return m_animationMode; }

  QSize sizeHint() const override { return QSize(960, 540); }

signals:
  // A click, with what it found (the status bar shows it).
  void picked(const PickResult& hit);
  // A drag took hold of a node's control or pivot, and ended as a step (empty: no step).
  void dragStarted(const DragHit& hit);
  void dragFinished(const QString& step);
  // A refusal of the session's, for the status bar.
  void refused(const QString& message);

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

private:
  enum class Gesture { None, Pressed, Dragging, Panning };
  bool canPan() const;
  void stale();
  Math::Point2d viewPoint(const QPointF& p) const { return Math::Point2d(p.x(), p.y()); }

  ViewDocument& m_document;
  QImage m_picture;
  bool m_stale = true;
  int m_view = VU_SceneRenderer::eCameraView;
  VU_SceneRenderer::PanZoom m_panZoom[3];
  int m_animationMode = 1;
  Gesture m_gesture = Gesture::None;
  Qt::MouseButton m_button = Qt::NoButton;
  QPoint m_pressAt, m_lastAt;
  DragHit m_hit;
};
