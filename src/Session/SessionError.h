#pragma once
// What the session refuses, as one small hierarchy: every SessionError is the caller's input at
// fault (a bad scene file, a bad argument, a name the scene does not have), never an internal
// failure, and says so in one line. The command line reports any of them with exit status 2;
// the Python module raises SceneError, ValueError and KeyError for the three kinds below.
#include <QString>
#include <stdexcept>

#include "PersistentObj/PIO_LoadError.h"

class SessionError : public std::runtime_error {
public:
  explicit SessionError(const QString& message);
  // The line as text (what() holds the same in UTF-8).
  QString message() const { return QString::fromUtf8(what()); }
};

// A scene file that cannot be read: where (file, 1-based line and column, 0 and 0 when the file
// could not be opened at all) and what, the message being "file:line:column: what is wrong".
class SceneFileError : public SessionError {
public:
  explicit SceneFileError(const PIO_LoadError& error);
  const QString& file() const { return m_error.file; }
  qint64 line() const { return m_error.line; }
  qint64 column() const { return m_error.column; }
  // What is wrong, without the place.
  const QString& reason() const { return m_error.message; }

private:
  PIO_LoadError m_error;
};

// A value the session cannot use: a frame that is not a number, a point outside the view, an
// attribute value the scene file would refuse, a node that cannot do what was asked.
class BadArgumentError : public SessionError {
public:
  using SessionError::SessionError;
};

// A node or attribute name the scene does not have.
class UnknownNameError : public SessionError {
public:
  using SessionError::SessionError;
};
