#pragma once
// Passes the transformation of a default or a target input (input port indexes), or a
// blend of the two by the activity (percent); a switch input may choose the target.
#include <cstdint>
#include <optional>
#include <vector>

#include "Core/Constraint_AutoInModule.h"

class AT_DoubleAttr;
class AT_IntAttr;

class TransformGateModule : public Constraint_AutoInModule {
public:
  static const QString& typeName();

  TransformGateModule();
  ~TransformGateModule() override;

  QString moduleTypeName() const override { return typeName(); }
  QString baseDisplayName() const override { return QStringLiteral("Transformation-Gate"); }

  // Applies the colours only when the id differs from the one applied last.
  void setConstraintType(int typeId) override;
  // The input port that currently leads (target when the ratio is above one half, else
  // default, each replaced by the other when its port is empty); 0 without an output port.
  // Every output may be null; nothing is written when no port qualifies.
  int resolveGate(double frame, double* ratio = nullptr, int* defaultPort = nullptr, int* targetPort = nullptr,
                  int* switchPort = nullptr, bool* hasSwitch = nullptr) const;
  int mainInPortIdAtFrame(const MO_FrameKey& key) const override;
  bool isPortActive(const MO_FrameKey& key, int port) const override;
  bool nvPortColors(int port, const MO_FrameKey& key, bool isOutput, std::uint32_t& light,
                    std::uint32_t& dark) override;
  using Constraint_AutoInModule::nvPortColors;
  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override;

  // What the gate reads at a frame: its default and target ports, the blend ratio, and the port
  // of the switch that chose them (-1 without one).
  struct Activity {
    int defaultPort;
    int targetPort;
    double ratio;
    int switchPort;
  };

  AT_DoubleAttr* activeAttr() const { return m_active; }
  AT_IntAttr* target_gateAttr() const { return m_target_gate; }
  AT_IntAttr* default_gateAttr() const { return m_default_gate; }

  // The gate's own settings at a frame: its gate numbers and its activity (percent).
  struct Settings {
    int defaultGate;
    int targetGate;
    double active;
  };

private:
  Settings settingsAt(double frame) const;
  // The activity at the frame; a frame asks it several times (the main input, each port's
  // activity, the output), so the last frame's is kept until the next edit.
  Activity activityAt(double frame) const;

  AT_DoubleAttr* m_active;
  AT_IntAttr* m_target_gate;
  AT_IntAttr* m_default_gate;
  int m_appliedTypeId = 4;
  // What holds at every frame until the next edit: the settings when none has keys and, when no
  // input could answer as a switch either, the whole activity.
  struct Held {
    std::optional<Settings> settings;
    std::optional<Activity> activity;
  };
  MO_UntilEdit<Held> m_held;
  MO_UntilEdit<Activity, double> m_activity;                         // at the frame last asked
  MO_UntilEdit<std::vector<Constraint_TemplateModule*>> m_answering; // inputs that may be switches, by port
};
