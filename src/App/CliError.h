#pragma once
// A problem with what the user gave (arguments, files): reported as one line on stderr and exit
// status 2. Anything else that escapes a command is an internal failure (status 1).
#include <QString>
#include <stdexcept>

class CliError : public std::runtime_error {
public:
  explicit CliError(const QString& message) : std::runtime_error(message.toStdString()) {}
};
