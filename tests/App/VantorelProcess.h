#pragma once
// Runs the built `vantorel` binary as a user would and collects what it says.
#include <QByteArray>
#include <QProcess>
#include <QStringList>

struct ProcessResult {
  int status; // -1 when the process crashed
  QByteArray out;
  QByteArray err;
};

inline ProcessResult vantorel(const QStringList& args) {
  QProcess p;
  p.start(QStringLiteral(VANTOREL_BINARY), args);
  p.waitForFinished(60000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
          p.readAllStandardError()};
}
