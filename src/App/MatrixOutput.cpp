#include "MatrixOutput.h"

#include <QTemporaryFile>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>
#include <unistd.h>

#include "BaseCore/DecimalText.h"
#include "CliError.h"
#include "DataOutput.h"
#include "SceneCore/UT_OutputFile.h"

namespace {

// Output is gathered in blocks of this size before it is written.
constexpr std::size_t kBlock = 1 << 20;
// The longest number text: sign, 17 digits, point, exponent.
constexpr std::size_t kNumberRoom = DecimalText::kRoom;
// JSON rows kept in memory before they go to the temporary file.
constexpr std::size_t kJsonBudget = 8u << 20;

// A full disk or a closed pipe is the user's to mend, as a bad argument is.
[[noreturn]] void cannotWrite(const QString& what, const QString& why) {
  throw CliError(QStringLiteral("cannot write %1: %2").arg(what, why));
}

// A buffered byte output: the data stream's descriptor, or a file that appears under its name
// only when committed.
class ByteOutput {
public:
  explicit ByteOutput(const QString& path) : m_name(path.isEmpty() ? QStringLiteral("standard output") : path) {
    if (path.isEmpty()) {
      std::fflush(DataOutput::stream());
      m_fd = DataOutput::descriptor();
      return;
    }
    m_file = std::make_unique<UT_OutputFile>(path);
    if (!m_file->open())
      cannotWrite(path, m_file->errorString());
  }

  // Room for n (at most kBlock) more bytes; advance() then says where the written bytes end.
  char* room(std::size_t n) {
    if (m_size + n > kBlock)
      flush();
    return m_buffer.get() + m_size;
  }
  void advance(const char* end) { m_size = static_cast<std::size_t>(end - m_buffer.get()); }
  void write(const char* data, std::size_t n) {
    if (n > kBlock / 2) {
      flush();
      put(data, n);
      return;
    }
    char* p = room(n);
    std::memcpy(p, data, n);
    advance(p + n);
  }
  void write(const QByteArray& bytes) { write(bytes.constData(), static_cast<std::size_t>(bytes.size())); }

  void flush() {
    put(m_buffer.get(), m_size);
    m_size = 0;
  }
  void commit() {
    flush();
    if (m_file && !m_file->commit())
      cannotWrite(m_name, m_file->errorString());
  }

private:
  void put(const char* data, std::size_t n) {
    if (m_file) {
      if (!m_file->write(data, static_cast<qint64>(n)))
        cannotWrite(m_name, m_file->errorString());
      return;
    }
    while (n) {
      const ssize_t done = ::write(m_fd, data, n);
      if (done < 0 && errno == EINTR)
        continue;
      if (done <= 0)
        cannotWrite(m_name, QString::fromLocal8Bit(std::strerror(errno)));
      data += done;
      n -= static_cast<std::size_t>(done);
    }
  }

  QString m_name;
  int m_fd = -1;
  std::unique_ptr<UT_OutputFile> m_file;
  std::unique_ptr<char[]> m_buffer{new char[kBlock]};
  std::size_t m_size = 0;
};

QByteArray csvField(const QString& s) {
  if (!s.contains(QLatin1Char(',')) && !s.contains(QLatin1Char('"')) && !s.contains(QLatin1Char('\n')))
    return s.toUtf8();
  QString quoted = s;
  quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
  return '"' + quoted.toUtf8() + '"';
}

char* integer(char* p, long long v) { return std::to_chars(p, p + kNumberRoom, v).ptr; }

// The column names: m0 to m15 for matrices.
QStringList columnsOrMatrix(const QStringList& columns) {
  if (!columns.isEmpty())
    return columns;
  QStringList m;
  for (int i = 0; i < 16; ++i)
    m << QStringLiteral("m%1").arg(i);
  return m;
}

// Rows node,frame,m0,...,m15 (or the columns), written frame after frame.
class CsvWriter : public MatrixWriter {
public:
  CsvWriter(const QString& path, const std::vector<int>& frames, const std::vector<QString>& names,
            const QStringList& columns)
      : MatrixWriter(names.size(), static_cast<std::size_t>(columns.size())), m_out(path), m_frames(frames) {
    QByteArray header = "node,frame";
    for (const QString& c : columns)
      header += ',' + csvField(c);
    m_out.write(header + '\n');
    for (const QString& n : names)
      m_names.push_back(csvField(n));
  }
  void finish() override { m_out.commit(); }

