#pragma once
// What the session tests share: opening an example with the plug-ins vantorel loads, and every
// node's matrix at every frame of the scene as one column-order buffer.
#include <QString>
#include <memory>
#include <vector>

#include "Session.h"

inline std::unique_ptr<Session> openExample(const char* name) {
  return Session::open(QStringLiteral(VANTOREL_EXAMPLES "/") + QString::fromLatin1(name),
                       HostOptions{QStringLiteral(VANTOREL_PLUGIN_DIR), QString()});
}

inline std::vector<double> everyMatrix(Session& session, MatrixLayout layout = MatrixLayout::ColumnOrder) {
  const std::vector<int> frames = session.frameRange().frames();
  std::vector<double> out(frames.size() * session.nodes().size() * 16);
  session.evaluate(frames, {}, out.data(), layout);
  return out;
}
