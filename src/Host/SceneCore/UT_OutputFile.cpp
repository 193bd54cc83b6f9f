#include "SceneCore/UT_OutputFile.h"

#include <QFileInfo>

#ifdef __linux__
#include <fcntl.h>
#endif

namespace {

// Every so many bytes the new part of a file starts on its way to the disk while writing goes on.
constexpr qint64 kHandOver = qint64(8) << 20;

} // namespace

UT_OutputFile::UT_OutputFile(const QString& path) : m_path(path) {}

UT_OutputFile::~UT_OutputFile() {
  if (m_save)
    m_save->cancelWriting();
}

bool UT_OutputFile::open() {
  const QFileInfo info(m_path);
  // Replacing a device or a pipe by a regular file would break it, not write to it.
  if (info.exists() && !info.isFile() && !info.isDir()) {
    m_direct = std::make_unique<QFile>(m_path);
    return m_direct->open(QIODevice::WriteOnly | QIODevice::Unbuffered);
  }
  m_save = std::make_unique<QSaveFile>(m_path);
  return m_save->open(QIODevice::WriteOnly);
}

bool UT_OutputFile::write(const char* data, qint64 size) {
  QFileDevice* device = m_save ? static_cast<QFileDevice*>(m_save.get()) : m_direct.get();
  if (!device || (size != 0 && device->write(data, size) != size))
    return false;
  m_written += size;
#ifdef __linux__
  // Without this the whole file would wait in memory until commit() makes it durable. Failing to
  // start early is harmless: commit() still waits for every byte.
  if (m_save && m_written - m_handedOver >= kHandOver && m_save->flush()) {
    ::sync_file_range(m_save->handle(), m_handedOver, m_written - m_handedOver, SYNC_FILE_RANGE_WRITE);
    m_handedOver = m_written;
  }
#endif
  return true;
}

bool UT_OutputFile::commit() {
  if (m_save)
    return m_save->commit();
  if (!m_direct)
    return false;
  m_direct->close();
  return m_direct->error() == QFileDevice::NoError;
}

void UT_OutputFile::cancel() {
  if (m_save)
    m_save->cancelWriting();
}

QString UT_OutputFile::errorString() const {
  if (m_save)
    return m_save->errorString();
  return m_direct ? m_direct->errorString() : QString();
}

bool UT_OutputFile::save(const QString& path, const QByteArray& bytes, QString* why) {
  UT_OutputFile file(path);
  if (!file.open() || !file.write(bytes) || !file.commit()) {
    if (why)
      *why = QStringLiteral("%1: %2").arg(path, file.errorString());
    file.cancel();
    return false;
  }
  return true;
}
