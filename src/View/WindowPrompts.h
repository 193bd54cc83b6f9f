#pragma once
// The questions the window puts to the user before anything could be lost, and the files it
// asks for: dialogs by default; tests answer them instead.
#include <QString>

class QWidget;

class WindowPrompts {
public:
  enum class Answer { Save, Discard, Overwrite, Cancel };
  virtual ~WindowPrompts() = default;

  // The scene has unsaved changes and is about to go: Save, Discard or Cancel.
  virtual Answer askUnsaved(QWidget* parent, const QString& file);
  // The file changed on disk since it was opened or saved: Overwrite or Cancel.
  virtual Answer askChangedOnDisk(QWidget* parent, const QString& file);
  virtual void tellFailure(QWidget* parent, const QString& title, const QString& message);
  // The file to save to (or open); empty when the user gave up.
  virtual QString chooseSavePath(QWidget* parent, const QString& current);
  virtual QString chooseOpenPath(QWidget* parent, const QString& current);
};
