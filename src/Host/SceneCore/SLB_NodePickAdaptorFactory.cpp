#include "SceneCore/SLB_NodePickAdaptorFactory.h"

#include <map>
#include <mutex>

#include "SceneCore/MO_Module.h"
#include "SceneCore/SLB_ModulePickAdaptor.h"

namespace {
MO_VisitorRegistry& pickRegistry() {
  static MO_VisitorRegistry r;
  return r;
}

using AdaptorCache = std::map<const MO_Module*, std::unique_ptr<SLB_ModulePickAdaptor>>;
// Never destroyed: nodes of a scene that outlives static destruction still forget themselves.
AdaptorCache& adaptorCache() {
  static AdaptorCache* cache = new AdaptorCache;
  return *cache;
}
// Scenes on other threads make and forget their nodes' adaptors at the same time.
std::mutex& adaptorCacheMutex() {
  static std::mutex* m = new std::mutex;
  return *m;
}
} // namespace

SLB_NodePickAdaptorFactory::SLB_NodePickAdaptorFactory() = default;
SLB_NodePickAdaptorFactory::~SLB_NodePickAdaptorFactory() = default;

void SLB_NodePickAdaptorFactory::registerVisitor(const QString& key, MO_VisitorCallback fn) {
  pickRegistry().add(key, fn);
}
void SLB_NodePickAdaptorFactory::unregisterVisitor(const QString& key) { pickRegistry().remove(key); }
const MO_VisitorRegistry& SLB_NodePickAdaptorFactory::registry() const { return pickRegistry(); }

void SLB_NodePickAdaptorFactory::setPickAdaptor(MO_AbstractModuleVisitor* visitor, SLB_ModulePickAdaptor* adaptor) {
  std::unique_ptr<SLB_ModulePickAdaptor> owned(adaptor);
  if (auto* factory = dynamic_cast<SLB_NodePickAdaptorFactory*>(visitor)) {
    factory->m_owned = std::move(owned);
    factory->m_found = factory->m_owned.get();
  }
}

bool SLB_NodePickAdaptorFactory::visitModule(MO_Module* module) {
  m_owned.reset();
  m_found = nullptr;
  if (!module)
    return false;
  if (!performDynamicOperation(module, module->moduleTypeName()) || !m_found)
    m_found = module->pickAdaptor();
  return m_found != nullptr;
}

std::unique_ptr<SLB_ModulePickAdaptor> SLB_NodePickAdaptorFactory::takePickAdaptor() {
  if (m_owned)
    m_found = nullptr;
  return std::move(m_owned);
}

SLB_ModulePickAdaptor* SLB_NodePickAdaptorFactory::pickAdaptorFor(MO_Module* module) {
  if (!module)
    return nullptr;
  AdaptorCache& cache = adaptorCache();
  {
    const std::lock_guard<std::mutex> lock(adaptorCacheMutex());
    if (auto it = cache.find(module); it != cache.end())
      return it->second.get();
  }
  SLB_NodePickAdaptorFactory factory;
  if (!factory.visitModule(module))
    return nullptr;
  std::unique_ptr<SLB_ModulePickAdaptor> made = factory.takePickAdaptor();
  if (!made)
    return module->pickAdaptor();
  const std::lock_guard<std::mutex> lock(adaptorCacheMutex());
  return (cache[module] = std::move(made)).get();
}

void SLB_NodePickAdaptorFactory::forget(const MO_Module* module) {
  const std::lock_guard<std::mutex> lock(adaptorCacheMutex());
  adaptorCache().erase(module);
}
