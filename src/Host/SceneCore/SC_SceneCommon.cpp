#include "SceneCore/SC_SceneCommon.h"

#include <algorithm>
#include <cmath>

#include "SceneCore/Camera.h"
#include "SceneCore/MO_Module.h"

SC_SceneCommon::SC_SceneCommon() = default;

// Nodes go in any order: links between them are plain pointers that nothing follows while the
// scene is being destroyed.
SC_SceneCommon::~SC_SceneCommon() = default;

MO_Module* SC_SceneCommon::addNode(std::unique_ptr<MO_Module> node) {
  MO_Module* raw = node.get();
  raw->setScene(this);
  m_nodes.push_back(std::move(node));
  m_nodeRefs.push_back(raw);
  forgetNames();
  raw->initSceneValues();
  return raw;
}

void SC_SceneCommon::removeNode(MO_Module* node) { takeNode(node); }

std::unique_ptr<MO_Module> SC_SceneCommon::takeNode(MO_Module* node) {
  auto owned = std::find_if(m_nodes.begin(), m_nodes.end(), [&](const auto& p) { return p.get() == node; });
  if (owned == m_nodes.end())
    return nullptr;
  for (MO_Module* n : m_nodeRefs)
    for (int i = 0; i < n->nInPorts(); ++i)
      if (n->inputModule(i) == node)
        n->unlink(i);
  if (m_camera == node)
    m_camera = nullptr;
  std::unique_ptr<MO_Module> taken = std::move(*owned);
  m_nodes.erase(owned);
  m_nodeRefs.erase(std::remove(m_nodeRefs.begin(), m_nodeRefs.end(), node), m_nodeRefs.end());
  forgetNames();
  taken->setScene(nullptr);
  return taken;
}

MO_Module* SC_SceneCommon::findNode(const QString& name) const {
  if (m_byName.isEmpty())
    for (MO_Module* n : m_nodeRefs)
      if (!m_byName.contains(n->instanceName())) // the first of a name stays
        m_byName.insert(n->instanceName(), n);
  return m_byName.value(name, nullptr);
}

bool SC_SceneCommon::cameraMatrix(Math::Matrix4x4& result, const MO_FrameKey& key) const {
  if (!m_camera)
    return false;
  MO_PortTransform* t = m_camera->computeTransformation(MO_BaseContext(key, 0));
  result = t ? t->transformation().matrix(true) : Math::Matrix4x4();
  return true;
}

void SC_SceneCommon::cameraPlanes(double& nearPlane, double& farPlane) const {
  if (const auto* cam = dynamic_cast<const Camera*>(m_camera)) {
    nearPlane = cam->nearPlane(m_currentFrame);
    farPlane = cam->farPlane(m_currentFrame);
  }
}

double SC_SceneCommon::cameraFieldOfView() const {
  if (const auto* cam = dynamic_cast<const Camera*>(m_camera))
    return cam->fieldOfView(m_currentFrame);
  return Camera::kDefaultFieldOfView;
}

void SC_SceneCommon::cachePreferences() {
  for (MO_Module* n : m_nodeRefs)
    n->cachePreferences();
}

Math::Matrix4x4 rxscene_func::getSoftRenderPerspectiveMatrix(const SC_SceneCommon* scene, double aspectX,
                                                             double aspectY, double nearPlane, double farPlane) {
  const double fov = scene ? scene->cameraFieldOfView() : Camera::kDefaultFieldOfView;
  const double f = 1.0 / std::tan(fov * 0.017453292519943295 / 2.0);
  const double aspect = aspectY != 0.0 ? aspectX / aspectY : 1.0;
  const double depth = nearPlane - farPlane;
  // Column order: the usual OpenGL frustum looking down -z.
  return Math::Matrix4x4(f / aspect, 0, 0, 0,                      //
                         0, f, 0, 0,                               //
                         0, 0, (farPlane + nearPlane) / depth, -1, //
                         0, 0, 2.0 * farPlane * nearPlane / depth, 0);
}
