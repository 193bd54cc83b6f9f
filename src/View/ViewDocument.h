#pragma once
// The scene a window shows: the session over it, the frame on show, how the viewport draws it
// (camera, top or side; labels, onion skin, picking colours) and the node the attribute panel
// edits, with a Qt signal for each change so that every widget follows. Edits go through the
// session (one undoable step each) and come back as sceneChanged and historyChanged; the shown
// frame is the session's current frame, so an edit of an animated value keys that frame.
#include <QObject>
#include <QString>
#include <memory>

#include "GraphicCore/VU_SceneRenderer.h"
#include "Session.h"

class ViewDocument : public QObject {
  Q_OBJECT
public:
  struct Display {
    VU_SceneRenderer::View view = VU_SceneRenderer::eCameraView;
    bool labels = false;
    bool onion = false;
    int onionFrames = 3; // before and after the frame shown, when the onion skin is on
    bool picking = false;
  };

  explicit ViewDocument(std::unique_ptr<Session> session, QObject* parent = nullptr);
  ~ViewDocument() override;

  Session& session() { return *m_session; }
  const Session& session() const { return *m_session; }
  // Puts another scene in place of this one (the caller has asked about unsaved changes).
  void replace(std::unique_ptr<Session> session);

  int frame() const { return m_frame; }
  // Any whole frame; the timeline keeps to the scene's range.
  void setFrame(int frame);
  FrameRange frameRange() const { return m_session->frameRange(); }

  const Display& display() const { return m_display; }
  void setDisplay(const Display& display);
  // What render would be asked for this view of `size` pixels, panned and zoomed.
  RenderOptions renderOptions(const ViewSpec& view) const;

  // The node the attribute panel shows: the one last picked or chosen while it stays selected,
  // else the last of the selection in scene order; empty when nothing is selected.
  QString focusNode() const;
  // Selects one node (or adds it, or clears the selection for an empty name) and shows it.
  void chooseNode(const QString& name, bool add = false);
  // Shows this node in the attribute panel once a pick has selected it.
  void setFocusNode(const QString& name);

  // The name the title shows: the file's, with the session's path behind it.
  QString displayName() const;

signals:
  void frameChanged(int frame);
  // Matrices or values may differ: an edit, an undo or redo, a step of a drag.
  void sceneChanged();
  void selectionChanged();
  // Steps done or undone, or the scene saved: the history and the modified mark follow.
  void historyChanged();
  void displayChanged();
  // Another scene is shown: everything is built again.
  void replaced();

private:
  void listen();
  void onChange(Session::Change change);

  std::unique_ptr<Session> m_session;
  int m_listener = 0;
  int m_frame = 1;
  Display m_display;
  QString m_focus;
};
