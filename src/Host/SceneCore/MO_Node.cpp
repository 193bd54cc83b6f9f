#include "SceneCore/MO_Node.h"

#include <QStringList>
#include <algorithm>
#include <unordered_set>

#include "SceneCore/AT_Attr.h"
#include "SceneCore/MO_Revision.h"
#include "SceneCore/SC_SceneCommon.h"
#include "SceneCore/UT_ThreadLocal.h"

MO_Node::MO_Node() : m_stamp(MO_Revision::current()) {}

MO_Node::~MO_Node() {
  for (AT_Attr* attr : m_attrRefs)
    delete attr;
}

void MO_Node::registerAttr(AT_Attr* attr) { m_attrRefs.push_back(attr); }

AT_Attr* MO_Node::attr(const QString& keywordPath) const {
  const QStringList parts = keywordPath.split(QLatin1Char('.'));
  AT_Attr* found = nullptr;
  for (AT_Attr* a : m_attrRefs)
    if (a->keyword() == parts.front()) {
      found = a;
      break;
    }
  for (int i = 1; found && i < parts.size(); ++i)
    found = found->subAttr(parts[i]);
  return found;
}

QString MO_Node::missingAttrText(const QString& keywordPath) const {
  QString text = QStringLiteral("node \"%1\" of type \"%2\" has no attribute \"%3\"")
                     .arg(instanceName(), moduleTypeName(), keywordPath);
  // The deepest attribute the path does reach, and the parts it offers instead.
  const qsizetype dot = keywordPath.lastIndexOf(QLatin1Char('.'));
  const AT_Attr* parent = dot > 0 ? attr(keywordPath.left(dot)) : nullptr;
  if (!parent)
    return text;
  QStringList parts;
  for (const AT_Attr* part : parent->subAttrs())
    parts << part->path();
  if (parts.isEmpty())
    return text + QStringLiteral(" (%1 has no parts)").arg(parent->path());
  return text + QStringLiteral(" (the parts of %1 are %2)").arg(parent->path(), parts.join(QStringLiteral(", ")));
}

void MO_Node::setEnabled(bool enabled) {
  if (enabled == m_enabled)
    return;
  m_enabled = enabled;
  touch();
}

namespace {
// Moves on whenever a node of a scene on this thread is selected or deselected.
UT_THREAD_LOCAL std::int64_t g_selections = 0;
} // namespace

void MO_Node::setSelected(bool selected) {
  if (m_selected != selected)
    ++g_selections;
  m_selected = selected;
}

bool MO_Node::isSelectedInputRecursive() const {
  // Links only change through edits, which move the edit counter on.
  const std::int64_t revision = MO_Revision::current();
  if (m_upstreamSelectedAt[0] == revision && m_upstreamSelectedAt[1] == g_selections)
    return m_upstreamSelected;
  m_upstreamSelected = selectedUpstream();
  m_upstreamSelectedAt[0] = revision;
  m_upstreamSelectedAt[1] = g_selections;
  return m_upstreamSelected;
}

bool MO_Node::selectedUpstream() const {
  // Graphs are acyclic, but a node may be reached along several paths: visit each once.
  std::vector<const MO_Node*> todo{this};
  std::unordered_set<const MO_Node*> seen{this};
  while (!todo.empty()) {
    const MO_Node* n = todo.back();
    todo.pop_back();
    if (n->m_selected)
      return true;
    for (MO_Node* in : n->inputNodes())
      if (in && seen.insert(in).second)
        todo.push_back(in);
  }
  return false;
}

SC_SceneMetrics* MO_Node::sceneMetrics() const { return m_scene ? &m_scene->metrics() : nullptr; }

std::int64_t MO_Node::validateCache() const {
  const std::int64_t revision = MO_Revision::current();
  if (m_cachedAtRevision != revision) {
    m_cachedStamp = std::max(m_stamp, validateCacheInputs([](MO_Node* n) { return n->validateCache(); }));
    m_cachedAtRevision = revision;
  }
  return m_cachedStamp;
}

std::int64_t MO_Node::validateCacheInputs(const CacheCheck& check) const {
  std::int64_t stamp = 0;
  for (MO_Node* in : inputNodes())
    if (in)
      stamp = std::max(stamp, check(in));
  return stamp;
}

void MO_Node::attrChanged(AT_Attr*) { m_stamp = MO_Revision::current(); }

void MO_Node::touch() { m_stamp = MO_Revision::bump(); }

void MO_Node::setInstanceName(const QString& name) {
  m_name = name;
  if (m_scene)
    m_scene->forgetNames();
}

bool MO_Node::nvPortColors(int, bool, std::uint32_t& light, std::uint32_t& dark) {
  light = m_light;
  dark = m_dark;
  return false;
}

bool MO_Node::nvPortColors(int port, const MO_FrameKey&, bool isOutput, std::uint32_t& light, std::uint32_t& dark) {
  return nvPortColors(port, isOutput, light, dark);
}
