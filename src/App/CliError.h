#pragma once
// A problem with what the user gave (arguments, files): reported as one line on stderr and exit
// status 2. The session's own refusals are the same kind of problem, so the command line takes
// them as they come. Anything else that escapes a command is an internal failure (status 1).
#include "SessionError.h"

using CliError = SessionError;

// Runs `call`, giving what the session refuses in it the command's prefix ("bake: "), as the
// command reports its own bad input.
template <class Call> auto withPrefix(const QString& prefix, Call&& call) -> decltype(call()) {
  try {
    return call();
  } catch (const SessionError& e) {
    throw CliError(prefix + e.message());
  }
}
