#include "DataOutput.h"

#include "CliError.h"

#include <QString>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
std::FILE* g_data = nullptr;
}

void DataOutput::claimStandardOutput() {
  if (g_data)
    return;
  std::fflush(stdout);
  const int data = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  if (data < 0)
    return; // no standard output at all: nothing to keep apart
  std::FILE* file = fdopen(data, "w");
  if (!file || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    if (file)
      std::fclose(file);
    else
      close(data);
    return;
  }
  g_data = file;
  // The messages now share stderr with ours: line by line, so they never interleave mid-line.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
}

std::FILE* DataOutput::stream() { return g_data ? g_data : stdout; }

int DataOutput::descriptor() { return fileno(stream()); }

void DataOutput::finish() {
  std::FILE* out = stream();
  errno = 0;
  if (std::fflush(out) != 0 || std::ferror(out)) {
    const int error = errno;
    std::clearerr(out);
    throw CliError(QStringLiteral("cannot write standard output: %1")
                       .arg(QString::fromLocal8Bit(std::strerror(error ? error : EIO))));
  }
}
