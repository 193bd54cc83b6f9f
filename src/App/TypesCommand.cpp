// vantorel types [--json]: every registered node type with its declarations, in registration
// order, from a node made by the factory (what a user gets when adding one).
#include <QCommandLineParser>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <cxxabi.h>
#include <memory>

#include "AttributeDocs.h"
#include "CliError.h"
#include "Commands.h"
#include "DataOutput.h"
#include "SceneCore/AT_BoolAttr.h"
#include "SceneCore/AT_CompoundAttr.h"
#include "SceneCore/AT_DoubleAttr.h"
#include "SceneCore/AT_EnumAttrBase.h"
#include "SceneCore/AT_IntAttr.h"
#include "SceneCore/AT_StringAttr.h"
#include "SceneCore/AT_ValueText.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/MO_SimplePortMetaData.h"

namespace {

QString demangled(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
  return status == 0 && name ? QString::fromLatin1(name.get()) : QString::fromLatin1(type.name());
}

QJsonObject describeAttr(const QString& type, const AT_Attr* attr) {
  const AttributeDocs::Doc doc = AttributeDocs::find(type, attr->keyword());
  QJsonObject o{{QStringLiteral("keyword"), attr->keyword()},
                {QStringLiteral("displayName"), attr->displayName()},
                {QStringLiteral("class"), attr->className()},
                {QStringLiteral("unit"), doc.unit},
                {QStringLiteral("description"), doc.description}};
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
    QJsonArray defaults, parts;
    for (int k = 0; k < c->partCount(); ++k)
      defaults.append(c->part(k)->defaultValue());
    // Every part a file or an edit may name, the flags beside the numbers included.
    for (const AT_Attr* part : c->subAttrs()) {
      QJsonObject p = describeAttr(type, part);
      p[QStringLiteral("keyword")] = part->path();
      parts.append(p);
    }
    o[QStringLiteral("default")] = defaults;
    o[QStringLiteral("parts")] = parts;
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
    attrs.append(describeAttr(entry.typeName, a));
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

QString number(const QJsonValue& v) { return AT_ValueText::fromDouble(v.toDouble()); }

// One attribute in four lines at most: keyword, display name, class, default and unit; what it
// does; its parts or its options with their display texts.
void printAttr(const QJsonObject& a) {
  const QJsonValue def = a[QStringLiteral("default")];
  QString value;
  if (def.isArray()) {
    QStringList parts;
    for (const QJsonValue& v : def.toArray())
      parts << number(v);
    value = parts.join(QStringLiteral(", "));
  } else if (def.isBool()) {
    value = def.toBool() ? QStringLiteral("true") : QStringLiteral("false");
  } else if (def.isDouble()) {
    value = number(def);
  } else if (def.isString()) {
    value = a.contains(QStringLiteral("values")) ? def.toString() : QStringLiteral("\"%1\"").arg(def.toString());
  }
  QString head = QStringLiteral("    %1 \"%2\"  %3")
                     .arg(a[QStringLiteral("keyword")].toString(), -16)
                     .arg(a[QStringLiteral("displayName")].toString(), a[QStringLiteral("class")].toString());
  if (!value.isEmpty())
    head += QStringLiteral("  default ") + value;
  if (!a[QStringLiteral("unit")].toString().isEmpty())
    head += QLatin1Char(' ') + a[QStringLiteral("unit")].toString();
  std::fprintf(DataOutput::stream(), "%s\n", qPrintable(head));
  const QString indent = QStringLiteral("        ");
  if (!a[QStringLiteral("description")].toString().isEmpty())
    std::fprintf(DataOutput::stream(), "%s%s\n", qPrintable(indent),
                 qPrintable(a[QStringLiteral("description")].toString()));
  if (a.contains(QStringLiteral("parts"))) {
    QStringList parts;
    for (const QJsonValue& p : a[QStringLiteral("parts")].toArray())
      parts << p.toObject()[QStringLiteral("keyword")].toString();
    std::fprintf(DataOutput::stream(), "%sparts %s\n", qPrintable(indent),
                 qPrintable(parts.join(QStringLiteral(", "))));
  }
  if (a.contains(QStringLiteral("values"))) {
    QStringList options;
    for (const QJsonValue& v : a[QStringLiteral("values")].toArray())
      options << QStringLiteral("%1 \"%2\"")
                     .arg(v.toObject()[QStringLiteral("keyword")].toString(),
                          v.toObject()[QStringLiteral("text")].toString());
    std::fprintf(DataOutput::stream(), "%soptions %s\n", qPrintable(indent),
                 qPrintable(options.join(QStringLiteral(", "))));
  }
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
    for (const QJsonValue& av : t[QStringLiteral("attributes")].toArray())
      printAttr(av.toObject());
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
