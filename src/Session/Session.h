#pragma once
// One scene open in the process, as the command line, the window and the Python module use it:
// its nodes, evaluation into a caller's buffer, edits as undoable commands through the host's
// command manager (each edit one step, validated first, so a refused edit changes nothing and
// adds no history), undo and redo, picking and dragging in a view, rendering, baking, saving
// whole or not at all. Refusals are SessionErrors (SessionError.h) with the command line's
// messages. A frame left out is the session's current frame, which only setCurrentFrame
// changes (it starts at the scene's first). Everything runs on the caller's thread, but for the
// further threads of an evaluation with more than one job (setJobs), which end before it returns.
#include <QImage>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "BaseCore/Matrix4x4.h"
#include "FrameRange.h"
#include "GltfExport.h"
#include "HostSetup.h"
#include "ParallelEvaluator.h"
#include "SceneCore/SC_SceneEvaluator.h"
#include "SessionTypes.h"

class CO_Command;
class CO_CommandManager;
class LiveDrag;
class MO_Module;
class SC_SceneCommon;

class Session {
public:
  using Progress = SC_SceneEvaluator::Progress;
  // Each frame's matrices (one per node asked) as they are evaluated.
  using MatrixSink = SC_SceneEvaluator::FrameSink;
  // The same in two steps, the first on every thread (ParallelEvaluator::StagedSink).
  using StagedSink = ParallelEvaluator::StagedSink;
  // Each frame's peg channels, PegChannels::kCount values a node, node after node.
  using ValuesSink = std::function<void(std::size_t frameIndex, const double* values)>;
  enum class Change { Executed, Undone, Redone, Selection, Saved, Dragging };
  // `name` is the command's name for Executed, Undone and Redone, else empty.
  using Listener = std::function<void(Change change, const QString& name)>;
  enum class BakeMode { All, Immediate };

  // What the session is opened for. Editing keeps the file's text, so that saving copies what did
  // not change as it was; Reading (evaluating, drawing, exporting) does not, and a save writes the
  // scene afresh.
  enum class Use { Editing, Reading };

  // Sets up the host (HostSetup) and reads the file; a file that cannot be read is a
  // SceneFileError and nothing is kept.
  static std::unique_ptr<Session> open(const QString& path, const HostOptions& host = {}, Use use = Use::Editing);
  // The same from text already read; `label` names it in messages and becomes the path.
  static std::unique_ptr<Session> openData(const QByteArray& xml, const QString& label, const HostOptions& host = {},
                                           Use use = Use::Editing);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // --- The scene
  const QString& path() const { return m_path; }
  FrameRange frameRange() const;
  QString cameraName() const; // empty without a camera
  double currentFrame() const { return m_frame; }
  void setCurrentFrame(double frame);
  std::vector<NodeInfo> nodes() const; // in file order
  NodeInfo nodeInfo(const QString& name) const;
  bool hasNode(const QString& name) const;
  std::vector<LinkInfo> links() const; // by target node, then input
  // The host's own objects, for callers that draw or inspect beyond this interface.
  SC_SceneCommon& scene() { return *m_scene; }
  MO_Module* node(const QString& name) const; // UnknownNameError "PATH: no node named ..."
  CO_CommandManager& commandManager() { return *m_manager; }

  // --- Evaluation (results bit for bit those of vantorel eval). Empty `nodes`: every node.
  // Fills frames.size() * nodes * 16 doubles, frame after frame, node after node.
  void evaluate(const std::vector<int>& frames, const QStringList& nodes, double* out, MatrixLayout layout,
                const Progress& progress = {});
  void evaluate(const std::vector<int>& frames, const QStringList& nodes, const MatrixSink& sink,
                const Progress& progress = {});
  void evaluate(const std::vector<int>& frames, const QStringList& nodes, const StagedSink& sink,
                const Progress& progress = {});
  Math::Matrix4x4 matrix(const QString& node, double frame);
  // Threads that evaluate, pegValues, bakeKeys and exportGltf run on (ParallelEvaluator.h), with
  // the same numbers for any; 1, the default, keeps every frame on the caller's thread. Outside
  // 1 to ParallelEvaluator::kMaxJobs it is a BadArgumentError.
  void setJobs(int jobs);
  int jobs() const { return m_jobs; }
  // What bake-keys would key (PegChannels), frames.size() * nodes * PegChannels::kCount doubles.
  void pegValues(const std::vector<int>& frames, const QStringList& nodes, double* out, const Progress& progress = {});
  void pegValues(const std::vector<int>& frames, const QStringList& nodes, const ValuesSink& sink,
                 const Progress& progress = {});

