// vantorel types [--json]: every registered node type with its declarations, in registration
// order, from a node made by the factory (what a user gets when adding one).
#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <cxxabi.h>
#include <memory>

#include "CliError.h"
#include "Commands.h"
#include "DataOutput.h"
#include "SceneCore/AT_BoolAttr.h"
#include "SceneCore/AT_CompoundAttr.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_EnumAttrBase.h"
#include "SceneCore/AT_IntAttr.h"
#include "SceneCore/AT_StringAttr.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/MO_SimplePortMetaData.h"

namespace {

QString demangled(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
  return status == 0 && name ? QString::fromLatin1(name.get()) : QString::fromLatin1(type.name());
}

QJsonObject describeAttr(const AT_Attr* attr) {
  QJsonObject o{{QStringLiteral("keyword"), attr->keyword()},
                {QStringLiteral("displayName"), attr->displayName()},
                {QStringLiteral("class"), attr->className()}};
  if (const auto* d = dynamic_cast<const AT_DoubleAttr*>(attr)) {
    const AT_DoubleAttrMeta& m = d->doubleMeta();
    o[QStringLiteral("stepPreference")] = m.stepPreference();
    o[QStringLiteral("weakMin")] = m.weakMin();
    o[QStringLiteral("weakMax")] = m.weakMax();
    o[QStringLiteral("min")] = m.min();
    o[QStringLiteral("max")] = m.max();
    o[QStringLiteral("step")] = m.step();
    o[QStringLiteral("default")] = d->defaultValue();
  } else if (const auto* i = dynamic_cast<const AT_IntAttr*>(attr)) {
    o[QStringLiteral("min")] = i->min();
    o[QStringLiteral("max")] = i->max();
    o[QStringLiteral("step")] = i->step();
    o[QStringLiteral("default")] = i->defaultValue();
  } else if (const auto* b = dynamic_cast<const AT_BoolAttr*>(attr)) {
    o[QStringLiteral("default")] = b->defaultValue();
  } else if (const auto* s = dynamic_cast<const AT_StringAttr*>(attr)) {
    o[QStringLiteral("default")] = s->defaultValue();
  } else if (const auto* c = dynamic_cast<const AT_CompoundAttr*>(attr)) {
    QJsonArray parts;
    for (int k = 0; k < c->partCount(); ++k)
      parts.append(c->part(k)->defaultValue());
    o[QStringLiteral("default")] = parts;
  } else if (const auto* e = dynamic_cast<const AT_EnumAttrBase*>(attr)) {
    o[QStringLiteral("default")] = e->localValueString();
    QJsonArray values;
    for (auto it = e->enumBegin(); it != e->enumEnd(); ++it)
      values.append(QJsonObject{{QStringLiteral("value"), it->first},
                                {QStringLiteral("keyword"), it->second.m_keyword},
                                {QStringLiteral("text"), it->second.m_text}});
    o[QStringLiteral("values")] = values;
  }
  return o;
}

QJsonObject describeType(const MO_ModuleFactory::Entry& entry) {
  std::unique_ptr<MO_Module> node(entry.create ? entry.create() : nullptr);
  if (!node)
    throw std::runtime_error("the factory made no node for " + entry.typeName.toStdString());
  QJsonArray ports;
  for (int i = 0; i < node->nInPorts(); ++i) {
    const MO_SimplePortMetaData* meta = node->inPortMetadata(i);
    ports.append(meta ? QJsonValue(meta->name()) : QJsonValue());
  }
  QJsonArray attrs;
  for (const AT_Attr* a : node->attrs())
    attrs.append(describeAttr(a));
  QJsonObject o{{QStringLiteral("type"), entry.typeName},
                {QStringLiteral("displayName"), node->baseDisplayName()},
                {QStringLiteral("class"), demangled(*entry.type)},
                {QStringLiteral("baseClass"), node->baseClassName()},
                {QStringLiteral("inPorts"), ports},
                {QStringLiteral("attributes"), attrs}};
  if (node->nodeTypeId() >= 0)
    o[QStringLiteral("typeId")] = node->nodeTypeId();
  return o;
}

void printText(const QJsonArray& types) {
  for (const QJsonValue& v : types) {
    const QJsonObject t = v.toObject();
    std::fprintf(DataOutput::stream(), "%s  \"%s\"  %s : %s\n", qPrintable(t[QStringLiteral("type")].toString()),
                 qPrintable(t[QStringLiteral("displayName")].toString()),
                 qPrintable(t[QStringLiteral("class")].toString()),
                 qPrintable(t[QStringLiteral("baseClass")].toString()));
    const QJsonArray ports = t[QStringLiteral("inPorts")].toArray();
    for (int i = 0; i < ports.size(); ++i)
      if (ports[i].isString())
        std::fprintf(DataOutput::stream(), "    in %d  \"%s\"\n", i, qPrintable(ports[i].toString()));
    for (const QJsonValue& av : t[QStringLiteral("attributes")].toArray()) {
      const QJsonObject a = av.toObject();
      std::fprintf(DataOutput::stream(), "    %-16s \"%s\"  %s\n", qPrintable(a[QStringLiteral("keyword")].toString()),
                   qPrintable(a[QStringLiteral("displayName")].toString()),
                   qPrintable(a[QStringLiteral("class")].toString()));
    }
  }
}

} // namespace

int Commands::types(const QStringList& args) {
  QCommandLineParser parser;
  parser.addOption({QStringLiteral("json"), QStringLiteral("Print JSON")});
  if (!parser.parse(QStringList{QStringLiteral("vantorel types")} + args))
    throw CliError(QStringLiteral("types: ") + parser.errorText());
  if (!parser.positionalArguments().isEmpty())
    throw CliError(QStringLiteral("types: unexpected argument \"%1\"").arg(parser.positionalArguments().front()));
  QJsonArray types;
  for (const MO_ModuleFactory::Entry& e : MO_ModuleFactorySingleton().entries())
    types.append(describeType(e));
  if (parser.isSet(QStringLiteral("json")))
    std::fputs(QJsonDocument(types).toJson(QJsonDocument::Indented).constData(), DataOutput::stream());
  else
    printText(types);
  DataOutput::finish();
  return 0;
}
