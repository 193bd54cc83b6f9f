#pragma once
// A node of the scene graph: a named holder of attributes with enable and selection flags and
// colours. It owns the attributes registered with it. Its stamp (validateCache) grows whenever
// it or anything upstream of it is edited.
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class AT_Attr;
class MO_FrameKey;
class SC_SceneCommon;
class SC_SceneMetrics;

class MO_Node {
public:
  using CacheCheck = std::function<std::int64_t(MO_Node*)>;

  MO_Node();
  virtual ~MO_Node();
  MO_Node(const MO_Node&) = delete;
  MO_Node& operator=(const MO_Node&) = delete;

  // The factory type name and the name editors show for new nodes of this type.
  virtual QString moduleTypeName() const = 0;
  virtual QString baseDisplayName() const { return moduleTypeName(); }
  // The class a node type derives from, as tools list it.
  virtual QString baseClassName() const { return QStringLiteral("MO_Module"); }
  // The node type's colour identity; −1 for types that have none.
  virtual int nodeTypeId() const { return -1; }

  const QString& instanceName() const { return m_name; }
  void setInstanceName(const QString& name);

  // Takes ownership; attributes are listed in registration order.
  void registerAttr(AT_Attr* attr);
  // Room for this many attributes in all, for a node that knows how many it registers.
  void reserveAttrs(std::size_t count) { m_attrRefs.reserve(count); }
  const std::vector<AT_Attr*>& attrs() const { return m_attrRefs; }
  // By keyword, or by "KEYWORD.part" for a compound's part.
  AT_Attr* attr(const QString& keywordPath) const;
  // Why attr(keywordPath) finds nothing: "has no attribute ..." and, when the path names a part
  // of an attribute that has other parts (ROTATION.Z), the parts it has.
  QString missingAttrText(const QString& keywordPath) const;

  bool enabled() const { return m_enabled; }
  void setEnabled(bool enabled);
  bool selected() const { return m_selected; }
  void setSelected(bool selected);
  // True when this node or any node feeding it, directly or through others, is selected. The
  // answer is kept until a selection or the graph changes (nodes ask it every frame).
  bool isSelectedInputRecursive() const;
  // The same, found by a walk up the links.
  bool selectedUpstream() const;

  SC_SceneCommon* sceneCommon() const { return m_scene; }
  SC_SceneMetrics* sceneMetrics() const;
  void setScene(SC_SceneCommon* scene) { m_scene = scene; }

  // Called when the node enters a scene, and when preferences change.
  virtual void initSceneValues() {}
  virtual void cachePreferences() {}
  // Packed RGBA colours, as QColor::rgb gives them.
  void setLightColorPreference(const std::uint32_t* rgba) { m_light = *rgba; }
  void setDarkColorPreference(const std::uint32_t* rgba) { m_dark = *rgba; }
  std::uint32_t lightColor() const { return m_light; }
  std::uint32_t darkColor() const { return m_dark; }
  // The colours a port shows in the node view. Nodes that colour a port themselves return
  // true; the default gives the node's own colours and false.
  virtual bool nvPortColors(int port, bool isOutput, std::uint32_t& light, std::uint32_t& dark);
  // The same at a frame, for nodes whose port colours follow their animation.
  virtual bool nvPortColors(int port, const MO_FrameKey& key, bool isOutput, std::uint32_t& light, std::uint32_t& dark);

  // A stamp that grows when the node or its inputs change.
  std::int64_t validateCache() const;
  // The largest of `check` over the nodes feeding this one (0 without inputs). Nodes that
  // depend on more than their inputs (the camera, say) widen it.
  virtual std::int64_t validateCacheInputs(const CacheCheck& check) const;
  // The nodes linked to this node's inputs, by input index (null where unlinked).
  virtual std::vector<MO_Node*> inputNodes() const { return {}; }

  // An editor changed the attribute with this keyword (a button press, a typed value).
  virtual void attributeChangedByEditor(const QString&) {}
  // Called by attributes of this node after each change.
  void attrChanged(AT_Attr* attr);
  // Marks the node itself as edited (links, flags).
  void touch();

private:
  QString m_name;
  std::vector<AT_Attr*> m_attrRefs; // owned
  bool m_enabled = true;
  bool m_selected = false;
  mutable bool m_upstreamSelected = false;
  mutable std::int64_t m_upstreamSelectedAt[2] = {-1, -1}; // edit counter, selection counter
  SC_SceneCommon* m_scene = nullptr;
  std::uint32_t m_light = 0xffffffffu;
  std::uint32_t m_dark = 0xff000000u;
  std::int64_t m_stamp;
  // validateCache() as last computed, and the edit counter it was computed under: nothing can
  // have changed while the counter stands, so graphs with shared ancestors are walked once.
  mutable std::int64_t m_cachedStamp = 0;
  mutable std::int64_t m_cachedAtRevision = -1;
};
