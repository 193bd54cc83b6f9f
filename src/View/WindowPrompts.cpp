#include "WindowPrompts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {

const QString kSceneFiles = QStringLiteral("Scene files (*.xml);;All files (*)");

} // namespace

WindowPrompts::Answer WindowPrompts::askUnsaved(QWidget* parent, const QString& file) {
  QMessageBox box(QMessageBox::Warning, QObject::tr("Unsaved changes"),
                  QObject::tr("Save the changes to %1 before closing it?").arg(file),
                  QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
  box.setInformativeText(QObject::tr("Changes not saved are lost."));
  box.setDefaultButton(QMessageBox::Save);
  switch (box.exec()) {
  case QMessageBox::Save:
    return Answer::Save;
  case QMessageBox::Discard:
    return Answer::Discard;
  default:
    return Answer::Cancel;
  }
}

WindowPrompts::Answer WindowPrompts::askChangedOnDisk(QWidget* parent, const QString& file) {
  QMessageBox box(QMessageBox::Warning, QObject::tr("File changed on disk"),
                  QObject::tr("%1 has changed on disk since it was opened.").arg(file), QMessageBox::Cancel, parent);
  box.setInformativeText(QObject::tr("Overwrite it with the scene shown here, losing what changed on disk? "
                                     "Save As keeps both."));
  QPushButton* overwrite = box.addButton(QObject::tr("Overwrite"), QMessageBox::DestructiveRole);
  box.setDefaultButton(QMessageBox::Cancel);
  box.exec();
  return box.clickedButton() == static_cast<QAbstractButton*>(overwrite) ? Answer::Overwrite : Answer::Cancel;
}

void WindowPrompts::tellFailure(QWidget* parent, const QString& title, const QString& message) {
  QMessageBox::critical(parent, title, message);
}

QString WindowPrompts::chooseSavePath(QWidget* parent, const QString& current) {
  return QFileDialog::getSaveFileName(parent, QObject::tr("Save Scene As"), current, kSceneFiles);
}

QString WindowPrompts::chooseOpenPath(QWidget* parent, const QString& current) {
  return QFileDialog::getOpenFileName(parent, QObject::tr("Open Scene"), QFileInfo(current).absolutePath(),
                                      kSceneFiles);
}
