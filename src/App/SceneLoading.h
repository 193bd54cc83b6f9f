#pragma once
// Loads a scene file for a command, turning a load error into a CliError that carries the
// reader's file:line:column message.
#include <QString>
#include <memory>

class SC_SceneCommon;

std::unique_ptr<SC_SceneCommon> loadSceneOrThrow(const QString& path);
