#pragma once
// A control other constraints read: an activity in percent (ACTIVE) and a gate number
// (GATENUM), set with a slider drawn at GUI OFFSET (scene units) scaled by GUI SCALE.
#include <utility>

#include "Core/Constraint_Module.h"

class AT_DoubleAttr;
class AT_IntAttr;
class AT_Position2dAttr;

class Switch : public Constraint_Module {
public:
  static const QString& typeName();

  Switch();
  ~Switch() override;

  QString moduleTypeName() const override { return typeName(); }
  QString baseDisplayName() const override { return QStringLiteral("Constraint-Switch"); }

  // ACTIVE at the frame, in percent and not clamped; always found.
  double switchActiveValue(const MO_BaseContext& ctx, bool& found) override;
  // GATENUM at the frame; always found.
  int switchTargetGate(const MO_BaseContext& ctx, bool& found) override;
  // Every output port shows the switch-port colours.
  bool nvPortColors(int port, bool isOutput, std::uint32_t& light, std::uint32_t& dark) override;
  // The slider: a vertical bar at x = −14 from −10 to 10 (scene units, times GUI SCALE, about
  // GUI OFFSET) with its knob at ACTIVE percent of the way up; only the knob when picking.
  void oglRenderControl(const MO_OGLContext& ctx) override;
  // The slider's bottom and top (scene units) for a GUI SCALE, kept in single precision as the
  // slider is drawn and dragged.
  static std::pair<float, float> sliderEnds(double scale) {
    return {static_cast<float>(-10.0 * scale), static_cast<float>(10.0 * scale)};
  }

  AT_DoubleAttr* activeAttr() const { return m_active; }
  AT_IntAttr* gatenumAttr() const { return m_gatenum; }
  AT_Position2dAttr* uioffsetposAttr() const { return m_uioffsetpos; }
  AT_DoubleAttr* uiscaleAttr() const { return m_uiscale; }

private:
  AT_DoubleAttr* m_active;
  AT_IntAttr* m_gatenum;
  AT_Position2dAttr* m_uioffsetpos;
  AT_DoubleAttr* m_uiscale;
};
