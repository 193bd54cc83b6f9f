#include "SceneCore/MO_ModuleFactory.h"

#include <algorithm>

void MO_ModuleFactory::registerClass(const std::type_info& type, const QString& typeName, Creator create,
                                     Creator createForLoading) {
  Entry e{&type, typeName, std::move(create), std::move(createForLoading)};
  for (Entry& existing : m_entries)
    if (existing.typeName == typeName) {
      existing = std::move(e);
      return;
    }
  m_entries.push_back(std::move(e));
}

void MO_ModuleFactory::unregisterClass(const QString& typeName) {
  m_entries.erase(
      std::remove_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) { return e.typeName == typeName; }),
      m_entries.end());
}

const MO_ModuleFactory::Entry* MO_ModuleFactory::find(const QString& typeName) const {
  for (const Entry& e : m_entries)
    if (e.typeName == typeName)
      return &e;
  return nullptr;
}

MO_Module* MO_ModuleFactory::create(const QString& typeName) const {
  const Entry* e = find(typeName);
  return e && e->createForLoading ? e->createForLoading() : nullptr;
}

MO_ModuleFactory& MO_ModuleFactorySingleton() {
  static MO_ModuleFactory factory;
  return factory;
}
