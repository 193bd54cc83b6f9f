#include "NumberField.h"

#include <QKeyEvent>
#include <QLocale>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

NumberField::NumberField(QWidget* parent) : QLineEdit(parent) {
  connect(this, &QLineEdit::editingFinished, this, &NumberField::commit);
}

void NumberField::setRange(double min, double max) {
  m_min = min;
  m_max = max;
}

void NumberField::showValue(const QString& text) {
  // The shortest text that reads back as the same number ("50.1", not its seventeen digits).
  bool ok = false;
  const double v = text.toDouble(&ok);
  m_shown = ok && std::isfinite(v) ? QString::number(v, 'g', QLocale::FloatingPointShortest) : text;
  setText(m_shown);
}

void NumberField::commit() {
  if (text() != m_shown)
    emit committed(text());
}

void NumberField::stepBy(int steps) {
  bool ok = false;
  const double now = text().toDouble(&ok);
  if (!ok || !std::isfinite(now))
    return;
  const double step = m_step > 0.0 ? m_step : 1.0;
  double next = std::clamp(now + steps * step, m_min, m_max);
  if (m_whole)
    next = std::round(next);
  // Fifteen digits, so that 0.1 stepped by 0.2 shows as 0.3 rather than its last binary digit.
  setText(m_whole ? QString::number(static_cast<long long>(next)) : QString::number(next, 'g', 15));
  commit();
}

void NumberField::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
  case Qt::Key_Up:
    stepBy(1);
    return;
  case Qt::Key_Down:
    stepBy(-1);
    return;
  case Qt::Key_Escape:
    setText(m_shown);
    return;
  default:
    QLineEdit::keyPressEvent(event);
  }
}

void NumberField::wheelEvent(QWheelEvent* event) {
  if (!hasFocus() || event->angleDelta().y() == 0) {
    QLineEdit::wheelEvent(event);
    return;
  }
  stepBy(event->angleDelta().y() > 0 ? 1 : -1);
  event->accept();
}
