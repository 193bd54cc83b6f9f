#pragma once
// Tells a node where the user clicked, so that it can choose its main input: carries the click
// in view coordinates and the view's camera chain (drawing units to view). The callback a
// plug-in registered under the node's type name decides; a node without one is left alone.
#include "BaseCore/CameraTransformChain.h"
#include "BaseCore/Point2d.h"
#include "SceneCore/MO_AbstractModuleVisitor.h"

class MO_MainPortModuleVisitor : public MO_AbstractModuleVisitor {
public:
  MO_MainPortModuleVisitor(const Math::Point2d& viewPoint, const Math::CameraTransformChain& chain)
      : m_point(viewPoint), m_chain(chain) {}
  static void registerVisitor(const QString& key, MO_VisitorCallback fn);
  static void unregisterVisitor(const QString& key);

  const Math::Point2d& viewPoint() const { return m_point; }
  const Math::CameraTransformChain& cameraTransformChain() const { return m_chain; }
  // Runs the callback of the node's type; false when there is none.
  bool visitModule(MO_Module* module) override;

protected:
  const MO_VisitorRegistry& registry() const override;

private:
  Math::Point2d m_point;
  Math::CameraTransformChain m_chain;
};
