#pragma once
// A file written whole or not at all: a new or regular file is written beside its place and
// takes it only once complete (nothing half-written is left when writing fails), while an
// existing device, pipe or socket (/dev/stdout, a FIFO) cannot be replaced and is written
// directly. Errors read as the system words them ("No space left on device"). A long file is
// handed to the disk as it grows, so that making it appear waits for its last part only.
#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <memory>

class UT_OutputFile {
public:
  explicit UT_OutputFile(const QString& path);
  ~UT_OutputFile();
  UT_OutputFile(const UT_OutputFile&) = delete;
  UT_OutputFile& operator=(const UT_OutputFile&) = delete;

  // False when the file cannot be made; errorString says why.
  bool open();
  // Every byte or false.
  bool write(const char* data, qint64 size);
  bool write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
  // Makes the file appear under its name; false (and no file) when that fails.
  bool commit();
  // Drops what was written (a direct write keeps what reached the device).
  void cancel();
  QString errorString() const;

  // Writes `bytes` as a whole file; false with `why` (path: reason) when it cannot.
  static bool save(const QString& path, const QByteArray& bytes, QString* why);

private:
  QString m_path;
  std::unique_ptr<QSaveFile> m_save;
  std::unique_ptr<QFile> m_direct;
  qint64 m_written = 0;
  qint64 m_handedOver = 0;
};
