#include "PlugInManager/PLUG_PlugInManager.h"

#include <QDir>
#include <QFile>
#include <dlfcn.h>

bool PLUG_PlugInManager::loadLibrary(const QString& path, QString* message) {
  // RTLD_NOW: an unresolved symbol is reported now, not as a crash at first use; RTLD_GLOBAL:
  // a plug-in may rely on symbols of one loaded before it.
  void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_GLOBAL);
  if (!handle) {
    if (message) {
      const char* err = dlerror();
      *message = err ? QString::fromLocal8Bit(err) : QStringLiteral("unknown loader error");
    }
    return false;
  }
  m_loaded << path;
  return true;
}

PLUG_PlugInManager::Result PLUG_PlugInManager::loadFolder(const QString& dir) {
  Result result;
  QDir folder(dir);
  if (!folder.exists()) {
    result.folderMissing = true;
    return result;
  }
  const QStringList names = folder.entryList(QStringList() << QStringLiteral("*.so"), QDir::Files, QDir::Name);
  for (const QString& name : names) {
    const QString path = folder.absoluteFilePath(name);
    QString message;
    if (loadLibrary(path, &message))
      result.loaded << path;
    else
      result.failed.push_back({path, message});
  }
  return result;
}
