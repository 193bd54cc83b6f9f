#include "TerminalProgress.h"

#include <cstdio>
#include <unistd.h>

std::function<void(int done, int total)> terminalProgress(const char* what, bool large) {
  if (!large || !isatty(STDERR_FILENO))
    return {};
  return [what](int done, int total) {
    if (done % 100 == 0 || done == total)
      std::fprintf(stderr, "\r%s frame %d of %d%s", what, done, total, done == total ? "\n" : "");
  };
}
