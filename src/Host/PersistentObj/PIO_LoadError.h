#pragma once
// Why a scene file could not be read: the file label, the 1-based line and column of the element
// at fault (the reader's own position for XML syntax errors; 0 and 0 when the file could not be
// opened at all) and one line saying what is wrong.
#include <QString>

struct PIO_LoadError {
  QString file;
  qint64 line = 0;
  qint64 column = 0;
  QString message;

  // "file:line:column: message", or "file: message" when no position applies.
  QString toString() const;
};
