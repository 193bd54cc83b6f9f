#pragma once
// The host's peg: a transformation node. Its output is what arrives at input 0 (the identity
// without one) followed by T(position) · T(pivot) · Rz · Ry · Rx · skew · scale · T(−pivot),
// positions in scene units converted with toOGL, angles in degrees. A disabled peg passes its
// input through.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "BaseCore/Matrix4x4.h"
#include "SceneCore/AT_Keys.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_Revision.h"
#include "SceneCore/PegTransform.h"

class AT_DoubleAttr;
class AT_DoubleAttrMeta;
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
  // The node's own lines, its port and the block of its channels.
  void prefetch() const override;
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
  // The thirteen numbers the matrix is made of (position, pivot, angles, skew, scale), gathered
  // after each edit into one block that a frame reads without visiting every attribute: the
  // values at the last frame asked (those without keys hold at every frame), and for each number
  // with keys the stretch of keys the last frame fell in, so that frames within it need neither
  // the keys nor a search. A number a surrogate stands in for (its bit set in `live`) is read
  // from its attribute. The turns of the angles and the matrix are those of the last frame's
  // values, kept while the values stay the same. Every peg keeps this, so it is kept small.
  struct Keyed {
    const AT_DoubleAttr* attr; // its keys and its range
    mutable AT_Keys::Stretch stretch;
    int index;
    // Whether a value within the stretch may fall outside the hard range; when not, a frame
    // needs neither the range nor the attribute.
    mutable bool mayLeaveRange = true;
  };
  static constexpr int kChannels = 13;
  struct Channels {
    mutable std::array<double, kChannels> value{};
    std::vector<Keyed> keyed;
    std::uint16_t live = 0;
    mutable bool made = false; // `matrix` and `turns` are those of `value` and `metrics`
    mutable PegTransform::Turns turns;
    mutable double metrics[3] = {};
    mutable Math::Matrix4x4 matrix;
  };
  Channels gatherChannels() const;
  // The attribute of channel i.
  const AT_DoubleAttr* channelAttr(int i) const;
  // Brings c.value to the frame; the bits of the channels whose value moved.
  unsigned readChannels(const Channels& c, double frame) const;

  AT_Position3dAttr* m_position;
  AT_Rotation3dAttr* m_rotation;
  AT_Scale3dAttr* m_scale;
  AT_DoubleAttr* m_skew;
  AT_Position3dAttr* m_pivot;
  std::unique_ptr<SLB_ModulePickAdaptor> m_pickAdaptor;
  MO_UntilEdit<Channels> m_channels;
};
