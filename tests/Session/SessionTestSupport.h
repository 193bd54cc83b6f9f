#pragma once
// What the session tests share: opening an example with the plug-ins vantorel loads, every
// node's matrix at every frame of the scene as one column-order buffer, what the scene reader
// says of a value, and where a peg's pivot stands.
#include <gtest/gtest.h>

#include <QString>
#include <memory>
#include <optional>
#include <vector>

#include "PersistentObj/PIO_SceneReader.h"
#include "SceneCore/SC_SceneCommon.h"
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

// What the reader says about the text in a file: one node of the type and name holding it as its
// own value, or as a key at the frame.
inline QString readerSays(const QString& type, const QString& node, const QString& keyword, const QString& text,
                          std::optional<double> frame = {}) {
  const QString attr = frame ? QStringLiteral("<attr keyword=\"%1\"><key frame=\"%2\" value=\"%3\"/></attr>")
                                   .arg(keyword)
                                   .arg(*frame)
                                   .arg(text)
                             : QStringLiteral("<attr keyword=\"%1\" value=\"%2\"/>").arg(keyword, text);
  const QString xml =
      QStringLiteral("<scene version=\"1\"><node type=\"%1\" name=\"%2\">%3</node></scene>").arg(type, node, attr);
  PIO_LoadError error;
  EXPECT_FALSE(PIO_SceneReader::readData(xml.toUtf8(), QStringLiteral("probe.xml"), &error)) << xml.toStdString();
  return error.message;
}

// The peg's pivot in the world (drawing units) at the frame.
inline Math::Point3d pivotOf(Session& s, const QString& peg, double frame) {
  const AttributeInfo x = s.attribute(peg, "PIVOT.X"), y = s.attribute(peg, "PIVOT.Y"), z = s.attribute(peg, "PIVOT.Z");
  return s.matrix(peg, frame) * s.scene().metrics().toOGL(Math::Point3d(x.number, y.number, z.number));
}
