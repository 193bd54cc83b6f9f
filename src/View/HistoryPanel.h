#pragma once
// The undo history: the scene as opened, then every step done (by the name it has in the host's
// command manager, "Change Switch Module", "Set ACTIVE of Gate"), then, greyed, the steps undone
// that can be redone. The current state is marked; choosing another row undoes or redoes as many
// steps as it takes to get there.
#include <QListWidget>

class ViewDocument;

class HistoryPanel : public QListWidget {
  Q_OBJECT
public:
  explicit HistoryPanel(ViewDocument& document, QWidget* parent = nullptr);

  // The names shown, the opened state first.
  QStringList names() const;

private:
  void follow();
  void goTo(int row);

  ViewDocument& m_document;
  bool m_following = false;
};
