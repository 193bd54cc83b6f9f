#pragma once
// Writes a scene as a version 1 scene file: range, aspect, metrics, camera, then every node in
// scene order with its flags (only when not the default), its input count when it has variable
// inputs that its links do not account for, and the attributes that differ from a
// freshly created node of its type or carry keys, then the links by target node and input.
// Numbers are the shortest text that reads back exactly. A scene read from a file is written
// back into that file's text: nodes, attributes and links keep the order they were read in,
// what did not change keeps its spelling, comments and spacing, so that reading and writing a
// file back gives the same bytes and an edit changes only the lines it touches. Reading the
// result gives the same scene bit for bit. Text XML cannot carry (control characters in a
// string attribute) makes writeFile fail; writeData writes it anyway.
#include <QByteArray>
#include <QString>

class SC_SceneCommon;

class PIO_SceneWriter {
public:
  static QByteArray writeData(const SC_SceneCommon& scene);
  // Replaces the file only once everything is written (nothing half-written is left on
  // failure); false with a reason when it cannot.
  static bool writeFile(const SC_SceneCommon& scene, const QString& path, QString* error);

private:
  static QByteArray write(const SC_SceneCommon& scene, QString* error);
};
