#pragma once
// The host's peg: a transformation node. Its output is what arrives at input 0 (the identity
// without one) followed by T(position) · T(pivot) · Rz · Ry · Rx · skew · scale · T(−pivot),
// positions in scene units converted with toOGL, angles in degrees. A disabled peg passes its
// input through.
#include <array>
#include <cstdint>
#include <memory>

#include "BaseCore/Matrix4x4.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_Revision.h"
#include "SceneCore/PegTransform.h"

class AT_DoubleAttr;
class AT_Keys;
class AT_Position3dAttr;
class AT_Rotation3dAttr;
class AT_Scale3dAttr;
class SLB_ModulePickAdaptor;

class Peg : public MO_Module {
public:
  static const QString kTypeName;

  Peg();
  ~Peg() override;
  QString moduleTypeName() const override { return kTypeName; }
  QString baseDisplayName() const override { return QStringLiteral("Peg"); }

  MO_PortTransform* computeTransformation(const MO_BaseContext& ctx) override;
  bool pivot(const MO_FrameKey& key, Math::Point3d& pivot) const override;
  // One handle (the pivot); the peg owns it, so its picking id lasts as long as the peg.
  SLB_ModulePickAdaptor* pickAdaptor() override;
  // The peg's own matrix at a frame, without its input.
  Math::Matrix4x4 localMatrix(double frame) const;

  AT_Position3dAttr* position() const { return m_position; }
  AT_Rotation3dAttr* rotation() const { return m_rotation; }
  AT_Scale3dAttr* scale() const { return m_scale; }
  AT_DoubleAttr* skew() const { return m_skew; }
  AT_Position3dAttr* pivotAttr() const { return m_pivot; }

private:
  // The thirteen numbers the matrix is made of (position, pivot, angles, skew, scale), as the
  // attributes stood at the last edit: each one's keys and hard range, or its value when it has
  // none, side by side, so that a frame reads them without visiting every attribute. A number a
  // surrogate stands in for is read from its attribute.
  struct Channel {
    const AT_DoubleAttr* attr = nullptr;
    const AT_Keys* keys = nullptr;
    double value = 0.0;
    double lo = 0.0;
    double hi = 0.0;
    bool live = false;
  };
  static constexpr int kChannels = 13;
  struct Channels {
    std::array<Channel, kChannels> at;
    PegTransform::Turns turns; // of the angles and the skew that hold at every frame
  };
  Channels gatherChannels() const;
  static double channel(const Channel& c, double frame);

  AT_Position3dAttr* m_position;
  AT_Rotation3dAttr* m_rotation;
  AT_Scale3dAttr* m_scale;
  AT_DoubleAttr* m_skew;
  AT_Position3dAttr* m_pivot;
  std::unique_ptr<SLB_ModulePickAdaptor> m_pickAdaptor;
  MO_UntilEdit<Channels> m_channels;
};