  // Matrices only: their sixteen values a row.
  bool preparesApart() const override { return width() == 16; }
  void prepare(std::size_t index, const std::vector<Math::Matrix4x4>& matrices, std::string& piece) const override {
    std::size_t room = 0;
    for (std::size_t n = 0; n < matrices.size(); ++n)
      room += rowRoom(n);
    piece.resize(room);
    char* p = piece.data();
    for (std::size_t n = 0; n < matrices.size(); ++n)
      p = format(p, index, n, matrices[n].values());
    piece.resize(static_cast<std::size_t>(p - piece.data()));
  }
  void put(std::size_t, const std::string& piece) override { m_out.write(piece.data(), piece.size()); }

private:
  void row(std::size_t index, std::size_t node, const double* v) override {
    m_out.advance(format(m_out.room(rowRoom(node)), index, node, v));
  }
  // The most a node's row can take.
  std::size_t rowRoom(std::size_t node) const {
    return static_cast<std::size_t>(m_names[node].size()) + 16 + width() * (kNumberRoom + 1);
  }
  // The node's row at p; returns its end.
  char* format(char* p, std::size_t index, std::size_t node, const double* v) const {
    const QByteArray& name = m_names[node];
    p = std::copy(name.constBegin(), name.constEnd(), p);
    *p++ = ',';
    p = integer(p, m_frames[index]);
    for (std::size_t i = 0; i < width(); ++i) {
      *p++ = ',';
      p = MatrixOutput::number(p, v[i], false);
    }
    *p++ = '\n';
    return p;
  }

  ByteOutput m_out;
  const std::vector<int> m_frames;
  std::vector<QByteArray> m_names;
};

// One document, node after node. Each node's rows are formatted as its frames come and kept in
// memory; when they pass the budget, every node's rows so far go to a temporary file as one piece
// each, and the end copies each node's pieces back in order. A row is an array of the matrix's
// values, or an object keyed by the column names.
class JsonWriter : public MatrixWriter {
public:
  JsonWriter(const QString& path, const std::vector<int>& frames, const std::vector<QString>& names,
             const QStringList& columns)
      : MatrixWriter(names.size(), columns.isEmpty() ? 16 : static_cast<std::size_t>(columns.size())), m_out(path),
        m_frames(frames), m_names(names), m_rows(names.size()), m_pieces(names.size()) {
    std::size_t room = 16;
    for (int i = 0; i < static_cast<int>(width()); ++i) {
      m_keys.push_back(columns.isEmpty() ? QByteArray() : MatrixOutput::jsonString(columns[i]) + ": ");
      room += static_cast<std::size_t>(m_keys.back().size()) + kNumberRoom + 2;
    }
    m_text.resize(room);
  }

  void row(std::size_t index, std::size_t node, const double* v) override {
    const char* const end = format(m_text.data(), index, v);
    m_rows[node].append(m_text.data(), static_cast<std::size_t>(end - m_text.data()));
    m_held += static_cast<std::size_t>(end - m_text.data());
  }

  // A frame's piece: where each node's row ends, then the rows. Matrices only (no column names).
  bool preparesApart() const override { return m_keys.front().isEmpty(); }
  void prepare(std::size_t index, const std::vector<Math::Matrix4x4>& matrices, std::string& piece) const override {
    const std::size_t ends = matrices.size() * sizeof(std::size_t);
    piece.resize(ends + matrices.size() * m_text.size());
    char* const rows = piece.data() + ends;
    char* p = rows;
    for (std::size_t n = 0; n < matrices.size(); ++n) {
      p = format(p, index, matrices[n].values());
      const std::size_t end = static_cast<std::size_t>(p - rows);
      std::memcpy(piece.data() + n * sizeof(std::size_t), &end, sizeof end);
    }
  }
  void put(std::size_t, const std::string& piece) override {
    const char* const rows = piece.data() + m_rows.size() * sizeof(std::size_t);
    std::size_t begin = 0;
    for (std::size_t n = 0; n < m_rows.size(); ++n) {
      std::size_t end = 0;
      std::memcpy(&end, piece.data() + n * sizeof(std::size_t), sizeof end);
      m_rows[n].append(rows + begin, end - begin);
      m_held += end - begin;
      begin = end;
    }
    frameDone();
  }
  void frameDone() override {
    if (m_held > kJsonBudget)
      spill();
  }

