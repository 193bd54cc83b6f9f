#include "SessionError.h"

SessionError::SessionError(const QString& message) : std::runtime_error(message.toStdString()) {}

SceneFileError::SceneFileError(const PIO_LoadError& error) : SessionError(error.toString()), m_error(error) {}
