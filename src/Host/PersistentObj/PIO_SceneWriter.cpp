#include "PersistentObj/PIO_SceneWriter.h"

#include <QHash>
#include <QSaveFile>
#include <memory>

#include "PersistentObj/PIO_WritingContext.h"
#include "PersistentObj/PO_XmlWriter.h"
#include "SceneCore/AT_Attr.h"
#include "SceneCore/AT_Keys.h"
#include "SceneCore/AT_ValueText.h"
#include "SceneCore/MO_AutoInPortsModule.h"
#include "SceneCore/MO_Module.h"
#include "SceneCore/MO_ModuleFactory.h"
#include "SceneCore/MO_Port.h"
#include "SceneCore/SC_SceneCommon.h"

namespace {

// Nodes as the reader starts them, one per type, to tell which values a file must carry. They
// live in a scene of their own because the reader adds each node to its scene before setting
// values, and a node may set values on entering one.
class DefaultNodes {
public:
  MO_Module* of(const QString& type) {
    auto it = m_byType.find(type);
    if (it != m_byType.end())
      return it.value();
    MO_Module* node = nullptr;
    if (const MO_ModuleFactory::Entry* entry = MO_ModuleFactorySingleton().find(type)) {
      std::unique_ptr<MO_Module> created(entry->createForLoading ? entry->createForLoading() : entry->create());
      if (created)
        node = m_scene.addNode(std::move(created));
    }
    m_byType.insert(type, node);
    return node;
  }

private:
  SC_SceneCommon m_scene;
  QHash<QString, MO_Module*> m_byType;
};

void writeAttr(PIO_WritingContext& ctx, const AT_Attr* attr, const AT_Attr* fresh) {
  const AT_Keys* keys = attr->keys();
  const bool hasKeys = keys && !keys->empty();
  const bool differs = attr->hasLocalValue() && (!fresh || fresh->localValueString() != attr->localValueString());
  if (hasKeys || differs) {
    PO_XmlWriter& w = ctx.writer();
    w.startElement(QStringLiteral("attr"));
    w.encodeStringAttr(QStringLiteral("keyword"), attr->path());
    if (differs)
      attr->writeXmlLocalValue(ctx);
    if (hasKeys) {
      for (const auto& [frame, key] : keys->keys()) {
        w.startElement(QStringLiteral("key"));
        w.encodeDoubleAttr(QStringLiteral("frame"), frame);
        w.encodeDoubleAttr(kPIO_attributeValue, key.value);
        w.encodeStringAttr(QStringLiteral("interpolation"), key.interpolation == AT_Keys::Constant
                                                                ? QStringLiteral("constant")
                                                                : QStringLiteral("linear"));
        w.endElement();
      }
    }
    w.endElement();
  }
  for (const AT_Attr* part : attr->subAttrs())
    writeAttr(ctx, part, fresh ? fresh->subAttr(part->keyword()) : nullptr);
}

void writeNode(PIO_WritingContext& ctx, const MO_Module* node, DefaultNodes& defaults) {
  PO_XmlWriter& w = ctx.writer();
  w.startElement(QStringLiteral("node"));
  w.encodeStringAttr(QStringLiteral("type"), node->moduleTypeName());
  w.encodeStringAttr(QStringLiteral("name"), node->instanceName());
  // Unlinked ports after the last link would be lost without the count.
  if (const auto* autoIn = dynamic_cast<const MO_AutoInPortsModule*>(node);
      autoIn && autoIn->nInPorts() > autoIn->linkedInPortCount())
    w.encodeIntAttr(QStringLiteral("inputs"), autoIn->nInPorts());
  if (!node->enabled())
    w.encodeBoolAttr(QStringLiteral("enabled"), false);
  if (node->selected())
    w.encodeBoolAttr(QStringLiteral("selected"), true);
  const MO_Module* fresh = defaults.of(node->moduleTypeName());
  for (const AT_Attr* attr : node->attrs())
    writeAttr(ctx, attr, fresh ? fresh->attr(attr->keyword()) : nullptr);
  w.endElement();
}

void writeLinks(PIO_WritingContext& ctx, const MO_Module* node) {
  PO_XmlWriter& w = ctx.writer();
  for (int i = 0; i < node->nInPorts(); ++i) {
    const MO_Port* src = node->inPort(i)->srcPort();
    if (!src)
      continue;
    w.startElement(QStringLiteral("link"));
    w.encodeStringAttr(QStringLiteral("from"), src->node()->instanceName());
    w.encodeStringAttr(QStringLiteral("to"), node->instanceName());
    w.encodeIntAttr(QStringLiteral("toPort"), i);
    if (src->index() != 0)
      w.encodeIntAttr(QStringLiteral("fromPort"), src->index());
    w.endElement();
  }
}

} // namespace

QByteArray PIO_SceneWriter::write(const SC_SceneCommon& scene, QString* error) {
  QByteArray out;
  PO_XmlWriter w(&out);
  PIO_WritingContext ctx(w, scene);
  w.startDocument();
  w.startElement(QStringLiteral("scene"));
  w.encodeStringAttr(QStringLiteral("version"), QStringLiteral("1"));
  w.encodeStringAttr(QStringLiteral("frames"), QStringLiteral("%1-%2").arg(scene.firstFrame()).arg(scene.lastFrame()));
  w.encodeStringAttr(QStringLiteral("aspect"), AT_ValueText::fromDouble(scene.designAspectRatioX()) + QLatin1Char(':') +
                                                   AT_ValueText::fromDouble(scene.designAspectRatioY()));
  w.startElement(QStringLiteral("metrics"));
  w.encodeDoubleAttr(QStringLiteral("x"), scene.metrics().fx());
  w.encodeDoubleAttr(QStringLiteral("y"), scene.metrics().fy());
  w.encodeDoubleAttr(QStringLiteral("z"), scene.metrics().fz());
  w.endElement();
  if (const MO_Module* camera = scene.camera()) {
    w.startElement(QStringLiteral("camera"));
    w.encodeStringAttr(QStringLiteral("node"), camera->instanceName());
    w.endElement();
  }
  DefaultNodes defaults;
  for (const MO_Module* node : scene.nodes())
    writeNode(ctx, node, defaults);
  for (const MO_Module* node : scene.nodes())
    writeLinks(ctx, node);
  w.endElement();
  w.endDocument();
  if (error && w.hasError())
    *error = w.errorString();
  return out;
}

QByteArray PIO_SceneWriter::writeData(const SC_SceneCommon& scene) { return write(scene, nullptr); }

bool PIO_SceneWriter::writeFile(const SC_SceneCommon& scene, const QString& path, QString* error) {
  auto failed = [&](const QString& why) {
    if (error)
      *error = QStringLiteral("%1: %2").arg(path, why);
    return false;
  };
  QString why;
  const QByteArray data = write(scene, &why);
  if (!why.isEmpty())
    return failed(why);
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly))
    return failed(file.errorString());
  if (file.write(data) != data.size()) {
    file.cancelWriting();
    return failed(file.errorString());
  }
  if (!file.commit())
    return failed(file.errorString());
  return true;
}
