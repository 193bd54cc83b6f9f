#pragma once
// Writes evaluated matrices frame by frame, as they are computed, without keeping the run:
//  csv   a header, then one row node,frame,m0,...,m15 for each node of each frame;
//  json  {"frames": [...], "nodes": {"NAME": [[16 values], ...], ...}}: node after node, so the
//        rows wait in memory and, past a few megabytes, in a temporary file until the end;
//  npy   OUT.npy, a NumPy array of float64 with shape (frames, nodes, 16), and beside it
//        OUT.frames.txt and OUT.nodes.txt (one frame number, one node name a line).
// Matrices are in column order. Given column names, a writer takes that many named values a
// node instead of a matrix: CSV names them in its header, JSON writes each frame as an object
// keyed by them, npy writes a structured array (frames, nodes) with one float64 field each. Numbers are the shortest
// text that reads back to the same double; a non-finite value is null in JSON, nan or inf in CSV. A file output is
// written under a temporary name and put in place by finish(), so a failed run never leaves a half-written file.
#include <QString>
#include <QStringList>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "BaseCore/Matrix4x4.h"

class MatrixWriter {
public:
  virtual ~MatrixWriter() = default;
  // Every node's values at frame `index` of the run, node after node (one per column); frames
  // come in order.
  void values(std::size_t index, const double* values);
  // The matrices of every node at frame `index`, for a writer of matrices.
  void frame(std::size_t index, const std::vector<Math::Matrix4x4>& matrices);
  // Writes what is still held and closes the output; throws a CliError when the output
  // cannot be written.
  virtual void finish() = 0;

  // Whether a frame of matrices can be written in two steps: prepare() makes the frame's bytes
  // on any thread, several frames at once (it reads only what the writer was made with), and
  // put() writes them, frames in order. The bytes are frame()'s.
  virtual bool preparesApart() const { return false; }
  virtual void prepare(std::size_t, const std::vector<Math::Matrix4x4>&, std::string&) const {}
  virtual void put(std::size_t, const std::string&) {}

protected:
  MatrixWriter(std::size_t nodes, std::size_t width) : m_nodes(nodes), m_width(width) {}
  // One node's `width` values at frame `index`; the nodes of a frame come in order.
  virtual void row(std::size_t index, std::size_t node, const double* values) = 0;
  // Called after the last node of each frame.
  virtual void frameDone() {}
  std::size_t width() const { return m_width; }

private:
  std::size_t m_nodes;
  std::size_t m_width;
};

namespace MatrixOutput {
enum class Format { Csv, Json, Npy };

// A writer for `frames` and the nodes `names` into the file `path`, or to the data stream
// (DataOutput) when the path is empty (not for npy); matrices without `columns`, named values
// with them. Throws a CliError when the file cannot be created.
std::unique_ptr<MatrixWriter> create(Format format, const QString& path, const std::vector<int>& frames,
                                     const std::vector<QString>& names, const QStringList& columns = {});

// Writes the shortest text that reads back to v at p (room for 32 characters) and returns the
// end; non-finite values as null when `json`.
char* number(char* p, double v, bool json);
// A JSON string literal with the escapes JSON requires.
QByteArray jsonString(const QString& s);
// The .npy header (format version 1.0) of a little-endian float64 array (frames, nodes, 16), or
// with `fields` of a structured array (frames, nodes) with one float64 field each.
QByteArray npyHeader(std::size_t frames, std::size_t nodes, const QStringList& fields = {});
} // namespace MatrixOutput