  // --- Attributes. A value is set as the scene file spells it (a number, "true"/"false", an
  // option's keyword, any text): as a key at `frame` when one is given, as a key at the current
  // frame when the attribute is animated, else as its own value; refused with the scene
  // reader's message. Each returns the command's name.
  AttributeInfo attribute(const QString& node, const QString& keyword, std::optional<double> frame = {}) const;
  std::vector<AttributeInfo> attributes(const QString& node, std::optional<double> frame = {}) const;
  QString setAttribute(const QString& node, const QString& keyword, const QString& text,
                       std::optional<double> frame = {});
  QString setAttribute(const QString& node, const QString& keyword, double value, std::optional<double> frame = {});
  QString setAttribute(const QString& node, const QString& keyword, bool value, std::optional<double> frame = {});

  // --- The graph
  QString link(const QString& from, int fromPort, const QString& to, int toPort);
  QString unlink(const QString& to, int toPort);
  QString setEnabled(const QString& node, bool enabled);

  // --- Buttons and baking
  // Presses a static transformation node's bake button; the name of the step it added.
  QString bake(const QString& node, BakeMode mode, std::optional<double> frame = {});
  // Presses any push button attribute (AttributeInfo::Button) as an editor does, at the frame;
  // the name of the step it added. A button that makes no edit is refused.
  QString pressButton(const QString& node, const QString& keyword, std::optional<double> frame = {});
  // A new peg keyed over the range that gives the node's matrices (BakeKeys.h); empty `pegName`:
  // the node's name followed by "-baked".
  BakeKeysResult bakeKeys(const QString& node, const FrameRange& range, const QString& pegName = {},
                          bool replace = false, const Progress& keying = {}, const Progress& checking = {});

  // --- Export
  // The nodes' motion over the range as a glTF 2.0 file (GltfExport.h); empty `nodes`: every node
  // with a transformation output, in file order; an empty animation name: the scene file's. An
  // unknown node, one without a transformation output, a reversed range, a frame rate not above
  // 0, an output that does not end in .gltf or .glb or has no folder to go in is refused before
  // anything is evaluated, and nothing is written.
  GltfExport::Result exportGltf(const QString& path, const QStringList& nodes, const FrameRange& range,
                                const GltfExport::Options& options = {}, const Progress& progress = {});

  // --- The view
  // What lies under the point (see PickResult); `tell` names the node told of the click
  // (default: the control's node; UnknownNameError, or BadArgumentError when it does not choose
  // its main input from clicks). With `select`, the pick selects as a click in the view does.
  PickResult pick(const Math::Point2d& at, const ViewSpec& view = {}, const QString& tell = {}, bool select = false,
                  int modifiers = 0);
  // A node's control dragged from one point to another in a few steps, as vantorel drag does;
  // animation mode 1 sets the value at the frame, any other offsets every frame. The press must
  // pick one of the control's handles (BadArgumentError otherwise); a release where the press
  // was moves nothing and returns an empty name, as a click does.
  QString drag(const QString& node, const Math::Point2d& from, const Math::Point2d& to, const ViewSpec& view = {},
               int animationMode = 1);
  // A peg moved so that its pivot follows the pointer from one point to another ("Move Peg").
  QString dragPegPivot(const QString& node, const Math::Point2d& from, const Math::Point2d& to,
                       const ViewSpec& view = {}, int animationMode = 1);
  // A drag in steps for a live view: press takes hold of the control (or, failing one, the peg
  // pivot) under the point, or of `node`'s when given; each move shows the dragged value through
  // the host's surrogates without editing; release runs it as one undoable command and returns
  // its name (empty when nothing was held); cancel puts everything back.
  DragHit pressDrag(const Math::Point2d& at, const ViewSpec& view = {}, int animationMode = 1,
                    const QString& node = {});
  void moveDrag(const Math::Point2d& at);
  QString releaseDrag();
  void cancelDrag();
  bool isDragging() const { return m_drag != nullptr; }