  void finish() override {
    QByteArray head = "{\"frames\": [";
    m_out.write(head);
    for (std::size_t f = 0; f < m_frames.size(); ++f) {
      char* p = m_out.room(kNumberRoom + 2);
      if (f) {
        *p++ = ',';
        *p++ = ' ';
      }
      m_out.advance(integer(p, m_frames[f]));
    }
    m_out.write("], \"nodes\": {", 13);
    std::vector<char> piece;
    for (std::size_t n = 0; n < m_names.size(); ++n) {
      m_out.write((n ? ",\n  " : "\n  ") + MatrixOutput::jsonString(m_names[n]) + ": [");
      for (const Piece& s : m_pieces[n]) {
        piece.resize(static_cast<std::size_t>(s.size));
        if (!m_spill->seek(s.offset) || m_spill->read(piece.data(), s.size) != s.size)
          cannotWrite(QStringLiteral("the temporary file"), m_spill->errorString());
        m_out.write(piece.data(), piece.size());
      }
      m_out.write(m_rows[n].data(), m_rows[n].size());
      m_out.write("]", 1);
    }
    m_out.write("\n}}\n", 4);
    m_out.commit();
  }

private:
  struct Piece {
    qint64 offset;
    qint64 size;
  };

  // A node's row at frame `index` at p (room for m_text's size); returns its end.
  char* format(char* p, std::size_t index, const double* v) const {
    const bool keyed = !m_keys.front().isEmpty();
    const char* open = index ? ",\n    " : "\n    ";
    p = std::copy(open, open + std::strlen(open), p);
    *p++ = keyed ? '{' : '[';
    for (std::size_t i = 0; i < width(); ++i) {
      if (i) {
        *p++ = ',';
        *p++ = ' ';
      }
      p = std::copy(m_keys[i].constBegin(), m_keys[i].constEnd(), p);
      p = MatrixOutput::number(p, v[i], true);
    }
    *p++ = keyed ? '}' : ']';
    return p;
  }

  void spill() {
    if (!m_spill) {
      m_spill = std::make_unique<QTemporaryFile>();
      if (!m_spill->open())
        cannotWrite(QStringLiteral("a temporary file"), m_spill->errorString());
    }
    for (std::size_t n = 0; n < m_rows.size(); ++n) {
      const auto size = static_cast<qint64>(m_rows[n].size());
      if (!size)
        continue;
      if (m_spill->write(m_rows[n].data(), size) != size)
        cannotWrite(m_spill->fileName(), m_spill->errorString());
      m_pieces[n].push_back({m_spilled, size});
      m_spilled += size;
      m_rows[n].clear();
    }
    m_held = 0;
  }

  ByteOutput m_out;
  const std::vector<int> m_frames;
  std::vector<QString> m_names;
  std::vector<QByteArray> m_keys; // '"name": ' for each column, empty for matrices
  std::vector<char> m_text;
  std::vector<std::string> m_rows;
  std::vector<std::vector<Piece>> m_pieces;
  std::unique_ptr<QTemporaryFile> m_spill;
  qint64 m_spilled = 0;
  std::size_t m_held = 0;
};

bool littleEndian() {
  const std::uint16_t one = 1;
  unsigned char first;
  std::memcpy(&first, &one, 1);
  return first == 1;
}

// OUT.npy with the array (frames, nodes, 16) or the structured array (frames, nodes), written
// frame after frame (the array's own order), and the frame numbers and node names beside it.
class NpyWriter : public MatrixWriter {
public:
  NpyWriter(const QString& path, const std::vector<int>& frames, const std::vector<QString>& names,
            const QStringList& columns)
      : MatrixWriter(names.size(), columns.isEmpty() ? 16 : static_cast<std::size_t>(columns.size())), m_out(path),
        m_frames(path.left(path.size() - 4) + QStringLiteral(".frames.txt")),
        m_nodes(path.left(path.size() - 4) + QStringLiteral(".nodes.txt")) {
    m_out.write(MatrixOutput::npyHeader(frames.size(), names.size(), columns));
    for (int f : frames) {
      char* p = m_frames.room(kNumberRoom);
      p = integer(p, f);
      *p++ = '\n';
      m_frames.advance(p);
    }
    for (const QString& n : names)
      m_nodes.write(n.toUtf8() + '\n');
  }
  void row(std::size_t, std::size_t, const double* v) override {
    static const bool swap = !littleEndian();
    const std::size_t bytes = width() * sizeof(double);
    char* p = m_out.room(bytes);
    std::memcpy(p, v, bytes);
    if (swap)
      for (std::size_t i = 0; i < bytes; i += 8)
        std::reverse(p + i, p + i + 8);
    m_out.advance(p + bytes);
  }
  void finish() override {
    m_frames.commit();
    m_nodes.commit();
    m_out.commit();
  }

private:
  ByteOutput m_out;
  ByteOutput m_frames;
  ByteOutput m_nodes;
};

} // namespace

