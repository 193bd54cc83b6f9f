#include "PickReport.h"

namespace {

QString describe(const QString& node, const QString& type) { return QStringLiteral("%1 (%2)").arg(node, type); }

} // namespace

QString pickReport(const PickResult& hit) {
  QString report = !hit.node.isEmpty()
                       ? QStringLiteral("picked: %1, handle %2").arg(describe(hit.node, hit.type)).arg(hit.handle)
                       : QStringLiteral("picked: background");
  if (!hit.controlNode.isEmpty())
    report += QStringLiteral(", on the control of %1").arg(describe(hit.controlNode, hit.controlType));
  report += QLatin1Char('\n');
  if (!hit.mainInputOf.isEmpty())
    report +=
        QStringLiteral("main input of %1: %2%3 (%4)\n")
            .arg(hit.mainInputOf)
            .arg(hit.mainInputPort)
            .arg(hit.mainInputPortName.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(hit.mainInputPortName))
            .arg(hit.mainInputSource.isEmpty() ? QStringLiteral("nothing linked") : hit.mainInputSource);
  return report;
}
