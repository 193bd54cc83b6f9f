#include "TimelineBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <algorithm>

#include "ViewDocument.h"

namespace {

QToolButton* button(QWidget* parent, QStyle::StandardPixmap icon, const QString& tip) {
  auto* b = new QToolButton(parent);
  b->setIcon(parent->style()->standardIcon(icon));
  b->setToolTip(tip);
  b->setAutoRaise(true);
  // The window's keys (space, arrows) drive the timeline; buttons never keep the focus.
  b->setFocusPolicy(Qt::NoFocus);
  return b;
}

} // namespace

TimelineBar::TimelineBar(ViewDocument& document, QWidget* parent) : QWidget(parent), m_document(document) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(6, 2, 6, 2);
  QToolButton* first = button(this, QStyle::SP_MediaSkipBackward, tr("First frame (Home)"));
  QToolButton* back = button(this, QStyle::SP_MediaSeekBackward, tr("One frame back (Left)"));
  m_play = button(this, QStyle::SP_MediaPlay, tr("Play / pause (Space)"));
  QToolButton* on = button(this, QStyle::SP_MediaSeekForward, tr("One frame on (Right)"));
  QToolButton* last = button(this, QStyle::SP_MediaSkipForward, tr("Last frame (End)"));
  m_slider = new QSlider(Qt::Horizontal, this);
  m_slider->setFocusPolicy(Qt::NoFocus);
  m_frame = new QSpinBox(this);
  m_frame->setToolTip(tr("Frame shown"));
  m_frame->setKeyboardTracking(false);
  m_fps = new QSpinBox(this);
  m_fps->setRange(1, 240);
  m_fps->setValue(24);
  m_fps->setSuffix(tr(" fps"));
  m_fps->setToolTip(tr("Playing speed, frames per second"));
  for (QWidget* w : {static_cast<QWidget*>(first), static_cast<QWidget*>(back), static_cast<QWidget*>(m_play),
                     static_cast<QWidget*>(on), static_cast<QWidget*>(last)})
    layout->addWidget(w);
  layout->addWidget(m_slider, 1);
  layout->addWidget(new QLabel(tr("Frame"), this));
  layout->addWidget(m_frame);
  layout->addWidget(m_fps);

  m_timer.setTimerType(Qt::PreciseTimer);
  setFramesPerSecond(24);
  connect(&m_timer, &QTimer::timeout, this, &TimelineBar::advance);
  connect(first, &QToolButton::clicked, this, &TimelineBar::toFirst);
  connect(back, &QToolButton::clicked, this, [this] { step(-1); });
  connect(m_play, &QToolButton::clicked, this, &TimelineBar::togglePlaying);
  connect(on, &QToolButton::clicked, this, [this] { step(1); });
  connect(last, &QToolButton::clicked, this, &TimelineBar::toLast);
  connect(m_slider, &QSlider::valueChanged, &document, &ViewDocument::setFrame);
  connect(m_frame, QOverload<int>::of(&QSpinBox::valueChanged), &document, &ViewDocument::setFrame);
  connect(m_fps, QOverload<int>::of(&QSpinBox::valueChanged), this, &TimelineBar::setFramesPerSecond);
  connect(&document, &ViewDocument::frameChanged, this, &TimelineBar::follow);
  connect(&document, &ViewDocument::replaced, this, [this] {
    setPlaying(false);
    setRange();
  });
  setRange();
}

void TimelineBar::setRange() {
  const FrameRange range = m_document.frameRange();
  const QSignalBlocker quietSlider(m_slider), quietFrame(m_frame);
  m_slider->setRange(range.first, range.last);
  // The number may leave the range (the spring simulates far beyond it); the slider cannot.
  m_frame->setRange(-1000000, 1000000);
  follow();
}

void TimelineBar::follow() {
  const QSignalBlocker quietSlider(m_slider), quietFrame(m_frame);
  m_slider->setValue(m_document.frame());
  m_frame->setValue(m_document.frame());
}

void TimelineBar::setPlaying(bool playing) {
  if (playing == isPlaying())
    return;
  if (playing)
    m_timer.start();
  else
    m_timer.stop();
  m_play->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
}

int TimelineBar::framesPerSecond() const { return m_fps->value(); }

void TimelineBar::setFramesPerSecond(int fps) {
  if (m_fps->value() != fps)
    m_fps->setValue(fps);
  m_timer.setInterval(std::max(1, static_cast<int>(1000.0 / fps + 0.5)));
}

void TimelineBar::step(int frames) {
  const FrameRange range = m_document.frameRange();
  m_document.setFrame(std::clamp(m_document.frame() + frames, range.first, range.last));
}

void TimelineBar::toFirst() { m_document.setFrame(m_document.frameRange().first); }
void TimelineBar::toLast() { m_document.setFrame(m_document.frameRange().last); }

void TimelineBar::advance() {
  const FrameRange range = m_document.frameRange();
  const int next = m_document.frame() + 1;
  m_document.setFrame(next > range.last || next < range.first ? range.first : next);
}
