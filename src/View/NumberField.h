#pragma once
// A number typed as text, as the scene file spells it, so that whatever the user types reaches
// the session and a value it refuses is refused with the scene reader's words. The Up and Down
// keys and the wheel (while it has focus) step it by the attribute's step, within its range;
// Return or leaving the field commits the text, Escape puts the shown value back.
#include <QLineEdit>

class NumberField : public QLineEdit {
  Q_OBJECT
public:
  explicit NumberField(QWidget* parent = nullptr);

  void setStep(double step) { m_step = step; }
  void setRange(double min, double max);
  void setWholeNumbers(bool whole) { m_whole = whole; }
  // The value shown, which Escape returns to.
  void showValue(const QString& text);

signals:
  // The text to set, once the user has changed it.
  void committed(const QString& text);

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

private:
  void stepBy(int steps);
  void commit();

  double m_step = 1.0;
  double m_min = -1e300, m_max = 1e300;
  bool m_whole = false;
  QString m_shown;
};
