#include "MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "AttributePanel.h"
#include "HistoryPanel.h"
#include "NodeGraphWidget.h"
#include "PickReport.h"
#include "Session.h"
#include "SessionError.h"
#include "TimelineBar.h"
#include "ViewDocument.h"
#include "ViewportWidget.h"

MainWindow::MainWindow(std::unique_ptr<Session> session, QWidget* parent)
    : QMainWindow(parent), m_document(std::make_unique<ViewDocument>(std::move(session))),
      m_prompts(std::make_unique<WindowPrompts>()) {
  buildLayout();
  buildActions();
  connect(m_document.get(), &ViewDocument::historyChanged, this, &MainWindow::updateTitle);
  connect(m_document.get(), &ViewDocument::replaced, this, &MainWindow::updateTitle);
  connect(m_document.get(), &ViewDocument::displayChanged, this, &MainWindow::updateDisplay);
  connect(m_viewport, &ViewportWidget::picked, this, &MainWindow::reportPick);
  connect(m_viewport, &ViewportWidget::dragStarted, this, [this](const DragHit& hit) {
    say(hit.kind == DragHit::PegPivot ? tr("Moving the pivot of %1").arg(hit.node)
                                      : tr("Dragging the control of %1 (%2)").arg(hit.node, hit.type));
  });
  connect(m_viewport, &ViewportWidget::dragFinished, this,
          [this](const QString& step) { say(step.isEmpty() ? tr("Drag cancelled") : step); });
  connect(m_viewport, &ViewportWidget::refused, this, &MainWindow::say);
  connect(m_attributes, &AttributePanel::edited, this, &MainWindow::say);
  connect(m_attributes, &AttributePanel::refused, this, &MainWindow::say);
  updateTitle();
  updateDisplay();
  resize(1400, 820);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildLayout() {
  ViewDocument& doc = *m_document;
  m_viewport = new ViewportWidget(doc);
  m_nodeView = new NodeGraphWidget(doc);
  auto* views = new QSplitter(Qt::Horizontal);
  views->addWidget(m_viewport);
  views->addWidget(m_nodeView);
  views->setStretchFactor(0, 3);
  views->setStretchFactor(1, 1);
  views->setSizes({900, 420});
  m_timeline = new TimelineBar(doc);
  auto* centre = new QWidget;
  auto* column = new QVBoxLayout(centre);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addWidget(views, 1);
  column->addWidget(m_timeline);
  setCentralWidget(centre);

  m_attributes = new AttributePanel(doc);
  auto* attributes = new QDockWidget(tr("Attributes"), this);
  attributes->setObjectName(QStringLiteral("attributes"));
  attributes->setWidget(m_attributes);
  addDockWidget(Qt::RightDockWidgetArea, attributes);
  m_history = new HistoryPanel(doc);
  auto* history = new QDockWidget(tr("History"), this);
  history->setObjectName(QStringLiteral("history"));
  history->setWidget(m_history);
  addDockWidget(Qt::RightDockWidgetArea, history);
  resizeDocks({attributes, history}, {560, 200}, Qt::Vertical);
  resizeDocks({attributes}, {360}, Qt::Horizontal);
  statusBar()->showMessage(tr("Click a node to pick it; drag a knob, a control or a pivot to move it"));
}

void MainWindow::buildActions() {
  buildFileMenu();
  buildEditMenu();
  buildViewMenu();
  buildPlaybackMenu();
  buildToolBar();
}

void MainWindow::setView(int index) {
  ViewDocument::Display d = m_document->display();
  d.view = static_cast<VU_SceneRenderer::View>(index);
  m_document->setDisplay(d);
}

void MainWindow::buildFileMenu() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->addAction(tr("&Open..."), QKeySequence::Open, this, &MainWindow::open);
  file->addAction(tr("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S), this, &MainWindow::save);
  file->addAction(tr("Save &As..."), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this, &MainWindow::saveAs);
  file->addSeparator();
  file->addAction(tr("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), this, &QWidget::close);
}

void MainWindow::buildEditMenu() {
  QMenu* edit = menuBar()->addMenu(tr("&Edit"));
  m_undo =
      edit->addAction(tr("&Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z), this, [this] { m_document->session().undo(); });
  m_redo = edit->addAction(tr("&Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), this,
                           [this] { m_document->session().redo(); });
  // The toolbar keeps its short names while the menu names the step.
  m_undo->setIconText(tr("Undo"));
  m_redo->setIconText(tr("Redo"));
  m_offsetDrag = edit->addAction(tr("Drags Move &Every Frame"));
  m_offsetDrag->setCheckable(true);
  m_offsetDrag->setToolTip(tr("Off: a drag sets the value at the frame shown. On: it moves every key by as much."));
  connect(m_offsetDrag, &QAction::toggled, this, [this](bool on) { m_viewport->setAnimationMode(on ? 0 : 1); });
}

void MainWindow::buildViewMenu() {
  QMenu* view = menuBar()->addMenu(tr("&View"));
  m_view = new QComboBox;
  m_view->addItems({tr("Camera"), tr("Top"), tr("Side")});
  m_view->setToolTip(tr("Look through the camera, from the top or from the side (1, 2, 3)"));
  m_view->setFocusPolicy(Qt::NoFocus);
  connect(m_view, QOverload<int>::of(&QComboBox::activated), this, &MainWindow::setView);
  const QStringList viewNames{tr("&Camera View"), tr("&Top View"), tr("&Side View")};
  for (int i = 0; i < 3; ++i)
    view->addAction(viewNames[i], QKeySequence(Qt::Key_1 + i), this, [this, i] { setView(i); });
  view->addAction(tr("&Frame All"), QKeySequence(Qt::Key_F), m_viewport, &ViewportWidget::resetPanZoom);
  view->addSeparator();
  buildDisplayToggles(view);
}

// Labels, onion skin and picking colours: each toggle rewrites the document's display from all three.
void MainWindow::buildDisplayToggles(QMenu* view) {
  const auto toggle = [&](const QString& text, const QKeySequence& key, const QString& tip) {
    QAction* a = view->addAction(text);
    a->setShortcut(key);
    a->setCheckable(true);
    a->setToolTip(tip);
    connect(a, &QAction::toggled, this, [this] {
      ViewDocument::Display d = m_document->display();
      d.labels = m_labels->isChecked();
      d.onion = m_onion->isChecked();
      d.picking = m_picking->isChecked();
      m_document->setDisplay(d);
    });
    return a;
  };
  m_labels = toggle(tr("&Labels"), QKeySequence(Qt::Key_L), tr("Node names beside their pivots (L)"));
  m_onion = toggle(tr("&Onion Skin"), QKeySequence(Qt::Key_O), tr("Each node's path over the frames around (O)"));
  m_picking = toggle(tr("&Picking Colours"), QKeySequence(Qt::Key_P),
                     tr("Only the colours that encode what a click picks (P)"));
  m_onionFrames = new QSpinBox;
  m_onionFrames->setRange(1, 100);
  m_onionFrames->setValue(m_document->display().onionFrames);
  m_onionFrames->setPrefix(tr("± "));
  m_onionFrames->setSuffix(tr(" frames"));
  m_onionFrames->setToolTip(tr("Frames the onion skin shows before and after the frame shown"));
  connect(m_onionFrames, QOverload<int>::of(&QSpinBox::valueChanged), this, [this](int n) {
    ViewDocument::Display d = m_document->display();
    d.onionFrames = n;
    m_document->setDisplay(d);
  });
}

void MainWindow::buildPlaybackMenu() {
  QMenu* play = menuBar()->addMenu(tr("&Playback"));
  play->addAction(tr("&Play / Pause"), QKeySequence(Qt::Key_Space), m_timeline, &TimelineBar::togglePlaying);
  play->addAction(tr("&Next Frame"), QKeySequence(Qt::Key_Right), this, [this] { m_timeline->step(1); });
  play->addAction(tr("P&revious Frame"), QKeySequence(Qt::Key_Left), this, [this] { m_timeline->step(-1); });
  play->addAction(tr("&First Frame"), QKeySequence(Qt::Key_Home), m_timeline, &TimelineBar::toFirst);
  play->addAction(tr("&Last Frame"), QKeySequence(Qt::Key_End), m_timeline, &TimelineBar::toLast);
}

void MainWindow::buildToolBar() {
  QToolBar* bar = addToolBar(tr("View"));
  bar->setObjectName(QStringLiteral("view"));
  bar->setMovable(false);
  bar->addAction(m_undo);
  bar->addAction(m_redo);
  bar->addSeparator();
  bar->addWidget(m_view);
  bar->addAction(m_labels);
  bar->addAction(m_onion);
  bar->addWidget(m_onionFrames);
  bar->addAction(m_picking);
  bar->addSeparator();
  bar->addAction(m_offsetDrag);
}

void MainWindow::updateTitle() {
  const Session& s = m_document->session();
  setWindowTitle(QStringLiteral("%1[*] — vantorel view").arg(m_document->displayName()));
  setWindowFilePath(s.path());
  setWindowModified(s.isModified());
  m_undo->setEnabled(s.canUndo());
  m_undo->setText(s.canUndo() ? tr("&Undo %1").arg(s.undoName()) : tr("&Undo"));
  m_redo->setEnabled(s.canRedo());
  m_redo->setText(s.canRedo() ? tr("&Redo %1").arg(s.redoName()) : tr("&Redo"));
}

void MainWindow::updateDisplay() {
  const ViewDocument::Display& d = m_document->display();
  m_view->setCurrentIndex(d.view);
  for (auto [action, on] : {std::pair{m_labels, d.labels}, {m_onion, d.onion}, {m_picking, d.picking}}) {
    const QSignalBlocker quiet(action);
    action->setChecked(on);
  }
  const QSignalBlocker quiet(m_onionFrames);
  m_onionFrames->setValue(d.onionFrames);
}

QString MainWindow::statusText() const { return statusBar()->currentMessage(); }

void MainWindow::say(const QString& text) { statusBar()->showMessage(text.trimmed()); }

void MainWindow::reportPick(const PickResult& hit) {
  say(pickReport(hit).trimmed().replace(QLatin1Char('\n'), QStringLiteral("; ")));
}

void MainWindow::setPrompts(std::unique_ptr<WindowPrompts> prompts) { m_prompts = std::move(prompts); }

bool MainWindow::saveTo(const QString& path) {
  try {
    m_document->session().save(path);
  } catch (const SessionError& e) {
    m_prompts->tellFailure(this, tr("Could not save"), e.message());
    say(e.message());
    return false;
  }
  updateTitle();
  say(tr("Saved %1").arg(path));
  return true;
}

bool MainWindow::save() {
  Session& s = m_document->session();
  if (s.changedOnDisk() &&
      m_prompts->askChangedOnDisk(this, m_document->displayName()) != WindowPrompts::Answer::Overwrite) {
    say(tr("Not saved: %1 changed on disk").arg(s.path()));
    return false;
  }
  return saveTo(s.path());
}

bool MainWindow::saveAs() {
  const QString path = m_prompts->chooseSavePath(this, m_document->session().path());
  return !path.isEmpty() && saveTo(path);
}

bool MainWindow::mayDiscard() {
  Session& s = m_document->session();
  s.cancelDrag();
  if (!s.isModified())
    return true;
  switch (m_prompts->askUnsaved(this, m_document->displayName())) {
  case WindowPrompts::Answer::Save:
    return save();
  case WindowPrompts::Answer::Discard:
    return true;
  default:
    return false;
  }
}

bool MainWindow::open() {
  if (!mayDiscard())
    return false;
  const QString path = m_prompts->chooseOpenPath(this, m_document->session().path());
  if (path.isEmpty())
    return false;
  try {
    m_document->replace(Session::open(path));
  } catch (const SessionError& e) {
    m_prompts->tellFailure(this, tr("Could not open"), e.message());
    say(e.message());
    return false;
  }
  say(tr("Opened %1").arg(path));
  return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  m_timeline->setPlaying(false);
  if (mayDiscard())
    event->accept();
  else
    event->ignore();
}
