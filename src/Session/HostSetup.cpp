#include "HostSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStringList>
#include <dlfcn.h>

#include "Preference/PR_Preference.h"
#include "SessionError.h"

namespace {

struct Loaded {
  PLUG_PlugInManager manager;
  QSet<QString> folders;
  std::vector<PLUG_PlugInManager::Failure> failures;
};

Loaded& loaded() {
  static Loaded state;
  return state;
}

// The folder this library was loaded from, found through one of its own functions.
QString libraryFolder() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&libraryFolder), &info) || !info.dli_fname)
    return QString();
  return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
}

} // namespace

QString HostSetup::defaultPluginFolder() {
  const QString beside = QCoreApplication::instance()
                             ? QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("plugins"))
                             : QString();
  if (!beside.isEmpty() && QDir(beside).exists())
    return beside;
  // Installed, the plug-in folder sits beside the host libraries (lib/vantorel/plugins); in the
  // build tree, next to the binaries (build/bin/plugins).
  for (const char* relative : {"plugins", "../bin/plugins"}) {
    const QString folder = QDir(libraryFolder()).filePath(QLatin1String(relative));
    if (QDir(folder).exists())
      return QDir::cleanPath(folder);
  }
  return beside;
}

std::vector<PLUG_PlugInManager::Failure> HostSetup::setUp(const HostOptions& options) {
  Loaded& state = loaded();
  std::vector<PLUG_PlugInManager::Failure> failed;
  if (!options.plugins.isEmpty() && !QDir(options.plugins).exists())
    throw BadArgumentError(QStringLiteral("--plugins: no folder \"%1\"").arg(options.plugins));
  if (!options.plugins.isEmpty() || state.folders.isEmpty()) {
    const QString folder = options.plugins.isEmpty() ? defaultPluginFolder() : options.plugins;
    const QString key = QFileInfo(folder).absoluteFilePath();
    if (!state.folders.contains(key)) {
      state.folders.insert(key);
      failed = state.manager.loadFolder(folder).failed;
      state.failures.insert(state.failures.end(), failed.begin(), failed.end());
    }
  }
  if (!options.prefs.isEmpty()) {
    QString error;
    if (!rxPref->loadFile(options.prefs, &error)) {
      // One line: the first problem, and how many more there are.
      const QStringList lines = error.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
      throw BadArgumentError(lines.size() > 1
                                 ? QStringLiteral("%1 (and %2 more)").arg(lines.front()).arg(lines.size() - 1)
                                 : error.trimmed());
    }
  }
  return failed;
}

const std::vector<PLUG_PlugInManager::Failure>& HostSetup::failures() { return loaded().failures; }
