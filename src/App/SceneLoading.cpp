#include "SceneLoading.h"

#include "CliError.h"
#include "PersistentObj/PIO_LoadError.h"
#include "PersistentObj/PIO_SceneReader.h"
#include "SceneCore/SC_SceneCommon.h"

std::unique_ptr<SC_SceneCommon> loadSceneOrThrow(const QString& path) {
  PIO_LoadError error;
  std::unique_ptr<SC_SceneCommon> scene = PIO_SceneReader::readFile(path, &error);
  if (!scene)
    throw CliError(error.toString());
  return scene;
}
