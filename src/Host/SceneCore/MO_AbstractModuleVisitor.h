#pragma once
// A visitor walks modules; beside its generic visit it runs callbacks that plug-ins register
// under a key (a node type name, or a key shared by a family of nodes). Each visitor class has
// a registry of its own.
#include <QString>
#include <map>

class MO_Module;
class MO_AbstractModuleVisitor;

using MO_VisitorCallback = void (*)(MO_AbstractModuleVisitor* visitor, MO_Module* module);

// The callbacks of one visitor class, by key; a later registration under a key replaces it.
class MO_VisitorRegistry {
public:
  void add(const QString& key, MO_VisitorCallback fn) { m_callbacks[key] = fn; }
  MO_VisitorCallback find(const QString& key) const;
  void remove(const QString& key) { m_callbacks.erase(key); }

private:
  std::map<QString, MO_VisitorCallback> m_callbacks;
};

class MO_AbstractModuleVisitor {
public:
  virtual ~MO_AbstractModuleVisitor() = default;
  // Runs the callback registered under `key` for this visitor's class; false when there is none.
  bool performDynamicOperation(MO_Module* module, const QString& key);
  // The generic visit; true when it did something with the module.
  virtual bool visitModule(MO_Module* module) = 0;

protected:
  virtual const MO_VisitorRegistry& registry() const = 0;
};