  // --- Drawing, through the renderer render uses
  // PNG or SVG by extension, written whole or not at all.
  void render(const QString& path, const RenderOptions& options);
  // One image a frame, to pathOf(frame), all framed alike.
  void renderFrames(const std::vector<double>& frames, const std::function<QString(double)>& pathOf,
                    const RenderOptions& options, const Progress& progress = {});
  QImage renderImage(const RenderOptions& options);

  // --- Selection (kept in the file, not in the history)
  QStringList selection() const;
  // Selects the nodes, after clearing the selection unless `add`.
  void select(const QStringList& nodes, bool add = false);
  void clearSelection();

  // --- History
  bool undo(); // false when there is nothing to undo
  bool redo();
  bool canUndo() const;
  bool canRedo() const;
  QStringList history() const;     // names of the steps that can be undone, oldest first
  QStringList redoHistory() const; // names of the steps that can be redone, the next one first
  QString undoName() const;
  QString redoName() const;
  // Keeps at most `steps` steps to undo (0: no limit, the default); beyond it the oldest are
  // forgotten, so that a long script's memory stays flat.
  void setHistoryLimit(int steps);
  int historyLimit() const;
  // Whether the scene differs from the one loaded or last saved.
  bool isModified() const { return m_depth != m_cleanDepth; }
  int addListener(Listener listener);
  void removeListener(int id);

  // --- Saving, whole or not at all (the old file is left as it was on failure)
  void save(); // to path()
  // To `path`, which becomes the session's path.
  void save(const QString& path);
  // Whether the file at path() changed on disk since it was loaded or saved.
  bool changedOnDisk() const;

  // The view's size in pixels: the one given, else render's default for the scene. A size
  // given outside 1 to kMaxViewSide pixels a side is a BadArgumentError.
  QSize viewSize(const ViewSpec& view) const;
  // Larger views are a typo and would only exhaust memory; more onion frames would bury the picture.
  static constexpr int kMaxViewSide = 16384;
  static constexpr int kMaxOnion = 1000;

  // --- Warnings: what the session does as asked but a user should hear of: frames outside the
  // scene's range (evaluation, baking, rendering, picking, dragging), a dynamic spring whose
  // tension and inertia make its step grow without bound (once per node, when something it
  // drives is evaluated or the scene is checked), a camera with nothing in front of it (render).
  // Each is one line handed to the sink; without one, "vantorel: warning: LINE" goes to stderr.
  using WarningSink = std::function<void(const QString& warning)>;
  void setWarningSink(WarningSink sink) { m_warn = std::move(sink); }
  // What `vantorel check` looks for beyond what loading refuses: every spring over the scene's
  // range. The lines are warned as well as returned.
  QStringList check();

private:
  explicit Session(std::unique_ptr<SC_SceneCommon> scene, const QString& path);
  std::vector<MO_Module*> chosen(const QStringList& names) const;
  double frameOf(std::optional<double> frame) const;
  // Runs an edit as one step; the command is owned from here on.
  QString execute(CO_Command* command, const QString& name);
  void notify(Change change, const QString& name = {});
  void warn(const QString& warning);
  // Warns when frames from `lo` to `hi` reach outside the scene's range.
  void checkFrames(double lo, double hi);
  void checkFrames(const std::vector<int>& frames);
  // Warns of every spring among `nodes` and what they depend on (all nodes when empty) whose
  // step runs away at some frame up to `lastFrame`, each once.
  QStringList checkSprings(const std::vector<MO_Module*>& nodes, double lastFrame);
  void remember();
  void onStep(int event, const QString& name);

  std::unique_ptr<SC_SceneCommon> m_scene;
  std::unique_ptr<CO_CommandManager> m_manager;
  std::unique_ptr<LiveDrag> m_drag;
  QString m_path;
  double m_frame = 1.0;
  int m_jobs = 1;
  // Steps that can be undone now, and as many when the scene was loaded or saved (-1: that
  // state is gone, its steps undone and replaced).
  int m_depth = 0;
  int m_cleanDepth = 0;
  qint64 m_fileTime = -1;
  qint64 m_fileSize = -1;
  std::vector<std::pair<int, Listener>> m_listeners;
  WarningSink m_warn;
  QSet<QString> m_warnedSprings;
  int m_nextListener = 1;
};
