#pragma once
// Converts scene units (what users type) to drawing units (what matrices hold) and back, one
// factor per axis. Every position a matrix uses goes through toOGL.
#include "BaseCore/Point3d.h"
#include "BaseCore/Vector3d.h"

class SC_SceneMetrics {
public:
  static constexpr double kDefaultFactor = 1.0 / 12.0;

  SC_SceneMetrics() = default;
  SC_SceneMetrics(double fx, double fy, double fz) : m_fx(fx), m_fy(fy), m_fz(fz) {}
  double fx() const { return m_fx; }
  double fy() const { return m_fy; }
  double fz() const { return m_fz; }

  Math::Point3d toOGL(const Math::Point3d& p) const { return Math::Point3d(p.x * m_fx, p.y * m_fy, p.z * m_fz); }
  Math::Vector3d toOGL(const Math::Vector3d& v) const { return Math::Vector3d(v.x * m_fx, v.y * m_fy, v.z * m_fz); }
  Math::Point3d fromOGL(const Math::Point3d& p) const { return Math::Point3d(p.x / m_fx, p.y / m_fy, p.z / m_fz); }
  Math::Vector3d fromOGL(const Math::Vector3d& v) const { return Math::Vector3d(v.x / m_fx, v.y / m_fy, v.z / m_fz); }

private:
  double m_fx = kDefaultFactor, m_fy = kDefaultFactor, m_fz = kDefaultFactor;
};
