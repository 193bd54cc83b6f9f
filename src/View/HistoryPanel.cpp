#include "HistoryPanel.h"

#include "ViewDocument.h"

HistoryPanel::HistoryPanel(ViewDocument& document, QWidget* parent) : QListWidget(parent), m_document(document) {
  setSelectionMode(QAbstractItemView::SingleSelection);
  connect(&document, &ViewDocument::historyChanged, this, &HistoryPanel::follow);
  connect(&document, &ViewDocument::replaced, this, &HistoryPanel::follow);
  connect(this, &QListWidget::currentRowChanged, this, &HistoryPanel::goTo);
  follow();
}

QStringList HistoryPanel::names() const {
  QStringList all;
  for (int i = 0; i < count(); ++i)
    all << item(i)->text();
  return all;
}

void HistoryPanel::follow() {
  const Session& s = m_document.session();
  const QStringList done = s.history();
  const QStringList all = QStringList{tr("Opened %1").arg(m_document.displayName())} + done + s.redoHistory();
  m_following = true;
  // Undo and redo only move the mark, so the rows stay (this may run inside the list's own
  // signal when a row was chosen); a new step, or another scene, makes them again.
  if (names() != all) {
    clear();
    addItems(all);
  }
  for (int i = 0; i < count(); ++i) {
    QListWidgetItem* row = item(i);
    const bool undone = i > done.size();
    row->setForeground(palette().color(undone ? QPalette::Disabled : QPalette::Active, QPalette::Text));
    QFont font = row->font();
    font.setItalic(undone);
    row->setFont(font);
  }
  setCurrentRow(static_cast<int>(done.size()));
  scrollToItem(currentItem());
  m_following = false;
}

void HistoryPanel::goTo(int row) {
  if (m_following || row < 0)
    return;
  Session& s = m_document.session();
  // Each step tells the list, which then shows where it stands; one row at a time.
  while (s.history().size() > row && s.undo()) {
  }
  while (s.history().size() < row && s.redo()) {
  }
}
