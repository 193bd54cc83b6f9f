#pragma once
// Asks a node for its pick adaptor: the callback a plug-in registered under the node's type
// name makes one (handed back with setPickAdaptor, owned by this visitor), else the node's own
// pickAdaptor(). pickAdaptorFor keeps the made adaptor with the node so that its ids stay the
// same between drawing and picking; a node without either has none (null).
#include <QString>
#include <memory>

#include "SceneCore/MO_AbstractModuleVisitor.h"

class SLB_ModulePickAdaptor;

class SLB_NodePickAdaptorFactory : public MO_AbstractModuleVisitor {
public:
  SLB_NodePickAdaptorFactory();
  ~SLB_NodePickAdaptorFactory() override;

  static void registerVisitor(const QString& key, MO_VisitorCallback fn);
  static void unregisterVisitor(const QString& key);
  // Takes ownership of `adaptor` into `visitor`, which must be a SLB_NodePickAdaptorFactory
  // (any other visitor, or null, and the adaptor is deleted rather than leaked).
  static void setPickAdaptor(MO_AbstractModuleVisitor* visitor, SLB_ModulePickAdaptor* adaptor);

  // The node's adaptor, made once per node and kept until the node goes; null without one.
  static SLB_ModulePickAdaptor* pickAdaptorFor(MO_Module* module);
  // Drops what pickAdaptorFor keeps for the node (its selection interface calls this as it goes).
  static void forget(const MO_Module* module);

  bool visitModule(MO_Module* module) override;
  // What the last visit found: made by a callback (owned here) or the node's own (borrowed).
  SLB_ModulePickAdaptor* pickAdaptor() const { return m_found; }
  // The adaptor a callback made, handed to the caller; null when the node's own was found.
  std::unique_ptr<SLB_ModulePickAdaptor> takePickAdaptor();

protected:
  const MO_VisitorRegistry& registry() const override;

private:
  std::unique_ptr<SLB_ModulePickAdaptor> m_owned;
  SLB_ModulePickAdaptor* m_found = nullptr;
};
