#pragma once
// Follows its input's animation with spring-like lag, frame after frame: each frame's state is
// the previous one pulled toward the input by a tension and carried on by an inertia (percent,
// per channel: translation x, y, z, scale, skew and rotation), in the space of a static parent
// (the static input, or an ancestor of the dynamic input), about the dynamic input's pivot.
// Missing frames are computed in increasing order first, so a frame's result does not depend on
// the order frames are asked in; the history keeps whole states only now and then (SpringHistory)
// and makes the others again, to the bit, when they are read. Without a dynamic input,
// disabled, outside a scene or outside frames 1 to kLastFrame the input passes through.
#include <array>
#include <optional>

#include "Core/Constraint_Module.h"
#include "DynamicSpring/SpringHistory.h"
#include "DynamicSpring/SpringMath.h"

class AT_BoolAttr;
class AT_DoubleAttr;
class AT_StringAttr;

class DynamicSpringModule : public Constraint_Module {
public:
  // The last frame simulated; later frames pass the input through.
  static constexpr int kLastFrame = 100000;

  static const QString& typeName();

  DynamicSpringModule();
  ~DynamicSpringModule() override;

  QString moduleTypeName() const override { return typeName(); }
  QString baseDisplayName() const override { return QStringLiteral("Dynamic-Spring"); }
  int mainInPortId() const override { return 0; }
  const MO_SimplePortMetaData* inPortMetadata(int port) const override;
  bool isDynamicModule() const override { return true; }
  // Input port 2 (Switch) shows fixed switch colours, whatever the preferences say.
  bool nvPortColors(int port, bool isOutput, std::uint32_t& light, std::uint32_t& dark) override;
  using Constraint_Module::nvPortColors;
  // In line views: the dynamic input's pivot over the five frames before and three after the
  // current one, blue fading in toward the current frame, then green.
  void oglRenderControl(const MO_OGLContext& ctx) override;
  // Caches MATCHEXPOSURES at the frame, then replaces the incoming matrix by the spring's.
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override;
  // False only when both activities are 0, or when they agree and, with MATCHEXPOSURES on, no
  // frame from the first up to the second is an update frame.
  bool isDirtyOnFrameKeyChange(const MO_FrameKey& first, const MO_FrameKey& second) override;

  // What the node reads at a frame: the spring's own settings, and how far up the main inputs
  // the space it runs in lies (without a static input).
  struct Settings {
    SpringSettings spring;
    std::uint32_t ignoreParents = 0; // PIGNORE as a count of levels; 0: the world
    QString parentName;              // PARENTNAME, which ends the climb early
  };

  // The spring's output at the frame for the incoming matrix (drawing units), in the form the
  // host declares for it: it reads the settings, then answers from the history or moves the
  // spring's state on by nextSpringState.
  virtual Math::Matrix4x4 computeConstraint(const MO_BaseContext& ctx, const Math::Matrix4x4& input);
  // The attributes at the context's frame, the switch included (MATCHEXPOSURES as last cached).
  Settings settingsAt(const MO_BaseContext& ctx) const;
  // Computes the frames missing up to the context's frame, in increasing order, and copies that
  // frame's entry into `out` when it is valid.
  void ensureHistory(const MO_BaseContext& ctx, SpringHistoryEntry& out);
  // States by integer frame number (index 0 is never used).
  const SpringHistory& history() const { return m_history; }
  // The state stored for a frame, made again from the nearest one kept when it is not kept
  // itself; a fresh (not valid) entry for frames holding none.
  SpringHistoryEntry historyEntry(std::size_t frame);
  bool matchExposures() const { return m_matchExposures; }

