#include "ViewDocument.h"

#include <QFileInfo>
#include <cmath>

ViewDocument::ViewDocument(std::unique_ptr<Session> session, QObject* parent)
    : QObject(parent), m_session(std::move(session)) {
  listen();
}

ViewDocument::~ViewDocument() {
  if (m_session)
    m_session->removeListener(m_listener);
}

void ViewDocument::listen() {
  m_frame = static_cast<int>(std::lround(m_session->currentFrame()));
  m_listener = m_session->addListener([this](Session::Change change, const QString&) { onChange(change); });
  const QStringList selected = m_session->selection();
  m_focus = selected.isEmpty() ? QString() : selected.back();
}

void ViewDocument::replace(std::unique_ptr<Session> session) {
  m_session->removeListener(m_listener);
  m_session = std::move(session);
  listen();
  emit replaced();
}

void ViewDocument::onChange(Session::Change change) {
  switch (change) {
  case Session::Change::Executed:
  case Session::Change::Undone:
  case Session::Change::Redone:
    emit sceneChanged();
    emit historyChanged();
    break;
  case Session::Change::Dragging:
    emit sceneChanged();
    break;
  case Session::Change::Saved:
    emit historyChanged();
    break;
  case Session::Change::Selection:
    if (!m_session->selection().contains(m_focus)) {
      const QStringList selected = m_session->selection();
      m_focus = selected.isEmpty() ? QString() : selected.back();
    }
    emit selectionChanged();
    break;
  }
}

void ViewDocument::setFrame(int frame) {
  if (frame == m_frame)
    return;
  m_frame = frame;
  m_session->setCurrentFrame(frame);
  emit frameChanged(frame);
}

void ViewDocument::setDisplay(const Display& display) {
  m_display = display;
  emit displayChanged();
}

RenderOptions ViewDocument::renderOptions(const ViewSpec& view) const {
  RenderOptions options;
  options.view = view;
  options.picking = m_display.picking;
  options.onion = m_display.onion ? m_display.onionFrames : 0;
  options.labels = m_display.labels;
  return options;
}

QString ViewDocument::focusNode() const { return m_focus; }

void ViewDocument::setFocusNode(const QString& name) {
  if (name == m_focus || (!name.isEmpty() && !m_session->selection().contains(name)))
    return;
  m_focus = name;
  emit selectionChanged();
}

void ViewDocument::chooseNode(const QString& name, bool add) {
  // The focus first, so that the selection's listeners already see it.
  m_focus = name;
  if (name.isEmpty())
    m_session->clearSelection();
  else
    m_session->select({name}, add);
}

QString ViewDocument::displayName() const { return QFileInfo(m_session->path()).fileName(); }
