#pragma once
// The timeline under the viewport: first frame, one back, play and pause, one forward, last
// frame, a slider over the scene's range and the frame number, and the playing speed (24 frames
// per second by default). Playing runs from the shown frame to the range's end and starts over
// at its first; the frame shown is the document's, which every view follows.
#include <QTimer>
#include <QWidget>

class QSlider;
class QSpinBox;
class QToolButton;
class ViewDocument;

class TimelineBar : public QWidget {
  Q_OBJECT
public:
  explicit TimelineBar(ViewDocument& document, QWidget* parent = nullptr);

  bool isPlaying() const { return m_timer.isActive(); }
  void setPlaying(bool playing);
  void togglePlaying() { setPlaying(!isPlaying()); }
  // One frame on (or back), within the range.
  void step(int frames);
  void toFirst();
  void toLast();
  int framesPerSecond() const;
  void setFramesPerSecond(int fps);
  // What a tick of the playing clock does: the next frame, the first after the last.
  void advance();
  QSlider* slider() const { return m_slider; }

private:
  void follow();
  void setRange();

  ViewDocument& m_document;
  QTimer m_timer;
  QToolButton* m_play = nullptr;
  QSlider* m_slider = nullptr;
  QSpinBox* m_frame = nullptr;
  QSpinBox* m_fps = nullptr;
};
