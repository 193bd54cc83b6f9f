#pragma once
// The window of vantorel view: the viewport and the node view side by side over the timeline,
// the attribute panel and the undo history docked beside them, a status bar saying what a click
// found or a drag did. Undo and redo (Ctrl+Z, Ctrl+Shift+Z) go through the host's command
// manager; Save (Ctrl+S) and Save As write the scene whole or not at all, never over a file
// changed on disk without asking; the title marks unsaved changes, and closing or opening
// another scene asks before losing them.
#include <QMainWindow>
#include <memory>

#include "WindowPrompts.h"

class AttributePanel;
class HistoryPanel;
class NodeGraphWidget;
class QAction;
class QComboBox;
class QSpinBox;
class Session;
class TimelineBar;
class ViewDocument;
class ViewportWidget;
struct PickResult;

class MainWindow : public QMainWindow {
  Q_OBJECT
public:
  explicit MainWindow(std::unique_ptr<Session> session, QWidget* parent = nullptr);
  ~MainWindow() override;

  ViewDocument& document() { return *m_document; }
  ViewportWidget* viewport() const { return m_viewport; }
  NodeGraphWidget* nodeView() const { return m_nodeView; }
  AttributePanel* attributes() const { return m_attributes; }
  HistoryPanel* history() const { return m_history; }
  TimelineBar* timeline() const { return m_timeline; }
  QString statusText() const;
  // Questions and file choices go here from now on (the window keeps it).
  void setPrompts(std::unique_ptr<WindowPrompts> prompts);

  // What the File menu does; each says whether it went through.
  bool save();
  bool saveAs();
  bool open();
  // Whether the scene may go: saved, or the user chose to lose the changes.
  bool mayDiscard();

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void buildActions();
  void buildFileMenu();
  void buildEditMenu();
  void buildViewMenu();
  void buildDisplayToggles(QMenu* view);
  void buildPlaybackMenu();
  void buildToolBar();
  void setView(int index);
  void buildLayout();
  void updateTitle();
  void updateDisplay();
  void say(const QString& text);
  void reportPick(const PickResult& hit);
  bool saveTo(const QString& path);

  std::unique_ptr<ViewDocument> m_document;
  std::unique_ptr<WindowPrompts> m_prompts;
  ViewportWidget* m_viewport = nullptr;
  NodeGraphWidget* m_nodeView = nullptr;
  AttributePanel* m_attributes = nullptr;
  HistoryPanel* m_history = nullptr;
  TimelineBar* m_timeline = nullptr;
  QAction* m_undo = nullptr;
  QAction* m_redo = nullptr;
  QAction* m_labels = nullptr;
  QAction* m_onion = nullptr;
  QAction* m_picking = nullptr;
  QAction* m_offsetDrag = nullptr;
  QComboBox* m_view = nullptr;
  QSpinBox* m_onionFrames = nullptr;
};
