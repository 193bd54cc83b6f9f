#pragma once
// Loads plug-in libraries: every "*.so" file of a folder, in sorted name order, each opened
// with all its symbols resolved at once and made visible to the libraries after it; their
// static initialisers register node types with the module factory. A library that cannot be
// loaded is reported with the loader's message and the others still load. Libraries are never
// unloaded: the nodes they create run their code for as long as the process lives.
#include <QString>
#include <QStringList>
#include <vector>

class PLUG_PlugInManager {
public:
  struct Failure {
    QString path;
    QString message;
  };
  struct Result {
    QStringList loaded;          // paths, in load order
    std::vector<Failure> failed; // in the order tried
    bool folderMissing = false;
  };

  // A folder that does not exist loads nothing and says so.
  Result loadFolder(const QString& dir);
  // One library; false with the loader's message.
  bool loadLibrary(const QString& path, QString* message);
  // Every library loaded so far through this manager.
  const QStringList& loadedLibraries() const { return m_loaded; }

private:
  QStringList m_loaded;
};
