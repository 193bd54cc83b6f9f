#include "SceneCore/UT_OutputFile.h"

#include <QFileInfo>

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
  return device && (size == 0 || device->write(data, size) == size);
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
