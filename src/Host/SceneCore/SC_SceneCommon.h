#pragma once
// A scene: its nodes in file order (it owns them), the unit conversion, the frame range, the
// design aspect ratio and the camera node. Nodes added are told they entered the scene.
#include <QHash>
#include <QString>
#include <memory>
#include <vector>

#include "BaseCore/Matrix4x4.h"
#include "SceneCore/MO_FrameKey.h"
#include "SceneCore/SC_SceneMetrics.h"

class MO_Module;

class SC_SceneCommon {
public:
  // What a scene was read from, as the file reader records it, so that writing the scene back
  // can keep what did not change as it was written. The scene only holds it.
  class Source {
  public:
    virtual ~Source() = default;
  };

  SC_SceneCommon();
  ~SC_SceneCommon();
  SC_SceneCommon(const SC_SceneCommon&) = delete;
  SC_SceneCommon& operator=(const SC_SceneCommon&) = delete;

  // Takes ownership; the node is told it entered the scene (initSceneValues).
  MO_Module* addNode(std::unique_ptr<MO_Module> node);
  // Cuts every link to the node, then destroys it.
  void removeNode(MO_Module* node);
  // Cuts every link to the node and hands it back out of the scene (null for a node the scene
  // does not hold), so that an undone addition can be made again.
  std::unique_ptr<MO_Module> takeNode(MO_Module* node);
  const std::vector<MO_Module*>& nodes() const { return m_nodeRefs; }
  // The first node of that name, through an index made on the first search after the nodes or
  // their names changed.
  MO_Module* findNode(const QString& name) const;
  // Drops the index of names (a node calls this when it is renamed).
  void forgetNames() { m_byName.clear(); }

  SC_SceneMetrics& metrics() { return m_metrics; }
  const SC_SceneMetrics& metrics() const { return m_metrics; }
  void setMetrics(const SC_SceneMetrics& m) { m_metrics = m; }

  int firstFrame() const { return m_firstFrame; }
  int lastFrame() const { return m_lastFrame; }
  void setFrameRange(int first, int last) {
    m_firstFrame = first;
    m_lastFrame = last;
  }
  // The frame the scene is shown at (what tools evaluate when no frame is given).
  double currentFrame() const { return m_currentFrame; }
  void setCurrentFrame(double f) { m_currentFrame = f; }

  double designAspectRatioX() const { return m_aspectX; }
  double designAspectRatioY() const { return m_aspectY; }
  void setDesignAspectRatio(double x, double y) {
    m_aspectX = x;
    m_aspectY = y;
  }

  // The camera node, or null. The flag is accepted for source compatibility.
  MO_Module* camera(bool = false) const { return m_camera; }
  void setCamera(MO_Module* camera) { m_camera = camera; }
  // The camera's transformation at the frame (camera space to scene); false without a camera.
  bool cameraMatrix(Math::Matrix4x4& result, const MO_FrameKey& key) const;
  // The camera's near and far planes; left as they are without a camera.
  void cameraPlanes(double& nearPlane, double& farPlane) const;
  // The camera's vertical field of view in degrees at the current frame (41.112 without one).
  double cameraFieldOfView() const;

  // Tells every node that preferences changed.
  void cachePreferences();

  const Source* source() const { return m_source.get(); }
  void setSource(std::shared_ptr<const Source> source) { m_source = std::move(source); }

private:
  std::vector<std::unique_ptr<MO_Module>> m_nodes;
  std::vector<MO_Module*> m_nodeRefs;
  mutable QHash<QString, MO_Module*> m_byName;
  SC_SceneMetrics m_metrics;
  int m_firstFrame = 1;
  int m_lastFrame = 1;
  double m_currentFrame = 1.0;
  double m_aspectX = 4.0;
  double m_aspectY = 3.0;
  MO_Module* m_camera = nullptr;
  std::shared_ptr<const Source> m_source;
};

namespace rxscene_func {
// The OpenGL perspective matrix of the scene's camera for the design aspect ratio.
Math::Matrix4x4 getSoftRenderPerspectiveMatrix(const SC_SceneCommon* scene, double aspectX, double aspectY,
                                               double nearPlane, double farPlane);
} // namespace rxscene_func
