#pragma once
// The module factory: creators keyed by type name, listed in registration order. Plug-ins
// register theirs from static initialisers when they are loaded.
#include <QString>
#include <functional>
#include <typeinfo>
#include <vector>

class MO_Module;

class MO_ModuleFactory {
public:
  using Creator = std::function<MO_Module*()>;
  struct Entry {
    const std::type_info* type;
    QString typeName;
    Creator create;
    Creator createForLoading;
  };

  // A later registration under the same name replaces the earlier one.
  void registerClass(const std::type_info& type, const QString& typeName, Creator create, Creator createForLoading);
  void unregisterClass(const QString& typeName);
  // A new node of that type, or null for an unknown name. The caller owns it.
  MO_Module* create(const QString& typeName) const;
  const Entry* find(const QString& typeName) const;
  const std::vector<Entry>& entries() const { return m_entries; }

private:
  std::vector<Entry> m_entries;
};

MO_ModuleFactory& MO_ModuleFactorySingleton();