void MatrixWriter::values(std::size_t index, const double* v) {
  for (std::size_t n = 0; n < m_nodes; ++n, v += m_width)
    row(index, n, v);
  frameDone();
}

void MatrixWriter::frame(std::size_t index, const std::vector<Math::Matrix4x4>& matrices) {
  for (std::size_t n = 0; n < matrices.size(); ++n)
    row(index, n, matrices[n].values());
  frameDone();
}

std::unique_ptr<MatrixWriter> MatrixOutput::create(Format format, const QString& path, const std::vector<int>& frames,
                                                   const std::vector<QString>& names, const QStringList& columns) {
  switch (format) {
  case Format::Csv:
    return std::make_unique<CsvWriter>(path, frames, names, columnsOrMatrix(columns));
  case Format::Json:
    return std::make_unique<JsonWriter>(path, frames, names, columns);
  case Format::Npy:
    if (!path.endsWith(QLatin1String(".npy")))
      throw std::runtime_error("an npy output's name must end in .npy");
    return std::make_unique<NpyWriter>(path, frames, names, columns);
  }
  return nullptr;
}

char* MatrixOutput::number(char* p, double v, bool json) {
  if (json && !std::isfinite(v)) {
    std::memcpy(p, "null", 4);
    return p + 4;
  }
  // Most matrices are full of exact zeros and ones: spelled at once.
  if (v == 0.0 && !std::signbit(v)) {
    *p = '0';
    return p + 1;
  }
  if (v == 1.0) {
    *p = '1';
    return p + 1;
  }
  // A NaN's sign means nothing: every one is spelled "nan", as readers expect.
  if (std::isnan(v)) {
    std::memcpy(p, "nan", 3);
    return p + 3;
  }
  return DecimalText::shortest(p, v);
}

QByteArray MatrixOutput::jsonString(const QString& s) {
  QByteArray r = "\"";
  for (const char c : s.toUtf8()) {
    switch (c) {
    case '"':
      r += "\\\"";
      break;
    case '\\':
      r += "\\\\";
      break;
    case '\n':
      r += "\\n";
      break;
    case '\r':
      r += "\\r";
      break;
    case '\t':
      r += "\\t";
      break;
    default:
      if (static_cast<unsigned char>(c) < 0x20) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "\\u%04x", c);
        r += buf;
      } else {
        r += c;
      }
    }
  }
  return r + "\"";
}

QByteArray MatrixOutput::npyHeader(std::size_t frames, std::size_t nodes, const QStringList& fields) {
  QString descr = QStringLiteral("'<f8'");
  if (!fields.isEmpty()) {
    QStringList named;
    for (const QString& f : fields)
      named << QStringLiteral("('%1', '<f8')").arg(f);
    descr = QLatin1Char('[') + named.join(QStringLiteral(", ")) + QLatin1Char(']');
  }
  QByteArray dict = QStringLiteral("{'descr': %1, 'fortran_order': False, 'shape': (%2, %3%4), }")
                        .arg(descr)
                        .arg(static_cast<qulonglong>(frames))
                        .arg(static_cast<qulonglong>(nodes))
                        .arg(fields.isEmpty() ? QStringLiteral(", 16") : QString())
                        .toLatin1();
  // Magic, version, a two-byte length, then the dictionary padded with spaces to a newline so that
  // the data starts at a multiple of 64 bytes.
  const int fixed = 10;
  const int total = (fixed + dict.size() + 1 + 63) / 64 * 64;
  dict += QByteArray(total - fixed - dict.size() - 1, ' ') + '\n';
  QByteArray header("\x93NUMPY\x01\x00", 8);
  header += static_cast<char>(dict.size() & 0xff);
  header += static_cast<char>(dict.size() >> 8);
  return header + dict;
}