  AT_DoubleAttr* activeAttr() const { return m_active; }
  AT_BoolAttr* matchexposuresAttr() const { return m_matchexposures; }
  AT_DoubleAttr* tensionxAttr() const { return m_tensionx; }
  AT_DoubleAttr* inertiaxAttr() const { return m_inertiax; }
  AT_DoubleAttr* tensionyAttr() const { return m_tensiony; }
  AT_DoubleAttr* inertiayAttr() const { return m_inertiay; }
  AT_DoubleAttr* tensionzAttr() const { return m_tensionz; }
  AT_DoubleAttr* inertiazAttr() const { return m_inertiaz; }
  AT_DoubleAttr* tensionscaleAttr() const { return m_tensionscale; }
  AT_DoubleAttr* inertiascaleAttr() const { return m_inertiascale; }
  AT_DoubleAttr* tensionskewAttr() const { return m_tensionskew; }
  AT_DoubleAttr* inertiaskewAttr() const { return m_inertiaskew; }
  AT_DoubleAttr* tensionrotateAttr() const { return m_tensionrotate; }
  AT_DoubleAttr* inertiarotateAttr() const { return m_inertiarotate; }
  AT_DoubleAttr* pignoreAttr() const { return m_pignore; }
  AT_StringAttr* parentnameAttr() const { return m_parentname; }

private:
  // ACTIVE / 100 at the context's frame, modulated by the switch on port 2.
  double activityAt(const MO_BaseContext& ctx, bool* isKey = nullptr, bool* isAnimated = nullptr) const;
  void readGainsAndClimb(double frame, Settings& s) const;
  // The space the spring runs in: the static input, else the ancestor PIGNORE and PARENTNAME
  // choose, else the identity.
  Math::Matrix4x4 staticParent(const MO_BaseContext& ctx, const Settings& s);
  // The frame's state from its input: the spring's start, or one step on from `previous`.
  SpringHistoryEntry springState(const MO_BaseContext& ctx, const Math::Matrix4x4& input, const Settings& s,
                                 const Math::Matrix4x4& parent, bool restart, const SpringHistoryEntry& previous);
  // The state of the frame before, made sure of first; null when it cannot be made valid.
  const SpringHistoryEntry* previousState(const MO_BaseContext& ctx, std::size_t index, SpringHistory::Origin& origin);
  // The state of the frame before an integer frame when it is good as it stands, else null.
  const SpringHistoryEntry* stillGood(const MO_BaseContext& ctx, std::size_t index);
  // ensureHistory's work: the frame's state where it lies (valid until the history changes).
  const SpringHistoryEntry* goodEntry(const MO_BaseContext& ctx);
  // historyEntry in place: kept, or made again into the recent states.
  const SpringHistoryEntry& lookup(std::size_t frame);
  void keepSuccessor(std::size_t index, std::int64_t stamp);
  // What arrives at the main input at the frame, as the pipeline hands it to computeConstraint.
  Math::Matrix4x4 incoming(const MO_BaseContext& ctx);
  // A stored frame made again from the state before it, as its mark says it was made.
  SpringHistoryEntry remake(std::size_t frame, const SpringHistoryEntry& previous);

  AT_DoubleAttr* m_active;
  AT_BoolAttr* m_matchexposures;
  AT_DoubleAttr* m_tensionx;
  AT_DoubleAttr* m_inertiax;
  AT_DoubleAttr* m_tensiony;
  AT_DoubleAttr* m_inertiay;
  AT_DoubleAttr* m_tensionz;
  AT_DoubleAttr* m_inertiaz;
  AT_DoubleAttr* m_tensionscale;
  AT_DoubleAttr* m_inertiascale;
  AT_DoubleAttr* m_tensionskew;
  AT_DoubleAttr* m_inertiaskew;
  AT_DoubleAttr* m_tensionrotate;
  AT_DoubleAttr* m_inertiarotate;
  AT_DoubleAttr* m_pignore;
  AT_StringAttr* m_parentname;
  bool m_matchExposures = false;
  std::uint64_t m_computations = 0; // computeTransformation calls so far, to tell a nested one
  // The gains and climb, the activity and MATCHEXPOSURES as last read while none of what they
  // are read from had keys (nothing while something had), kept until the next edit.
  std::array<AT_DoubleAttr*, 13> m_steadyAttrs{};
  MO_UntilEdit<std::optional<Settings>> m_steady;
  MO_UntilEdit<std::optional<double>> m_steadyActivity;
  MO_UntilEdit<std::optional<bool>> m_steadyMatch; // MATCHEXPOSURES
  SpringHistory m_history;
};
